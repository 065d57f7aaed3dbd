#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/MCTime.h"

namespace clavenor {

/// One sampled envelope value: the time at which the value takes effect and the value.
/// ECEnvelope::GetValues appends them to an array the caller owns.
struct CLAVENOR_API EVALUE {
    /// When the value takes effect.
    MCTime time;
    /// The envelope's value from then on.
    float value = 0.0f;
};

} // namespace clavenor
