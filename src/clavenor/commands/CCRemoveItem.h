#pragma once

#include "clavenor/framework/Export.h"

namespace clavenor {

class ECBase;

/// One element to unlink, with the parent it was found under when the item was made (the
/// parent an undo puts it back under). The item holds both with command holds (see
/// ECBase::AddCommandHold).
class CLAVENOR_API CCRemoveItem {
public:
    /// No child, no parent.
    CCRemoveItem() = default;
    /// Releases the child and the parent (never throws).
    virtual ~CCRemoveItem();
    ///@{
    /// Not copyable: the holds are the item's own.
    CCRemoveItem(const CCRemoveItem&) = delete;
    CCRemoveItem& operator=(const CCRemoveItem&) = delete;
    ///@}

    ///@{
    /// The element to unlink and the parent an undo links it under again, held by the item;
    /// null when unset.
    ECBase* GetChild() const { return m_pChild; }
    ECBase* GetParent() const { return m_pParent; }
    ///@}

    /// Stores the child (referenced) and records its parent: for each of the child's allowed
    /// parent types in the order it lists them, the nearest ancestor of that type (never
    /// the child itself); the first one found. A child without parent types, or with none of
    /// them above it, gets none. Only an empty item takes a child.
    void SetChild(ECBase* child);
    /// Fills an empty parent only (referenced).
    void SetParent(ECBase* parent);

private:
    ECBase* m_pChild = nullptr;
    ECBase* m_pParent = nullptr;
};

} // namespace clavenor
