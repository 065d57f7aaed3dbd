#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/FCIntegerField.h"

#include <cstdint>

namespace clavenor {

/// A signed 32-bit field (default 0) with the integer operators of FCIntegerField, bit access
/// for bits 0 to 31 and access to the two 16-bit halves.
class CLAVENOR_API FCInt : public FCIntegerField<FCInt, std::int32_t> {
public:
    using FCIntegerField::FCIntegerField;
    using FCIntegerField::operator=;
    using FCIntegerField::GetBitValue;
    using FCIntegerField::SetBitValue;

    ///@{
    /// The low and the high 16-bit half of the value, as unsigned words.
    std::uint16_t GetLowValue() const { return static_cast<std::uint16_t>(Bits() & 0xFFFFu); }
    std::uint16_t GetHighValue() const { return static_cast<std::uint16_t>(Bits() >> 16); }
    ///@}
    ///@{
    /// Store only the low 8 bits of `w`, zero-extended, into the low (high) 16-bit half; the
    /// other half is kept. Callers that pass a full 16-bit word lose its high byte.
    void SetLowValue(std::uint16_t w) { SetBits((Bits() & 0xFFFF0000u) | (w & 0xFFu)); }
    void SetHighValue(std::uint16_t w) {
        SetBits((Bits() & 0x0000FFFFu) | (static_cast<std::uint32_t>(w & 0xFFu) << 16));
    }
    ///@}

private:
    std::uint32_t Bits() const { return static_cast<std::uint32_t>(GetValue()); }
    void SetBits(std::uint32_t bits) { SetValue(static_cast<std::int32_t>(bits)); }
};

} // namespace clavenor
