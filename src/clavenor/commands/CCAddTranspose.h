#pragma once

#include "clavenor/commands/CCAddEnvPoint.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

class ECTranspose;

/// Adds transposition marks (ECTranspose) to envelopes. A mark without duration gets value
/// 12 and step style. One that lasts (duration above zero), whose item has no anchor list
/// yet, starts with the value of its transposition type (0: 12, 1: -12, 2: 24; others keep
/// theirs) and step style, and a copy of it, at its time plus its duration, with no
/// duration and value 0, ends it; the two points become the item's anchor list.
///
/// Otherwise as CCAddEnvPoint, whose undo and redo give back the saved bytes.
class CLAVENOR_API CCAddTranspose : public CCAddEnvPoint {
    DECLARE_SERIAL(CCAddTranspose)

public:
    CCAddTranspose();
    /// A command with one item.
    CCAddTranspose(ECTranspose* mark, ECEnvelope* envelope);
    ~CCAddTranspose() override;

    int GetCommandId() const override;

    /// The base's answer; then, for a ECTranspose, the values and the end point described above.
    int PrepareItem(CCAddEnvPtItem* item) override;
};

} // namespace clavenor
