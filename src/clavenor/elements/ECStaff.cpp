#include "clavenor/elements/ECStaff.h"

#include "clavenor/model/EventRegistry.h"

#include "clavenor/framework/CArchive.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECStaff, ECTrack, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECStaff, EventId::Staff)

ECStaff::ECStaff() { SetStaffEmpty(1); }

ECStaff::ECStaff(std::uint8_t type) : ECStaff() { SetStaffType(type); }

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
}

ECBase* ECStaff::Copy(CObject* src) { return CopyAs(this, src); }

int ECStaff::GetEventId() const { return EventId::Staff; }

} // namespace clavenor
