#include "clavenor/commands/MCUndoItem.h"

#include "clavenor/commands/CCBase.h"

namespace clavenor {

namespace {

// Runs `step` with the command's synchronous flag set, then restores the flag.
template <class Step>
void RunSynchronously(CCBase* command, Step step) {
    const int wasSynchronous = command->IsSynchronous();
    command->SetSynchronous(1);
    step();
    command->SetSynchronous(wasSynchronous);
}

} // namespace

MCUndoItem::MCUndoItem(const CString& name) : m_name(name), m_commands(10) {}

MCUndoItem::~MCUndoItem() = default;

int MCUndoItem::AddCommand(CCBase* command) {
    if (command == nullptr || m_commands.AddTail(command) == nullptr) {
        return 0;
    }
    if (m_pTarget == nullptr) {
        m_pTarget = command->GetTarget();
    }
    return 1;
}

void MCUndoItem::RemoveCommand(CCBase* command) {
    if (POSITION pos = m_commands.Find(command)) {
        m_commands.RemoveAt(pos);
    }
}

void MCUndoItem::UndoCommands() {
    for (POSITION pos = m_commands.GetTailPosition(); pos != nullptr;) {
        CCBase* command = m_commands.GetPrev(pos);
        // The inverse may finish and release things; keep the command while it runs.
        command->Ref();
        RunSynchronously(command, [command] { command->Undo(); });
        command->Unref(1);
    }
}

void MCUndoItem::RedoCommands() {
    for (POSITION pos = m_commands.GetHeadPosition(); pos != nullptr;) {
        CCBase* command = m_commands.GetNext(pos);
        command->Ref();
        RunSynchronously(command, [this, command] { command->Apply(m_pTarget); });
        command->Unref(1);
    }
}

} // namespace clavenor
