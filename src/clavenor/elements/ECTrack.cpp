#include "clavenor/elements/ECTrack.h"

#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECTrack, ECWithTimeChild, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECTrack, EventId::Track)

ECTrack::ECTrack() {
    m_time = MCTime::TimeZero();
    m_voiceTrack = MCVoiceTrack(14, 2047);
}

ECTrack::~ECTrack() = default;

ECTrack& ECTrack::operator=(const ECTrack& other) {
    ECWithTimeChild::operator=(other);
    m_time = other.m_time;
    return *this;
}

ECBase* ECTrack::Copy(CObject* src) { return CopyAs(this, src); }

int ECTrack::GetEventId() const { return EventId::Track; }

int ECTrack::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Conductor);
    return 1;
}

} // namespace clavenor
