#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/FCField.h"

namespace clavenor {

/// A 32-bit float field (default 0.0). Arithmetic follows IEEE rules: dividing by zero gives
/// an infinity or a NaN, and a NaN compares unequal to everything.
class CLAVENOR_API FCFloat : public FCField<FCFloat, float> {
public:
    using FCField::FCField;
    using FCField::operator=;

    FCFloat& operator+=(float value) { return Result(GetValue() + value); }
    FCFloat& operator-=(float value) { return Result(GetValue() - value); }
    FCFloat& operator*=(float value) { return Result(GetValue() * value); }
    FCFloat& operator/=(float value) { return Result(GetValue() / value); }

private:
    FCFloat& Result(float value) {
        SetValue(value);
        return *this;
    }
};

} // namespace clavenor
