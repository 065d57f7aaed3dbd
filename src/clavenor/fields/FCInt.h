#pragma once

#include "clavenor/fields/FCBase.h"

#include <cstdint>

namespace clavenor {

/// A signed 32-bit field. Arithmetic wraps as unsigned 32-bit arithmetic does, shifts take
/// their count modulo 32; dividing by zero, or the smallest value by -1, is the caller's
/// error.
class FCInt : public FCBase {
public:
    FCInt() = default;
    FCInt(std::int32_t value) : m_value(value) {}
    /// Takes the value only; the flags start as for a new field.
    FCInt(const FCInt& other) : FCBase(), m_value(other.m_value) {}

    /// Copies the value only; the target keeps its flags.
    FCInt& operator=(const FCInt& other) {
        m_value = other.m_value;
        return *this;
    }
    FCInt& operator=(std::int32_t value) {
        m_value = value;
        return *this;
    }

    std::int32_t GetValue() const { return m_value; }
    void SetValue(std::int32_t value) { m_value = value; }

    /// Bit n (0..31) of the value as 0 or 1; 0 for any other n.
    int GetBitValue(int n) const;
    /// Sets bit n when `b` is non-zero, clears it otherwise; any other n changes nothing.
    void SetBitValue(int n, int b);

    std::uint16_t GetLowValue() const { return static_cast<std::uint16_t>(Bits() & 0xFFFFu); }
    std::uint16_t GetHighValue() const { return static_cast<std::uint16_t>(Bits() >> 16); }
    /// Stores the low 8 bits of `w`, zero-extended, into the low (high) 16-bit half.
    void SetLowValue(std::uint16_t w);
    void SetHighValue(std::uint16_t w);

    FCInt& operator+=(std::int32_t v);
    FCInt& operator-=(std::int32_t v);
    FCInt& operator*=(std::int32_t v);
    FCInt& operator/=(std::int32_t v);
    FCInt& operator%=(std::int32_t v);
    FCInt& operator<<=(std::int32_t count);
    FCInt& operator>>=(std::int32_t count);
    FCInt& operator&(std::int32_t v);
    FCInt& operator|(std::int32_t v);
    FCInt& operator~();

    bool operator==(std::int32_t value) const { return m_value == value; }
    bool operator==(const FCInt& other) const { return m_value == other.m_value; }
    bool operator!=(std::int32_t value) const { return m_value != value; }
    bool operator!=(const FCInt& other) const { return m_value != other.m_value; }

private:
    std::uint32_t Bits() const { return static_cast<std::uint32_t>(m_value); }
    void SetBits(std::uint32_t bits) { m_value = static_cast<std::int32_t>(bits); }

    std::int32_t m_value = 0;
};

} // namespace clavenor
