#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/framework/SIZE.h"
#include "clavenor/model/FCField.h"

namespace clavenor {

/// A size field (default (0, 0)).
class CLAVENOR_API FCSize : public FCField<FCSize, SIZE> {
public:
    using FCField::FCField;
    using FCField::operator=;
};

} // namespace clavenor
