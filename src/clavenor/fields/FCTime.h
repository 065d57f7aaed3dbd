#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/FCField.h"
#include "clavenor/model/MCTime.h"

namespace clavenor {

/// A musical time field (default 0.0 in quarter notes). Assignment and comparison also
/// accept a bare MCTime; comparison follows MCTime's, so a scalar time never equals a
/// bar/pulse/tick one. Copying a bar/pulse/tick value allocates, and throws std::bad_alloc
/// when it cannot (the field then keeps its old value).
class CLAVENOR_API FCTime : public FCField<FCTime, MCTime> {
public:
    using FCField::FCField;
    using FCField::operator=;
};

} // namespace clavenor
