#pragma once

#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <vector>

namespace clavenor {

/// A growable array in the shape of the platform's template; ARG_TYPE is the type in which
/// arguments are passed (`CArray<int, int>`). Indexes are ints. An index out of range never
/// reaches memory: GetAt returns a default value for it, SetAt ignores it, and ElementAt and
/// operator[], which must return an item, throw std::out_of_range.
template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray {
public:
    /// The number of items.
    int GetSize() const { return static_cast<int>(m_items.size()); }
    /// The number of items (GetSize under the other name).
    int GetCount() const { return GetSize(); }
    /// Whether there is no item.
    bool IsEmpty() const { return m_items.empty(); }
    /// The highest valid index, -1 when empty.
    int GetUpperBound() const { return GetSize() - 1; }

    /// Grows (with value-initialised items) or shrinks to `size` items; a negative size
    /// empties the array.
    void SetSize(int size) { m_items.resize(size > 0 ? static_cast<std::size_t>(size) : 0); }

    /// A copy of the item at `index`; TYPE() for an index out of range.
    TYPE GetAt(int index) const {
        return InRange(index) ? m_items[static_cast<std::size_t>(index)] : TYPE();
    }
    /// Replaces the item at `index`; an index out of range changes nothing (see SetAtGrow).
    void SetAt(int index, ARG_TYPE value) {
        if (InRange(index)) {
            m_items[static_cast<std::size_t>(index)] = value;
        }
    }
    /// The item itself, valid until the array grows or shrinks; std::out_of_range for an
    /// index out of range.
    TYPE& ElementAt(int index) { return m_items.at(Checked(index)); }
    /// ElementAt(index).
    TYPE& operator[](int index) { return ElementAt(index); }
    /// The item itself, read-only; std::out_of_range for an index out of range.
    const TYPE& operator[](int index) const { return m_items.at(Checked(index)); }

    /// Stores `value` at `index`, growing the array to index + 1 items first when needed.
    void SetAtGrow(int index, ARG_TYPE value) {
        if (index < 0) {
            return;
        }
        if (index >= GetSize()) {
            SetSize(index + 1);
        }
        SetAt(index, value);
    }

    /// Appends `value` and returns its index. Throws std::bad_alloc (the array unchanged).
    int Add(ARG_TYPE value) {
        m_items.push_back(value);
        return GetSize() - 1;
    }

    /// Inserts `count` copies of `value` before `index` (at the end when index >= size).
    void InsertAt(int index, ARG_TYPE value, int count = 1) {
        if (index < 0 || count <= 0) {
            return;
        }
        const std::size_t at = std::min(static_cast<std::size_t>(index), m_items.size());
        m_items.insert(m_items.begin() + static_cast<std::ptrdiff_t>(at),
                       static_cast<std::size_t>(count), value);
    }

    /// Removes `count` items from `index`; the part outside the array is ignored.
    void RemoveAt(int index, int count = 1) {
        if (!InRange(index) || count <= 0) {
            return;
        }
        const std::size_t from = static_cast<std::size_t>(index);
        const std::size_t to = std::min(m_items.size(), from + static_cast<std::size_t>(count));
        m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(from),
                      m_items.begin() + static_cast<std::ptrdiff_t>(to));
    }

    /// Empties the array; the room it had stays set aside.
    void RemoveAll() { m_items.clear(); }

    /// Sets aside room for `size` items, so that growing up to that size (Add, InsertAt)
    /// needs no memory. Throws std::bad_alloc.
    void Reserve(int size) {
        if (size > 0) {
            m_items.reserve(static_cast<std::size_t>(size));
        }
    }

    /// The items as a C array, valid while the array neither grows nor shrinks; may be null
    /// when empty.
    TYPE* GetData() { return m_items.data(); }
    /// The items as a read-only C array; as GetData().
    const TYPE* GetData() const { return m_items.data(); }

private:
    bool InRange(int index) const {
        return index >= 0 && static_cast<std::size_t>(index) < m_items.size();
    }
    // A negative index becomes one that at() refuses.
    static std::size_t Checked(int index) {
        return index >= 0 ? static_cast<std::size_t>(index) : ~std::size_t{0};
    }

    std::vector<TYPE> m_items;
};

} // namespace clavenor
