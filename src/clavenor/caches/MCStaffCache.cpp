#include "clavenor/caches/MCStaffCache.h"

#include "clavenor/model/ECBase.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/model/MCEventList.h"

namespace clavenor {

namespace {

constexpr int ClefSlot = 0;
constexpr int KeySlot = 2;
constexpr std::uint32_t HandBit = 0x8000;

} // namespace

MCStaffCache::MCStaffCache() : MCCache(Slots) {}

MCStaffCache::~MCStaffCache() = default;

int MCStaffCache::IsCacheEvent(ECBase* element) {
    if (element == nullptr) {
        return 0;
    }
    const int id = element->GetEventId();
    return id == EventId::Clef || id == EventId::Key ? 1 : 0;
}

std::uint8_t MCStaffCache::GetHand(ECBase* element) {
    return (element->GetFlags() & HandBit) != 0 ? 1 : 0;
}

int MCStaffCache::GetCacheListPosition(int kind, int hand) {
    if (kind != KindClef && kind != KindKey) {
        return -1;
    }
    return (kind == KindClef ? ClefSlot : KeySlot) + (hand > 0 ? 1 : 0);
}

int MCStaffCache::GetCacheListPosition(ECBase* element, int hand) {
    if (IsCacheEvent(element) == 0) {
        return -1;
    }
    return GetCacheListPosition(element->GetEventId() == EventId::Clef ? KindClef : KindKey, hand);
}

int MCStaffCache::CacheEvent(ECBase* element, std::uint8_t hand) {
    if (element == nullptr || element->GetTime() == nullptr || IsCacheEvent(element) == 0) {
        return 0;
    }
    const MCTime& time = *element->GetTime();
    const int slot = GetCacheListPosition(element, hand);
    if (auto* present = static_cast<ECBase*>(GetObjectForTime(time, slot))) {
        if (present->GetTime() == nullptr || *present->GetTime() == time) {
            return 0;
        }
    }
    return CacheObject(element, time, slot);
}

int MCStaffCache::UncacheEvent(ECBase* element, std::uint8_t hand) {
    if (element == nullptr || element->GetTime() == nullptr) {
        return 0;
    }
    const int slot = GetCacheListPosition(element, hand);
    if (slot < 0) {
        return 0;
    }
    return UncacheObject(element, *element->GetTime(), slot);
}

int MCStaffCache::ForgetEvent(ECBase* element) {
    if (IsCacheEvent(element) == 0) {
        return 0;
    }
    int forgotten = UncacheEvent(element, GetHand(element));
    const int kind = element->GetEventId() == EventId::Clef ? KindClef : KindKey;
    for (int hand = 0; hand <= 1; ++hand) {
        const int slot = GetCacheListPosition(kind, hand);
        // Each pass takes away one reign of the element, from the point where it begins.
        for (;;) {
            const MCTime* start = nullptr;
            const void* before = nullptr;
            for (POSITION pos = GetPoints().GetHeadPosition(); pos != nullptr;) {
                const auto* point = static_cast<const CachePoint*>(GetPoints().GetNext(pos));
                const void* held = point->objects[static_cast<std::size_t>(slot)];
                if (held == element && before != element) {
                    start = &point->time;
                    break;
                }
                before = held;
            }
            if (start == nullptr) {
                break;
            }
            const MCTime time = *start;
            if (UncacheObject(element, time, slot) == 0) {
                break;
            }
            forgotten = 1;
        }
    }
    return forgotten;
}

int MCStaffCache::EventIsCached(ECBase* element) const { return ObjectIsCached(element, -1); }

ECBase* MCStaffCache::GetClefAtTime(const MCTime& time, std::uint8_t hand) {
    return static_cast<ECBase*>(GetObjectForTime(time, GetCacheListPosition(KindClef, hand)));
}

ECBase* MCStaffCache::GetClefBeforeTime(const MCTime& time, std::uint8_t hand) {
    return static_cast<ECBase*>(GetObjectBeforeTime(time, GetCacheListPosition(KindClef, hand)));
}

ECBase* MCStaffCache::GetKeyAtTime(const MCTime& time, std::uint8_t hand) {
    return static_cast<ECBase*>(GetObjectForTime(time, GetCacheListPosition(KindKey, hand)));
}

ECBase* MCStaffCache::GetKeyBeforeTime(const MCTime& time, std::uint8_t hand) {
    return static_cast<ECBase*>(GetObjectBeforeTime(time, GetCacheListPosition(KindKey, hand)));
}

void MCStaffCache::GetScope(ECBase* element, MCTime& start, MCTime& end, std::uint8_t hand) {
    if (element == nullptr || element->GetTime() == nullptr) {
        return;
    }
    GetObjectScope(element, *element->GetTime(), GetCacheListPosition(element, hand), start, end);
}

void MCStaffCache::GetClefScope(ECBase* clef, MCTime& start, MCTime& end, std::uint8_t hand) {
    GetScope(clef, start, end, hand);
}

void MCStaffCache::GetKeyScope(ECBase* key, MCTime& start, MCTime& end, std::uint8_t hand) {
    GetScope(key, start, end, hand);
}

std::unique_ptr<MCStaffCache> MCStaffCache::Clone() const {
    auto clone = std::make_unique<MCStaffCache>();
    clone->CopyPoints(*this);
    return clone;
}

void MCStaffCache::BuildCache(MCEventList& elements) {
    DeleteCache();
    for (POSITION pos = elements.GetHeadPosition(); pos != nullptr;) {
        ECBase* element = elements.GetNext(pos);
        if (IsCacheEvent(element) != 0) {
            CacheEvent(element, GetHand(element));
        }
    }
}

void MCStaffCache::ResetCurrentPosition(const MCTime& time) { GetCachePointForTime(time); }

} // namespace clavenor
