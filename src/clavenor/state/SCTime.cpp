#include "clavenor/state/SCTime.h"

#include <atomic>

namespace clavenor {

namespace {

std::atomic<int> s_actionCount{0};

} // namespace

SCTime::SCTime() : m_time(MCTime::TimeNull()) { ++s_actionCount; }

SCTime::SCTime(int code, const MCTime& time) : SCBase(code), m_time(time) { ++s_actionCount; }

SCTime::SCTime(int code, int leadInPulse, int leadInMeasure)
    : SCBase(code), m_time(MCTime::TimeNull()), m_nLeadInPulse(leadInPulse),
      m_nLeadInMeasure(leadInMeasure) {
    ++s_actionCount;
}

SCTime::SCTime(const SCTime& other)
    : SCBase(other), m_time(other.m_time), m_nLeadInPulse(other.m_nLeadInPulse),
      m_nLeadInMeasure(other.m_nLeadInMeasure) {
    ++s_actionCount;
}

SCTime::~SCTime() { --s_actionCount; }

int SCTime::GetActionCount() { return s_actionCount; }

} // namespace clavenor
