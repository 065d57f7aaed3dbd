#include "clavenor/actions/ACFindTime.h"

#include "clavenor/model/ECBase.h"

namespace clavenor {

ACFindTime::ACFindTime(const MCTime& start, const MCTime& end, int mode)
    : ACFindEvents(1), m_start(start), m_end(end), m_nMode(mode) {}

void ACFindTime::SetTimeRange(const MCTime& start, const MCTime& end, int mode) {
    m_start = start;
    m_end = end;
    m_nMode = mode;
}

bool ACFindTime::IsInRange(const MCTime& t, const MCTime& start, const MCTime& end, int mode) {
    switch (mode) {
    case BothEnds:
        return start <= t && t <= end;
    case NeitherEnd:
        return start < t && t < end;
    case EndOnly:
        return start < t && t <= end;
    case StartOnly:
        return start <= t && t < end;
    default:
        return false;
    }
}

int ACFindTime::DoAction(ECBase* element) {
    MCTime* time = element->GetTime();
    if (time == nullptr) {
        return ResultContinue;
    }
    if (*time > m_end) {
        return ResultSkipSiblings;
    }
    if (IsInRange(*time, m_start, m_end, m_nMode) && PassesTypeFilter(element) &&
        !AddFound(element)) {
        return ResultAbort;
    }
    return ResultContinue;
}

} // namespace clavenor
