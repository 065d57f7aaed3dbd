#include "clavenor/model/ECWithTimeChild.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECWithTimeChild, ECWithChild, 2 | CRuntimeClass::VersionableSchema)

ECWithTimeChild::~ECWithTimeChild() = default;

void ECWithTimeChild::Serialize(CArchive& ar) { SerializeTimed(ar); }

ECBase* ECWithTimeChild::Copy(CObject* src) { return CopyAs(this, src); }

int ECWithTimeChild::GetEventId() const { return 74; }

} // namespace clavenor
