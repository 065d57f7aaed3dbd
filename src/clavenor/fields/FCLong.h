#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/FCIntegerField.h"

#include <cstdint>

namespace clavenor {

/// A signed 32-bit field (default 0) with the integer operators of FCIntegerField. Unlike
/// FCInt it has no bit or half-word access.
class CLAVENOR_API FCLong : public FCIntegerField<FCLong, std::int32_t> {
public:
    using FCIntegerField::FCIntegerField;
    using FCIntegerField::operator=;
};

} // namespace clavenor
