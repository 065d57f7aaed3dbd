#pragma once

#include "clavenor/fields/FCMidi.h"
#include "clavenor/framework/CString.h"
#include "clavenor/framework/Export.h"

#include <cstdint>
#include <memory>
#include <span>

namespace clavenor {

/// A system-exclusive message: the whole message as sent, from the 0xF0 start byte to the
/// 0xF7 end byte, in a buffer the value owns. A new value is empty (length 0, no buffer).
///
/// Classification: the status reads 0xF0, HasData is non-zero when the value holds bytes,
/// IsSysMsg and IsSysExMsg are 1 and every other test of FCMidi is 0. The short-message bytes
/// of FCMidi mean nothing here; the length is kept apart from the flag word, so nothing done
/// to the flag word (FCBase's copy operations, SetState) can make it disagree with the
/// buffer.
///
/// Copy construction and assignment copy the bytes into a new buffer; as with every field, a
/// copy starts with the flags of a new value and assignment keeps the target's. Operations that
/// allocate throw std::bad_alloc when they cannot and then leave the value as it was.
class CLAVENOR_API FCMidiSysEx : public FCMidi {
public:
    FCMidiSysEx() = default;
    /// Copies the source's bytes into a buffer of its own (throws std::bad_alloc when it
    /// cannot be allocated); the flags are those of a new field.
    FCMidiSysEx(const FCMidiSysEx& other);
    /// Copies `length` bytes from `bytes`; empty when `bytes` is null or `length` is 0.
    FCMidiSysEx(const std::uint8_t* bytes, std::uint32_t length);
    ~FCMidiSysEx() override;

    /// Copies the source's bytes; assigning a value to itself changes nothing.
    FCMidiSysEx& operator=(const FCMidiSysEx& other);

    ///@{
    /// The message bytes, null when empty; valid until the value next changes.
    const std::uint8_t* GetSysExBuf() const { return m_pBuf.get(); }
    std::uint8_t* GetSysExBuf() { return m_pBuf.get(); }
    ///@}
    /// The number of message bytes, 0 when empty.
    std::uint32_t GetSysExBufLength() const { return m_nLength; }

    /// Replaces the message. With a null `bytes` or a `length` of 0 the value becomes empty
    /// (and a caller's buffer stays the caller's). Otherwise, with `copy` non-zero, the first
    /// `length` bytes of `bytes` are copied into a new buffer of exactly that length; with
    /// `copy` zero the value takes `bytes` itself, which must come from
    /// `new std::uint8_t[]` and hold `length` bytes, and deletes it later. Handing the value
    /// its own buffer keeps it, cut to `length` bytes when that is shorter.
    void SetSysExBuf(std::uint8_t* bytes, std::uint32_t length, int copy);

    ///@{
    /// The universal GM System On / Off, Roland GS reset and Yamaha XG System On messages,
    /// addressed to device `deviceId` AND 0x7F (0x7F for all devices).
    void SetGMSystemOn(std::uint8_t deviceId);
    void SetGMSystemOff(std::uint8_t deviceId);
    void SetGSSystemOn(std::uint8_t deviceId);
    void SetXGSystemOn(std::uint8_t deviceId);
    /// The universal Master Volume / Master Balance messages for all devices, carrying the
    /// low 14 bits of `value` (least significant 7 bits first).
    void SetMasterVolume(std::uint32_t value);
    void SetMasterBalance(std::uint32_t value);
    ///@}

    /// Each byte as two lower-case hex digits and a space ("f0 7e f7 "); empty when empty.
    CString ConvertToString() const;
    /// Replaces the message with the bytes written in `text`: pieces separated by spaces and
    /// commas, each read as a hexadecimal number (an optional sign and 0x prefix allowed)
    /// whose low 8 bits are kept; pieces that do not start with a number are skipped. The
    /// text ends at its first zero byte. Returns 1 when at least one byte was read, else 0
    /// with the value empty.
    [[nodiscard]] int ConvertFromString(const CString& text);

    /// Always 0xF0, whatever the bytes: a system exclusive message.
    std::uint8_t GetStatusByte() const override;
    std::uint8_t GetStatusMSB() const override;
    int HasData() const override;
    int IsSysMsg() const override;
    int IsSysExMsg() const override;

    ///@{
    /// Whether the message begins with the standard message, whatever its device id byte.
    /// Master Volume and Master Balance compare their value bytes too, so only value 0
    /// matches.
    virtual int IsGMSystemOnMsg() const;
    virtual int IsGMSystemOffMsg() const;
    virtual int IsGSSystemOnMsg() const;
    virtual int IsXGSystemOnMsg() const;
    virtual int IsMasterVolumeMsg() const;
    virtual int IsMasterBalanceMsg() const;
    ///@}

private:
    void Assign(const std::uint8_t* bytes, std::uint32_t length);
    void SetDeviceMessage(std::span<const std::uint8_t> message, std::uint8_t deviceId);
    void SetValueMessage(std::span<const std::uint8_t> message, std::uint32_t value);
    int Matches(std::span<const std::uint8_t> message) const;

    std::unique_ptr<std::uint8_t[]> m_pBuf;
    std::uint32_t m_nLength = 0;
};

} // namespace clavenor
