#include "clavenor/framework/detail/CHandOverWindow.h"

#include "clavenor/framework/CMessageQueue.h"

namespace clavenor {

void CHandOverWindow::Initialize(WNDPROC procedure) {
    if (m_hWnd == nullptr) {
        m_hWnd = CMessageQueue::CreateHiddenWindow(m_className, procedure);
    }
}

bool CHandOverWindow::HandOver(WPARAM kind, const void* payload, bool synchronous,
                               const void* document) const {
    if (m_hWnd == nullptr) {
        return false;
    }
    const UINT message = CMessageQueue::IsOwnerThread() ? m_nMessage : m_nRelayMessage;
    const auto lParam = reinterpret_cast<LPARAM>(payload);
    if (synchronous) {
        CMessageQueue::SendMessage(m_hWnd, message, kind, lParam, document);
        return true;
    }
    return CMessageQueue::PostMessage(m_hWnd, message, kind, lParam, document);
}

LRESULT CHandOverWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const {
    if (message == m_nMessage) {
        m_pfnRun(wParam, lParam);
        return 0;
    }
    if (message == m_nRelayMessage) {
        m_pfnRedispatch(wParam, lParam);
        return 0;
    }
    return CMessageQueue::DefWindowProc(window, message, wParam, lParam);
}

} // namespace clavenor
