#include "clavenor/elements/ECSystemMessage.h"

#include "clavenor/elements/ECPerformance.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECSystemMessage, ECWithTime, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECSystemMessage, EventId::SystemMessage)

ECSystemMessage::ECSystemMessage(const ECSystemMessage& other)
    : ECWithTime(other), m_name(other.m_name) {}

ECSystemMessage::~ECSystemMessage() = default;

ECSystemMessage& ECSystemMessage::operator=(const ECSystemMessage& other) {
    ECWithTime::operator=(other);
    m_name = other.m_name;
    return *this;
}

void ECSystemMessage::Serialize(CArchive& ar) {
    ECWithTime::Serialize(ar);
    if (ar.IsStoring()) {
        ar << GetMessageType() << m_name;
        return;
    }
    std::uint8_t type = 0;
    ar >> type;
    SetMessageType(type);
    if (ECPerformance::GetActiveVersion() >= 3) {
        ar >> m_name;
    }
}

ECBase* ECSystemMessage::Copy(CObject* src) { return CopyAs(this, src); }

int ECSystemMessage::GetEventId() const { return EventId::SystemMessage; }

int ECSystemMessage::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::ConductorStaff);
    return 1;
}

} // namespace clavenor
