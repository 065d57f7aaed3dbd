#include "clavenor/elements/ECTremolo.h"

#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECTremolo, ECWithTimeChild, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECTremolo, EventId::Tremolo)

ECTremolo::ECTremolo(std::uint8_t type) { SetSubtype(type); }

ECTremolo::ECTremolo(const ECTremolo& other) : ECWithTimeChild(other) {
    SetSubtype(other.GetTremoloType());
}

ECTremolo::~ECTremolo() = default;

ECTremolo& ECTremolo::operator=(const ECTremolo& other) {
    ECWithTimeChild::operator=(other);
    SetSubtype(other.GetTremoloType());
    return *this;
}

void ECTremolo::Serialize(CArchive& ar) {
    ECWithTimeChild::Serialize(ar);
    if (ar.IsStoring()) {
        ar << GetSubtype();
        return;
    }
    std::uint8_t type = 0;
    ar >> type;
    SetSubtype(type);
}

ECBase* ECTremolo::Copy(CObject* src) { return CopyAs(this, src); }

int ECTremolo::GetEventId() const { return EventId::Tremolo; }

int ECTremolo::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Note);
    types.Add(EventId::Chord);
    return 1;
}

} // namespace clavenor
