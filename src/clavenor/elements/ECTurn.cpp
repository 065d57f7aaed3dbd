#include "clavenor/elements/ECTurn.h"

#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECTurn, ECWithChild, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECTurn, EventId::Turn)

ECTurn::ECTurn(std::uint8_t type) { SetSubtype(type); }

ECTurn::ECTurn(const ECTurn& other) : ECWithChild(other) { SetSubtype(other.GetTurnType()); }

ECTurn::~ECTurn() = default;

ECTurn& ECTurn::operator=(const ECTurn& other) {
    ECWithChild::operator=(other);
    SetSubtype(other.GetTurnType());
    return *this;
}

void ECTurn::Serialize(CArchive& ar) {
    ECWithChild::Serialize(ar);
    if (ar.IsStoring()) {
        ar << GetSubtype();
        return;
    }
    std::uint8_t type = 0;
    ar >> type;
    SetSubtype(type);
}

ECBase* ECTurn::Copy(CObject* src) { return CopyAs(this, src); }

int ECTurn::GetEventId() const { return EventId::Turn; }

int ECTurn::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Note);
    types.Add(EventId::Chord);
    return 1;
}

} // namespace clavenor
