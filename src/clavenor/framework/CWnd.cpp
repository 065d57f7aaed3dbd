#include "clavenor/framework/CWnd.h"

#include "clavenor/framework/CMessageQueue.h"

#include <map>
#include <mutex>

namespace clavenor {

namespace {

// Handles of live CWnd objects. Only the owning thread delivers messages, but a window may
// be looked up from a window procedure while another thread creates one, so it is locked.
std::mutex s_mapMutex;
std::map<HWND, CWnd*>& Map() {
    static std::map<HWND, CWnd*> map;
    return map;
}

} // namespace

CWnd::CWnd() = default;

CWnd::~CWnd() { DestroyWindow(); }

bool CWnd::CreateHidden(const char* className) {
    if (m_hWnd != nullptr) {
        return false;
    }
    HWND window = CMessageQueue::CreateHiddenWindow(className, &CWnd::DispatchToObject);
    {
        std::lock_guard lock(s_mapMutex);
        Map()[window] = this;
    }
    m_hWnd = window;
    return true;
}

void CWnd::DestroyWindow() {
    if (m_hWnd == nullptr) {
        return;
    }
    CMessageQueue::DestroyWindow(m_hWnd);
    {
        std::lock_guard lock(s_mapMutex);
        Map().erase(m_hWnd);
    }
    m_hWnd = nullptr;
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapseMs) {
    return m_hWnd != nullptr ? CMessageQueue::SetTimer(m_hWnd, id, elapseMs) : 0;
}

bool CWnd::KillTimer(UINT_PTR id) {
    return m_hWnd != nullptr && CMessageQueue::KillTimer(m_hWnd, id);
}

void CWnd::SetFocus() { CMessageQueue::SetFocusWindow(m_hWnd); }

CWnd* CWnd::FromHandle(HWND window) {
    std::lock_guard lock(s_mapMutex);
    auto it = Map().find(window);
    return it != Map().end() ? it->second : nullptr;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) {
        OnTimer(static_cast<UINT_PTR>(wParam));
        return 0;
    }
    return CMessageQueue::DefWindowProc(m_hWnd, message, wParam, lParam);
}

void CWnd::OnTimer(UINT_PTR) {}

LRESULT CWnd::DispatchToObject(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = FromHandle(window);
    return wnd != nullptr ? wnd->WindowProc(message, wParam, lParam) : 0;
}

} // namespace clavenor
