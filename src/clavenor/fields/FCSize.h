#pragma once

#include "clavenor/framework/SIZE.h"
#include "clavenor/model/FCField.h"

namespace clavenor {

/// A size field (default (0, 0)).
class FCSize : public FCField<FCSize, SIZE> {
public:
    using FCField::FCField;
    using FCField::operator=;
};

} // namespace clavenor
