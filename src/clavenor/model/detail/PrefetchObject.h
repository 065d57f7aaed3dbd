#pragma once

#include <cstdint>

namespace clavenor {

/// Starts bringing in the first two cache lines at `object` (its class pointer, flags and, in
/// an element, its children list), without waiting for them. Walks over lists call it for the
/// next element before working on the current one: in a large document each element is a
/// fresh trip to memory, and this lets that trip overlap the current element's work. A hint
/// only: it never faults and changes nothing, whatever the address (the second line is
/// reached by integer arithmetic, since a small object may end before it).
inline void PrefetchObject(const void* object) {
    if (object != nullptr) {
        __builtin_prefetch(object);
        __builtin_prefetch(
            reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(object) + 64));
    }
}

} // namespace clavenor
