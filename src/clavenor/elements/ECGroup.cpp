#include "clavenor/elements/ECGroup.h"

#include "clavenor/elements/ECPerformance.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

#include <algorithm>
#include <cstddef>
#include <new>
#include <typeinfo>
#include <vector>

namespace clavenor {

IMPLEMENT_SERIAL(ECGroup, ECWithTimeChild, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECGroup, EventId::Group)

ECGroup::ECGroup(std::uint8_t type) { SetSubtype(type); }

ECGroup::ECGroup(const ECGroup& other) : ECWithTimeChild(other) {
    SetSubtype(other.GetGroupType());
}

ECGroup::~ECGroup() { DropReleasedMembers(); }

ECGroup& ECGroup::operator=(const ECGroup& other) {
    ECWithTimeChild::operator=(other);
    SetSubtype(other.GetGroupType());
    return *this;
}

void ECGroup::Serialize(CArchive& ar) {
    ECWithTimeChild::Serialize(ar);
    if (ar.IsStoring()) {
        ar << GetSubtype();
        return;
    }
    if (ECPerformance::GetActiveVersion() < 3) {
        return;
    }
    std::uint8_t type = 0;
    ar >> type;
    // The lock of a group of type 4 says that it has no parent; one read from a document
    // is read into a parent's list (a locked one would refuse every member's removal).
    if ((type & TypeLockWhenDetached) != 0) {
        type = static_cast<std::uint8_t>(type & ~TypeLocked);
    }
    SetSubtype(type);
}

void ECGroup::PostSerialize(CArchive& ar) {
    ECWithTimeChild::PostSerialize(ar);
    if (!ar.IsLoading() || !RestrictsMembers()) {
        return;
    }
    // The reader appends members as they stand; the kind's rules are applied here, where
    // every member's own containers (and so its staff) are known.
    MCEventList* members = GetChildren();
    std::vector<ECBase*> loaded;
    loaded.reserve(static_cast<std::size_t>(members->GetCount()));
    for (ECBase* member : *members) {
        loaded.push_back(member);
    }
    for (ECBase* member : loaded) {
        member->Ref();
        // Each one a member, so not refused.
        (void)UnlinkChild(member);
    }
    for (std::size_t i = 0; i < loaded.size(); ++i) {
        ECBase* member = loaded[i];
        // A member listed twice is refused the second time, and one the rules turn away is
        // let go as intended; anything else refused found no memory.
        if (AddChild(member, 0) == 0 && Admits(member) &&
            member->GetParents()->Find(this) == nullptr) {
            for (std::size_t k = i; k < loaded.size(); ++k) {
                loaded[k]->Unref(1);
            }
            throw std::bad_alloc();
        }
        member->Unref(1);
    }
    if (!members->IsEmpty() && !HoldsEnoughMembers()) {
        while (!members->IsEmpty()) {
            // The head is a member, so not refused.
            (void)UnlinkChild(members->GetHead());
        }
    }
    // Leaving the parents would unlink nodes of lists the fix-up pass may be walking (a
    // parent's, or a grandparent's that also lists this group); it waits for the archive to
    // let go of what it read, which asks every element (DetachIfUnreachable) outside any walk.
    m_bLeaveParentsAfterLoad = members->IsEmpty() && HasType(TypeDissolveWhenEmpty) != 0;
}

ECBase* ECGroup::Copy(CObject* src) { return CopyAs(this, src); }

int ECGroup::GetEventId() const { return EventId::Group; }

int ECGroup::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Staff);
    return 1;
}

std::uint8_t ECGroup::AddGroupType(std::uint8_t mask) {
    SetGroupType(static_cast<std::uint8_t>(GetGroupType() | mask));
    return GetGroupType();
}

std::uint8_t ECGroup::RemoveGroupType(std::uint8_t mask) {
    SetGroupType(static_cast<std::uint8_t>(GetGroupType() & ~mask));
    return GetGroupType();
}

int ECGroup::AddParent(ECBase* parent) {
    if (ECWithTimeChild::AddParent(parent) == 0) {
        return 0;
    }
    if (HasType(TypeLockWhenDetached) != 0) {
        SetSubtype(static_cast<std::uint8_t>(GetSubtype() & ~TypeLocked));
    }
    DropReleasedMembers();
    return 1;
}

