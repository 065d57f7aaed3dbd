#pragma once

#include "clavenor/fields/FCField.h"
#include "clavenor/framework/POINT.h"

namespace clavenor {

/// A point field (default (0, 0)).
class FCPoint : public FCField<FCPoint, POINT> {
public:
    using FCField::FCField;
    using FCField::operator=;
};

} // namespace clavenor
