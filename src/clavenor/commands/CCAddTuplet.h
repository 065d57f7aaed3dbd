#pragma once

#include "clavenor/commands/CCAdd.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/MCEventList.h"

namespace clavenor {

/// Adds a tuplet with its notes. Add notes every note found under the element it adds;
/// Prepare gives a tuplet that has lost its notes (as the undo leaves it) those notes back,
/// so that a redo adds the tuplet whole. Processed as CCAdd.
///
/// Undo applies a CCRemove of the noted notes: the tuplet, left without members, leaves its
/// measure with them. So undo gives back the saved bytes of before, and a redo those of
/// after, for a tuplet whose members are notes; a tuplet of chords comes back by redo with
/// the chords' notes as its own members.
class CLAVENOR_API CCAddTuplet : public CCAdd {
    DECLARE_SERIAL(CCAddTuplet)

public:
    CCAddTuplet();
    /// A command with one item.
    CCAddTuplet(ECBase* child, ECBase* parent, const FCMidi& data);
    ~CCAddTuplet() override;

    int GetCommandId() const override;

    /// CCAdd::Add, then every note (event id 37) found under `child` joins the notes list.
    /// Null, changing nothing, for a null child or parent. std::bad_alloc, with the item
    /// made but the notes list as it was, when memory is short.
    CCAddItem* Add(ECBase* child, ECBase* parent, const FCMidi& data) override;

    /// The notes found under the added elements (held by the list).
    const MCEventList& GetNotes() const { return m_notes; }

    /// CCBase::Prepare; then, for the first item whose child is a tuplet without a note
    /// below it, every listed note is added to it (sorted by time). Fails (0) when an item's
    /// parent lies outside the target document. Throws std::bad_alloc, with the tuplet as it
    /// was, when a note cannot be linked for want of memory.
    int Prepare() override;
    void Undo() override;

private:
    // Links every listed note under `tuplet`, all or none (std::bad_alloc).
    void LinkNotes(ECBase* tuplet);

    MCEventList m_notes;
};

} // namespace clavenor
