#pragma once

#include "clavenor/framework/Export.h"

#include "clavenor/model/Ref.h"

namespace clavenor {

class ECBase;

/// One element that a CCEdit changes: the element, the edit copy the host fills with the
/// wanted values (made as a copy of the element when the item is made), and, once the
/// command has run inside an undo group, the undo copy with the values the element had
/// before. Only what ECBase::Copy assigns is edited: never time, duration or links.
///
/// The item holds the element with a command hold (see ECBase::AddCommandHold) and each
/// copy by reference. Used on the owning thread.
class CLAVENOR_API CCEditItem {
public:
    /// An item for `event` (null: an empty item that edits nothing). Throws std::bad_alloc.
    explicit CCEditItem(ECBase* event);
    /// Releases the element's hold and the copies (never throws).
    virtual ~CCEditItem();
    ///@{
    /// Not copyable: the hold and the copies are the item's own.
    CCEditItem(const CCEditItem&) = delete;
    CCEditItem& operator=(const CCEditItem&) = delete;
    ///@}

    /// With `keepUndo` non-zero and no undo copy yet, the undo copy is the state before;
    /// then the edit copy's values are assigned to the element.
    virtual void Process(int keepUndo);

    /// Sets aside the object's present state for Restore; the first step of every Process
    /// of the command, so that a failed batch can put it back. Throws std::bad_alloc.
    virtual void Keep();
    /// Puts back the state Keep set aside (nothing when there is none).
    virtual void Restore();

    /// The object the item is found by: the element here, the record or filter in the
    /// variants.
    virtual const void* GetKey() const { return m_pEvent; }

    /// The element edited, held by the item; null for an empty item.
    ECBase* GetEvent() const { return m_pEvent; }
    /// The copy the host fills with the wanted values before the command is applied; the
    /// item's, valid while it lives. Null in the variants that edit other things.
    ECBase* GetEditCopy() const { return m_editCopy.Get(); }
    /// The element's values before the first Process inside an undo group; null until then.
    ECBase* GetUndoCopy() const { return m_undoCopy.Get(); }

    /// A new element of `source`'s runtime class with `source`'s values (Copy); null for a
    /// null source or a class that cannot be made. Throws std::bad_alloc.
    static Ref<ECBase> MakeCopy(ECBase* source);

protected:
    /// An item whose inherited copies stay null (the variants that edit records, filters,
    /// durations and times).
    CCEditItem(ECBase* event, bool withCopy);

    ///@{
    /// The edit copy, the undo copy and the state Keep set aside (see the getters).
    Ref<ECBase> m_editCopy;
    Ref<ECBase> m_undoCopy;
    Ref<ECBase> m_kept;
    ///@}

private:
    ECBase* m_pEvent = nullptr; // command hold
};

} // namespace clavenor
