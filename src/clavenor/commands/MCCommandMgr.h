#pragma once

#include "clavenor/framework/CString.h"
#include "clavenor/framework/Export.h"
#include "clavenor/framework/WindowTypes.h"
#include "clavenor/model/MCFuncList.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace clavenor {

class CCBase;
class ECPerformance;
class MCCommandList;
class MCCommandTimer;
class MCUndoItem;
class SCCommand;

/// Runs the commands of one performance (each performance embeds one manager).
///
/// The edit road: the host (or a command) dispatches a command with ApplyCommand; the
/// manager stamps it with its undo and notify group membership and sends (synchronous
/// command) or posts (asynchronous) it to the hidden command window. On the owning thread
/// (see CMessageQueue) the manager runs the batch under the performance's lock: every
/// command's Prepare, then the command handlers in passes until all agree, every Process,
/// one more handler pass, every Finish. Then the batch commits: each command is told so
/// (CCBase::Committed), then joins the pending undo entry and the pending change record of its
/// groups, in order; when their groups close, the entry enters the bounded history and the record
/// (SCCommand, code 500) goes to the state manager, after the batch.
///
/// A batch changes the document all or nothing. When a phase fails (a command returns 0 or
/// throws, a handler vetoes or throws, memory runs out), the commands already
/// processed are taken back (CCBase::Revert, last first), the groups forget the batch's
/// commands (their depths are lowered and a group whose mode is off closes), and a command
/// that failed gets its Abort and a code-501 record; an exception then goes on to the
/// dispatcher (ApplyCommand's caller, or the pump for posted commands). Everything a commit
/// needs is set aside before the first Process, so a batch never fails after it has begun
/// to change the document for want of memory. The library's own commands take themselves
/// back exactly; a host's command takes back what its Revert does (by default nothing).
///
/// Threads: everything is called on the owning thread (see CMessageQueue for how another
/// thread hands work over), except dispatch of a command that holds no element: from
/// another thread, the dispatch itself is carried to the owning thread (a synchronous
/// command still runs before ApplyCommand returns). Builds without NDEBUG stop a program
/// that opens groups, undoes, redoes, clears or idles off the owning thread. Handlers run
/// inside the batch, with the lock held; they may dispatch synchronous commands (which run
/// nested, at once) and asynchronous ones (which run later).
///
/// Handler results: in the prepare phase -1 aborts the batch (without Abort on any
/// command), 0 asks for another pass, anything else agrees; a handler that never agrees
/// makes the passes go on forever. In the process phase -1 stops the batch and 0 makes it
/// fail after the pass.
class CLAVENOR_API MCCommandMgr {
public:
    /// The message of the command window; wParam 0: lParam is one command; wParam 1: lParam
    /// is a heap command list that the receiver deletes.
    static constexpr UINT CommandMessage = LibraryMessage::Command;
    /// The highest undo limit SetUndoLevels accepts.
    static constexpr int MaxUndoLevels = 10000000;

    ///@{
    /// The handler passes, as handlers are told them: after Prepare, after Process.
    static constexpr int PhasePrepare = 0;
    static constexpr int PhaseProcess = 1;
    ///@}

    /// An empty history and no handlers; makes sure the dispatch window exists (Initialize).
    MCCommandMgr();
    /// Removes the handlers, clears the history, deletes the timer (which runs the commands
    /// it still holds) and frees this performance's entries waiting in the trash.
    ~MCCommandMgr();
    ///@{
    /// Not copyable: the history holds its commands once, and handlers are installed on
    /// one manager.
    MCCommandMgr(const MCCommandMgr&) = delete;
    MCCommandMgr& operator=(const MCCommandMgr&) = delete;
    ///@}

    /// The performance that embeds this manager (set when the performance makes it; no
    /// reference is taken, the performance owns the manager).
    void SetOwner(ECPerformance* owner) { m_pOwner = owner; }
    /// The performance that embeds this manager, or null before SetOwner.
    ECPerformance* GetOwner() const { return m_pOwner; }

    /// Inserts a handler so that it stands at index `position` (0 = first); a position at
    /// or beyond the number of handlers appends.
    void AddCommandHandler(MCCallback handler, void* userData, int position);
    /// Removes every command handler of this performance; one removed during a batch is
    /// not called afterwards.
    void RemoveCommandHandlers();

    /// Deletes the current timer, if any (running its queued commands), and with a rate
    /// above 0 gathers asynchronous commands for that many milliseconds before running them
    /// as one batch.
    void SetCommandRate(std::uint32_t rateMs);

