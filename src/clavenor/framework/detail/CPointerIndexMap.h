#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace clavenor {

/// Maps pointers to positive 32-bit indexes: the archive's record of what it has written.
/// Open addressing in one flat table, so that writing a million objects costs a million
/// cache-friendly probes rather than a million node allocations.
class CPointerIndexMap {
public:
    /// The index stored for `key`, or 0 when there is none.
    std::uint32_t Find(const void* key) const {
        if (m_slots.empty()) {
            return 0;
        }
        for (std::size_t i = Hash(key) & m_mask;; i = (i + 1) & m_mask) {
            const Slot& slot = m_slots[i];
            if (slot.key == key) {
                return slot.index;
            }
            if (slot.key == nullptr) {
                return 0;
            }
        }
    }

    /// Stores `index` (non-zero) for a `key` (non-null) not yet in the map. Throws
    /// std::bad_alloc when the table cannot grow.
    void Insert(const void* key, std::uint32_t index) {
        if ((m_count + 1) * 2 > m_slots.size()) {
            Grow();
        }
        Place(key, index);
        ++m_count;
    }

    std::size_t GetCount() const { return m_count; }

private:
    struct Slot {
        const void* key = nullptr;
        std::uint32_t index = 0;
    };

    static std::size_t Hash(const void* key) {
        // Heap addresses share their low bits; mix them up.
        auto h = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(key));
        h ^= h >> 33;
        h *= 0xff51afd7ed558ccdULL;
        h ^= h >> 33;
        return static_cast<std::size_t>(h);
    }

    void Place(const void* key, std::uint32_t index) {
        std::size_t i = Hash(key) & m_mask;
        while (m_slots[i].key != nullptr) {
            i = (i + 1) & m_mask;
        }
        m_slots[i] = Slot{key, index};
    }

    // The new table is filled before it replaces the old one, so a failed allocation leaves
    // the map as it was.
    void Grow() {
        const std::size_t size = m_slots.empty() ? 64 : m_slots.size() * 2;
        std::vector<Slot> slots(size);
        const std::size_t mask = size - 1;
        for (const Slot& slot : m_slots) {
            if (slot.key != nullptr) {
                std::size_t i = Hash(slot.key) & mask;
                while (slots[i].key != nullptr) {
                    i = (i + 1) & mask;
                }
                slots[i] = slot;
            }
        }
        m_slots.swap(slots);
        m_mask = mask;
    }

    std::vector<Slot> m_slots;
    std::size_t m_mask = 0;
    std::size_t m_count = 0;
};

} // namespace clavenor
