#include "clavenor/elements/ECRepeat.h"

#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/strings/DisplayStrings.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECRepeat, ECWithTimeChild, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECRepeat, EventId::Repeat)

namespace {

CString NameRepeat(ECBase* e) {
    return GetRepeatString(static_cast<ECRepeat*>(e)->GetRepeatType());
}

const EventSubtypeNamerRegistrar s_namer(EventId::Repeat, &NameRepeat);

} // namespace

ECRepeat::ECRepeat(std::uint8_t type) { SetSubtype(type); }

ECRepeat::ECRepeat(const ECRepeat& other) : ECWithTimeChild(other) {
    SetSubtype(other.GetSubtype());
}

ECRepeat::~ECRepeat() = default;

ECRepeat& ECRepeat::operator=(const ECRepeat& other) {
    ECWithTimeChild::operator=(other);
    SetSubtype(other.GetRepeatType());
    return *this;
}

void ECRepeat::Serialize(CArchive& ar) {
    ECWithTimeChild::Serialize(ar);
    if (ar.IsStoring()) {
        ar << GetSubtype();
        return;
    }
    std::uint8_t type = 0;
    ar >> type;
    SetSubtype(type);
}

ECBase* ECRepeat::Copy(CObject* src) { return CopyAs(this, src); }

int ECRepeat::GetEventId() const { return EventId::Repeat; }

int ECRepeat::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Measure);
    return 1;
}

} // namespace clavenor
