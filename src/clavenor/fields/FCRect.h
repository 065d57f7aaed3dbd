#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/framework/RECT.h"
#include "clavenor/model/FCField.h"

namespace clavenor {

/// A rectangle field. A new field's edges are all 0.
class CLAVENOR_API FCRect : public FCField<FCRect, RECT> {
public:
    using FCField::FCField;
    using FCField::operator=;
};

} // namespace clavenor
