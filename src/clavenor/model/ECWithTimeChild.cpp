#include "clavenor/model/ECWithTimeChild.h"

#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECWithTimeChild, ECWithChild, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECWithTimeChild, EventId::WithTimeChild)

ECWithTimeChild::~ECWithTimeChild() = default;

void ECWithTimeChild::Serialize(CArchive& ar) { SerializeTimed(ar); }

ECBase* ECWithTimeChild::Copy(CObject* src) { return CopyAs(this, src); }

int ECWithTimeChild::GetEventId() const { return EventId::WithTimeChild; }

} // namespace clavenor
