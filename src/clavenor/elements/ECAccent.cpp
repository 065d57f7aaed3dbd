#include "clavenor/elements/ECAccent.h"

#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/strings/DisplayStrings.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECAccent, ECBase, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECAccent, EventId::Accent)

namespace {

CString NameAccent(ECBase* e) {
    return GetAccentString(static_cast<ECAccent*>(e)->GetAccentType());
}

const EventSubtypeNamerRegistrar s_namer(EventId::Accent, &NameAccent);

} // namespace

ECAccent::ECAccent(std::uint8_t type) { SetSubtype(type); }

ECAccent::ECAccent(const ECAccent& other) : ECBase(other) { SetSubtype(other.GetAccentType()); }

ECAccent::~ECAccent() = default;

ECAccent& ECAccent::operator=(const ECAccent& other) {
    ECBase::operator=(other);
    SetSubtype(other.GetAccentType());
    return *this;
}

void ECAccent::Serialize(CArchive& ar) {
    ECBase::Serialize(ar);
    if (ar.IsStoring()) {
        ar << GetSubtype();
        return;
    }
    std::uint8_t type = 0;
    ar >> type;
    SetSubtype(type);
}

ECBase* ECAccent::Copy(CObject* src) { return CopyAs(this, src); }

int ECAccent::GetEventId() const { return EventId::Accent; }

int ECAccent::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Note);
    types.Add(EventId::Chord);
    types.Add(EventId::GraceNote);
    return 1;
}

} // namespace clavenor
