#pragma once

#include "clavenor/framework/CString.h"
#include "clavenor/framework/WindowTypes.h"
#include "clavenor/model/MCFuncList.h"

#include <cstdint>
#include <deque>
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
/// one more handler pass, every Finish. Finished commands join the pending undo entry and
/// the pending change record; when their groups close, the entry enters the bounded history
/// and the record (SCCommand, code 500) goes to the state manager. A failing phase aborts
/// the batch and raises a code-501 record at once.
///
/// Threads: dispatch may be called from any thread; from a thread other than the owning
/// one, the dispatch itself is carried to the owning thread (a synchronous command still
/// runs before ApplyCommand returns). Everything else (groups, undo, redo, handlers, the
/// command rate) is called on the owning thread. Handlers run inside the batch, with the
/// lock held; they may dispatch synchronous commands (which run nested, at once) and
/// asynchronous ones (which run later).
///
/// Handler results: in the prepare phase -1 aborts the batch (without Abort on any
/// command), 0 asks for another pass, anything else agrees; a handler that never agrees
/// makes the passes go on forever. In the process phase -1 stops the batch and 0 makes it
/// fail after the pass.
class MCCommandMgr {
public:
    /// The message of the command window; wParam 0: lParam is one command; wParam 1: lParam
    /// is a heap command list that the receiver deletes.
    static constexpr UINT CommandMessage = 0x3281;
    static constexpr int MaxUndoLevels = 10000000;

    static constexpr int PhasePrepare = 0;
    static constexpr int PhaseProcess = 1;

    MCCommandMgr();
    /// Removes the handlers, clears the history and deletes the timer (which runs the
    /// commands it still holds).
    ~MCCommandMgr();
    MCCommandMgr(const MCCommandMgr&) = delete;
    MCCommandMgr& operator=(const MCCommandMgr&) = delete;

    void SetOwner(ECPerformance* owner) { m_pOwner = owner; }
    ECPerformance* GetOwner() const { return m_pOwner; }

    /// Inserts a handler so that it stands at index `position` (0 = first); a position at
    /// or beyond the number of handlers appends.
    void AddCommandHandler(MCCallback handler, void* userData, int position);
    void RemoveCommandHandlers();

    /// Deletes the current timer, if any (running its queued commands), and with a rate
    /// above 0 gathers asynchronous commands for that many milliseconds before running them
    /// as one batch.
    void SetCommandRate(std::uint32_t rateMs);

    /// Runs one batch (see the class comment); returns the result of the last phase run.
    /// Releases the dispatch's reference on every command and on the performance.
    int OnCommand(MCCommandList& list);

    /// Undoes (redoes) up to `count` history entries inside one notify group; 1 when at
    /// least one entry was undone (redone), 0 when there was nothing to do (count below 1,
    /// nothing undone or redoable, or an undo group still has unfinished commands).
    int Undo(int count);
    int Redo(int count);

    /// How many entries, counted from the newest, are undone (-1: no history yet).
    int GetUndoIndex() const { return m_nUndoIndex; }
    /// Undoes or redoes until the undo index is `index`.
    void SetUndoIndex(int index);
    int GetUndoCount() const { return static_cast<int>(m_history.size()); }

    /// The name of the entry to undo (redo) next, or of the entry at `index` (-1: next).
    /// Empties `text` and returns 0 when there is none.
    int GetUndoString(CString& text, int index);
    int GetRedoString(CString& text, int index);

    /// Closes a pending group, then deletes every history entry at once; the undo index
    /// becomes -1. Returns 1.
    int ClearUndo();

    int GetUndoMode() const { return (m_nModes & ModeUndo) != 0 ? 1 : 0; }
    /// Opening a group closes any entry still pending and starts a new one named `name`;
    /// closing it finishes the entry now, or when the group's last command finishes.
    void SetUndoMode(int on, const CString* name);
    int GetNotifyMode() const { return (m_nModes & ModeNotify) != 0 ? 1 : 0; }
    void SetNotifyMode(int on);

    /// Dispatch (see the class comment). 0 for a null command, list or performance, or an
    /// empty list: nothing is dispatched. The caller keeps its own list, except that an
    /// asynchronous dispatch from a thread other than the owning one empties it (its
    /// references move to the owning thread).
    static int ApplyCommand(CCBase* command, ECPerformance* performance);
    static int ApplyCommands(MCCommandList* commands, ECPerformance* performance);

    /// Stamps a command at dispatch with the groups of `performance`'s manager, takes the
    /// dispatch's reference on it and sets its target. Returns 1.
    static int InitCommand(CCBase* command, ECPerformance* performance);

    /// The command window's message handler; always 0.
    static LRESULT OnCommandMsg(WPARAM wParam, LPARAM lParam);
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
    static void SetUndoLevels(int levels);

    static void BeginUndo(ECPerformance* performance, const CString& name);
    static void EndUndo(ECPerformance* performance);
    static void BeginNotify(ECPerformance* performance);
    static void EndNotify(ECPerformance* performance);

    /// Entries waiting for OnIdle, across all performances.
    static int GetTrashCount();

protected:
    int Prepare(MCCommandList& list);
    int Process(MCCommandList& list);
    int Finish(MCCommandList& list, ECPerformance* performance);
    int Abort(CCBase* command);
    void FinishUndo();
    void FinishNotify();

private:
    static constexpr std::uint32_t ModeUndo = 0x1;
    static constexpr std::uint32_t ModeNotify = 0x2;

    /// Moves the entries to the trash list, under its lock.
    static void Trash(std::vector<std::unique_ptr<MCUndoItem>>& entries);

    std::uint32_t m_nModes = 0;
    int m_nUndoIndex = -1;
    int m_nUndoDepth = 0;
    int m_nNotifyDepth = 0;
    ECPerformance* m_pOwner = nullptr;
    MCFuncList m_handlers;
    std::unique_ptr<MCCommandTimer> m_pTimer;
    std::deque<std::unique_ptr<MCUndoItem>> m_history; // newest first
    std::unique_ptr<MCUndoItem> m_pPendingUndo;
    std::unique_ptr<SCCommand> m_pPendingNotify;
};

} // namespace clavenor
