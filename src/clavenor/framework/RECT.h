#pragma once

#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

/// A rectangle of the host's window coordinates; right and bottom lie just outside it. No
/// ordering of the edges is implied.
struct CLAVENOR_API RECT {
    std::int32_t left = 0;   ///< The left edge, inside.
    std::int32_t top = 0;    ///< The top edge, inside.
    std::int32_t right = 0;  ///< Just past the right edge.
    std::int32_t bottom = 0; ///< Just past the bottom edge.

    /// Equal edges.
    friend bool operator==(const RECT&, const RECT&) = default;
};

} // namespace clavenor
