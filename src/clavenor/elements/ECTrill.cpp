#include "clavenor/elements/ECTrill.h"

#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECTrill, ECWithTimeChild, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECTrill, EventId::Trill)

ECTrill::ECTrill(std::uint8_t type) { SetSubtype(type); }

ECTrill::ECTrill(const ECTrill& other) : ECWithTimeChild(other) {
    SetSubtype(other.GetTrillType());
}

ECTrill::~ECTrill() = default;

ECTrill& ECTrill::operator=(const ECTrill& other) {
    ECWithTimeChild::operator=(other);
    SetSubtype(other.GetTrillType());
    return *this;
}

void ECTrill::Serialize(CArchive& ar) {
    ECWithTimeChild::Serialize(ar);
    if (ar.IsStoring()) {
        ar << GetSubtype();
        return;
    }
    std::uint8_t type = 0;
    ar >> type;
    SetSubtype(type);
}

ECBase* ECTrill::Copy(CObject* src) { return CopyAs(this, src); }

int ECTrill::GetEventId() const { return EventId::Trill; }

int ECTrill::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Note);
    types.Add(EventId::Chord);
    return 1;
}

} // namespace clavenor
