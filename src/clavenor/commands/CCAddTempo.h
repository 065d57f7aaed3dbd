#pragma once

#include "clavenor/commands/CCAddEnvPoint.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

class CCRemoveEnvPoint;
class ECTempo;

/// Adds tempo marks (ECTempo) to the tempo map. A mark that is not relative gets the speed of
/// its tempo type (GetTempoValue; a metronome mark, type 1, keeps its tempo) and step style.
/// "a tempo" (type 27) returns to the last tempo before it that does not last (the map's
/// default without one). The other relative marks (accel., rall., rit., the pauses), whose
/// item has no anchor list yet, start from the tempo in force at their time (rit. and the
/// like keep it, linear; a pause takes a quarter of it, step) and end, at their time plus
/// their duration, with a copy of them whose tempo is the next mark's times 1.33 (accel.),
/// 0.5 (rall.) or 0.75 (rit.), or, for a pause, the tempo in force before it; tempi are
/// limited to 20..400. The two marks become the item's anchor list. A relative mark without
/// a duration gets its start value only.
///
/// A pause (type 24) at time zero moves the opening tempo one tick before zero, so that
/// both stand in the map; when the opening tempo is a pause itself, Process fails (0) and
/// nothing changes.
///
/// Otherwise as CCAddEnvPoint, whose undo and redo give back the saved bytes.
class CLAVENOR_API CCAddTempo : public CCAddEnvPoint {
    DECLARE_SERIAL(CCAddTempo)

public:
    CCAddTempo();
    /// A command with one item.
    CCAddTempo(ECTempo* mark, ECEnvelope* envelope);
    ~CCAddTempo() override;

    int GetCommandId() const override;

    /// The base's answer; then, for an ECTempo, the values and the end point described
    /// above.
    int PrepareItem(CCAddEnvPtItem* item) override;

protected:
    /// Moves the opening tempo before a pause at zero, then records as CCAddEnvPoint.
    bool Record() override;

private:
    friend class CCRemoveEnvPoint;

    /// The undo of `removal`: takes its recorded change back.
    explicit CCAddTempo(CCRemoveEnvPoint* removal);
};

} // namespace clavenor
