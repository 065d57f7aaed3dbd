#include "clavenor/model/ECWithChild.h"

#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

#include <new>
#include <unordered_set>
#include <vector>

namespace clavenor {

IMPLEMENT_SERIAL(ECWithChild, ECBase, 2 | CRuntimeClass::VersionableSchema)

namespace {

// Whether `candidate` is `start` or one of its ancestors. Each ancestor is met once however
// many ways lead to it, so the cost is the number of ancestors. Most of a document above an
// element is a chain of single parents, which is followed without memory; only where
// parents branch are the elements still to visit and those already met kept. Throws
// std::bad_alloc when that memory is not to be had.
bool IsAncestorOrSelf(ECBase* candidate, ECBase* start) {
    ECBase* at = start;
    for (;;) {
        if (at == candidate) {
            return true;
        }
        MCEventList* parents = at->GetParents();
        if (parents->IsEmpty()) {
            return false;
        }
        if (parents->GetCount() > 1) {
            break;
        }
        at = parents->GetHead();
    }
    std::vector<ECBase*> pending{at};
    std::unordered_set<ECBase*> met{at};
    while (!pending.empty()) {
        MCEventList* parents = pending.back()->GetParents();
        pending.pop_back();
        for (POSITION pos = parents->GetHeadPosition(); pos != nullptr;) {
            ECBase* parent = parents->GetNext(pos);
            if (parent == candidate) {
                return true;
            }
            if (met.insert(parent).second) {
                pending.push_back(parent);
            }
        }
    }
    return false;
}

} // namespace
IMPLEMENT_EVENT_CLASS(ECWithChild, EventId::WithChild)

ECWithChild::ECWithChild(const ECWithChild& other) : ECBase(other) {}

ECWithChild::~ECWithChild() {
    BeginDestruction();
    RemoveChildren(1);
}

ECWithChild& ECWithChild::operator=(const ECWithChild& other) {
    ECBase::operator=(other);
    return *this;
}

void ECWithChild::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        UpdateChildrenFlag();
    }
    ECBase::Serialize(ar);
    if ((m_nFlags & FlagHasChildren) != 0) {
        MCEventList* children = ChildList();
        if (children == nullptr) {
            throw std::bad_alloc();
        }
        children->SerializeFromParent(ar, this);
    }
    if (ar.IsLoading()) {
        UpdateChildrenFlag();
    }
}

ECBase* ECWithChild::Copy(CObject* src) { return CopyAs(this, src); }

int ECWithChild::GetEventId() const { return EventId::WithChild; }

MCEventList* ECWithChild::GetChildren() {
    // Built in static storage and never destroyed: it costs no heap (hosts count their
    // allocations), and an element that outlives the statics still finds it.
    alignas(MCEventList) static unsigned char storage[sizeof(MCEventList)];
    static MCEventList* const none = new (storage) MCEventList;
    return m_children != nullptr ? m_children.get() : none;
}

MCEventList* ECWithChild::ChildList() {
    if (m_children == nullptr) {
        m_children.reset(new (std::nothrow) MCEventList);
    }
    return m_children.get();
}

POSITION ECWithChild::FindChild(ECBase* child) const {
    // Removals tend to happen near either end (the newest or the oldest material).
    return m_children != nullptr ? m_children->FindNearEnds(child) : nullptr;
}

int ECWithChild::AddChild(ECBase* child, int sorted) {
    if (child == nullptr || child == this) {
        return 0;
    }
    // Every element in this list lists this element among its parents, so a child that
    // does not is certainly new; only the rare other case needs the list searched.
    if (child->GetParents()->Find(this) != nullptr && FindChild(child) != nullptr) {
        return 0;
    }
    // A child without children of its own cannot be above this element.
    MCEventList* below = child->GetChildren();
    if (below != nullptr && !below->IsEmpty()) {
        try {
            if (IsAncestorOrSelf(child, this)) {
                return 0;
            }
        } catch (const std::bad_alloc&) {
            return 0;
        }
    }
    // A list made for this child goes again when the child cannot be linked, so that a
    // refusal leaves the memory as it found it.
    const bool made = m_children == nullptr;
    MCEventList* children = ChildList();
    POSITION pos = children != nullptr ? children->AddEvent(child, sorted) : nullptr;
    if (pos == nullptr) {
        if (made) {
            m_children.reset();
        }
        return 0;
    }
    if (child->AddParent(this) == 0) {
        // Undo the insertion without letting the release destroy a child the caller holds
        // no reference on.
        child->Ref();
        children->RemoveAt(pos);
        child->Unref(0);
        if (made) {
            m_children.reset();
        }
        return 0;
    }
    UpdateChildrenFlag();
    return 1;
}

