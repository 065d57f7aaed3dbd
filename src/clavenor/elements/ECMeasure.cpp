#include "clavenor/elements/ECMeasure.h"

#include "clavenor/caches/MCStaffCache.h"
#include "clavenor/elements/ECStaff.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECMeasure, ECWithTimeChild, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECMeasure, EventId::Measure)

ECMeasure::ECMeasure() { m_voiceTrack = MCVoiceTrack(14, 2047); }

ECMeasure::~ECMeasure() = default;

ECBase* ECMeasure::Copy(CObject* src) { return CopyAs(this, src); }

int ECMeasure::GetEventId() const { return EventId::Measure; }

int ECMeasure::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Staff);
    return 1;
}

ECStaff* ECMeasure::GetCachingStaff() {
    return dynamic_cast<ECStaff*>(GetAncestor(EventId::Staff, -1));
}

int ECMeasure::AddChild(ECBase* child, int sorted) {
    if (ECWithChild::AddChild(child, sorted) == 0) {
        return 0;
    }
    if (MCStaffCache::IsCacheEvent(child) != 0) {
        if (ECStaff* staff = GetCachingStaff()) {
            staff->CacheEvent(child, MCStaffCache::GetHand(child));
        }
    }
    return 1;
}

int ECMeasure::RemoveChild(ECBase* child, int deep) {
    if (MCStaffCache::IsCacheEvent(child) != 0 && child->GetParents()->Find(this) != nullptr) {
        if (ECStaff* staff = GetCachingStaff()) {
            staff->UncacheEvent(child, MCStaffCache::GetHand(child));
        }
    }
    return ECWithChild::RemoveChild(child, deep);
}

int ECMeasure::RemoveChildren(int deep) {
    MCEventList* children = GetChildren();
    if (children->ContainsEventType(EventId::Clef) != 0 ||
        children->ContainsEventType(EventId::Key) != 0) {
        if (ECStaff* staff = GetCachingStaff()) {
            for (POSITION pos = children->GetHeadPosition(); pos != nullptr;) {
                ECBase* child = children->GetNext(pos);
                staff->UncacheEvent(child, MCStaffCache::GetHand(child));
            }
        }
    }
    return ECWithChild::RemoveChildren(deep);
}

} // namespace clavenor
