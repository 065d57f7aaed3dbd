#include "clavenor/elements/ECTranspose.h"

#include "clavenor/elements/ECPerformance.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECTranspose, ECEnvPoint, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECTranspose, EventId::Transpose)

namespace {

constexpr float kMeasureOfFourFour = 4.0f;

} // namespace

ECTranspose::ECTranspose() : m_duration(kMeasureOfFourFour) {}

ECTranspose::ECTranspose(std::uint8_t type, const MCTime& duration) : m_duration(duration) {
    SetSubtype(type);
}

ECTranspose::ECTranspose(const ECTranspose& other)
    : ECEnvPoint(other), m_duration(other.m_duration) {
    SetSubtype(other.GetTransposeType());
}

ECTranspose::~ECTranspose() = default;

ECTranspose& ECTranspose::operator=(const ECTranspose& other) {
    ECEnvPoint::operator=(other);
    SetSubtype(other.GetTransposeType());
    return *this;
}

void ECTranspose::Serialize(CArchive& ar) {
    ECEnvPoint::Serialize(ar);
    if (ar.IsStoring()) {
        ar << GetSubtype();
        m_duration.Serialize(ar, -1);
        return;
    }
    std::uint8_t type = 0;
    ar >> type;
    SetSubtype(type);
    m_duration.Serialize(ar, ECPerformance::GetActiveVersion());
}

ECBase* ECTranspose::Copy(CObject* src) { return CopyAs(this, src); }

int ECTranspose::GetEventId() const { return EventId::Transpose; }

int ECTranspose::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Envelope);
    types.Add(EventId::ControllerEnv);
    return 1;
}

void ECTranspose::SetDuration(MCTime* duration) {
    if (duration != nullptr) {
        m_duration = *duration;
    }
}

int ECTranspose::HasDuration(std::uint8_t) { return 1; }

} // namespace clavenor
