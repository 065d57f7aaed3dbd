#include "clavenor/elements/ECBrac.h"

#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECBrac, ECBase, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECBrac, EventId::Brac)

ECBrac::ECBrac(std::uint8_t type) { SetBracType(type); }

ECBrac::ECBrac(const ECBrac& other) : ECBase(other), m_nGroupId(other.m_nGroupId) {
    SetSubtype(other.GetSubtype());
}

ECBrac::~ECBrac() = default;

ECBrac& ECBrac::operator=(const ECBrac& other) {
    ECBase::operator=(other);
    SetBracType(other.GetBracType());
    SetGroupID(other.GetGroupID(), other.GetPrimary());
    return *this;
}

void ECBrac::Serialize(CArchive& ar) {
    ECBase::Serialize(ar);
    if (ar.IsStoring()) {
        ar << GetSubtype();
        return;
    }
    std::uint8_t byte = 0;
    ar >> byte;
    SetSubtype(byte);
}

ECBase* ECBrac::Copy(CObject* src) { return CopyAs(this, src); }

int ECBrac::GetEventId() const { return EventId::Brac; }

int ECBrac::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::ConductorMeasure);
    return 1;
}

void ECBrac::SetBracType(std::uint8_t type) {
    SetSubtype(static_cast<std::uint8_t>((GetSubtype() & kPrimaryBit) | (type & kTypeMask)));
}

void ECBrac::SetGroupID(std::uint8_t id, int primary) {
    m_nGroupId = id;
    SetSubtype(
        static_cast<std::uint8_t>((GetSubtype() & kTypeMask) | (primary != 0 ? kPrimaryBit : 0)));
}

} // namespace clavenor
