#include "clavenor/elements/ECChannelPressure.h"

#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECChannelPressure, ECEnvPoint, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECChannelPressure, EventId::ChannelPressure)

ECChannelPressure::~ECChannelPressure() = default;

ECBase* ECChannelPressure::Copy(CObject* src) { return CopyAs(this, src); }

int ECChannelPressure::GetEventId() const { return EventId::ChannelPressure; }

int ECChannelPressure::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::ChanPressureEnv);
    return 1;
}

} // namespace clavenor
