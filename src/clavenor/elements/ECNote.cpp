#include "clavenor/elements/ECNote.h"

#include "clavenor/elements/ECPerformance.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECNote, ECWithTimeChild, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECNote, EventId::Note)

ECNote::DurationFunc ECNote::s_pDurFunc = nullptr;
ECNote::DurationFunc ECNote::s_pDurFuncInverse = nullptr;
void* ECNote::s_pDurFuncData = nullptr;

ECNote::ECNote() : m_duration(1.0f) { m_time = MCTime::TimeZero(); }

ECNote::ECNote(const MCTime& time, const MCTime& duration) : m_duration(duration) { m_time = time; }

ECNote::~ECNote() = default;

ECNote& ECNote::operator=(const ECNote& other) {
    if (this != &other) {
        ECWithTimeChild::operator=(other);
    }
    return *this;
}

void ECNote::Serialize(CArchive& ar) {
    ECWithTimeChild::Serialize(ar);
    m_duration.Serialize(ar, ar.IsStoring() ? -1 : ECPerformance::GetActiveVersion());
}

ECBase* ECNote::Copy(CObject* src) { return CopyAs(this, src); }

int ECNote::GetEventId() const { return EventId::Note; }

int ECNote::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Measure);
    types.Add(EventId::Chord);
    types.Add(EventId::Beam);
    types.Add(EventId::Tuplet);
    return 1;
}

void ECNote::SetDuration(MCTime* duration) {
    if (duration != nullptr) {
        m_duration = *duration;
    }
}

void ECNote::SetDurationFuncs(DurationFunc func, DurationFunc inverse, void* data) {
    s_pDurFunc = func;
    s_pDurFuncInverse = inverse;
    s_pDurFuncData = data;
}

MCTime ECNote::ScaleDuration(const MCTime* duration, int inverse) {
    if (duration == nullptr) {
        return MCTime::TimeNull();
    }
    MCTime copy(*duration);
    DurationFunc hook = inverse != 0 ? s_pDurFuncInverse : s_pDurFunc;
    if (hook == nullptr) {
        return copy;
    }
    return hook(&copy, s_pDurFuncData);
}

} // namespace clavenor
