#pragma once

#include "clavenor/fields/FCLogicField.h"
#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

/// An unsigned 32-bit field (default 0) with the logical operators of FCLogicField.
class CLAVENOR_API FCDWord : public FCLogicField<FCDWord, std::uint32_t> {
public:
    using FCLogicField::FCLogicField;
    using FCLogicField::operator=;
};

} // namespace clavenor
