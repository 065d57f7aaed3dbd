#pragma once

#include "clavenor/fields/FCLogicField.h"
#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

/// A colour reference (0x00bbggrr, default 0) as an unsigned 32-bit field with the logical
/// operators of FCLogicField.
class CLAVENOR_API FCColor : public FCLogicField<FCColor, std::uint32_t> {
public:
    using FCLogicField::FCLogicField;
    using FCLogicField::operator=;
};

} // namespace clavenor
