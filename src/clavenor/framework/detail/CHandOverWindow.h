#pragma once

#include "clavenor/framework/WindowTypes.h"

namespace clavenor {

/// The hidden window through which one of the library's managers (the command manager, the
/// state manager) hands work to the owning thread, written once for both.
///
/// Work travels as a payload (a command, a command list, a change record) in one of two
/// messages. On the owning thread the manager sends or posts the work message, which the
/// window gives to `run`. From any other thread it sends or posts the relay message
/// instead, which the window gives to `redispatch`: that makes the manager's dispatch again,
/// now on the owning thread, where it can take hold of the document. A synchronous hand-over
/// is sent (the caller waits for it, and gets what it throws); an asynchronous one is posted
/// and queued under its document, so that the document can run what waits for it before it
/// goes (CMessageQueue::PumpMessagesFor).
///
/// The window is created once per process, on the thread that first initialises it, and
/// lives until the process ends. One object per manager, a process-wide value.
class CHandOverWindow {
public:
    /// What the owning thread does with a payload (the message's wParam and lParam).
    using Receiver = void (*)(WPARAM kind, LPARAM payload);

    constexpr CHandOverWindow(const char* className, UINT message, UINT relayMessage, Receiver run,
                              Receiver redispatch)
        : m_className(className), m_nMessage(message), m_nRelayMessage(relayMessage), m_pfnRun(run),
          m_pfnRedispatch(redispatch) {}
    CHandOverWindow(const CHandOverWindow&) = delete;
    CHandOverWindow& operator=(const CHandOverWindow&) = delete;

    /// Creates the window with `procedure` (which passes its messages to Procedure) unless
    /// it exists; the first window of the process makes the calling thread the owning one.
    void Initialize(WNDPROC procedure);
    bool IsInitialized() const { return m_hWnd != nullptr; }
    HWND GetWindow() const { return m_hWnd; }

    /// Hands `payload` over as the work message (on the owning thread) or as the relay (on
    /// any other), sent when `synchronous` and otherwise posted under `document`. Returns
    /// false, with nothing queued, when there is no window; allocation failure throws with
    /// nothing queued. A sent message has run when this returns; its exception goes on.
    bool HandOver(WPARAM kind, const void* payload, bool synchronous, const void* document) const;

    /// The window procedure's work: the work message to `run`, the relay to `redispatch`,
    /// anything else to the default handling.
    LRESULT Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const;

private:
    const char* m_className;
    UINT m_nMessage;
    UINT m_nRelayMessage;
    Receiver m_pfnRun;
    Receiver m_pfnRedispatch;
    HWND m_hWnd = nullptr;
};

} // namespace clavenor
