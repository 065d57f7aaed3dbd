#pragma once

#include "clavenor/fields/MIDIWORD.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/FCBase.h"

#include <cstdint>

namespace clavenor {

/// One MIDI short message (status, data byte 1, data byte 2) as a typed field. The message
/// shares the 32-bit flag word: the dirty and override flags sit in the low byte and the
/// status, data 1 and data 2 in the three bytes above, in that order. A new value has all
/// three bytes 0, dirty 1 and override 0; no setter here touches the flags.
///
/// Every classification reads the status through the virtual GetStatusByte/GetStatusMSB,
/// so a derived value (FCMidiSysEx) answers through its own status. Channel, controller and
/// note tests follow MIDI 1.0; 0xF0 (system exclusive) counts as a system message only in
/// FCMidiSysEx.
class CLAVENOR_API FCMidi : public FCBase {
public:
    FCMidi() = default;
    /// Takes the source's three message bytes; the flags are those of a new field.
    FCMidi(const FCMidi& other) : FCBase() { SetMessage(other.MessageBits()); }
    /// Bytes 0 to 2 of `word` as SetValue stores them; the flags of a new field.
    explicit FCMidi(MIDIWORD word) { SetValue(word); }
    /// Bytes 0 to 2 of `word` as SetValue stores them; the flags of a new field.
    explicit FCMidi(std::uint32_t word) { SetValue(word); }
    ~FCMidi() override;

    ///@{
    /// Copies the three message bytes; this value keeps its flags.
    FCMidi& operator=(const FCMidi& other);
    FCMidi& operator=(MIDIWORD word);
    ///@}

    /// The shared empty message (all bytes 0), made on first use and alive until the process
    /// exits. Read-only: give a copy to anything that may change it.
    static const FCMidi& MidiNull();

    ///@{
    /// The message with byte 3 zero.
    MIDIWORD GetValue() const { return MIDIWORD(MessageBits()); }
    /// Stores bytes 0 to 2 as they are, data bytes of 0x80 and above included; byte 3 is
    /// ignored.
    void SetValue(MIDIWORD word) { SetMessage(word.dwData); }
    void SetValue(std::uint32_t word) { SetMessage(word); }
    ///@}

    /// The status byte (0 for an empty message). Classifications read it through here.
    virtual std::uint8_t GetStatusByte() const { return MessageByte(StatusByte); }
    /// Stores the whole byte, unmasked.
    void SetStatusByte(std::uint8_t status) { SetMessageByte(StatusByte, status); }
    /// The message kind: the status with its channel nibble cleared.
    virtual std::uint8_t GetStatusMSB() const;
    /// Replaces the kind nibble with the high nibble of `kind`; the channel stays.
    void SetStatusMSB(std::uint8_t kind);
    /// The channel nibble, 0 to 15.
    std::uint8_t GetStatusLSB() const;
    /// Replaces the channel nibble with the low nibble of `channel`; the kind stays.
    void SetStatusLSB(std::uint8_t channel);

    /// The first data byte (a note, a controller or a program number), as stored.
    std::uint8_t GetDataByte1() const { return MessageByte(DataByte1); }
    /// The second data byte (a velocity or a value), as stored.
    std::uint8_t GetDataByte2() const { return MessageByte(DataByte2); }
    /// Store `data` AND 0x7F.
    void SetDataByte1(std::uint8_t data);
    /// Store `data` AND 0x7F.
    void SetDataByte2(std::uint8_t data);

    /// Status byte non-zero.
    virtual int HasData() const;
    /// Note on or note off (kind 0x90 or 0x80).
    virtual int IsNote() const;
    /// Kind 0x90 with a non-zero velocity.
    virtual int IsNoteOn() const;
    /// Kind 0x80, or kind 0x90 with velocity 0 (running-status note off).
    virtual int IsNoteOff() const;
    /// Kind 0xA0 (polyphonic key pressure).
    virtual int IsPolyPressureMsg() const;
    /// Kind 0xB0 (control change, channel mode messages included).
    virtual int IsControllerMsg() const;
    /// Kind 0xC0 (program change).
    virtual int IsProgramMsg() const;
    /// Kind 0xD0 (channel pressure).
    virtual int IsChanPressureMsg() const;
    /// Kind 0xE0 (pitch bend).
    virtual int IsPitchBendMsg() const;
    /// Controller 7.
    virtual int IsVolumeMsg() const;
    /// Controller 64 with a value of 64 or more.
    virtual int IsPedalDown() const;
    /// Controller 64 with a value below 64.
    virtual int IsPedalUp() const;
    /// A controller message for controller `controller`.
    virtual int IsControllerType(std::uint32_t controller) const;
    /// Status 0x80 to 0xEF.
    virtual int IsChannelMsg() const;
    /// Controllers 120 to 127 (all sound off, reset, local control, mode changes).
    virtual int IsChannelModeMsg() const;
    /// A channel message that is not a channel mode message.
    virtual int IsChannelVoiceMsg() const;
    /// Status 0xF1 to 0xFF.
    virtual int IsSysMsg() const;
    /// Status 0xF1 to 0xF7.
    virtual int IsSysCommonMsg() const;
    /// Status 0xF8 to 0xFF.
    virtual int IsSysRealtimeMsg() const;
    /// Always 0 for a short message.
    virtual int IsSysExMsg() const;

private:
    // Message byte indexes, as in MIDIWORD.
    static constexpr int StatusByte = 0;
    static constexpr int DataByte1 = 1;
    static constexpr int DataByte2 = 2;
    // The message sits above the low byte of the flag word.
    static constexpr std::uint32_t MessageShift = 8;
    static constexpr std::uint32_t FlagMask = 0xFFu;

    std::uint32_t MessageBits() const { return m_nState >> MessageShift; }
    void SetMessage(std::uint32_t bytes) {
        m_nState = (m_nState & FlagMask) | (bytes << MessageShift);
    }
    std::uint8_t MessageByte(int index) const { return GetValue().GetByte(index); }
    void SetMessageByte(int index, std::uint8_t value) {
        MIDIWORD word = GetValue();
        word.SetByte(index, value);
        SetValue(word);
    }
    int IsController(std::uint32_t controller) const;
};

} // namespace clavenor