int ECGroup::RemoveParent(ECBase* parent) {
    if (ECWithTimeChild::RemoveParent(parent) == 0) {
        return 0;
    }
    if (IsBeingDestroyed()) {
        return 1;
    }
    const bool detached = GetParents()->IsEmpty();
    if (HasType(TypeLockWhenDetached) != 0) {
        SetSubtype(static_cast<std::uint8_t>(detached ? GetSubtype() | TypeLocked
                                                      : GetSubtype() & ~TypeLocked));
    } else if (HasType(TypeReleaseWhenDetached) != 0 && detached) {
        ReleaseMembers();
    }
    return 1;
}

int ECGroup::RemoveFromParents() {
    if (!IsBeingDestroyed() && HasType(TypeLockWhenDetached) != 0) {
        SetSubtype(static_cast<std::uint8_t>(GetSubtype() | TypeLocked));
    }
    return ECWithTimeChild::RemoveFromParents();
}

int ECGroup::RemoveChild(ECBase* child, int deep) {
    if (IsBeingDestroyed()) {
        return ECWithTimeChild::RemoveChild(child, deep);
    }
    if (HasType(TypeLocked) != 0) {
        return 0;
    }
    // Leaving the parents may give back every reference but this one.
    Ref();
    if (ECWithTimeChild::RemoveChild(child, deep) == 0) {
        Unref(0);
        return 0;
    }
    if (!GetChildren()->IsEmpty() && !HoldsEnoughMembers()) {
        ReleaseMembers();
    }
    const bool hadParents = !GetParents()->IsEmpty();
    LeaveParentsWhenEmpty();
    // A group that left its parents is the caller's no longer, unless the caller holds it.
    Unref(hadParents && GetParents()->IsEmpty() ? 1 : 0);
    return 1;
}

int ECGroup::RemoveChildren(int deep) {
    if (IsBeingDestroyed()) {
        return ECWithTimeChild::RemoveChildren(deep);
    }
    if (HasType(TypeLocked) != 0 && deep == 0) {
        return 0;
    }
    Ref();
    ECWithTimeChild::RemoveChildren(deep);
    const bool hadParents = !GetParents()->IsEmpty();
    LeaveParentsWhenEmpty();
    Unref(hadParents && GetParents()->IsEmpty() ? 1 : 0);
    return 1;
}

bool ECGroup::DetachIfUnreachable() {
    if (m_bLeaveParentsAfterLoad) {
        m_bLeaveParentsAfterLoad = false;
        if (GetChildren()->IsEmpty() && !GetParents()->IsEmpty()) {
            // The archive holds this group, so leaving the last parent does not destroy it.
            RemoveFromParents();
            return true;
        }
    }
    if (!m_released.IsEmpty() && GetParents()->IsEmpty() && IsReachedOnlyFromBelow()) {
        // Released members wait for an undo that links the group again; nothing can link one
        // that only the archive reaches, and its hold on them would keep them, and the
        // children that hold them in turn, alive after the archive has gone.
        DropReleasedMembers();
        return true;
    }
    const std::uint8_t type = GetSubtype();
    SetSubtype(static_cast<std::uint8_t>(type & ~TypeLocked));
    const bool detached = ECWithTimeChild::DetachIfUnreachable();
    if (!detached) {
        SetSubtype(type);
    }
    return detached;
}

ECGroup* ECGroup::AsGroup(ECBase* element) {
    if (element == nullptr) {
        return nullptr;
    }
    switch (element->GetEventId()) {
    case EventId::Group:
    case EventId::Beam:
    case EventId::Glissando:
    case EventId::Slur:
    case EventId::Tie:
        return static_cast<ECGroup*>(element);
    case EventId::Note:
    case EventId::GraceNote:
    case EventId::Rest:
    case EventId::Chord:
    case EventId::Tuplet:
    case EventId::Measure:
        return nullptr;
    default:
        return dynamic_cast<ECGroup*>(element);
    }
}

void ECGroup::NoteParentRelinked() {
    if (GetParents()->IsEmpty()) {
        return;
    }
    if (HasType(TypeLockWhenDetached) != 0) {
        SetSubtype(static_cast<std::uint8_t>(GetSubtype() & ~TypeLocked));
    }
    DropReleasedMembers();
}

void ECGroup::TakeReleasedMembers(MCEventList& into) {
    while (!m_released.IsEmpty()) {
        // Moving a node needs no memory; its new position is not needed.
        (void)into.MoveEvent(m_released, m_released.GetHeadPosition(), 0);
    }
}

