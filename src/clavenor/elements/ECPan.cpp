#include "clavenor/elements/ECPan.h"

#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECPan, ECControlChange, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECPan, EventId::Pan)

ECPan::~ECPan() = default;

ECBase* ECPan::Copy(CObject* src) { return CopyAs(this, src); }

int ECPan::GetEventId() const { return EventId::Pan; }

int ECPan::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Envelope);
    types.Add(EventId::ControllerEnv);
    return 1;
}

} // namespace clavenor
