#pragma once

#include "clavenor/framework/Export.h"

#include "clavenor/commands/CCEditItem.h"
#include "clavenor/model/MCTime.h"

#include <memory>

namespace clavenor {

class MCEditRun;
class MCEventList;

/// One element whose duration a CCEditDuration changes. The edit copy carries the new
/// duration; the undo copy, made the first time the command runs inside an undo group,
/// only the duration the element had. A dynamic, pedal, tempo or transpose mark brings the
/// anchors of its mark (start first, end last, in time order), whose end then moves with the
/// new duration.
class CLAVENOR_API CCEditDurItem : public CCEditItem {
public:
    /// Throws std::bad_alloc.
    CCEditDurItem(ECBase* event, const MCTime& duration);
    ~CCEditDurItem() override;

    /// Captures the old duration (with `keepUndo` non-zero, once); the change itself is
    /// made by Change.
    void Process(int keepUndo) override;
    /// The state before is kept by the command's run, not by the item.
    void Keep() override {}
    void Restore() override {}

    /// Makes the change through `run`: without anchors the element gets the new duration;
    /// with them the start keeps its time and gets the new duration, the end goes to start +
    /// new duration with duration zero.
    void Change(MCEditRun& run);

    ///@{
    /// The edit copy's, respectively the undo copy's duration; MCTime::TimeZero() when
    /// there is none.
    MCTime GetNewDuration() const;
    MCTime GetOldDuration() const;
    ///@}
    /// The anchors of the mark, or null.
    MCEventList* GetAnchorList() const { return m_pAnchors.get(); }

private:
    std::unique_ptr<MCEventList> m_pAnchors;
};

} // namespace clavenor
