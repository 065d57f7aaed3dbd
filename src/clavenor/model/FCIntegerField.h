#pragma once

#include "clavenor/model/FCField.h"

#include <cstdint>
#include <type_traits>

namespace clavenor {

/// A signed integer field of at most 32 bits with compound arithmetic, shifts and bitwise
/// operators, each storing the result back and returning the field.
///
/// Arithmetic is done in 32 bits and wraps into T as two's complement. Shift counts are
/// taken modulo 32, and a right shift keeps the sign. Dividing by zero, or the smallest
/// value by -1, is the caller's error; the field answers with a defined result rather than
/// trapping: a zero divisor leaves the value unchanged, and a divisor of -1 negates with
/// wrap-around (remainder 0).
template <class Derived, class T>
class FCIntegerField : public FCField<Derived, T> {
    static_assert(std::is_signed_v<T> && sizeof(T) <= 4);
    using Base = FCField<Derived, T>;

public:
    using Base::Base;
    /// Assignment from a value or a field of the same class, as FCField's.
    using Base::operator=;

    /// Adds in 32 bits, wrapping into T; stores the result and returns this field. Every
    /// operator here leaves the flags untouched.
    Derived& operator+=(T value) { return Result(Bits(this->Load()) + Bits(value)); }
    /// Subtracts, wrapping as +=.
    Derived& operator-=(T value) { return Result(Bits(this->Load()) - Bits(value)); }
    /// Multiplies, wrapping as +=.
    Derived& operator*=(T value) { return Result(Bits(this->Load()) * Bits(value)); }
    /// Divides, truncating toward zero; by 0 nothing changes, by -1 the value is negated
    /// with wrap-around.
    Derived& operator/=(T value) {
        if (value == 0) {
            return this->Self();
        }
        if (value == -1) {
            return Result(0u - Bits(this->Load()));
        }
        return Result(static_cast<std::uint32_t>(this->Load() / value));
    }
    /// The remainder with the dividend's sign; by 0 nothing changes, by -1 it is 0.
    Derived& operator%=(T value) {
        if (value == 0) {
            return this->Self();
        }
        if (value == -1) {
            return Result(0u);
        }
        return Result(static_cast<std::uint32_t>(this->Load() % value));
    }
    /// Shifts left by `count` modulo 32, storing the result wrapped into T.
    Derived& operator<<=(std::int32_t count) { return Result(Bits(this->Load()) << Count(count)); }
    /// Shifts right by `count` modulo 32, keeping the sign.
    Derived& operator>>=(std::int32_t count) {
        return Result(
            static_cast<std::uint32_t>(static_cast<std::int32_t>(this->Load()) >> Count(count)));
    }
    /// Bitwise and. Unlike the built-in operator this is a mutation: it stores the result
    /// in this field and returns it, so `a & m` changes `a`.
    Derived& operator&(T value) { return Result(Bits(this->Load()) & Bits(value)); }
    /// Bitwise or; a mutation like operator&.
    Derived& operator|(T value) { return Result(Bits(this->Load()) | Bits(value)); }
    /// Bitwise not; a mutation like operator&, so `~a` changes `a`.
    Derived& operator~() { return Result(~Bits(this->Load())); }

private:
    /// The value sign-extended to 32 bits, as unsigned so that arithmetic wraps.
    static std::uint32_t Bits(T value) {
        return static_cast<std::uint32_t>(static_cast<std::int32_t>(value));
    }
    static std::uint32_t Count(std::int32_t count) {
        return static_cast<std::uint32_t>(count) & 31u;
    }
    Derived& Result(std::uint32_t bits) {
        this->Store(static_cast<T>(bits));
        return this->Self();
    }
};

} // namespace clavenor
