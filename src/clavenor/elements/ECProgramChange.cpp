#include "clavenor/elements/ECProgramChange.h"

#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECProgramChange, ECEnvPoint, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECProgramChange, EventId::ProgramChange)

ECProgramChange::~ECProgramChange() = default;

ECBase* ECProgramChange::Copy(CObject* src) { return CopyAs(this, src); }

int ECProgramChange::GetEventId() const { return EventId::ProgramChange; }

int ECProgramChange::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::PatchEnv);
    return 1;
}

} // namespace clavenor
