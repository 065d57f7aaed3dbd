#pragma once

#include "clavenor/model/FCValueSlot.h"

#include <type_traits>

namespace clavenor {

/// The part every typed field shares: a value of type T kept in `Slot`, the value
/// constructors, GetValue/SetValue, assignment and comparison. `Derived` is the named field
/// class (FCBool, FCInt, ...), which the operators return.
///
/// Flags: a new field, whether default-, value- or copy-constructed, reads dirty 1 and
/// override 0. Copy construction and every assignment take the value only; the target keeps
/// its own flags. Nothing here changes a flag; only SetDirty and SetOverride do.
///
/// A named field adds `using FCField::operator=;` (or its operator layer's), because its
/// implicit copy assignment would hide assignment from a value.
template <class Derived, class T, class Slot = FCValueSlot<T>>
class FCField : public Slot {
public:
    /// A new field (dirty 1, override 0) holding T's default value.
    FCField() = default;
    /// A new field (dirty 1, override 0) holding `value`.
    FCField(const T& value) : Slot(value) {}
    /// A new field (dirty 1, override 0) holding `other`'s value; its flags are not copied.
    FCField(const FCField& other) : Slot(other.Load()) {}

    /// Takes the value of `other`; this field's flags stay as they were.
    FCField& operator=(const FCField& other) {
        this->Store(other.Load());
        return *this;
    }
    /// Takes `value`; the flags stay as they were.
    Derived& operator=(const T& value) {
        this->Store(value);
        return Self();
    }

    /// The value (by reference where the slot keeps one, valid while the field lives).
    decltype(auto) GetValue() const { return this->Load(); }
    /// Replaces the value; the flags are untouched (setting never marks the field dirty).
    void SetValue(const T& value) { this->Store(value); }

    /// Compares the values only. For floating-point values a NaN is unequal to everything,
    /// itself included.
    bool operator==(const T& value) const { return this->Load() == value; }
    /// Compares the values only (flags are not compared), NaN as above.
    bool operator==(const FCField& other) const { return this->Load() == other.Load(); }

protected:
    /// The number of bits of T, the range of GetBitValue and SetBitValue.
    static constexpr int ValueBits = static_cast<int>(sizeof(T) * 8);

    /// This field as the named class, for operators that return it.
    Derived& Self() { return static_cast<Derived&>(*this); }

    /// Bit n (0 to ValueBits - 1) of an integer value as 0 or 1; 0 for any other n. Fields
    /// that offer bit access publish these two with a using-declaration.
    int GetBitValue(int n) const {
        if (n < 0 || n >= ValueBits) {
            return 0;
        }
        return static_cast<int>((Bits(this->Load()) >> n) & 1u);
    }
    /// Sets bit n when `b` is non-zero and clears it otherwise; any other n changes nothing.
    void SetBitValue(int n, int b) {
        if (n < 0 || n >= ValueBits) {
            return;
        }
        const auto mask = static_cast<std::make_unsigned_t<T>>(1u << n);
        const auto bits = Bits(this->Load());
        this->Store(static_cast<T>(b != 0 ? (bits | mask) : (bits & ~mask)));
    }

private:
    // Deduced, so that fields of non-integer values never instantiate it.
    static auto Bits(T value) { return static_cast<std::make_unsigned_t<T>>(value); }
};

} // namespace clavenor
