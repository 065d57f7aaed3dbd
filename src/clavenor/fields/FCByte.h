#pragma once

#include "clavenor/fields/FCLogicField.h"
#include "clavenor/fields/FCStateByteSlot.h"
#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

/// An unsigned 8-bit field (default 0) kept in bits 8-15 of the flag word, with the logical
/// operators of FCLogicField and bit access for bits 0 to 7.
class CLAVENOR_API FCByte : public FCLogicField<FCByte, std::uint8_t, FCStateByteSlot> {
public:
    using FCLogicField::FCLogicField;
    using FCLogicField::operator=;
    using FCLogicField::GetBitValue;
    using FCLogicField::SetBitValue;
};

} // namespace clavenor
