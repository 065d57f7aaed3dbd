#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/framework/POINT.h"
#include "clavenor/model/FCField.h"

namespace clavenor {

/// A point field (default (0, 0)).
class CLAVENOR_API FCPoint : public FCField<FCPoint, POINT> {
public:
    using FCField::FCField;
    using FCField::operator=;
};

} // namespace clavenor
