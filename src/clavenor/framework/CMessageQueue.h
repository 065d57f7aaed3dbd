#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/framework/WindowTypes.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <utility>

namespace clavenor {

/// The process-wide message queue that stands in for the platform's hidden windows, sent and
/// posted messages and timers. The library runs every command and every change record on
/// one thread through it, so that a document is only ever changed from that thread.
///
/// The owning thread is the thread that creates the first window; in practice the thread
/// that constructs the first performance. It stays the owner for the life of the process.
///
/// The host's contract:
///  - Call PumpMessages() (or WaitAndPumpMessages()) regularly from the owning thread, for
///    instance from its event loop or idle processing. Posted messages, messages sent from
///    other threads and due timers run only there, in the order they arrived.
///  - A message sent from the owning thread runs at once, inside SendMessage. A message sent
///    from another thread blocks that thread until the owning thread has run it; if the
///    owning thread never pumps (or waits for that other thread), the sender waits forever.
///  - The owning thread must outlive every use of the library from other threads.
///
/// Window procedures and timer handlers may send, post, create and destroy windows and set
/// timers, and may pump again; messages that arrive while a pump is running wait for the
/// next pump.
///
/// The rule for other threads: documents, their elements, commands and change records belong
/// to the owning thread. Another thread touches none of them. It hands work to the owning
/// thread as a function, with RunOnOwnerThread (runs it there and waits) or
/// PostToOwnerThread (queues it), and builds, applies, undoes and saves inside that
/// function as the owning thread itself would. The dispatch calls (MCCommandMgr::
/// ApplyCommand and ApplyCommands, SCBase::Apply) also carry a command or record over,
/// for one the calling thread made itself and that holds no element. Builds without NDEBUG
/// check the rule where a command or record would take hold of an element, and where the
/// undo history is used, and stop the program with a message naming the call.
class CLAVENOR_API CMessageQueue {
public:
    /// Creates a window whose messages go to `procedure`. The first call makes the calling
    /// thread the owning thread. `className` is kept for diagnostics (null reads as empty).
    /// Refuses a null `procedure`, returning null; never fails otherwise.
    [[nodiscard]] static HWND CreateHiddenWindow(const char* className, WNDPROC procedure);

    /// Removes the window and its timers; messages still queued for it are dropped. Returns
    /// false for an unknown window.
    static bool DestroyWindow(HWND window);
    /// Whether `window` exists now: created and not yet destroyed.
    static bool IsWindow(HWND window);

    /// Runs the message on the owning thread and returns the procedure's result: at once on
    /// the owning thread, otherwise after the owning thread has pumped it (the caller
    /// blocks). 0 for an unknown window. `owner`, when not null, names what the message
    /// works for while it waits in the queue (see PumpMessagesFor).
    static LRESULT SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                               const void* owner = nullptr);

    /// Queues the message and returns at once; false for an unknown window. `owner`, when
    /// not null, names what the message works for (see PumpMessagesFor).
    [[nodiscard]] static bool PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                          const void* owner = nullptr);

    /// Starts (or restarts) a one-shot timer: after `elapseMs` milliseconds the next pump
    /// sends WM_TIMER with wParam `id` to the window, once. Returns `id`, or 0 for an unknown
    /// window or an id of 0.
    [[nodiscard]] static UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapseMs);
    /// Stops a timer that has not fired yet; false when there was none.
    static bool KillTimer(HWND window, UINT_PTR id);

    /// The platform's default handling: nothing, result 0.
    static LRESULT DefWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    ///@{
    /// The host's main window, to which the library forwards change records that have no
    /// document (the state message). Null (the default) drops them.
    static void SetMainWindow(HWND window);
    static HWND GetMainWindow();
    ///@}

    ///@{
    /// The window that last asked for the input focus (CWnd::SetFocus), or null.
    static void SetFocusWindow(HWND window);
    static HWND GetFocusWindow();
    ///@}

    /// True on the owning thread, and on any thread before the first window exists.
    static bool IsOwnerThread();

    /// On the owning thread: runs every message queued and every timer due when the call
    /// starts, in order (messages first), and returns how many ran. On any other thread:
    /// runs nothing and returns 0.
    static int PumpMessages();

    /// Waits up to `maxWait` for a message to arrive or a timer to fall due, then pumps as
    /// PumpMessages does. Returns how many ran (0 after a timeout, and on other threads).
    /// A negative wait does not wait; a wait longer than MaxWait waits MaxWait.
    static int WaitAndPumpMessages(std::chrono::milliseconds maxWait);

    /// On the owning thread: runs the messages queued for `owner` (not null), in order, and
    /// again those that they queue for it, until none is left; every other message stays
    /// queued in its place, for the host's next pump. Returns how many ran; 0 on any other
    /// thread. A message that throws is not run again: the exception goes on, and what is
    /// still queued for `owner` stays queued. This is how an object that messages work for
    /// runs them before it goes, without running anyone else's work inside its destructor.
    static int PumpMessagesFor(const void* owner);

    /// Messages waiting in the queue (not counting timers), functions to run among them.
    static std::size_t GetQueuedCount();
    /// Messages waiting in the queue for `owner`.
    static std::size_t GetQueuedCount(const void* owner);

    /// The longest wait WaitAndPumpMessages makes (about a year).
    static constexpr std::chrono::milliseconds MaxWait = std::chrono::hours(24 * 366);

    /// Runs `task` on the owning thread and returns once it has run: at once on the owning
    /// thread (and on any thread before the first window exists); from another thread after
    /// the owning thread has pumped it, the caller blocking as for SendMessage. An exception
    /// the task throws is passed back to the caller, not to the owning thread's pump.
    /// Allocation failure throws std::bad_alloc before anything is queued.
    static void RunOnOwnerThread(std::function<void()> task);

    /// Queues `task` for the owning thread's next pump, in order with the messages, and
    /// returns at once, on any thread. An exception the task throws leaves that pump, as a
    /// window procedure's would.
    static void PostToOwnerThread(std::function<void()> task);

    /// In builds without NDEBUG, stops the program with a message naming `what` when called
    /// on a thread other than the owning one; nothing with NDEBUG. The library calls it
    /// where such a call would race with the owning thread.
    static void RequireOwnerThread(const char* what);
};

/// The host's pump calls, as free functions.
inline int PumpMessages() { return CMessageQueue::PumpMessages(); }
inline int PumpMessages(std::chrono::milliseconds maxWait) {
    return CMessageQueue::WaitAndPumpMessages(maxWait);
}

/// How another thread gets work done on a document (see CMessageQueue), as free functions.
inline void RunOnOwnerThread(std::function<void()> task) {
    CMessageQueue::RunOnOwnerThread(std::move(task));
}
inline void PostToOwnerThread(std::function<void()> task) {
    CMessageQueue::PostToOwnerThread(std::move(task));
}

} // namespace clavenor
