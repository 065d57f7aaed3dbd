#pragma once

#include "clavenor/commands/MCCommandList.h"
#include "clavenor/framework/CWnd.h"
#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

class CCBase;
class MCCommandMgr;

/// Gathers asynchronous commands and runs them together: the first command queued starts a
/// one-shot timer of the rate; when it fires, everything queued until then runs as one
/// batch, in arrival order. Lives on the owning thread (it is a hidden window there).
class CLAVENOR_API MCCommandTimer : public CWnd {
public:
    /// The id of the timer on the timer's own window.
    static constexpr UINT_PTR TimerId = 123;

    /// A timer for `manager` (which owns it) gathering for `rateMs` milliseconds; creates
    /// its hidden window on the calling thread, which must be the owning one.
    MCCommandTimer(MCCommandMgr* manager, std::uint32_t rateMs);
    /// Stops the timer and runs the commands still queued (a failure of that batch is not
    /// reported: its commands are released all the same).
    ~MCCommandTimer() override;

    /// Queues a dispatched command (taking a reference) and starts the timer. Allocation
    /// failure throws std::bad_alloc with nothing queued.
    void AddCommand(CCBase* command);
    /// Queues every command of the list, or none (std::bad_alloc).
    void AddCommands(MCCommandList* commands);

    /// Runs the queue as one batch through the manager, then empties it.
    void SendCommands();

    /// The rate used the next time the timer starts.
    void SetNotificationRate(std::uint32_t rateMs) { m_nRate = rateMs; }

    /// TimerId while the timer runs, 0 when it is stopped (or could not start).
    UINT_PTR GetTimerId() const { return m_nTimerId; }

protected:
    /// Starts the one-shot timer at the current rate unless it runs already.
    void StartTimer();
    /// Stops the timer if it runs; queued commands stay queued.
    void StopTimer();
    /// The timer fired: stops it and runs the queue (SendCommands); other timers go to
    /// CWnd::OnTimer.
    void OnTimer(UINT_PTR id) override;

private:
    MCCommandMgr* m_pManager;
    UINT_PTR m_nTimerId = 0;
    std::uint32_t m_nRate;
    MCCommandList m_queue;
    // Dispatches merged into the queued batch; each took a reference on the performance,
    // and the batch gives back only one, so the timer gives back the rest.
    int m_nDispatches = 0;
};

} // namespace clavenor
