#pragma once

#include "clavenor/commands/MCCommandList.h"
#include "clavenor/framework/CString.h"

namespace clavenor {

class CCBase;
class ECPerformance;

/// One entry of the undo history: the finished commands of one undo group, in finishing
/// order, under the name given when the group was opened.
class MCUndoItem {
public:
    explicit MCUndoItem(const CString& name);
    /// Releases every command (which may delete them and the elements they hold).
    ~MCUndoItem();
    MCUndoItem(const MCUndoItem&) = delete;
    MCUndoItem& operator=(const MCUndoItem&) = delete;

    /// Appends the command (taking a reference); the first command sets the target. Returns
    /// 0 when no memory is left.
    int AddCommand(CCBase* command);
    void RemoveCommand(CCBase* command);

    /// Undo of each command from the last to the first, each run with its synchronous flag
    /// set so that the inverse commands run at once.
    void UndoCommands();
    /// Apply of each command from the first to the last to the target, synchronously.
    void RedoCommands();

    bool IsEmpty() const { return m_commands.IsEmpty(); }
    CString& GetName() { return m_name; }
    MCCommandList& GetCommands() { return m_commands; }
    ECPerformance* GetTarget() const { return m_pTarget; }

private:
    CString m_name;
    MCCommandList m_commands;
    ECPerformance* m_pTarget = nullptr;
};

} // namespace clavenor
