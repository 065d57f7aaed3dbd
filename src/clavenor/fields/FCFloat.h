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

    /// Adds in single precision; stores the result and returns this field (flags untouched).
    FCFloat& operator+=(float value) { return Result(GetValue() + value); }
    /// Subtracts; as +=.
    FCFloat& operator-=(float value) { return Result(GetValue() - value); }
    /// Multiplies; as +=.
    FCFloat& operator*=(float value) { return Result(GetValue() * value); }
    /// Divides; as +=, with IEEE results for a zero divisor.
    FCFloat& operator/=(float value) { return Result(GetValue() / value); }

private:
    FCFloat& Result(float value) {
        SetValue(value);
        return *this;
    }
};

} // namespace clavenor
