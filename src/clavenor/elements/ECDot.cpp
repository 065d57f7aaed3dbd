#include "clavenor/elements/ECDot.h"

#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/strings/DisplayStrings.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECDot, ECBase, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECDot, EventId::Dot)

namespace {

CString NameDot(ECBase* e) { return GetDotString(static_cast<ECDot*>(e)->GetDotType()); }

const EventSubtypeNamerRegistrar s_namer(EventId::Dot, &NameDot);

} // namespace

ECDot::ECDot(std::uint8_t type) { SetSubtype(type); }

ECDot::ECDot(const ECDot& other) : ECBase(other) { SetSubtype(other.GetDotType()); }

ECDot::~ECDot() = default;

ECDot& ECDot::operator=(const ECDot& other) {
    ECBase::operator=(other);
    SetSubtype(other.GetDotType());
    return *this;
}

void ECDot::Serialize(CArchive& ar) {
    ECBase::Serialize(ar);
    if (ar.IsStoring()) {
        ar << GetSubtype();
        return;
    }
    std::uint8_t type = 0;
    ar >> type;
    SetSubtype(type);
}

ECBase* ECDot::Copy(CObject* src) { return CopyAs(this, src); }

int ECDot::GetEventId() const { return EventId::Dot; }

int ECDot::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Note);
    types.Add(EventId::Chord);
    types.Add(EventId::Rest);
    return 1;
}

} // namespace clavenor
