#include "clavenor/fields/FCMidiSysEx.h"

#include "clavenor/framework/detail/TextScan.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <vector>

namespace clavenor {

namespace {

// The standard messages. Byte 2 is the device id, which comparisons skip; the Master Volume
// and Master Balance values go into bytes 5 and 6.
constexpr std::size_t DeviceIdByte = 2;
constexpr std::size_t ValueLowByte = 5;
constexpr std::size_t ValueHighByte = 6;

constexpr std::array<std::uint8_t, 6> GMSystemOn{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
constexpr std::array<std::uint8_t, 6> GMSystemOff{0xF0, 0x7E, 0x7F, 0x09, 0x02, 0xF7};
constexpr std::array<std::uint8_t, 11> GSSystemOn{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40,
                                                  0x00, 0x7F, 0x00, 0x41, 0xF7};
constexpr std::array<std::uint8_t, 9> XGSystemOn{0xF0, 0x43, 0x10, 0x4C, 0x00,
                                                 0x00, 0x7E, 0x00, 0xF7};
constexpr std::array<std::uint8_t, 8> MasterVolume{0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x00, 0x00, 0xF7};
constexpr std::array<std::uint8_t, 8> MasterBalance{0xF0, 0x7F, 0x7F, 0x04, 0x02, 0x00, 0x00, 0xF7};

// Reads a piece the way a C "%x" conversion does; the number wraps modulo 2^32, of which
// only the low 8 bits are kept, so an overlong piece cannot overflow.
bool ReadHexByte(std::string_view piece, std::uint8_t& byte) {
    const TextScan::CNumber number = TextScan::ScanCNumber(piece, 16);
    if (!number.digits) {
        return false;
    }
    byte = static_cast<std::uint8_t>(number.negative ? 0u - number.low : number.low);
    return true;
}

} // namespace

FCMidiSysEx::FCMidiSysEx(const FCMidiSysEx& other) : FCMidi() {
    Assign(other.m_pBuf.get(), other.m_nLength);
}

FCMidiSysEx::FCMidiSysEx(const std::uint8_t* bytes, std::uint32_t length) { Assign(bytes, length); }

FCMidiSysEx::~FCMidiSysEx() = default;

FCMidiSysEx& FCMidiSysEx::operator=(const FCMidiSysEx& other) {
    if (this != &other) {
        Assign(other.m_pBuf.get(), other.m_nLength);
    }
    return *this;
}

void FCMidiSysEx::Assign(const std::uint8_t* bytes, std::uint32_t length) {
    if (bytes == nullptr || length == 0) {
        m_pBuf.reset();
        m_nLength = 0;
        return;
    }
    // Copy before letting go of the old buffer: `bytes` may point into it.
    auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(length);
    std::memcpy(buffer.get(), bytes, length);
    m_pBuf = std::move(buffer);
    m_nLength = length;
}

void FCMidiSysEx::SetSysExBuf(std::uint8_t* bytes, std::uint32_t length, int copy) {
    if (bytes != nullptr && bytes == m_pBuf.get()) {
        // Taking ownership of what it already owns would free it twice, and the buffer
        // cannot grow in place.
        length = std::min(length, m_nLength);
        copy = 1;
    }
    if (copy != 0 || bytes == nullptr || length == 0) {
        Assign(bytes, length);
        return;
    }
    m_pBuf.reset(bytes);
    m_nLength = length;
}

void FCMidiSysEx::SetDeviceMessage(std::span<const std::uint8_t> message, std::uint8_t deviceId) {
    Assign(message.data(), static_cast<std::uint32_t>(message.size()));
    m_pBuf[DeviceIdByte] = deviceId & 0x7Fu;
}

void FCMidiSysEx::SetValueMessage(std::span<const std::uint8_t> message, std::uint32_t value) {
    Assign(message.data(), static_cast<std::uint32_t>(message.size()));
    m_pBuf[ValueLowByte] = static_cast<std::uint8_t>(value & 0x7Fu);
    m_pBuf[ValueHighByte] = static_cast<std::uint8_t>((value >> 7) & 0x7Fu);
}

void FCMidiSysEx::SetGMSystemOn(std::uint8_t deviceId) { SetDeviceMessage(GMSystemOn, deviceId); }

void FCMidiSysEx::SetGMSystemOff(std::uint8_t deviceId) { SetDeviceMessage(GMSystemOff, deviceId); }

void FCMidiSysEx::SetGSSystemOn(std::uint8_t deviceId) { SetDeviceMessage(GSSystemOn, deviceId); }

void FCMidiSysEx::SetXGSystemOn(std::uint8_t deviceId) { SetDeviceMessage(XGSystemOn, deviceId); }

void FCMidiSysEx::SetMasterVolume(std::uint32_t value) { SetValueMessage(MasterVolume, value); }

void FCMidiSysEx::SetMasterBalance(std::uint32_t value) { SetValueMessage(MasterBalance, value); }

int FCMidiSysEx::Matches(std::span<const std::uint8_t> message) const {
    if (m_nLength < message.size()) {
        return 0;
    }
    for (std::size_t i = 0; i < message.size(); ++i) {
        if (i != DeviceIdByte && m_pBuf[i] != message[i]) {
            return 0;
        }
    }
    return 1;
}

int FCMidiSysEx::IsGMSystemOnMsg() const { return Matches(GMSystemOn); }

int FCMidiSysEx::IsGMSystemOffMsg() const { return Matches(GMSystemOff); }

int FCMidiSysEx::IsGSSystemOnMsg() const { return Matches(GSSystemOn); }

int FCMidiSysEx::IsXGSystemOnMsg() const { return Matches(XGSystemOn); }

int FCMidiSysEx::IsMasterVolumeMsg() const { return Matches(MasterVolume); }

int FCMidiSysEx::IsMasterBalanceMsg() const { return Matches(MasterBalance); }

CString FCMidiSysEx::ConvertToString() const {
    static constexpr char Digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(static_cast<std::size_t>(m_nLength) * 3);
    for (std::uint32_t i = 0; i < m_nLength; ++i) {
        text += Digits[m_pBuf[i] >> 4];
        text += Digits[m_pBuf[i] & 0x0F];
        text += ' ';
    }
    return CString(std::move(text));
}

int FCMidiSysEx::ConvertFromString(const CString& text) {
    const std::string_view rest(text.GetString());
    std::vector<std::uint8_t> bytes;
    std::size_t start = 0;
    while (start < rest.size()) {
        std::size_t end = rest.find_first_of(" ,", start);
        if (end == std::string_view::npos) {
            end = rest.size();
        }
        std::uint8_t byte = 0;
        if (ReadHexByte(rest.substr(start, end - start), byte)) {
            bytes.push_back(byte);
        }
        start = end + 1;
    }
    Assign(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    return bytes.empty() ? 0 : 1;
}

std::uint8_t FCMidiSysEx::GetStatusByte() const { return 0xF0; }

std::uint8_t FCMidiSysEx::GetStatusMSB() const { return 0xF0; }

int FCMidiSysEx::HasData() const { return m_nLength != 0; }

int FCMidiSysEx::IsSysMsg() const { return 1; }

int FCMidiSysEx::IsSysExMsg() const { return 1; }

} // namespace clavenor
