#pragma once

#include "clavenor/actions/ACFindEvents.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/MCTime.h"

namespace clavenor {

/// Collects the elements whose time lies in a range (and that pass the type filter).
///
/// Children lists are ordered by time, so the first element later than the range end ends
/// its sibling group: neither it, its children nor its later siblings are visited. Elements
/// without a time are not collected, but the walk enters their children. Found elements are
/// appended without being counted and without regard to the maximum count.
class CLAVENOR_API ACFindTime : public ACFindEvents {
public:
    /// Range modes: which ends of [start, end] belong to the range. Any other mode matches
    /// no time.
    enum RangeMode : int {
        BothEnds = 0,   ///< start <= t <= end
        NeitherEnd = 1, ///< start < t < end
        EndOnly = 2,    ///< start < t <= end
        StartOnly = 3,  ///< start <= t < end
    };

    /// Collects the elements with a time in [start, end] by `mode` (RangeMode), walking
    /// down, with an empty type filter.
    ACFindTime(const MCTime& start, const MCTime& end, int mode);

    /// Replaces the range and the mode.
    void SetTimeRange(const MCTime& start, const MCTime& end, int mode);

    /// 3 when `element`'s time is later than the end; otherwise collects it when it is in the
    /// range and passes the filter, and returns 0 (-1 when no memory is left).
    int DoAction(ECBase* element) override;

    /// Whether `t` is in the range by `mode` (see RangeMode); false for any other mode.
    static bool IsInRange(const MCTime& t, const MCTime& start, const MCTime& end, int mode);

private:
    MCTime m_start;
    MCTime m_end;
    int m_nMode;
};

} // namespace clavenor
