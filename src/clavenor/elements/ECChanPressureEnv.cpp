#include "clavenor/elements/ECChanPressureEnv.h"

#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECChanPressureEnv, ECEnvelope, 2 | CRuntimeClass::VersionableSchema)

ECChanPressureEnv::ECChanPressureEnv() { SetLimits(0.0f, 127.0f); }

ECChanPressureEnv::~ECChanPressureEnv() = default;

ECBase* ECChanPressureEnv::Copy(CObject* src) { return CopyAs(this, src); }

int ECChanPressureEnv::GetEventId() const { return EventId::ChanPressureEnv; }

int ECChanPressureEnv::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Staff);
    return 1;
}

} // namespace clavenor
