#include "clavenor/elements/ECMeasure.h"

#include "clavenor/caches/MCStaffCache.h"
#include "clavenor/elements/ECClef.h"
#include "clavenor/elements/ECKey.h"
#include "clavenor/elements/ECStaff.h"
#include "clavenor/model/EventRegistry.h"

#include <new>

namespace clavenor {

IMPLEMENT_SERIAL(ECMeasure, ECWithTimeChild, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECMeasure, EventId::Measure)

namespace {

// The hand a clef or key says it belongs to, through its own accessors where it has them.
std::uint8_t HandOf(ECBase* element) {
    if (auto* clef = dynamic_cast<ECClef*>(element)) {
        return clef->GetHand();
    }
    if (auto* key = dynamic_cast<ECKey*>(element)) {
        return key->GetHand();
    }
    return MCStaffCache::GetHand(element);
}

} // namespace

ECMeasure::ECMeasure() { m_voiceTrack = MCVoiceTrack(14, 2047); }

ECMeasure::~ECMeasure() = default;

ECBase* ECMeasure::Copy(CObject* src) { return CopyAs(this, src); }

int ECMeasure::GetEventId() const { return EventId::Measure; }

int ECMeasure::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Staff);
    return 1;
}

int ECMeasure::AddChild(ECBase* child, int sorted) {
    if (ECWithChild::AddChild(child, sorted) == 0) {
        return 0;
    }
    if (MCStaffCache::IsCacheEvent(child) != 0) {
        if (ECStaff* staff = ECStaff::TrackingStaff(this)) {
            try {
                staff->CacheEvent(child, HandOf(child));
            } catch (const std::bad_alloc&) {
                TakeBackLink(child);
                return 0;
            }
        }
    }
    return 1;
}

int ECMeasure::RemoveChild(ECBase* child, int deep) {
    if (MCStaffCache::IsCacheEvent(child) != 0 && child->GetParents()->Find(this) != nullptr) {
        if (ECStaff* staff = ECStaff::TrackingStaff(this)) {
            staff->ForgetEvent(child);
        }
    }
    return ECWithChild::RemoveChild(child, deep);
}

int ECMeasure::UnlinkChild(ECBase* child) { return RemoveChild(child, 0); }

int ECMeasure::RemoveChildren(int deep) {
    MCEventList* children = GetChildren();
    if (ECStaff* staff = ECStaff::TrackingStaff(this)) {
        for (ECBase* child : *children) {
            staff->ForgetEvent(child);
        }
    }
    return ECWithChild::RemoveChildren(deep);
}

} // namespace clavenor
