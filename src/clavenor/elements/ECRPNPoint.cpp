#include "clavenor/elements/ECRPNPoint.h"

#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECRPNPoint, ECEnvPoint, 2 | CRuntimeClass::VersionableSchema)

ECRPNPoint::~ECRPNPoint() = default;

void ECRPNPoint::Serialize(CArchive& ar) {
    ECEnvPoint::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_nFirst << m_nSecond;
    } else {
        ar >> m_nFirst >> m_nSecond;
    }
}

ECBase* ECRPNPoint::Copy(CObject* src) { return CopyAs(this, src); }

int ECRPNPoint::GetEventId() const { return EventId::RPNPoint; }

int ECRPNPoint::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::RPNEnv);
    return 1;
}

} // namespace clavenor
