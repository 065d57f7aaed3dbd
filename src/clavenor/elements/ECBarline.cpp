#include "clavenor/elements/ECBarline.h"

#include "clavenor/elements/ECPerformance.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECBarline, ECBase, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECBarline, EventId::Barline)

ECBarline::ECBarline(const ECBarline& other) : ECBase(other) { SetSubtype(other.GetSubtype()); }

ECBarline::~ECBarline() = default;

ECBarline& ECBarline::operator=(const ECBarline& other) {
    ECBase::operator=(other);
    SetBarlineType(other.GetBarlineType());
    SetBarlinePos(other.GetBarlinePos());
    return *this;
}

void ECBarline::Serialize(CArchive& ar) {
    ECBase::Serialize(ar);
    if (ar.IsStoring()) {
        ar << GetSubtype();
        return;
    }
    std::uint8_t byte = 0;
    ar >> byte;
    if (ECPerformance::GetActiveVersion() >= 3) {
        SetSubtype(byte);
        return;
    }
    std::uint8_t pos = 0;
    ar >> pos;
    SetSubtype(0);
    SetBarlineType(byte);
    SetBarlinePos(pos);
}

ECBase* ECBarline::Copy(CObject* src) { return CopyAs(this, src); }

int ECBarline::GetEventId() const { return EventId::Barline; }

int ECBarline::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::ConductorMeasure);
    return 1;
}

void ECBarline::SetBarlineType(std::uint8_t type) {
    SetSubtype(static_cast<std::uint8_t>((GetSubtype() & ~kTypeMask) | (type & kTypeMask)));
}

void ECBarline::SetBarlinePos(std::uint8_t pos) {
    SetSubtype(static_cast<std::uint8_t>((GetSubtype() & kTypeMask) | ((pos & 3) << kPosShift)));
}

} // namespace clavenor
