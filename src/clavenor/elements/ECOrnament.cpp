#include "clavenor/elements/ECOrnament.h"

#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/strings/DisplayStrings.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECOrnament, ECWithChild, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECOrnament, EventId::Ornament)

namespace {

CString NameOrnament(ECBase* e) {
    return GetOrnamentString(static_cast<ECOrnament*>(e)->GetOrnamentType());
}

const EventSubtypeNamerRegistrar s_namer(EventId::Ornament, &NameOrnament);

} // namespace

ECOrnament::ECOrnament(std::uint8_t type) { SetSubtype(type); }

ECOrnament::ECOrnament(const ECOrnament& other) : ECWithChild(other) {
    SetSubtype(other.GetOrnamentType());
}

ECOrnament::~ECOrnament() = default;

ECOrnament& ECOrnament::operator=(const ECOrnament& other) {
    ECWithChild::operator=(other);
    SetSubtype(other.GetOrnamentType());
    return *this;
}

void ECOrnament::Serialize(CArchive& ar) {
    ECWithChild::Serialize(ar);
    if (ar.IsStoring()) {
        ar << GetSubtype();
        return;
    }
    std::uint8_t type = 0;
    ar >> type;
    SetSubtype(type);
}

ECBase* ECOrnament::Copy(CObject* src) { return CopyAs(this, src); }

int ECOrnament::GetEventId() const { return EventId::Ornament; }

int ECOrnament::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Note);
    return 1;
}

} // namespace clavenor
