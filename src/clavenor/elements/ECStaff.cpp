#include "clavenor/elements/ECStaff.h"

#include "clavenor/actions/ACFindEvents.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

#include <new>

namespace clavenor {

IMPLEMENT_SERIAL(ECStaff, ECTrack, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECStaff, EventId::Staff)

namespace {

// Clefs and keys sit in the staff's measures or directly under the staff.
constexpr std::uint8_t CacheEventDepth = 2;

} // namespace

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
    ACFindEvents find;
    find.AddEvtType(EventId::Clef);
    find.AddEvtType(EventId::Key);
    find.SetDepth(CacheEventDepth);
    // A search that runs out of memory stops short: a cache made from it would lack
    // clefs.
    if (find.Apply(this) == ACBase::ResultAbort) {
        throw std::bad_alloc();
    }
    auto cache = std::make_unique<MCStaffCache>();
    cache->BuildCache(*find.GetEvents());
    return cache;
}

std::unique_ptr<MCStaffCache> ECStaff::ExchangeCache(std::unique_ptr<MCStaffCache> cache) {
    m_pCache.swap(cache);
    return cache;
}

int ECStaff::RemoveChild(ECBase* child, int deep) {
    // Only a child takes anything out of the cache (the parents list is the short one).
    if (child == nullptr || child->GetParents()->Find(this) == nullptr) {
        return 0;
    }
    // Removal must need no memory (a failed command takes removals back), so no walk: what
    // the cache holds lies at most CacheEventDepth levels down, the child or one of its own
    // children.
    UncacheEvent(child, MCStaffCache::GetHand(child));
    if (MCEventList* children = child->GetChildren()) {
        for (ECBase* element : *children) {
            UncacheEvent(element, MCStaffCache::GetHand(element));
        }
    }
    return ECTrack::RemoveChild(child, deep);
}

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