    /// Runs one batch (see the class comment); returns the result of the last phase run.
    /// Releases the dispatch's reference on every command and on the performance, also when
    /// it throws.
    int OnCommand(MCCommandList& list);

    /// Undoes (redoes) up to `count` history entries, newest (oldest undone) first, inside
    /// one notify group; 1 when at least one entry was undone (redone), 0 when there was
    /// nothing to do (count below 1, nothing undone or redoable, or an undo group still has
    /// unfinished commands) or the first entry did not take effect. An entry is undone
    /// (redone) whole or not at all (see MCUndoItem); the walk stops at the first that
    /// fails, and the undo index counts only those done. An exception (from a handler, or
    /// allocation failure) is passed on after the entry it hit was put back as it was and
    /// the notify group closed.
    [[nodiscard]] int Undo(int count);
    /// As Undo, for the entries undone last (see Undo for results and failure).
    [[nodiscard]] int Redo(int count);

    /// How many entries, counted from the newest, are undone (-1: no history yet).
    int GetUndoIndex() const { return m_nUndoIndex; }
    /// Undoes or redoes until the undo index is `index`.
    void SetUndoIndex(int index);
    /// The number of entries in the history, undone ones included.
    int GetUndoCount() const { return static_cast<int>(m_history.size()); }

    /// The name of the entry to undo (redo) next, or of the entry at `index` (-1: next).
    /// Empties `text` and returns 0 when there is none.
    int GetUndoString(CString& text, int index);
    /// As GetUndoString, for the entry to redo.
    int GetRedoString(CString& text, int index);

    /// Closes a pending group, then deletes every history entry at once; the undo index
    /// becomes -1. Returns 1. Needs no memory and never throws.
    int ClearUndo();

    /// 1 while an undo group is open, else 0.
    int GetUndoMode() const { return (m_nModes & ModeUndo) != 0 ? 1 : 0; }
    /// Opening a group closes any entry still pending and starts a new one named `name`;
    /// closing it finishes the entry now, or when the group's last command finishes.
    /// Opening takes memory first (for the entry and for its place in the history) and
    /// throws std::bad_alloc with nothing changed when there is none; closing needs none.
    void SetUndoMode(int on, const CString* name);
    /// 1 while a notify group is open, else 0.
    int GetNotifyMode() const { return (m_nModes & ModeNotify) != 0 ? 1 : 0; }
    /// Opening makes the pending change record when there is none (std::bad_alloc, with
    /// nothing changed, when memory is short); closing delivers the record of a finished
    /// group, whose handlers' exceptions pass on once the record is discarded.
    void SetNotifyMode(int on);

    /// Dispatch (see the class comment). 0 for a null command, list or performance, or an
    /// empty list: nothing is dispatched. The caller keeps its own list, except that an
    /// asynchronous dispatch from a thread other than the owning one empties it (its
    /// references move to the owning thread). When a dispatch throws (memory, or the
    /// batch's own exception for a synchronous one), everything it took is given back (so a
    /// command the caller holds no reference on is deleted) and the groups forget it.
    [[nodiscard]] static int ApplyCommand(CCBase* command, ECPerformance* performance);
    /// As ApplyCommand, for every command of `commands` as one batch, in list order.
    [[nodiscard]] static int ApplyCommands(MCCommandList* commands, ECPerformance* performance);

    /// Stamps a command at dispatch with the groups of `performance`'s manager, takes the
    /// dispatch's reference on it and sets its target. Returns 1.
    static int InitCommand(CCBase* command, ECPerformance* performance);

    /// The command window's message handler; always 0.
    static LRESULT OnCommandMsg(WPARAM wParam, LPARAM lParam);
    /// The procedure of the hidden command window: runs CommandMessage, hands over
    /// dispatches from other threads, and passes every other message on.
    static LRESULT CommandWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    /// Creates the command window on the calling thread (once per process).
    static void Initialize();

    /// Frees the history entries waiting in the trash (and the commands and elements they
    /// were the last to hold). The host calls it from its idle processing on the owning
    /// thread.
    static void OnIdle();

    /// The undo limit of every history, clamped into 0..MaxUndoLevels; applied the next time
    /// an entry is added.
    static int GetUndoLevels();
    /// Sets the undo limit of every history (see GetUndoLevels); on the owning thread.
    static void SetUndoLevels(int levels);

