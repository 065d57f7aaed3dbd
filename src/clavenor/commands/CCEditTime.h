#pragma once

#include "clavenor/framework/Export.h"

#include "clavenor/commands/CCEdit.h"
#include "clavenor/commands/CCEditTimeItem.h"
#include "clavenor/model/MCTime.h"

#include <memory>

namespace clavenor {

class MCEditRun;

/// Changes the time of elements, and with it, where the new time lies in another measure of
/// the element's track, its measure (see CCEditTimeItem). Moving the start or end anchor of
/// a dynamic, pedal, tempo or transpose mark keeps the other anchor in place and changes
/// the start's duration. The lists the elements stay in are sorted by time afterwards; a
/// moved element is linked in time order.
///
/// The change is recorded step by step: undo applies a CCEditTime, with this command's
/// synchronous flag and an item per element carrying its old time, that takes the change
/// back exactly (times, durations, links, a chord or tuplet the element left, the lists'
/// order), so the document saves the bytes it saved before; redo makes it again. Undo
/// needs only that the change is in effect, also when the command ran outside an undo
/// group (the old times then read MCTime::TimeNull()).
///
/// Prepare refuses an item without an element, with one outside the target document, or
/// one whose new time lies beyond the measures of its staff (no measure is created). All or
/// nothing (std::bad_alloc changes nothing; Revert needs no memory). Cost: the items, plus a
/// rebuild of the staves' clef and key caches when a clef or key moves or measures change
/// order; moving notes, chords and marks leaves the caches as they are.
class CLAVENOR_API CCEditTime : public CCEdit {
    DECLARE_SERIAL(CCEditTime)

public:
    CCEditTime();
    /// A command with one item. Throws std::bad_alloc.
    CCEditTime(ECBase* element, MCTime* time);
    ~CCEditTime() override;

    int GetCommandId() const override;

    /// The item for `element`, made for `time` when there is none (an existing item keeps
    /// its time); null for a null element or time. Throws std::bad_alloc.
    virtual CCEditTimeItem* EditTime(ECBase* element, MCTime* time);
    /// An item with the element's own time.
    CCEditItem* EditEvent(ECBase* element) override;

    int Prepare() override;
    int Process() override;
    void Undo() override;
    void Revert() override;

protected:
    bool Accepts(CCEditItem& item) const override;

private:
    std::unique_ptr<MCEditRun> m_pRun;
};

} // namespace clavenor
