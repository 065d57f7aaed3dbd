#pragma once

#include "clavenor/fields/FCLogicField.h"
#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

/// A truth value held as a 32-bit int (default 0). Any value may be stored; the logical
/// operators of FCLogicField leave 0 or 1.
class CLAVENOR_API FCBool : public FCLogicField<FCBool, std::int32_t> {
public:
    using FCLogicField::FCLogicField;
    using FCLogicField::operator=;
};

} // namespace clavenor
