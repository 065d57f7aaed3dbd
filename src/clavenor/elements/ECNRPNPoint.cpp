#include "clavenor/elements/ECNRPNPoint.h"

#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECNRPNPoint, ECEnvPoint, 2 | CRuntimeClass::VersionableSchema)

ECNRPNPoint::~ECNRPNPoint() = default;

void ECNRPNPoint::Serialize(CArchive& ar) {
    ECEnvPoint::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_nFirst << m_nSecond;
    } else {
        ar >> m_nFirst >> m_nSecond;
    }
}

ECBase* ECNRPNPoint::Copy(CObject* src) { return CopyAs(this, src); }

int ECNRPNPoint::GetEventId() const { return EventId::NRPNPoint; }

int ECNRPNPoint::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::NRPNEnv);
    return 1;
}

} // namespace clavenor
