#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/FCBase.h"

#include <cstdint>

namespace clavenor {

/// Keeps an 8-bit field value in bits 8-15 of the flag word, beside the dirty and override
/// bits, so that the whole field is one 32-bit word. A consequence worth knowing: FCBase's
/// own copy operations (used through an FCBase reference) carry the value along with the
/// flags.
class CLAVENOR_API FCStateByteSlot : public FCBase {
protected:
    /// Where the value starts in the flag word.
    static constexpr std::uint32_t ValueShift = 8;
    /// The value's bits in the flag word.
    static constexpr std::uint32_t ValueMask = 0xFFu << ValueShift;

    FCStateByteSlot() = default;
    /// The value with the flags of a new field.
    explicit FCStateByteSlot(std::uint8_t value) { Store(value); }

    /// The value, from bits 8-15 of the flag word.
    std::uint8_t Load() const { return static_cast<std::uint8_t>(m_nState >> ValueShift); }
    /// Replaces bits 8-15 of the flag word; the other bits, flags included, stay.
    void Store(std::uint8_t value) {
        m_nState = (m_nState & ~ValueMask) | (static_cast<std::uint32_t>(value) << ValueShift);
    }
};

} // namespace clavenor
