#include "clavenor/elements/ECAccidental.h"

#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/strings/DisplayStrings.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECAccidental, ECBase, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECAccidental, EventId::Accidental)

namespace {

CString NameAccidental(ECBase* e) {
    return GetAccidentalString(static_cast<ECAccidental*>(e)->GetAccidentalType());
}

const EventSubtypeNamerRegistrar s_namer(EventId::Accidental, &NameAccidental);

} // namespace

ECAccidental::ECAccidental(std::uint8_t type) { SetSubtype(type); }

ECAccidental::ECAccidental(const ECAccidental& other) : ECBase(other) {
    SetSubtype(other.GetAccidentalType());
}

ECAccidental::~ECAccidental() = default;

ECAccidental& ECAccidental::operator=(const ECAccidental& other) {
    ECBase::operator=(other);
    SetSubtype(other.GetAccidentalType());
    return *this;
}

void ECAccidental::Serialize(CArchive& ar) {
    ECBase::Serialize(ar);
    if (ar.IsStoring()) {
        ar << GetSubtype();
        return;
    }
    std::uint8_t type = 0;
    ar >> type;
    SetSubtype(type);
}

ECBase* ECAccidental::Copy(CObject* src) { return CopyAs(this, src); }

int ECAccidental::GetEventId() const { return EventId::Accidental; }

int ECAccidental::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Note);
    types.Add(EventId::GraceNote);
    return 1;
}

} // namespace clavenor
