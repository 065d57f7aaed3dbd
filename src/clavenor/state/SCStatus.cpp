#include "clavenor/state/SCStatus.h"

#include "clavenor/framework/StringTable.h"

#include <atomic>

namespace clavenor {

namespace {

std::atomic<int> s_actionCount{0};

} // namespace

SCStatus::SCStatus(int code) : SCBase(code) { ++s_actionCount; }

SCStatus::SCStatus(int code, const char* message) : SCBase(code), m_message(message) {
    ++s_actionCount;
}

SCStatus::SCStatus(int code, UINT messageId)
    : SCBase(code), m_message(StringTable::Load(messageId)) {
    ++s_actionCount;
}

SCStatus::SCStatus(const SCStatus& other)
    : SCBase(other), m_message(other.m_message), m_nLow(other.m_nLow), m_nHigh(other.m_nHigh),
      m_nStep(other.m_nStep) {
    ++s_actionCount;
}

SCStatus::~SCStatus() { --s_actionCount; }

void SCStatus::SetMessage(UINT messageId) { m_message = StringTable::Load(messageId); }

int SCStatus::GetActionCount() { return s_actionCount; }

} // namespace clavenor
