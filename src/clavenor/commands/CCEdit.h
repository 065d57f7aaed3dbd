#pragma once

#include "clavenor/framework/Export.h"

#include "clavenor/commands/CCBase.h"
#include "clavenor/commands/CCEditItem.h"

#include <memory>
#include <unordered_map>
#include <vector>

namespace clavenor {

class ECBase;
class MCEventList;

/// Changes the values of existing elements in place: one item per element, whose edit copy
/// the host fills with the wanted values (what ECBase::Copy assigns; time, duration and
/// links stay). The base of the other edit commands, which edit attached records, filters,
/// durations and times.
///
/// Inside an undo group the first Process keeps each element's values before the change
/// (the undo copies, kept across later undo and redo). Undo applies a CCEdit, with this
/// command's synchronous flag, that assigns the undo copies; it applies nothing at all when
/// any item lacks its undo copy (the command ran outside an undo group). The values come
/// back exactly, so the document saves the bytes it saved before.
///
/// Prepare refuses (the batch aborts, nothing changes) an item without an element or with
/// one that is not inside the target document. All or nothing: a failed batch puts every
/// element's values back (Revert assigns the values kept at the start of Process).
class CLAVENOR_API CCEdit : public CCBase {
    DECLARE_SERIAL(CCEdit)

public:
    CCEdit();
    ~CCEdit() override;

    int GetCommandId() const override;

    int Prepare() override;
    /// The discard list, then each item's Process with the in-undo-group flag, in order.
    /// Returns 1; std::bad_alloc (before the first change) when the state before cannot be
    /// kept.
    int Process() override;
    void Undo() override;
    void Revert() override;

    /// The item for `element`, made (with an edit copy of the element) when there is none;
    /// null for a null element. Throws std::bad_alloc.
    virtual CCEditItem* EditEvent(ECBase* element);
    /// Appends every item's element to `list`; 1 when `list` is not empty afterwards.
    virtual int GetEditEvents(MCEventList& list);

    ///@{
    /// The items in the order they were made; GetItem answers null outside 0 to count - 1. The
    /// items are the command's, valid while it lives.
    int GetItemCount() const { return static_cast<int>(m_items.size()); }
    CCEditItem* GetItem(int index) const;
    ///@}

protected:
    /// The item whose key (CCEditItem::GetKey) is `key`, or null.
    CCEditItem* FindItem(const void* key) const;
    /// Appends an item and indexes it by its key; returns it.
    CCEditItem* AddItem(std::unique_ptr<CCEditItem> item);
    /// Whether `element` lies inside the target document.
    bool InTarget(ECBase* element) const;
    /// Prepare's check of one item; the base wants an element inside the target.
    virtual bool Accepts(CCEditItem& item) const;
    /// Whether Undo has what it needs from `item`; the base wants the undo copy.
    virtual bool HasUndo(CCEditItem& item) const;
    ///@{
    /// A new command of this class for Undo, and its item taking `item`'s old state.
    virtual std::unique_ptr<CCEdit> MakeInverse() const;
    virtual void Invert(CCEdit& inverse, CCEditItem& item) const;
    ///@}

    ///@{
    /// The items in order, and each one's place by its key (see FindItem).
    std::vector<std::unique_ptr<CCEditItem>> m_items;
    std::unordered_map<const void*, std::size_t> m_index;
    ///@}
};

} // namespace clavenor
