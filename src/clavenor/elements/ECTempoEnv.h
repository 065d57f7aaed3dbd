#pragma once

#include "clavenor/elements/ECEnvelope.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

class ECTempo;

/// The conductor's tempo map (event id 58; allowed parent: the conductor staff, 17): an
/// envelope whose points are tempo marks (ECTempo) and nothing else. It keeps for every mark
/// the clock time (seconds from the start, mode 3) at which it falls, and converts musical
/// times (quarter notes, mode 0) to clock times and back.
///
/// Between two marks the speed is that of the earlier mark, or, when the earlier mark's
/// style is linear, it changes evenly in clock time from the earlier mark's rate to the
/// later mark's, so that the later mark is reached exactly at its own rate. Before the first
/// mark (which the map moves to time 0) and without marks a time keeps its number and only
/// changes mode. The two conversions are inverses of each other up to float precision.
///
/// Pauses: a pause mark (types 24-26) that heads its anchor group slows the tempo in force
/// before it (60 without one) by 2 to the power of its pause percent / 100 (100 percent
/// halves it); the other marks of its group restore the tempo in force before the group.
///
/// Clock times and pause values are recomputed on every addition and removal of a mark,
/// every change of a mark's duration (ECTempo::SetDuration) and after loading. After changing
/// a mark's time or tempo in place, call RecalculateClockTimes.
///
/// Default value 60, limits 20 to 400, float-valued. Archive record: the ECEnvelope record
/// only; loading refuses a point that is not a tempo mark (CArchiveException badClass).
class CLAVENOR_API ECTempoEnv : public ECEnvelope {
    DECLARE_SERIAL(ECTempoEnv)

public:
    ECTempoEnv();
    /// As the ECEnvelope copy: the settings and the time, no points, no anchor groups.
    ECTempoEnv(const ECTempoEnv& other) = default;
    ~ECTempoEnv() override;
    /// The base class's assignment (see there for what it leaves out), then this class's
    /// own members.
    ECTempoEnv& operator=(const ECTempoEnv& other) = default;

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    /// Adds a tempo mark as ECEnvelope::AddChild does (refusing any other element with 0),
    /// gives it this envelope's voice/track and recomputes the clock times. Cost: O(marks).
    [[nodiscard]] int AddChild(ECBase* child, int sorted) override;
    /// Remove as ECEnvelope does (0 when there is nothing to remove), then recompute.
    [[nodiscard]] int RemoveChild(ECBase* child, int deep) override;
    int RemoveChildren(int deep) override;

    /// Gives the pause marks their tempi and every mark its clock time (see the class
    /// comment). Cost: O(marks).
    void RecalculateClockTimes();

    /// Converts a musical time (mode 0) in place to clock time (mode 3). Other modes are left
    /// alone. Cost: a point query (O(1) near the last one, else O(log marks)).
    void GetClockTime(MCTime& time);

    /// Converts a clock time (mode 3) in place to a musical time (mode 0). Other modes are
    /// left alone. Cost: O(log marks).
    void GetNormalizedTime(MCTime& time);

private:
    ECTempo* TempoAt(int index);
    // Seconds from `from` to the musical distance `distance` after it, `to` being the next
    // mark (or null).
    static float Seconds(ECTempo* from, ECTempo* to, float distance);
    // The acceleration (change of rate per second) of the segment from `from` to `to`.
    static float Acceleration(ECTempo* from, ECTempo* to);
    void RecalculatePauses();
    // The last mark earlier than `time`, found by walking the list (no memory needed).
    ECEnvPoint* LastBefore(const MCTime& time);
};

} // namespace clavenor
