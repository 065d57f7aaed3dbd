#pragma once

#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

/// A bar/pulse/tick position. Where bar and pulse counting starts is the meter map's
/// business; `tick` counts within the pulse at `ppq` ticks per quarter note.
struct CLAVENOR_API BPTTime {
    std::int32_t bar = 0;   ///< The bar, counted as the meter map counts.
    std::int32_t pulse = 0; ///< The pulse (beat) within the bar.
    std::int32_t tick = 0;  ///< Ticks past the pulse, at `ppq` per quarter note.
    std::int32_t ppq = 0;   ///< Ticks per quarter note of `tick`; 0 or less: not set.
};

} // namespace clavenor