void ECWithChild::DetachChild(POSITION pos, ECBase* child, int deep) {
    child->Ref();
    if (deep != 0) {
        child->RemoveChildren(1);
        // Releasing the subtree runs destructors; rather than trust that none of them
        // touched this list, find the child again (at once when it is at either end).
        pos = FindChild(child);
    }
    // A child that does not list this element as a parent is detached all the same, or
    // RemoveChildren would never finish.
    (void)child->RemoveParent(this);
    if (pos != nullptr) {
        m_children->RemoveAt(pos);
    }
    child->Unref(1);
}

int ECWithChild::RemoveChild(ECBase* child, int deep) {
    if (child == nullptr) {
        return 0;
    }
    POSITION pos = FindChild(child);
    if (pos == nullptr) {
        return 0;
    }
    // Removing the last child may give back this element's last reference.
    Ref();
    DetachChild(pos, child, deep);
    UpdateChildrenFlag();
    Unref(0);
    return 1;
}

void ECWithChild::TakeBackLink(ECBase* child) {
    child->Ref();
    // Linked a moment ago, so not refused.
    (void)ECWithChild::UnlinkChild(child);
    child->Unref(0);
}

int ECWithChild::UnlinkChild(ECBase* child) {
    POSITION pos = child != nullptr ? FindChild(child) : nullptr;
    if (pos == nullptr) {
        return 0;
    }
    child->Ref();
    // The child lists this element, since the child list holds it.
    (void)child->RemoveParent(this);
    m_children->RemoveAt(pos);
    UpdateChildrenFlag();
    child->Unref(1);
    return 1;
}

int ECWithChild::MoveChild(ECBase* child, ECWithChild* to, int sorted) {
    POSITION pos = child != nullptr && to != nullptr ? FindChild(child) : nullptr;
    MCEventList* parents = child != nullptr ? child->GetParents() : nullptr;
    POSITION entry = pos != nullptr ? parents->Find(this) : nullptr;
    // A receiver that never had a child gets its list now: the only memory a move needs.
    if (entry == nullptr || to->ChildList() == nullptr) {
        return 0;
    }
    // The child's entry for this element may hold this element's last reference.
    Ref();
    // Moving nodes needs no memory; the new positions are not needed.
    (void)to->m_children->MoveEvent(*m_children, pos, sorted);
    parents->SetAt(entry, to);
    (void)parents->MoveEvent(*parents, entry, 0);
    UpdateChildrenFlag();
    to->UpdateChildrenFlag();
    Unref(0);
    return 1;
}

int ECWithChild::ParkChild(ECBase* child, MCEventList& park, ParkedLink& link) {
    POSITION pos = child != nullptr ? FindChild(child) : nullptr;
    MCEventList* parents = pos != nullptr ? child->GetParents() : nullptr;
    POSITION entry = parents != nullptr ? parents->FindNearEnds(this) : nullptr;
    if (entry == nullptr) {
        return 0;
    }
    POSITION before = pos;
    m_children->GetPrev(before);
    link.childBefore = before != nullptr ? m_children->GetAt(before) : nullptr;
    before = entry;
    parents->GetPrev(before);
    link.parentBefore = before != nullptr ? parents->GetAt(before) : nullptr;
    link.childNode = park.MoveEventAfter(*m_children, pos, park.GetTailPosition());
    link.parentNode = park.MoveEventAfter(*parents, entry, park.GetTailPosition());
    UpdateChildrenFlag();
    ChildrenRelinked();
    return 1;
}

int ECWithChild::UnparkChild(ECBase* child, MCEventList& park, const ParkedLink& link) {
    // The list that the child was parked from is still there (lists stay once made).
    if (child == nullptr || link.childNode == nullptr || link.parentNode == nullptr ||
        m_children == nullptr) {
        return 0;
    }
    // Links are kept both ways, so the short parents list tells whether it is a child.
    MCEventList* parents = child->GetParents();
    if (parents->FindNearEnds(this) != nullptr) {
        return 0;
    }
    POSITION after = nullptr;
    if (link.childBefore != nullptr) {
        after = m_children->FindNearEnds(link.childBefore);
        if (after == nullptr) {
            MCTime* time = child->GetTime();
            after = time != nullptr ? m_children->FindTimeReverse(time) : nullptr;
        }
    }
    // Moving nodes needs no memory; the new positions are not needed.
    (void)m_children->MoveEventAfter(park, link.childNode, after);
    after = nullptr;
    if (link.parentBefore != nullptr) {
        after = parents->FindNearEnds(link.parentBefore);
        if (after == nullptr) {
            after = parents->GetTailPosition();
        }
    }
    (void)parents->MoveEventAfter(park, link.parentNode, after);
    UpdateChildrenFlag();
    ChildrenRelinked();
    return 1;
}

int ECWithChild::RemoveChildren(int deep) {
    Ref();
    while (m_children != nullptr && !m_children->IsEmpty()) {
        DetachChild(m_children->GetTailPosition(), m_children->GetTail(), deep);
    }
    m_nFlags &= ~FlagHasChildren;
    Unref(0);
    return 1;
}

} // namespace clavenor
