#pragma once

#include "clavenor/framework/Export.h"

#include "clavenor/commands/CCEditItem.h"
#include "clavenor/model/MCTime.h"

namespace clavenor {

class ECConductorStaff;
class MCEditRun;

/// One element whose time a CCEditTime changes, and where it goes: when the new time lies
/// in another measure of the element's track, that measure is the target and the element
/// moves into it; an element of a chord or a tuplet also leaves its chord (and goes alone,
/// into a copy of its tuplet, at the new time) when it stays in its measure. A grace note
/// keeps its parent, and an element under no measure only changes its time.
///
/// The target is looked up when the item is made, without creating anything: a time
/// beyond the last measure of a staff of the staff table has no measure, and such an item
/// is refused by the command (see IsPlaceable). The inherited copies stay null.
class CLAVENOR_API CCEditTimeItem : public CCEditItem {
public:
    /// Throws std::bad_alloc.
    CCEditTimeItem(ECBase* event, const MCTime& time);
    ~CCEditTimeItem() override;

    /// Captures the old time (with `keepUndo` non-zero, once); the change itself is made by
    /// Change.
    void Process(int keepUndo) override;
    /// The state before is kept by the command's run, not by the item.
    void Keep() override {}
    void Restore() override {}

    /// Makes the change through `run`.
    void Change(MCEditRun& run);

    /// The time the change sets, the item's own.
    const MCTime& GetNewTime() const { return m_newTime; }
    /// MCTime::TimeNull() until captured.
    const MCTime& GetOldTime() const { return m_oldTime; }
    /// The measure the element moves into, or null.
    ECBase* GetTargetMeasure() const { return m_target.Get(); }
    /// The tuplet the element leaves for a copy of it, or null.
    ECBase* GetTuplet() const { return m_tuplet.Get(); }
    /// False when the element sits in a measure of a staff of the staff table and no
    /// measure of its track holds the new time.
    bool IsPlaceable() const { return m_bPlaceable; }

    /// The element leaves every parent; a chord left without notes lets go of the rest and
    /// leaves its parents, and so does a tuplet left without members, as their own
    /// removals do.
    static void Withdraw(MCEditRun& run, ECBase* element);

private:
    MCTime m_newTime;
    MCTime m_oldTime = MCTime::TimeNull();
    Ref<ECBase> m_target;
    Ref<ECBase> m_tuplet;
    bool m_bPlaceable = true;
};

} // namespace clavenor
