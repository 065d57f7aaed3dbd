#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/framework/WindowTypes.h"

namespace clavenor {

/// A hidden window as an object: it receives messages and timers on the owning thread of
/// the message queue (see CMessageQueue) through its virtual WindowProc. The library's
/// command timer is one; a host may derive its own.
///
/// The window exists from CreateHidden() until DestroyWindow() or the destructor. Create,
/// destroy and use a CWnd on the owning thread.
class CLAVENOR_API CWnd {
public:
    CWnd();
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    /// Creates the window; false when it already exists.
    bool CreateHidden(const char* className);
    /// Destroys the window and its timers (queued messages for it are dropped); nothing
    /// happens without a window. The object stays and may create a window again.
    void DestroyWindow();

    /// The window's handle, or null when there is no window (safe to call then).
    HWND GetSafeHwnd() const { return m_hWnd; }

    /// Starts a one-shot timer (see CMessageQueue::SetTimer); returns `id`, or 0 without a
    /// window.
    [[nodiscard]] UINT_PTR SetTimer(UINT_PTR id, UINT elapseMs);
    /// Stops timer `id` of this window; false when there is no window or no such timer.
    bool KillTimer(UINT_PTR id);

    /// Makes this window the one that has the input focus.
    void SetFocus();

    /// The CWnd that owns `window`, or null.
    static CWnd* FromHandle(HWND window);

protected:
    /// Dispatches WM_TIMER to OnTimer; everything else to DefWindowProc.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    /// A timer of this window fired (WM_TIMER); the base does nothing.
    virtual void OnTimer(UINT_PTR id);

private:
    static LRESULT DispatchToObject(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
};

} // namespace clavenor
