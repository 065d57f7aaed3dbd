#include "clavenor/elements/ECRPNEnv.h"

#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECRPNEnv, ECEnvelope, 2 | CRuntimeClass::VersionableSchema)

ECRPNEnv::ECRPNEnv() { Set14Bit(1); }

ECRPNEnv::ECRPNEnv(const ECRPNEnv& other)
    : ECEnvelope(other), m_nFirst(other.m_nFirst), m_nSecond(other.m_nSecond) {
    SetSubtype(other.GetSubtype());
}

ECRPNEnv::~ECRPNEnv() = default;

ECRPNEnv& ECRPNEnv::operator=(const ECRPNEnv& other) {
    ECEnvelope::operator=(other);
    m_nFirst = other.m_nFirst;
    m_nSecond = other.m_nSecond;
    SetSubtype(other.GetSubtype());
    return *this;
}

void ECRPNEnv::Serialize(CArchive& ar) {
    ECEnvelope::Serialize(ar);
    if (ar.IsStoring()) {
        ar << GetSubtype();
        return;
    }
    std::uint8_t flag = 0;
    ar >> flag;
    SetSubtype(flag);
}

ECBase* ECRPNEnv::Copy(CObject* src) { return CopyAs(this, src); }

int ECRPNEnv::GetEventId() const { return EventId::RPNEnv; }

int ECRPNEnv::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Staff);
    return 1;
}

void ECRPNEnv::GetRPNType(int& first, int& second) const {
    first = m_nFirst;
    second = m_nSecond;
}

void ECRPNEnv::SetRPNType(int first, int second) {
    if (first >= 0 && first <= 127 && second >= 0 && second <= 127) {
        m_nFirst = static_cast<std::uint8_t>(first);
        m_nSecond = static_cast<std::uint8_t>(second);
    }
}

void ECRPNEnv::Set14Bit(int flag) {
    SetSubtype(static_cast<std::uint8_t>(flag));
    SetLimits(0.0f, GetSubtype() != 0 ? 16383.0f : 127.0f);
}

} // namespace clavenor
