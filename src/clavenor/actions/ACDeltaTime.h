#pragma once

#include "clavenor/actions/ACBase.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/MCTime.h"

namespace clavenor {

/// Shifts the times of the elements in a time range by a delta.
///
/// The new time is always a quarter-note time (mode 0): the sum of the element's scalar and
/// the delta's, or 0.0 when either is a bar/pulse/tick time, and never below 0.0. Elements
/// at time 0.0 that belong to the start of the piece (bank selects, clefs, conductor staff,
/// envelope points, flow controls, keys, meters, performance, program changes, staves,
/// tempi, texts) stay there. As children lists are ordered by time, the first element later
/// than the range end ends its sibling group: it, its children and its later siblings keep
/// their times.
///
/// Changes times in place through SetTime: not undoable by itself (commands that use it
/// are), and children lists are not re-sorted (a negative delta that clamps at 0.0 can leave
/// them out of order; ACSortChildren repairs that).
class CLAVENOR_API ACDeltaTime : public ACBase {
public:
    /// Delta 0.0, range [0.0, TimeMax()) (mode 3).
    ACDeltaTime();
    /// `mode` as ACFindTime::RangeMode.
    ACDeltaTime(const MCTime& delta, const MCTime& start, const MCTime& end, int mode);

    /// Replaces the delta; takes effect from the next element acted on.
    void SetTimeDelta(const MCTime& delta);
    /// Replaces the range and its mode (ACFindTime::RangeMode).
    void SetTimeRange(const MCTime& start, const MCTime& end, int mode);

    /// 3 when `element`'s time is later than the range end, else 0 (after moving it when it
    /// qualifies).
    int DoAction(ECBase* element) override;

protected:
    /// Gives `element` its new time; the base calls SetTime. A derived action that must be
    /// able to take the move back records the old time here (it may throw to end the walk,
    /// before it changes anything).
    virtual void MoveTo(ECBase* element, MCTime& time);

private:
    MCTime m_delta;
    MCTime m_start;
    MCTime m_end;
    int m_nMode;
};

} // namespace clavenor
