#pragma once

#include "clavenor/model/FCField.h"

#include <cstdint>

namespace clavenor {

/// A field whose value is used as a truth value: !, && and || replace the value with the
/// logical result, 0 or 1, and return the field. Being overloaded, && and || evaluate both
/// operands; they are updates, not conditions.
template <class Derived, class T, class Slot = FCValueSlot<T>>
class FCLogicField : public FCField<Derived, T, Slot> {
    using Base = FCField<Derived, T, Slot>;

public:
    using Base::Base;
    using Base::operator=;

    /// 1 when the value was 0, else 0.
    Derived& operator!() { return Result(this->Load() == 0); }
    /// 1 when both the value and `value` are non-zero, else 0.
    Derived& operator&&(std::int32_t value) { return Result(this->Load() != 0 && value != 0); }
    /// 1 when the value or `value` is non-zero, else 0.
    Derived& operator||(std::int32_t value) { return Result(this->Load() != 0 || value != 0); }

private:
    Derived& Result(bool truth) {
        this->Store(static_cast<T>(truth ? 1 : 0));
        return this->Self();
    }
};

} // namespace clavenor
