#pragma once

#include "clavenor/framework/Export.h"

#include "clavenor/model/MCEventList.h"

namespace clavenor {

class ECBase;

/// One element of a CCEditGraph and the links it is to have (new graph) or had (old graph):
/// its parents and its children. The element and every listed element are held with
/// command holds (see ECBase::AddCommandHold), so that material the graph took out of the
/// document is taken apart when the last command that could put it back lets it go.
class CLAVENOR_API CCEditGraphItem {
public:
    /// The element with its present parents and children. Throws std::bad_alloc.
    explicit CCEditGraphItem(ECBase* event);
    /// The element with one parent (none for null) and `children`.
    CCEditGraphItem(ECBase* event, ECBase* parent, MCEventList& children);
    /// The element with `parents` and `children`, in their order (the lists are copied, not
    /// taken). Throws std::bad_alloc, holding nothing.
    CCEditGraphItem(ECBase* event, MCEventList& parents, MCEventList& children);
    /// Gives back every hold (which may take removed material apart). Never throws.
    virtual ~CCEditGraphItem();
    ///@{
    /// Not copyable: the holds are the item's own.
    CCEditGraphItem(const CCEditGraphItem&) = delete;
    CCEditGraphItem& operator=(const CCEditGraphItem&) = delete;
    ///@}

    /// The element, held by the item.
    ECBase* GetEvent() const { return m_pEvent; }
    ///@{
    /// The links, the item's own lists, each element held. Read them; an element added or
    /// removed through them bypasses the holds.
    MCEventList& GetParents() { return m_parents; }
    MCEventList& GetChildren() { return m_children; }
    ///@}

private:
    void Hold(ECBase* event);
    void Append(MCEventList& to, MCEventList* from);
    static void Release(MCEventList& list);

    ECBase* m_pEvent = nullptr; // command hold
    MCEventList m_parents;
    MCEventList m_children;
};

} // namespace clavenor
