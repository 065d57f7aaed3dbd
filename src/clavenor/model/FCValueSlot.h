#pragma once

#include "clavenor/model/FCBase.h"

namespace clavenor {

/// Where a typed field keeps its value when the value has a member of its own (every field
/// but FCByte). FCField reads and writes the value only through Load and Store, so a field
/// can keep it elsewhere by giving FCField another slot with the same three members.
///
/// The slot's own copy operations would copy the flag word; FCField never uses them.
template <class T>
class FCValueSlot : public FCBase {
protected:
    /// T's default value with the flags of a new field.
    FCValueSlot() = default;
    /// The value with the flags of a new field.
    explicit FCValueSlot(const T& value) : m_value(value) {}

    /// The value, valid while the field lives: FCField's only way to read it.
    const T& Load() const { return m_value; }
    /// Replaces the value, flags untouched: FCField's only way to write it.
    void Store(const T& value) { m_value = value; }

private:
    T m_value{};
};

} // namespace clavenor
