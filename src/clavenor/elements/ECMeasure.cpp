#include "clavenor/elements/ECMeasure.h"

#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECMeasure, ECWithTimeChild, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECMeasure, EventId::Measure)

ECMeasure::ECMeasure() { m_voiceTrack = MCVoiceTrack(14, 2047); }

ECMeasure::~ECMeasure() = default;

ECBase* ECMeasure::Copy(CObject* src) { return CopyAs(this, src); }

int ECMeasure::GetEventId() const { return EventId::Measure; }

int ECMeasure::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Staff);
    return 1;
}

} // namespace clavenor
