#include "clavenor/elements/ECPedal.h"

#include "clavenor/elements/ECPerformance.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECPedal, ECControlChange, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECPedal, EventId::Pedal)

namespace {

constexpr float DefaultDuration = 4.0f;

} // namespace

ECPedal::ECPedal() : m_duration(DefaultDuration) {}

ECPedal::ECPedal(std::uint8_t type, const MCTime& duration) : m_duration(duration) {
    SetPedalType(type);
}

ECPedal::ECPedal(const ECPedal& other) : ECControlChange(other), m_duration(other.m_duration) {
    SetPedalType(other.GetPedalType());
}

ECPedal::~ECPedal() = default;

ECPedal& ECPedal::operator=(const ECPedal& other) {
    ECControlChange::operator=(other);
    SetPedalType(other.GetPedalType());
    return *this;
}

void ECPedal::Serialize(CArchive& ar) {
    ECControlChange::Serialize(ar);
    if (ar.IsStoring()) {
        ar << GetSubtype();
        m_duration.Serialize(ar, -1);
        return;
    }
    std::uint8_t byte = 0;
    ar >> byte;
    SetSubtype(byte);
    m_duration.Serialize(ar, ECPerformance::GetActiveVersion());
}

ECBase* ECPedal::Copy(CObject* src) { return CopyAs(this, src); }

int ECPedal::GetEventId() const { return EventId::Pedal; }

int ECPedal::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Envelope);
    types.Add(EventId::ControllerEnv);
    return 1;
}

void ECPedal::SetDuration(MCTime* duration) {
    if (duration != nullptr) {
        m_duration = *duration;
    }
}

void ECPedal::SetPedalType(std::uint8_t type) {
    SetSubtype(static_cast<std::uint8_t>((GetSubtype() & ~TypeMask) | (type & TypeMask)));
}

int ECPedal::HasDuration(int) { return 1; }

} // namespace clavenor
