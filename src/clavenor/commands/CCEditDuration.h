#pragma once

#include "clavenor/framework/Export.h"

#include "clavenor/commands/CCEdit.h"
#include "clavenor/commands/CCEditDurItem.h"
#include "clavenor/model/MCTime.h"

#include <memory>

namespace clavenor {

class MCEditRun;

/// Changes the duration of timed elements; the end anchor of a dynamic, pedal, tempo or
/// transpose mark moves with it (see CCEditDurItem). The envelopes that hold the changed
/// elements are sorted by time afterwards.
///
/// The change is recorded step by step: undo applies a CCEditDuration, with this command's
/// synchronous flag and an item per element carrying its old duration, that takes the
/// change back exactly (durations, moved end anchors and the envelopes' order), so the
/// document saves the bytes it saved before; redo makes it again. Undo needs only that the
/// change is in effect, also when the command ran outside an undo group (the old durations
/// then read zero).
///
/// Prepare refuses an item without an element, with one outside the target document or
/// with one that has no duration. All or nothing (std::bad_alloc changes nothing; Revert
/// needs no memory).
class CLAVENOR_API CCEditDuration : public CCEdit {
    DECLARE_SERIAL(CCEditDuration)

public:
    CCEditDuration();
    /// A command with one item. Throws std::bad_alloc.
    CCEditDuration(ECBase* element, MCTime* duration);
    ~CCEditDuration() override;

    int GetCommandId() const override;

    /// The item for `element`, made with `duration` when there is none (an existing item
    /// keeps the duration it has); null for a null element or duration. Throws
    /// std::bad_alloc.
    virtual CCEditDurItem* EditDuration(ECBase* element, MCTime* duration);
    /// An item with the element's own duration.
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