    /// Opens an undo group and a notify group; all or nothing (std::bad_alloc with no group
    /// opened when memory is short).
    static void BeginUndo(ECPerformance* performance, const CString& name);
    /// Closes the undo group and the notify group that BeginUndo opened (SetUndoMode(0),
    /// then SetNotifyMode(0)); nothing for a null performance. Needs no memory; the
    /// record's delivery may throw a handler's exception.
    static void EndUndo(ECPerformance* performance);
    /// SetNotifyMode(1) on the performance's manager; nothing for null.
    static void BeginNotify(ECPerformance* performance);
    /// SetNotifyMode(0) on the performance's manager; nothing for null.
    static void EndNotify(ECPerformance* performance);

    /// Entries waiting for OnIdle, across all performances.
    static int GetTrashCount();

    /// Counts the batches of a manager that fail while the watch lives, among those run
    /// directly under its creator (not those nested inside another batch): how the undo
    /// history tells whether a command it replays took effect. Watches nest.
    class FailureWatch {
    public:
        /// Starts counting `manager`'s failures at the current batch depth; on its creator's
        /// thread, the owning one.
        explicit FailureWatch(MCCommandMgr& manager);
        ~FailureWatch();
        FailureWatch(const FailureWatch&) = delete;
        FailureWatch& operator=(const FailureWatch&) = delete;

        /// The number of failed batches counted so far.
        int GetFailures() const { return m_nFailures; }

    private:
        friend class MCCommandMgr;
        MCCommandMgr& m_manager;
        FailureWatch* m_pOuter;
        int m_nDepth;
        int m_nFailures = 0;
    };

protected:
    struct Batch;

    ///@{
    /// The phases of one batch (see the class comment): each runs its phase of every
    /// command, in list order, and its handler passes; 0 when the phase failed (the failed
    /// command is recorded in `batch`), else 1.
    int Prepare(MCCommandList& list, Batch& batch);
    int Process(MCCommandList& list, Batch& batch);
    int Finish(MCCommandList& list, Batch& batch);
    ///@}
    /// Calls the failed command's Abort and delivers its code-501 record; returns 0.
    int Abort(CCBase* command);
    /// Moves the pending undo entry into the history (an empty one goes to the trash),
    /// dropping the undone entries first and the oldest beyond the limit.
    void FinishUndo();
    /// Delivers the pending change record when it lists any command.
    void FinishNotify();
    /// Hands a change record to the state manager, keeping its memory for the next record.
    void Deliver(std::unique_ptr<SCCommand> record);

private:
    static constexpr std::uint32_t ModeUndo = 0x1;
    static constexpr std::uint32_t ModeNotify = 0x2;

    /// Sets aside what committing `batch` needs, before anything changes.
    void Reserve(MCCommandList& list, Batch& batch);
    /// Tells every command of a successful batch that it committed, then records each in its
    /// groups; needs no memory.
    void Commit(MCCommandList& list, Batch& batch);
    /// Takes a failed batch back and settles its groups; `failed` is the command whose
    /// phase failed, if any.
    void Fail(MCCommandList& list, Batch& batch);
    /// The groups forget a command that was stamped but will never finish; a group whose
    /// mode is off closes when its depth reaches 0 (a finished change record is handed to
    /// `record` when that is empty, or delivered at once).
    void Forget(CCBase* command, std::unique_ptr<SCCommand>* record);
    /// Gives back what a dispatch took, for commands that will never run.
    static void Abandon(CCBase* command, ECPerformance* performance);
    /// Runs a dispatched batch on the owning thread, or queues it for the batching timer;
    /// the dispatch's hold on `target` goes with it either way.
    static void Receive(MCCommandList& list, ECPerformance* target);
    /// Makes the pending change record when there is none.
    void EnsurePendingNotify();
    /// The history entry at `index` (0 = newest).
    MCUndoItem* Entry(int index) const;
    /// Moves an entry to the trash list, under its lock; needs no memory.
    static void Trash(std::unique_ptr<MCUndoItem> entry);

    std::uint32_t m_nModes = 0;
    int m_nUndoIndex = -1;
    int m_nUndoDepth = 0;
    int m_nNotifyDepth = 0;
    int m_nBatchDepth = 0;
    FailureWatch* m_pWatch = nullptr;
    ECPerformance* m_pOwner = nullptr;
    MCFuncList m_handlers;
    std::unique_ptr<MCCommandTimer> m_pTimer;
    // Oldest first; room for one more entry is made when a group opens, so that closing it
    // never needs memory.
    std::vector<std::unique_ptr<MCUndoItem>> m_history;
    std::unique_ptr<MCUndoItem> m_pPendingUndo;
    std::unique_ptr<SCCommand> m_pPendingNotify;
    // The memory of the last change record delivered, where the next one is built: with one
    // notify group per edit, records stop costing an allocation each.
    void* m_pSpareRecord = nullptr;
};

} // namespace clavenor
