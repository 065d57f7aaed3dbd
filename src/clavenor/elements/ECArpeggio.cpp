#include "clavenor/elements/ECArpeggio.h"

#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECArpeggio, ECWithChild, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECArpeggio, EventId::Arpeggio)

ECArpeggio::ECArpeggio(std::uint8_t type) { SetSubtype(type); }

ECArpeggio::ECArpeggio(const ECArpeggio& other) : ECWithChild(other) {
    SetSubtype(other.GetArpeggioType());
}

ECArpeggio::~ECArpeggio() = default;

ECArpeggio& ECArpeggio::operator=(const ECArpeggio& other) {
    ECWithChild::operator=(other);
    SetSubtype(other.GetArpeggioType());
    return *this;
}

void ECArpeggio::Serialize(CArchive& ar) {
    ECWithChild::Serialize(ar);
    if (ar.IsStoring()) {
        ar << GetSubtype();
        return;
    }
    std::uint8_t type = 0;
    ar >> type;
    SetSubtype(type);
}

ECBase* ECArpeggio::Copy(CObject* src) { return CopyAs(this, src); }

int ECArpeggio::GetEventId() const { return EventId::Arpeggio; }

int ECArpeggio::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Chord);
    return 1;
}

} // namespace clavenor
