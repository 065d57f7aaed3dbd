#pragma once

#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

/// A point of the host's window coordinates.
struct CLAVENOR_API POINT {
    std::int32_t x = 0; ///< Horizontal, growing to the right.
    std::int32_t y = 0; ///< Vertical, growing downward.

    /// Equal coordinates.
    friend bool operator==(const POINT&, const POINT&) = default;
};

} // namespace clavenor
