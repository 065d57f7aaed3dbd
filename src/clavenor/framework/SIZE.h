#pragma once

#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

/// An extent of the host's window coordinates.
struct CLAVENOR_API SIZE {
    std::int32_t cx = 0; ///< The width.
    std::int32_t cy = 0; ///< The height.

    /// Equal extents.
    friend bool operator==(const SIZE&, const SIZE&) = default;
};

} // namespace clavenor
