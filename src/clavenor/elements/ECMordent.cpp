#include "clavenor/elements/ECMordent.h"

#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/strings/DisplayStrings.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECMordent, ECWithChild, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECMordent, EventId::Mordent)

namespace {

CString NameMordent(ECBase* e) {
    return GetMordentString(static_cast<ECMordent*>(e)->GetMordentType());
}

const EventSubtypeNamerRegistrar s_namer(EventId::Mordent, &NameMordent);

} // namespace

ECMordent::ECMordent(std::uint8_t type) { SetSubtype(type); }

ECMordent::ECMordent(const ECMordent& other) : ECWithChild(other) {
    SetSubtype(other.GetMordentType());
}

ECMordent::~ECMordent() = default;

ECMordent& ECMordent::operator=(const ECMordent& other) {
    ECWithChild::operator=(other);
    SetSubtype(other.GetMordentType());
    return *this;
}

void ECMordent::Serialize(CArchive& ar) {
    ECWithChild::Serialize(ar);
    if (ar.IsStoring()) {
        ar << GetSubtype();
        return;
    }
    std::uint8_t type = 0;
    ar >> type;
    SetSubtype(type);
}

ECBase* ECMordent::Copy(CObject* src) { return CopyAs(this, src); }

int ECMordent::GetEventId() const { return EventId::Mordent; }

int ECMordent::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Note);
    types.Add(EventId::Chord);
    return 1;
}

} // namespace clavenor
