#include "clavenor/fields/FCInt.h"

namespace clavenor {

int FCInt::GetBitValue(int n) const {
    if (n < 0 || n > 31) {
        return 0;
    }
    return static_cast<int>((Bits() >> n) & 1u);
}

void FCInt::SetBitValue(int n, int b) {
    if (n < 0 || n > 31) {
        return;
    }
    const std::uint32_t mask = 1u << n;
    SetBits(b != 0 ? (Bits() | mask) : (Bits() & ~mask));
}

void FCInt::SetLowValue(std::uint16_t w) { SetBits((Bits() & 0xFFFF0000u) | (w & 0xFFu)); }

void FCInt::SetHighValue(std::uint16_t w) {
    SetBits((Bits() & 0x0000FFFFu) | (static_cast<std::uint32_t>(w & 0xFFu) << 16));
}

FCInt& FCInt::operator+=(std::int32_t v) {
    SetBits(Bits() + static_cast<std::uint32_t>(v));
    return *this;
}

FCInt& FCInt::operator-=(std::int32_t v) {
    SetBits(Bits() - static_cast<std::uint32_t>(v));
    return *this;
}

FCInt& FCInt::operator*=(std::int32_t v) {
    SetBits(Bits() * static_cast<std::uint32_t>(v));
    return *this;
}

FCInt& FCInt::operator/=(std::int32_t v) {
    m_value /= v;
    return *this;
}

FCInt& FCInt::operator%=(std::int32_t v) {
    m_value %= v;
    return *this;
}

FCInt& FCInt::operator<<=(std::int32_t count) {
    SetBits(Bits() << (static_cast<std::uint32_t>(count) & 31u));
    return *this;
}

FCInt& FCInt::operator>>=(std::int32_t count) {
    // An arithmetic shift, as the signed value's own shift would be.
    m_value >>= (static_cast<std::uint32_t>(count) & 31u);
    return *this;
}

FCInt& FCInt::operator&(std::int32_t v) {
    m_value &= v;
    return *this;
}

FCInt& FCInt::operator|(std::int32_t v) {
    m_value |= v;
    return *this;
}

FCInt& FCInt::operator~() {
    m_value = ~m_value;
    return *this;
}

} // namespace clavenor
