#pragma once

#include "clavenor/commands/MCCommandList.h"
#include "clavenor/framework/CString.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

class CCBase;
class ECPerformance;

/// One entry of the undo history: the finished commands of one undo group, in finishing
/// order, under the name given when the group was opened.
class CLAVENOR_API MCUndoItem {
public:
    /// An empty entry named `name` (the undo group's name, shown by the host), no target.
    explicit MCUndoItem(const CString& name);
    /// Releases every command (which may delete them and the elements they hold). Never
    /// throws.
    ~MCUndoItem();
    ///@{
    /// Not copyable: the entry holds its commands by reference count, once.
    MCUndoItem(const MCUndoItem&) = delete;
    MCUndoItem& operator=(const MCUndoItem&) = delete;
    ///@}

    /// Appends the command (taking a reference); the first command sets the target. Returns
    /// 0 when no memory is left (none is needed when a node was set aside with
    /// GetCommands().Reserve).
    int AddCommand(CCBase* command);
    /// Takes the first node holding `command` out, releasing its reference (which may
    /// delete the command); nothing for a command not listed. The target stays as it was.
    void RemoveCommand(CCBase* command);

    /// Undo of each command from the last to the first, each run with its synchronous flag
    /// set so that the inverse commands run at once. All or nothing: when one does not take
    /// effect (its inverse batch fails, is vetoed or throws), the commands already undone
    /// are redone, and 0 is returned (an exception is passed on after that). 1 when every
    /// command was undone.
    [[nodiscard]] int UndoCommands();
    /// Apply of each command from the first to the last to the target, synchronously. All
    /// or nothing as UndoCommands: on failure the commands already redone are undone again.
    /// A command that Apply does not dispatch at all (the entry has no target) fails it too.
    [[nodiscard]] int RedoCommands();

    /// Whether the entry holds no command (an undo group that finished nothing).
    bool IsEmpty() const { return m_commands.IsEmpty(); }
    /// The name, the entry's own string; a host may rename the entry through it.
    CString& GetName() { return m_name; }
    /// The commands, the entry's own list. Read it; add and remove through AddCommand and
    /// RemoveCommand, which keep the target in step.
    MCCommandList& GetCommands() { return m_commands; }
    /// The document the first command was applied to, not held; null while empty.
    ECPerformance* GetTarget() const { return m_pTarget; }

private:
    friend class MCCommandMgr;

    /// Runs each command from the tail (the head), undoing (redoing) it; when one fails, the
    /// ones already run are run the other way again, and 0 is returned or the exception
    /// passed on.
    int Replay(bool redo);
    /// Runs the commands after `from` toward the end it came from the other way, putting
    /// back what a failed Replay did; their own failures are swallowed, as there is nothing
    /// left to fall back on.
    void PutBack(POSITION from, bool redo);
    /// Undoes or redoes one command synchronously; whether its batches took effect.
    bool RunOne(CCBase* command, bool redo);

    CString m_name;
    MCCommandList m_commands;
    ECPerformance* m_pTarget = nullptr;
    // The next entry of the trash list (see MCCommandMgr), which chains its entries through
    // them so that moving an entry there never needs memory.
    MCUndoItem* m_pNextTrashed = nullptr;
};

} // namespace clavenor
