#include "clavenor/state/SCMode.h"

namespace clavenor {

namespace {

int s_nMode = SCMode::FirstMode;
int s_eventType = -1;
SCMode::EventFunc s_pEventFunc = nullptr;
void* s_pEventFuncData = nullptr;

} // namespace

void SCMode::DoState() {
    const int code = GetCode();
    if (code >= FirstMode && code <= LastMode) {
        s_nMode = code;
    }
}

int SCMode::GetMode() { return s_nMode; }

void SCMode::SetMode(int mode) { s_nMode = mode; }

int SCMode::GetEventType() { return s_eventType; }

void SCMode::SetEventType(int eventType) { s_eventType = eventType; }

void SCMode::SetEventFunc(EventFunc function, void* data) {
    s_pEventFunc = function;
    s_pEventFuncData = data;
}

ECBase* SCMode::GetEvent() {
    if (s_nMode != EventMode || s_pEventFunc == nullptr) {
        return nullptr;
    }
    return s_pEventFunc(s_pEventFuncData);
}

} // namespace clavenor
