#include "clavenor/elements/ECChord.h"

#include "clavenor/model/EventRegistry.h"

#include <cstddef>
#include <vector>

namespace clavenor {

IMPLEMENT_SERIAL(ECChord, ECWithTimeChild, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECChord, EventId::Chord)

ECChord::~ECChord() = default;

ECBase* ECChord::Copy(CObject* src) { return CopyAs(this, src); }

int ECChord::GetEventId() const { return EventId::Chord; }

int ECChord::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Measure);
    types.Add(EventId::Beam);
    types.Add(EventId::Tuplet);
    return 1;
}

bool ECChord::HoldsNote() { return GetChildren()->FindEvent(EventId::Note) != nullptr; }

void ECChord::DetachAllChildren() {
    MCEventList* children = GetChildren();
    // Take the tail afresh each time: a child's deep removal may dissolve elements that
    // take other children out of this list too.
    while (!children->IsEmpty()) {
        ECBase* child = children->GetTail();
        bool heldElsewhere = false;
        MCEventList* parents = child->GetParents();
        for (POSITION pos = parents->GetHeadPosition(); pos != nullptr && !heldElsewhere;) {
            heldElsewhere = parents->GetNext(pos) != this;
        }
        // A child that lives on keeps its own children; one that goes takes its subtree
        // with it, since that subtree would otherwise keep it alive.
        // A child of this list: the removal is not refused.
        (void)ECWithChild::RemoveChild(child, heldElsewhere ? 0 : 1);
    }
}

int ECChord::RemoveChild(ECBase* child, int deep) {
    if (IsBeingDestroyed()) {
        return ECWithChild::RemoveChild(child, deep);
    }
    // Leaving the parents may give back every reference but this one; the chord is not
    // touched again once it has been returned.
    Ref();
    if (ECWithChild::RemoveChild(child, deep) == 0) {
        Unref(0);
        return 0;
    }
    if (!HoldsNote()) {
        DetachAllChildren();
    }
    if (GetChildren()->IsEmpty()) {
        RemoveFromParents();
    }
    Unref(1);
    return 1;
}

int ECChord::RemoveChildren(int deep) {
    if (IsBeingDestroyed()) {
        return ECWithChild::RemoveChildren(deep);
    }
    Ref();
    ECWithChild::RemoveChildren(deep);
    RemoveFromParents();
    Unref(1);
    return 1;
}

int ECChord::RemoveFromParents() {
    if (!IsBeingDestroyed() && HoldsNote()) {
        if (ECBase* measure = GetAncestor(EventId::Measure, -1)) {
            if (auto* into = dynamic_cast<ECWithChild*>(measure)) {
                // Each note not yet under the measure moves there with its own list nodes,
                // so that leaving the chord never needs memory; one already there stays
                // once, and leaves the chord with the rest below.
                MCEventList* children = GetChildren();
                for (POSITION pos = children->GetHeadPosition(); pos != nullptr;) {
                    ECBase* child = children->GetNext(pos);
                    if (IsNoteOutside(child, measure)) {
                        // A child of this chord that the measure does not hold: nothing to
                        // refuse.
                        (void)MoveChild(child, into, 1);
                    }
                }
                DetachAllChildren();
            } else if (LinkNotesUnder(measure)) {
                DetachAllChildren();
            }
        }
    }
    return ECBase::RemoveFromParents();
}

bool ECChord::IsNoteOutside(ECBase* child, ECBase* measure) {
    return child->GetEventId() == EventId::Note && child->GetParents()->Find(measure) == nullptr;
}

bool ECChord::LinkNotesUnder(ECBase* measure) {
    MCEventList* children = GetChildren();
    std::vector<ECBase*> linked;
    linked.reserve(static_cast<std::size_t>(children->GetCount()));
    for (ECBase* child : *children) {
        if (!IsNoteOutside(child, measure)) {
            continue;
        }
        if (measure->AddChild(child, 1) == 0) {
            for (ECBase* note : linked) {
                // Linked a moment ago; the chord still holds it, so it stays alive.
                static_cast<void>(measure->RemoveChild(note, 0));
            }
            return false;
        }
        linked.push_back(child);
    }
    return true;
}

} // namespace clavenor
