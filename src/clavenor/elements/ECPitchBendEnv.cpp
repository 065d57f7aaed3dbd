#include "clavenor/elements/ECPitchBendEnv.h"

#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECPitchBendEnv, ECEnvelope, 2 | CRuntimeClass::VersionableSchema)

ECPitchBendEnv::ECPitchBendEnv() {
    SetLimits(0.0f, 16383.0f);
    SetDefaultValue(8192.0f);
}

ECPitchBendEnv::~ECPitchBendEnv() = default;

ECBase* ECPitchBendEnv::Copy(CObject* src) { return CopyAs(this, src); }

int ECPitchBendEnv::GetEventId() const { return EventId::PitchBendEnv; }

int ECPitchBendEnv::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Staff);
    return 1;
}

} // namespace clavenor
