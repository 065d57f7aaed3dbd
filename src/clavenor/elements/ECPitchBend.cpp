#include "clavenor/elements/ECPitchBend.h"

#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECPitchBend, ECEnvPoint, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECPitchBend, EventId::PitchBend)

ECPitchBend::~ECPitchBend() = default;

ECBase* ECPitchBend::Copy(CObject* src) { return CopyAs(this, src); }

int ECPitchBend::GetEventId() const { return EventId::PitchBend; }

int ECPitchBend::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::PitchBendEnv);
    return 1;
}

} // namespace clavenor
