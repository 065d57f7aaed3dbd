#include "clavenor/model/ECWithTime.h"

#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECWithTime, ECBase, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECWithTime, EventId::WithTime)

ECWithTime::~ECWithTime() = default;

void ECWithTime::Serialize(CArchive& ar) { SerializeTimed(ar); }

ECBase* ECWithTime::Copy(CObject* src) { return CopyAs(this, src); }

int ECWithTime::GetEventId() const { return EventId::WithTime; }

} // namespace clavenor
