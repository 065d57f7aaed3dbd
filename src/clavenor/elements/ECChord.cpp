#include "clavenor/elements/ECChord.h"

#include "clavenor/model/EventRegistry.h"

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

bool ECChord::HoldsNote() {
    MCEventList* children = GetChildren();
    for (POSITION pos = children->GetHeadPosition(); pos != nullptr;) {
        if (children->GetNext(pos)->GetEventId() == EventId::Note) {
            return true;
        }
    }
    return false;
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
        ECWithChild::RemoveChildren(0);
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
            MCEventList* children = GetChildren();
            for (POSITION pos = children->GetHeadPosition(); pos != nullptr;) {
                ECBase* child = children->GetNext(pos);
                if (child->GetEventId() != EventId::Note) {
                    continue;
                }
                // A note that already is a child of the measure stays there once: AddChild
                // refuses it. One refused for want of memory goes with its own subtree, which
                // would otherwise keep it alive once the chord lets go of it.
                if (measure->AddChild(child, 1) == 0 &&
                    child->GetParents()->Find(measure) == nullptr) {
                    ECWithChild::RemoveChild(child, 1);
                }
            }
            ECWithChild::RemoveChildren(0);
        }
    }
    return ECBase::RemoveFromParents();
}

} // namespace clavenor
