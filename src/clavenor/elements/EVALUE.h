#pragma once

#include "clavenor/model/MCTime.h"

namespace clavenor {

/// One sampled envelope value: the time at which the value takes effect and the value.
/// ECEnvelope::GetValues appends them to an array the caller owns.
struct EVALUE {
    MCTime time;
    float value = 0.0f;
};

} // namespace clavenor
