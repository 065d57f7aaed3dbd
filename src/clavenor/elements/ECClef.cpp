#include "clavenor/elements/ECClef.h"

#include "clavenor/elements/ECPerformance.h"
#include "clavenor/elements/ECStaff.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/strings/DisplayStrings.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECClef, ECWithTime, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECClef, EventId::Clef)

namespace {

CString NameClef(ECBase* e) { return GetClefString(static_cast<ECClef*>(e)->GetClefType()); }

const EventSubtypeNamerRegistrar s_namer(EventId::Clef, &NameClef);

} // namespace

ECClef::ECClef(std::uint8_t type) { SetClefType(type); }

ECClef::ECClef(const ECClef& other) : ECWithTime(other), MCMirrorList(other) {
    SetSubtype(other.GetSubtype());
}

ECClef::~ECClef() = default;

ECClef& ECClef::operator=(const ECClef& other) {
    ECWithTime::operator=(other);
    SetClefType(other.GetClefType());
    SetHand(other.GetHand());
    return *this;
}

void ECClef::Serialize(CArchive& ar) {
    ECWithTime::Serialize(ar);
    if (ar.IsStoring()) {
        ar << GetSubtype();
        return;
    }
    std::uint8_t byte = 0;
    ar >> byte;
    if (ECPerformance::GetActiveVersion() >= 3) {
        SetSubtype(byte);
        return;
    }
    std::uint8_t hand = 0;
    ar >> hand;
    SetSubtype(0);
    SetClefType(byte);
    SetHand(hand);
}

ECBase* ECClef::Copy(CObject* src) { return CopyAs(this, src); }

int ECClef::GetEventId() const { return EventId::Clef; }

int ECClef::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Measure);
    return 1;
}

void ECClef::SetTime(MCTime* time) {
    if (time == nullptr) {
        return;
    }
    ECStaff::ForgetInTrackingStaves(this);
    ECWithTime::SetTime(time);
    ECStaff::CacheInTrackingStaves(this, GetHand());
}

void ECClef::SetClefType(std::uint8_t type) {
    SetSubtype(static_cast<std::uint8_t>((GetSubtype() & kHandBit) | (type & kTypeMask)));
}

void ECClef::SetHand(std::uint8_t hand) {
    SetSubtype(static_cast<std::uint8_t>((GetSubtype() & kTypeMask) | ((hand & 1) << 7)));
}

} // namespace clavenor
