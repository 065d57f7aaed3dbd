#include "clavenor/elements/ECControlChange.h"

#include "clavenor/elements/ECPerformance.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECControlChange, ECEnvPoint, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECControlChange, EventId::ControlChange)

ECControlChange::~ECControlChange() = default;

void ECControlChange::Serialize(CArchive& ar) {
    ECEnvPoint::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_nController;
    } else if (ECPerformance::GetActiveVersion() >= 3) {
        ar >> m_nController;
    }
}

ECBase* ECControlChange::Copy(CObject* src) { return CopyAs(this, src); }

int ECControlChange::GetEventId() const { return EventId::ControlChange; }

int ECControlChange::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::ControllerEnv);
    return 1;
}

} // namespace clavenor
