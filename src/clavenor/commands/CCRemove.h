#pragma once

#include "clavenor/commands/CCBase.h"
#include "clavenor/commands/CCRemoveItem.h"

#include <memory>
#include <unordered_map>
#include <vector>

namespace clavenor {

class ECBase;
class MCEventList;

/// Unlinks elements: each item's child leaves every parent when the command is processed.
/// Undone by a CCAdd that puts each child back under the parent recorded for it.
///
/// Its items hold the removed elements with command holds (see ECBase::AddCommandHold):
/// a removed element is dismantled, so that it can be freed, only when the last command
/// that could put it back lets it go, whichever command that is; one that an undo put
/// back is left alone.
class CCRemove : public CCBase {
    DECLARE_SERIAL(CCRemove)

public:
    CCRemove();
    /// A command with one item.
    explicit CCRemove(ECBase* element);
    ~CCRemove() override;

    int GetCommandId() const override;

    /// The discard list, then each item's child leaves all its parents. Returns 1. Needs no
    /// memory (see ECChord::RemoveFromParents), so it never stops halfway.
    int Process() override;

    /// Applies, with this command's synchronous flag, a CCAdd putting each child back under
    /// its recorded parent, from the last item to the first.
    void Undo() override;

    /// Puts each child back under its recorded parent, from the last item to the first, as
    /// the undo does but at once (so with the undo's losses: a chord's notes stay in the
    /// measure, a child that had several parents gets the recorded one). May need memory;
    /// what it cannot put back stays removed.
    void Revert() override;

    /// Makes an item for `element` (recording its parent) and returns it; null, changing
    /// nothing, when the element already has an item or is null.
    virtual CCRemoveItem* Remove(ECBase* element);
    virtual void Remove(MCEventList* elements);

    /// Appends every item's child to `list`; 1 when `list` is not empty afterwards.
    virtual int GetRemoveEvents(MCEventList& list);

    const std::vector<std::unique_ptr<CCRemoveItem>>& GetItems() const { return m_items; }

protected:
    /// The index of the item holding `element`, or -1.
    int FindRemovePosition(ECBase* element) const;
    void DoRemove();

    std::vector<std::unique_ptr<CCRemoveItem>> m_items;
    // Item positions by element, so that removing a long list checks each element at once.
    std::unordered_map<ECBase*, int> m_positions;
};

} // namespace clavenor
