#include "clavenor/fields/FCMidi.h"

namespace clavenor {

FCMidi::~FCMidi() = default;

FCMidi& FCMidi::operator=(const FCMidi& other) {
    SetMessage(other.MessageBits());
    return *this;
}

FCMidi& FCMidi::operator=(MIDIWORD word) {
    SetValue(word);
    return *this;
}

const FCMidi& FCMidi::MidiNull() {
    static const FCMidi null;
    return null;
}

std::uint8_t FCMidi::GetStatusMSB() const { return GetStatusByte() & 0xF0u; }

void FCMidi::SetStatusMSB(std::uint8_t kind) {
    SetStatusByte(static_cast<std::uint8_t>((kind & 0xF0u) | (MessageByte(StatusByte) & 0x0Fu)));
}

std::uint8_t FCMidi::GetStatusLSB() const { return GetStatusByte() & 0x0Fu; }

void FCMidi::SetStatusLSB(std::uint8_t channel) {
    SetStatusByte(static_cast<std::uint8_t>((MessageByte(StatusByte) & 0xF0u) | (channel & 0x0Fu)));
}

void FCMidi::SetDataByte1(std::uint8_t data) { SetMessageByte(DataByte1, data & 0x7Fu); }

void FCMidi::SetDataByte2(std::uint8_t data) { SetMessageByte(DataByte2, data & 0x7Fu); }

int FCMidi::HasData() const { return GetStatusByte() != 0; }

int FCMidi::IsNote() const { return GetStatusMSB() == 0x90 || GetStatusMSB() == 0x80; }

int FCMidi::IsNoteOn() const { return GetStatusMSB() == 0x90 && GetDataByte2() != 0; }

int FCMidi::IsNoteOff() const {
    return GetStatusMSB() == 0x80 || (GetStatusMSB() == 0x90 && GetDataByte2() == 0);
}

int FCMidi::IsPolyPressureMsg() const { return GetStatusMSB() == 0xA0; }

int FCMidi::IsControllerMsg() const { return GetStatusMSB() == 0xB0; }

int FCMidi::IsProgramMsg() const { return GetStatusMSB() == 0xC0; }

int FCMidi::IsChanPressureMsg() const { return GetStatusMSB() == 0xD0; }

int FCMidi::IsPitchBendMsg() const { return GetStatusMSB() == 0xE0; }

int FCMidi::IsController(std::uint32_t controller) const {
    return GetStatusMSB() == 0xB0 && GetDataByte1() == controller;
}

int FCMidi::IsVolumeMsg() const { return IsController(7); }

int FCMidi::IsPedalDown() const { return IsController(64) && GetDataByte2() >= 64; }

int FCMidi::IsPedalUp() const { return IsController(64) && GetDataByte2() < 64; }

int FCMidi::IsControllerType(std::uint32_t controller) const { return IsController(controller); }

int FCMidi::IsChannelMsg() const { return GetStatusByte() >= 0x80 && GetStatusByte() <= 0xEF; }

int FCMidi::IsChannelModeMsg() const { return GetStatusMSB() == 0xB0 && GetDataByte1() >= 120; }

int FCMidi::IsChannelVoiceMsg() const { return IsChannelMsg() && !IsChannelModeMsg(); }

int FCMidi::IsSysMsg() const { return GetStatusByte() >= 0xF1; }

int FCMidi::IsSysCommonMsg() const { return GetStatusByte() >= 0xF1 && GetStatusByte() <= 0xF7; }

int FCMidi::IsSysRealtimeMsg() const { return GetStatusByte() >= 0xF8; }

int FCMidi::IsSysExMsg() const { return 0; }

} // namespace clavenor
