#include "clavenor/elements/ECKey.h"

#include "clavenor/elements/ECPerformance.h"
#include "clavenor/elements/ECStaff.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECKey, ECWithTime, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECKey, EventId::Key)

ECKey::ECKey(std::uint8_t sharps, std::uint8_t flats, std::uint8_t mode) {
    SetNumSharps(sharps);
    SetNumFlats(flats);
    SetMode(mode);
}

ECKey::ECKey(const ECKey& other) : ECWithTime(other), MCMirrorList(other) {
    SetSubtype(other.GetSubtype());
}

ECKey::~ECKey() = default;

ECKey& ECKey::operator=(const ECKey& other) {
    ECWithTime::operator=(other);
    SetSubtype(other.GetSubtype());
    return *this;
}

void ECKey::Serialize(CArchive& ar) {
    ECWithTime::Serialize(ar);
    if (ar.IsStoring()) {
        ar << GetSubtype();
        return;
    }
    if (ECPerformance::GetActiveVersion() >= 3) {
        std::uint8_t byte = 0;
        ar >> byte;
        SetSubtype(byte);
        return;
    }
    std::int16_t value = 0;
    std::uint8_t unused = 0;
    ar >> value >> unused >> unused;
    SetSubtype(0);
    const int count = value < 0 ? -static_cast<int>(value) : value;
    if (value > 0) {
        SetNumSharps(static_cast<std::uint8_t>(count));
    } else {
        SetNumFlats(static_cast<std::uint8_t>(count));
    }
}

ECBase* ECKey::Copy(CObject* src) { return CopyAs(this, src); }

int ECKey::GetEventId() const { return EventId::Key; }

int ECKey::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Measure);
    return 1;
}

void ECKey::SetTime(MCTime* time) {
    if (time == nullptr) {
        return;
    }
    ECStaff::ForgetInTrackingStaves(this);
    ECWithTime::SetTime(time);
    ECStaff::CacheInTrackingStaves(this, GetHand());
}

} // namespace clavenor
