#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/FCIntegerField.h"

#include <cstdint>

namespace clavenor {

/// A signed 8-bit field (default 0) with the integer operators of FCIntegerField; results
/// wrap into 8 bits.
class CLAVENOR_API FCChar : public FCIntegerField<FCChar, std::int8_t> {
public:
    using FCIntegerField::FCIntegerField;
    using FCIntegerField::operator=;
};

} // namespace clavenor
