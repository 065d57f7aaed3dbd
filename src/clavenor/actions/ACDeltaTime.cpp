#include "clavenor/actions/ACDeltaTime.h"

#include "clavenor/actions/ACFindTime.h"
#include "clavenor/model/ECBase.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

namespace {

// Kinds that stay at the start of the piece when material before them moves.
constexpr int AnchoredAtZero[] = {
    EventId::BankLSB,     EventId::BankMSB,       EventId::Clef,  EventId::ConductorStaff,
    EventId::EnvPoint,    EventId::FlowControl,   EventId::Key,   EventId::Meter,
    EventId::Performance, EventId::ProgramChange, EventId::Staff, EventId::Tempo,
    EventId::Text,
};

bool IsAnchoredKind(int id) {
    for (int kind : AnchoredAtZero) {
        if (kind == id) {
            return true;
        }
    }
    return false;
}

} // namespace

ACDeltaTime::ACDeltaTime()
    : m_delta(MCTime::TimeZero()), m_start(MCTime::TimeZero()), m_end(MCTime::TimeMax()),
      m_nMode(ACFindTime::StartOnly) {}

ACDeltaTime::ACDeltaTime(const MCTime& delta, const MCTime& start, const MCTime& end, int mode)
    : m_delta(delta), m_start(start), m_end(end), m_nMode(mode) {}

void ACDeltaTime::SetTimeDelta(const MCTime& delta) { m_delta = delta; }

void ACDeltaTime::SetTimeRange(const MCTime& start, const MCTime& end, int mode) {
    m_start = start;
    m_end = end;
    m_nMode = mode;
}

int ACDeltaTime::DoAction(ECBase* element) {
    MCTime* time = element->GetTime();
    if (time == nullptr) {
        return ResultContinue;
    }
    if (*time > m_end) {
        return ResultSkipSiblings;
    }
    if (*time == MCTime::TimeZero() && IsAnchoredKind(element->GetEventId())) {
        return ResultContinue;
    }
    if (!ACFindTime::IsInRange(*time, m_start, m_end, m_nMode)) {
        return ResultContinue;
    }
    float sum = 0.0f;
    if (time->GetMode() != MCTime::ModeBarPulseTick &&
        m_delta.GetMode() != MCTime::ModeBarPulseTick) {
        sum = time->GetSeconds() + m_delta.GetSeconds();
    }
    MCTime moved(sum);
    if (moved < MCTime::TimeZero()) {
        moved = MCTime::TimeZero();
    }
    element->SetTime(&moved);
    return ResultContinue;
}

} // namespace clavenor
