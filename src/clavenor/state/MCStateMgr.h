#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/framework/WindowTypes.h"
#include "clavenor/model/MCFuncList.h"

namespace clavenor {

class ECPerformance;
class SCBase;

/// Delivers change records to the host (each performance embeds one manager).
///
/// A record handed over with ApplyState is delivered on the owning thread (see
/// CMessageQueue): its DoState runs, then every state handler of the target performance in
/// the order added, then the process-wide global handler, each called as
/// handler(performance, 0, record, userData); then the record is deleted when it is
/// auto-delete. A synchronous record applied on the owning thread is delivered before
/// ApplyState returns (inside a command batch, with the performance's lock held); other
/// records are queued and delivered by the next pump, in order. A record without a target
/// goes to the host's main window (CMessageQueue::SetMainWindow) as the state message, or
/// nowhere.
///
/// Handlers may apply further records and commands; they must not delete the record. A
/// handler that throws ends the delivery of that record (later handlers do not see it); the
/// record is discarded and its target given back all the same, and the exception goes on to
/// whoever applied the record (a synchronous one) or pumped it (a posted one).
class CLAVENOR_API MCStateMgr {
public:
    /// The message of the state window (and of the main window for records without a
    /// target); wParam 0, lParam the record.
    static constexpr UINT StateMessage = LibraryMessage::State;

    MCStateMgr();
    ~MCStateMgr();
    MCStateMgr(const MCStateMgr&) = delete;
    MCStateMgr& operator=(const MCStateMgr&) = delete;

    /// The performance that embeds this manager (set when the performance makes it; no
    /// reference is taken, the performance owns the manager).
    void SetOwner(ECPerformance* owner) { m_pOwner = owner; }
    /// The performance that embeds this manager, or null before SetOwner.
    ECPerformance* GetOwner() const { return m_pOwner; }

    /// Appends a handler; handlers are called in the order added.
    void AddStateHandler(MCCallback handler, void* userData);
    /// Removes every handler of this performance (the global handler stays). Safe during a
    /// delivery: handlers removed then are not called afterwards.
    void RemoveStateHandlers();

    /// Calls the handlers and the global handler for one record, then gives back the
    /// reference on the target that ApplyState took (also when a handler throws).
    void OnState(SCBase* record);

    /// The handler called after the performances' own handlers for every record that has a
    /// target; null turns it off. Set it from the owning thread.
    static void SetGlobalHandler(MCCallback handler, void* data);

    /// Delivery (see the class comment). A null record is ignored. May be called from any
    /// thread; from another thread the hand-over itself is carried to the owning thread.
    static void ApplyState(SCBase* record, ECPerformance* performance);

    /// Delivers the record in `lParam` (DoState, the handlers, then the record discarded
    /// when auto-delete) on the calling thread, which must be the owning one; 0 for a null
    /// record. The pump calls it for StateMessage; a host calls it only from a window
    /// procedure of its own that receives that message.
    static LRESULT OnStateMsg(WPARAM wParam, LPARAM lParam);
    /// The procedure of the manager's hidden window: delivers StateMessage, hands over
    /// records that came from other threads, and passes every other message on.
    static LRESULT StateWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    /// Creates the hidden window on first call (later calls do nothing); ApplyState and
    /// SetGlobalHandler call it, so a host needs it only to create the window early.
    static void Initialize();

private:
    ECPerformance* m_pOwner = nullptr;
    MCFuncList m_handlers;
};

} // namespace clavenor
