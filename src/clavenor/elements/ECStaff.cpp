#include "clavenor/elements/ECStaff.h"

#include "clavenor/elements/ECClef.h"
#include "clavenor/elements/ECKey.h"
#include "clavenor/elements/ECMeasure.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

#include <new>

namespace clavenor {

IMPLEMENT_SERIAL(ECStaff, ECTrack, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECStaff, EventId::Staff)

ECStaff::ECStaff() : m_pCache(std::make_unique<MCStaffCache>()) { SetStaffEmpty(1); }

ECStaff::ECStaff(std::uint8_t type) : ECStaff() { SetStaffType(type); }

ECStaff::ECStaff(const ECStaff& other)
    : ECTrack(other), m_pCache(std::make_unique<MCStaffCache>()) {
    SetSubtype(other.GetSubtype());
}

ECStaff::~ECStaff() = default;

ECStaff& ECStaff::operator=(const ECStaff& other) {
    ECTrack::operator=(other);
    SetStaffType(other.GetStaffType());
    return *this;
}

void ECStaff::Serialize(CArchive& ar) {
    ECTrack::Serialize(ar);
    if (ar.IsStoring()) {
        ar << GetSubtype();
        return;
    }
    std::uint8_t byte = 0;
    ar >> byte;
    SetSubtype(byte);
    RebuildCache();
}

void ECStaff::RebuildCache() { ExchangeCache(BuildCache()); }

std::unique_ptr<MCStaffCache> ECStaff::BuildCache() {
    // Exactly the elements the staff tracks, in the order a walk down meets them.
    MCEventList tracked;
    auto collect = [&tracked](ECBase* element) {
        if (MCStaffCache::IsCacheEvent(element) != 0 && tracked.AddTail(element) == nullptr) {
            throw std::bad_alloc();
        }
    };
    for (ECBase* child : *GetChildren()) {
        collect(child);
        if (dynamic_cast<ECMeasure*>(child) != nullptr) {
            for (ECBase* element : *child->GetChildren()) {
                collect(element);
            }
        }
    }
    auto cache = std::make_unique<MCStaffCache>();
    cache->BuildCache(tracked);
    return cache;
}

std::unique_ptr<MCStaffCache> ECStaff::ExchangeCache(std::unique_ptr<MCStaffCache> cache) {
    m_pCache.swap(cache);
    return cache;
}

int ECStaff::AddChild(ECBase* child, int sorted) {
    if (ECTrack::AddChild(child, sorted) == 0) {
        return 0;
    }
    if (MCStaffCache::IsCacheEvent(child) != 0) {
        // One element: the cache changes whole or not at all.
        try {
            m_pCache->CacheEvent(child, MCStaffCache::GetHand(child));
        } catch (const std::bad_alloc&) {
            TakeBackLink(child);
            return 0;
        }
    } else if (dynamic_cast<ECMeasure*>(child) != nullptr) {
        MCEventList* marks = child->GetChildren();
        try {
            for (ECBase* element : *marks) {
                if (MCStaffCache::IsCacheEvent(element) != 0) {
                    m_pCache->CacheEvent(element, MCStaffCache::GetHand(element));
                }
            }
        } catch (const std::bad_alloc&) {
            for (ECBase* element : *marks) {
                m_pCache->ForgetEvent(element);
            }
            TakeBackLink(child);
            return 0;
        }
    }
    return 1;
}

int ECStaff::RemoveChild(ECBase* child, int deep) {
    // Only a child takes anything out of the cache (the parents list is the short one).
    if (child == nullptr || child->GetParents()->Find(this) == nullptr) {
        return 0;
    }
    // Removal must need no memory (a failed command takes removals back), so no walk: what
    // the cache holds is the child or, for a measure, one of its own children.
    m_pCache->ForgetEvent(child);
    if (dynamic_cast<ECMeasure*>(child) != nullptr) {
        for (ECBase* element : *child->GetChildren()) {
            m_pCache->ForgetEvent(element);
        }
    }
    return ECTrack::RemoveChild(child, deep);
}

int ECStaff::UnlinkChild(ECBase* child) { return RemoveChild(child, 0); }

int ECStaff::RemoveChildren(int deep) {
    ECTrack::RemoveChildren(deep);
    m_pCache->DeleteCache();
    return 1;
}

int ECStaff::CacheEvent(ECBase* element, std::uint8_t hand) {
    return MCStaffCache::IsCacheEvent(element) != 0 ? m_pCache->CacheEvent(element, hand) : 0;
}

int ECStaff::UncacheEvent(ECBase* element, std::uint8_t hand) {
    return MCStaffCache::IsCacheEvent(element) != 0 ? m_pCache->UncacheEvent(element, hand) : 0;
}

int ECStaff::ForgetEvent(ECBase* element) { return m_pCache->ForgetEvent(element); }

ECClef* ECStaff::GetClefAtTime(const MCTime& time, std::uint8_t hand) {
    return dynamic_cast<ECClef*>(m_pCache->GetClefAtTime(time, hand));
}

ECClef* ECStaff::GetClefBeforeTime(const MCTime& time, std::uint8_t hand) {
    return dynamic_cast<ECClef*>(m_pCache->GetClefBeforeTime(time, hand));
}

void ECStaff::GetClefScope(ECClef* clef, MCTime& start, MCTime& end, std::uint8_t hand) {
    m_pCache->GetClefScope(clef, start, end, hand);
}

ECKey* ECStaff::GetKeyAtTime(const MCTime& time, std::uint8_t hand) {
    return dynamic_cast<ECKey*>(m_pCache->GetKeyAtTime(time, hand));
}

ECKey* ECStaff::GetKeyBeforeTime(const MCTime& time, std::uint8_t hand) {
    return dynamic_cast<ECKey*>(m_pCache->GetKeyBeforeTime(time, hand));
}

void ECStaff::GetKeyScope(ECKey* key, MCTime& start, MCTime& end, std::uint8_t hand) {
    m_pCache->GetKeyScope(key, start, end, hand);
}

ECStaff* ECStaff::TrackingStaff(ECBase* container) {
    if (auto* staff = dynamic_cast<ECStaff*>(container)) {
        return staff;
    }
    if (dynamic_cast<ECMeasure*>(container) == nullptr) {
        return nullptr;
    }
    for (ECBase* parent : *container->GetParents()) {
        if (auto* staff = dynamic_cast<ECStaff*>(parent)) {
            return staff;
        }
    }
    return nullptr;
}

void ECStaff::ForgetInTrackingStaves(ECBase* element) {
    for (ECBase* parent : *element->GetParents()) {
        if (ECStaff* staff = TrackingStaff(parent)) {
            staff->ForgetEvent(element);
        }
    }
}

void ECStaff::CacheInTrackingStaves(ECBase* element, std::uint8_t hand) {
    for (ECBase* parent : *element->GetParents()) {
        if (ECStaff* staff = TrackingStaff(parent)) {
            staff->CacheEvent(element, hand);
        }
    }
}

int ECStaff::RecacheEvent(ECBase* element, std::uint8_t hand) {
    if (MCStaffCache::IsCacheEvent(element) == 0) {
        return 0;
    }
    if (m_pCache->EventIsCached(element) != 0) {
        // Its hand may have changed since it was cached: it goes from whichever slot has it.
        m_pCache->UncacheEvent(element, 0);
        m_pCache->UncacheEvent(element, 1);
    }
    return m_pCache->CacheEvent(element, hand);
}

ECBase* ECStaff::Copy(CObject* src) { return CopyAs(this, src); }

int ECStaff::GetEventId() const { return EventId::Staff; }

} // namespace clavenor
