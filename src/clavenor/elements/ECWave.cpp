#include "clavenor/elements/ECWave.h"

#include "clavenor/elements/ECPerformance.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECWave, ECWithTimeChild, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECWave, EventId::Wave)

ECWave::ECWave() { m_time = MCTime::TimeZero(); }

ECWave::ECWave(const CString& fileName) : ECWave(MCTime::TimeZero(), fileName) {}

ECWave::ECWave(const MCTime& time, const CString& fileName) : m_fileName(fileName) {
    m_time = time;
}

ECWave::ECWave(const ECWave& other)
    : ECWithTimeChild(other), m_fileName(other.m_fileName), m_duration(other.m_duration) {}

ECWave::~ECWave() = default;

ECWave& ECWave::operator=(const ECWave& other) {
    ECWithTimeChild::operator=(other);
    m_fileName = other.m_fileName;
    return *this;
}

void ECWave::Serialize(CArchive& ar) {
    ECWithTimeChild::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_fileName;
        m_duration.Serialize(ar, -1);
        return;
    }
    ar >> m_fileName;
    m_duration.Serialize(ar, ECPerformance::GetActiveVersion());
}

ECBase* ECWave::Copy(CObject* src) { return CopyAs(this, src); }

int ECWave::GetEventId() const { return EventId::Wave; }

int ECWave::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::WaveTrack);
    return 1;
}

void ECWave::SetDuration(MCTime* duration) {
    if (duration != nullptr) {
        m_duration = *duration;
    }
}

} // namespace clavenor