int ECGroup::HoldsMemberOfType(int id) {
    MCEventList* members = GetChildren();
    POSITION front = members->GetHeadPosition();
    POSITION back = members->GetTailPosition();
    for (std::int32_t left = members->GetCount(); left > 0; left -= 2) {
        if (members->GetNext(front)->GetEventId() == id) {
            return 1;
        }
        if (left > 1 && members->GetPrev(back)->GetEventId() == id) {
            return 1;
        }
    }
    return 0;
}

bool ECGroup::KeepsMembersWithout(const ECBase* leaving, std::size_t others) const {
    // The plain group's rules are known here; a class of a host may have rules of its own.
    if (typeid(*this) != typeid(ECGroup)) {
        return false;
    }
    return KeepsAtLeast(leaving, others, 1, false);
}

bool ECGroup::KeepsMembersWhenDetached() const {
    // As for KeepsMembersWithout: a class of a host may leave its parents by rules of its own.
    return typeid(*this) == typeid(ECGroup) && TypeKeepsMembersWhenDetached();
}

bool ECGroup::TypeKeepsMembersWhenDetached() const {
    // RemoveParent locks a group of type 4 rather than let go, whatever else its type says.
    return HasType(TypeLockWhenDetached) != 0 || HasType(TypeReleaseWhenDetached) == 0;
}

bool ECGroup::KeepsAtLeast(const ECBase* leaving, std::size_t others, std::size_t fewest,
                           bool needsNote) const {
    // Read only: GetChildren is not const because ECBase's is not.
    MCEventList* members = const_cast<ECGroup*>(this)->GetChildren();
    const auto count = static_cast<std::size_t>(members->GetCount());
    const std::size_t gone = others + (leaving != nullptr ? 1 : 0);
    // Never left empty, and HoldsEnoughMembers true after each removal.
    if (count < gone + std::max<std::size_t>(fewest, 1)) {
        return false;
    }
    if (!needsNote) {
        return true;
    }
    // More notes than the `others` may take, besides `leaving`; notes sit at the ends of
    // most lines, so the walk goes from both ends.
    std::size_t notes = 0;
    auto counts = [&](ECBase* member) {
        return member != leaving && member->GetEventId() == EventId::Note && ++notes > others;
    };
    POSITION front = members->GetHeadPosition();
    POSITION back = members->GetTailPosition();
    for (std::size_t left = count; left > 0; left -= std::min<std::size_t>(left, 2)) {
        if (counts(members->GetNext(front))) {
            return true;
        }
        if (left > 1 && counts(members->GetPrev(back))) {
            return true;
        }
    }
    return false;
}

ECBase* ECGroup::StaffOf(ECBase* element) {
    // Through the element's own containers (its measure, chord or tuplet), not through the
    // groups it belongs to, which would answer with their own staff.
    for (ECBase* parent : *element->GetParents()) {
        if (dynamic_cast<ECGroup*>(parent) == nullptr) {
            if (ECBase* staff = parent->GetAncestor(EventId::Staff, -1)) {
                return staff;
            }
        }
    }
    return nullptr;
}

bool ECGroup::IsRhythmicElement(ECBase* element) {
    if (element == nullptr) {
        return false;
    }
    const int id = element->GetEventId();
    return id == EventId::Note || id == EventId::Chord || id == EventId::Rest;
}

void ECGroup::ReleaseMembers() {
    // The links' list nodes move into the record, each keeping its reference on its member,
    // so that nothing here needs memory. Each member leaves this group's parents first (a
    // member's entry may hold this group's last reference: the caller holds one).
    DropReleasedMembers();
    MCEventList* members = GetChildren();
    while (!members->IsEmpty()) {
        POSITION head = members->GetHeadPosition();
        // A member lists this group among its parents.
        (void)members->GetAt(head)->RemoveParent(this);
        (void)m_released.MoveEvent(*members, head, 0);
    }
    UpdateChildrenFlag();
}

void ECGroup::DropReleasedMembers() {
    while (!m_released.IsEmpty()) {
        ECBase* member = m_released.GetHead();
        member->Ref();
        m_released.RemoveHead();
        member->ReleaseOuterHold();
    }
}

void ECGroup::LeaveParentsWhenEmpty() {
    if (HasType(TypeDissolveWhenEmpty) != 0 && GetChildren()->IsEmpty() &&
        !GetParents()->IsEmpty()) {
        RemoveFromParents();
    }
}

} // namespace clavenor
