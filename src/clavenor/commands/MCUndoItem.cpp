#include "clavenor/commands/MCUndoItem.h"

#include "clavenor/commands/CCBase.h"
#include "clavenor/commands/MCCommandMgr.h"
#include "clavenor/elements/ECPerformance.h"

namespace clavenor {

namespace {

// Holds the command and sets its synchronous flag while `step` runs; restores both on
// every exit. Returns whether every batch the step ran directly took effect.
template <class Step>
bool RunSynchronously(ECPerformance* target, CCBase* command, Step step) {
    class Restore {
    public:
        explicit Restore(CCBase* command) : m_command(command), m_was(command->IsSynchronous()) {
            m_command->Ref();
            m_command->SetSynchronous(1);
        }
        ~Restore() {
            m_command->SetSynchronous(m_was);
            m_command->Unref(1);
        }
        Restore(const Restore&) = delete;
        Restore& operator=(const Restore&) = delete;

    private:
        CCBase* m_command;
        int m_was;
    } restore(command);
    if (target == nullptr) {
        step();
        return true;
    }
    MCCommandMgr::FailureWatch watch(target->GetCommandMgr());
    step();
    return watch.GetFailures() == 0;
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

int MCUndoItem::UndoCommands() {
    for (POSITION pos = m_commands.GetTailPosition(); pos != nullptr;) {
        const POSITION at = pos;
        CCBase* command = m_commands.GetPrev(pos);
        bool done = false;
        try {
            done = RunSynchronously(m_pTarget, command, [command] { command->Undo(); });
        } catch (...) {
            RedoFrom(at);
            throw;
        }
        if (!done) {
            RedoFrom(at);
            return 0;
        }
    }
    return 1;
}

int MCUndoItem::RedoCommands() {
    for (POSITION pos = m_commands.GetHeadPosition(); pos != nullptr;) {
        const POSITION at = pos;
        CCBase* command = m_commands.GetNext(pos);
        bool done = false;
        try {
            done = RunSynchronously(m_pTarget, command,
                                    [this, command] { command->Apply(m_pTarget); });
        } catch (...) {
            UndoFrom(at);
            throw;
        }
        if (!done) {
            UndoFrom(at);
            return 0;
        }
    }
    return 1;
}

void MCUndoItem::RedoFrom(POSITION first) {
    // `first` itself did not take effect; those after it were undone.
    POSITION pos = first;
    m_commands.GetNext(pos);
    while (pos != nullptr) {
        CCBase* command = m_commands.GetNext(pos);
        try {
            RunSynchronously(m_pTarget, command, [this, command] { command->Apply(m_pTarget); });
        } catch (...) {
        }
    }
}

void MCUndoItem::UndoFrom(POSITION last) {
    POSITION pos = last;
    m_commands.GetPrev(pos);
    while (pos != nullptr) {
        CCBase* command = m_commands.GetPrev(pos);
        try {
            RunSynchronously(m_pTarget, command, [command] { command->Undo(); });
        } catch (...) {
        }
    }
}

} // namespace clavenor
