#pragma once

#include "clavenor/commands/CCAddEnvPoint.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

class ECPedal;

/// Adds pedal marks (ECPedal) to envelopes. A mark without duration gets value 127 and step
/// style. A held pedal (duration above zero), whose item has no anchor list yet, goes down
/// (value 127, step style, controller 64) at its time, and a copy of it, at its time plus
/// its duration, with no duration, value 0, step style and controller 64, lets it up; the
/// two points become the item's anchor list.
///
/// Otherwise as CCAddEnvPoint, whose undo and redo give back the saved bytes.
class CLAVENOR_API CCAddPedal : public CCAddEnvPoint {
    DECLARE_SERIAL(CCAddPedal)

public:
    CCAddPedal();
    /// A command with one item.
    CCAddPedal(ECPedal* mark, ECEnvelope* envelope);
    ~CCAddPedal() override;

    int GetCommandId() const override;

    /// The base's answer; then, for an ECPedal, the values and the end point described above.
    int PrepareItem(CCAddEnvPtItem* item) override;
};

} // namespace clavenor
