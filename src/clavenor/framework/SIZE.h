#pragma once

#include <cstdint>

namespace clavenor {

/// An extent of the host's window coordinates.
struct SIZE {
    std::int32_t cx = 0;
    std::int32_t cy = 0;

    friend bool operator==(const SIZE&, const SIZE&) = default;
};

} // namespace clavenor
