#pragma once

#include "clavenor/elements/ECEnvelope.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

class ECMeter;

/// The conductor's meter map (event id 34; allowed parent: the conductor staff, 17): an
/// envelope whose points are meters (ECMeter) and nothing else. It keeps the bar/pulse/tick
/// position of every meter and converts between quarter-note times and bar/pulse/tick times.
///
/// Bars and pulses count from 0: the first meter, which must start at time 0, stands at bar
/// 0, pulse 0, tick 0, and every later meter at the position of its time measured in the
/// meter before it, with MCTime::GlobalPPQ ticks per quarter. The positions are recomputed
/// whenever a meter is added or removed and after loading; while the first meter starts
/// elsewhere they are left as they are. A meter whose time is changed in place leaves the
/// envelope unsorted and the positions stale until it is removed and added again.
///
/// The arithmetic is single precision, ticks rounded to the nearest: a conversion from a
/// time to bar/pulse/tick and back gives the time again within half a tick plus the float
/// error of the distance from the meter in force (a meter's own time converts exactly both
/// ways).
///
/// Archive record: the ECEnvelope record only; loading refuses a point that is not a meter
/// (CArchiveException badClass). Default value 60, as for the tempo map.
class CLAVENOR_API ECMeterEnv : public ECEnvelope {
    DECLARE_SERIAL(ECMeterEnv)

public:
    ECMeterEnv();
    /// As the ECEnvelope copy: the settings and the time, no points, no anchor groups.
    ECMeterEnv(const ECMeterEnv& other) = default;
    ~ECMeterEnv() override;
    /// The base class's assignment (see there for what it leaves out), then this class's
    /// own members.
    ECMeterEnv& operator=(const ECMeterEnv& other) = default;

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    /// Adds a meter as ECEnvelope::AddChild does (refusing any other element with 0), gives
    /// it this envelope's voice/track and recomputes the positions. Cost: O(meters).
    [[nodiscard]] int AddChild(ECBase* child, int sorted) override;
    /// Remove as ECEnvelope does (0 when there is nothing to remove), then recompute the
    /// positions.
    [[nodiscard]] int RemoveChild(ECBase* child, int deep) override;
    int RemoveChildren(int deep) override;

    /// The meter in force at `time` (the last one at or before it), or null. O(log meters),
    /// without moving the envelope's remembered position.
    ECMeter* GetMeterAt(const MCTime& time);

    /// Gives every meter its bar/pulse/tick position (see the class comment).
    void RecalculateBPTTimes();

    /// Converts a quarter-note time (mode 0) in place to bar/pulse/tick (mode 2) with `ppq`
    /// ticks per quarter: a meter's own time takes the meter's stored position; another time
    /// the position measured in the meter in force; a time before every meter, or without
    /// meters, bar 0, pulse 0, tick 0. Other modes are left alone.
    void GetBarPulseTick(MCTime& time, int ppq);

    /// Converts a bar/pulse/tick time (mode 2) in place to quarter notes (mode 0), measured
    /// in the last meter whose bar, pulse and tick are each no later than the time's (the
    /// first meter when none is). Ticks counted at a resolution that is not positive count at
    /// MCTime::GlobalPPQ. Other modes, and any time without meters, are left alone.
    /// O(log meters) while the positions are computed.
    void GetNormalizedTime(MCTime& time);

protected:
    /// The position of `time` measured in `meter`, from the meter's own position on; all
    /// zero when the meter's measure, pulse or numerator is 0.
    void GetBPTFromMeter(ECMeter* meter, const MCTime& time, int& bar, int& pulse, int& tick,
                         int ppq);
    /// The quarter-note time of a position, measured in `meter`.
    void GetTimeFromMeter(ECMeter* meter, MCTime& time, int bar, int pulse, int tick, int ppq);

private:
    ECMeter* MeterAt(int index);
    // Whether RecalculateBPTTimes last computed the positions (the bars then never decrease).
    bool m_bPositioned = false;
};

} // namespace clavenor
