#pragma once

#include "clavenor/commands/CCAddEnvPoint.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

class ECDynamic;

/// Adds dynamic marks (ECDynamic) to envelopes. A mark that does not last gets the value of
/// its dynamic type (GetDynamicValue; type 16 keeps the value it has) and step style. A
/// hairpin or word that lasts (a type with a duration, and a duration above zero), whose
/// item has no anchor list yet, becomes a ramp: it starts, linear, at the value the envelope
/// has at its time (its default value before the first point), and a copy of it, at its
/// time plus its duration, with no duration and step style, ends it. The end value is the
/// value of the next point at or after the start, or else the start value times 4/3 for a
/// crescendo (types 11 and 14) and times 3/4 for a diminuendo (10, 12, 13 and 15); other
/// types end where they start. Values are limited to 0..127. The two points become the
/// item's anchor list.
///
/// Otherwise as CCAddEnvPoint, whose undo and redo give back the saved bytes.
class CLAVENOR_API CCAddDynamic : public CCAddEnvPoint {
    DECLARE_SERIAL(CCAddDynamic)

public:
    CCAddDynamic();
    /// A command with one item.
    CCAddDynamic(ECDynamic* mark, ECEnvelope* envelope);
    ~CCAddDynamic() override;

    int GetCommandId() const override;

    /// The base's answer; then, for a ECDynamic, the values and the end point described above.
    int PrepareItem(CCAddEnvPtItem* item) override;
};

} // namespace clavenor
