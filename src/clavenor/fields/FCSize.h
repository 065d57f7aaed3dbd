#pragma once

#include "clavenor/fields/FCField.h"
#include "clavenor/framework/SIZE.h"

namespace clavenor {

/// A size field (default (0, 0)).
class FCSize : public FCField<FCSize, SIZE> {
public:
    using FCField::FCField;
    using FCField::operator=;
};

} // namespace clavenor
