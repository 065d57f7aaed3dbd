#pragma once

#include <algorithm>
#include <cstddef>

namespace clavenor {

/// Makes room for one more element at the end of `vector`, so that the push_back that
/// follows cannot throw: code that must not fail halfway sets its memory aside before it
/// changes anything. The capacity grows geometrically; reserving exactly one more each time
/// would move the whole vector on every push, quadratic in the length of a long command.
/// Throws std::bad_alloc, changing nothing.
template <class Vector>
void ReserveOneMore(Vector& vector) {
    if (vector.size() == vector.capacity()) {
        vector.reserve(std::max<std::size_t>(16, 2 * vector.capacity()));
    }
}

} // namespace clavenor
