#include "clavenor/elements/ECChannelMode.h"

#include "clavenor/elements/ECPerformance.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECChannelMode, ECControlChange, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECChannelMode, EventId::ChannelMode)

namespace {

constexpr std::uint8_t ModeTypes = 9;

} // namespace

ECChannelMode::~ECChannelMode() = default;

void ECChannelMode::Serialize(CArchive& ar) {
    if (ar.IsLoading() && ECPerformance::GetActiveVersion() < 4) {
        ECWithTime::Serialize(ar);
        return;
    }
    ECControlChange::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_nModeType;
        return;
    }
    std::uint8_t type = 0;
    ar >> type;
    m_nModeType = DefaultModeType;
    SetChannelModeType(type);
}

ECBase* ECChannelMode::Copy(CObject* src) { return CopyAs(this, src); }

int ECChannelMode::GetEventId() const { return EventId::ChannelMode; }

int ECChannelMode::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Staff);
    return 1;
}

void ECChannelMode::SetChannelModeType(std::uint8_t type) {
    if (type < ModeTypes) {
        m_nModeType = type;
    }
}

} // namespace clavenor
