#include "clavenor/elements/ECNRPNEnv.h"

#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECNRPNEnv, ECEnvelope, 2 | CRuntimeClass::VersionableSchema)

ECNRPNEnv::ECNRPNEnv() { Set14Bit(1); }

ECNRPNEnv::ECNRPNEnv(const ECNRPNEnv& other)
    : ECEnvelope(other), m_nFirst(other.m_nFirst), m_nSecond(other.m_nSecond) {
    SetSubtype(other.GetSubtype());
}

ECNRPNEnv::~ECNRPNEnv() = default;

ECNRPNEnv& ECNRPNEnv::operator=(const ECNRPNEnv& other) {
    ECEnvelope::operator=(other);
    m_nFirst = other.m_nFirst;
    m_nSecond = other.m_nSecond;
    SetSubtype(other.GetSubtype());
    return *this;
}

void ECNRPNEnv::Serialize(CArchive& ar) {
    ECEnvelope::Serialize(ar);
    if (ar.IsStoring()) {
        ar << GetSubtype();
        return;
    }
    std::uint8_t flag = 0;
    ar >> flag;
    SetSubtype(flag);
}

ECBase* ECNRPNEnv::Copy(CObject* src) { return CopyAs(this, src); }

int ECNRPNEnv::GetEventId() const { return EventId::NRPNEnv; }

int ECNRPNEnv::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Staff);
    types.Add(EventId::Track);
    return 1;
}

void ECNRPNEnv::GetNRPNType(int& first, int& second) const {
    first = m_nFirst;
    second = m_nSecond;
}

void ECNRPNEnv::SetNRPNType(int first, int second) {
    if (first >= 0 && first <= 127 && second >= 0 && second <= 127) {
        m_nFirst = static_cast<std::uint8_t>(first);
        m_nSecond = static_cast<std::uint8_t>(second);
    }
}

void ECNRPNEnv::Set14Bit(int flag) {
    SetSubtype(static_cast<std::uint8_t>(flag));
    SetLimits(0.0f, GetSubtype() != 0 ? 16383.0f : 127.0f);
}

} // namespace clavenor
