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

int MCUndoItem::UndoCommands() { return Replay(false); }

int MCUndoItem::RedoCommands() { return Replay(true); }

bool MCUndoItem::RunOne(CCBase* command, bool redo) {
    // A synchronous batch that fails shows in the watch; Apply's 0 is a dispatch that never
    // ran (no target), which took no effect either.
    bool dispatched = true;
    const bool ran = RunSynchronously(m_pTarget, command, [this, command, redo, &dispatched] {
        if (redo) {
            dispatched = command->Apply(m_pTarget) != 0;
        } else {
            command->Undo();
        }
    });
    return ran && dispatched;
}

int MCUndoItem::Replay(bool redo) {
    for (POSITION pos = redo ? m_commands.GetHeadPosition() : m_commands.GetTailPosition();
         pos != nullptr;) {
        const POSITION at = pos;
        CCBase* command = redo ? m_commands.GetNext(pos) : m_commands.GetPrev(pos);
        bool done = false;
        try {
            done = RunOne(command, redo);
        } catch (...) {
            PutBack(at, redo);
            throw;
        }
        if (!done) {
            PutBack(at, redo);
            return 0;
        }
    }
    return 1;
}

void MCUndoItem::PutBack(POSITION from, bool redo) {
    // `from` itself did not take effect; those run before it did.
    POSITION pos = from;
    if (redo) {
        m_commands.GetPrev(pos);
    } else {
        m_commands.GetNext(pos);
    }
    while (pos != nullptr) {
        CCBase* command = redo ? m_commands.GetPrev(pos) : m_commands.GetNext(pos);
        try {
            RunOne(command, !redo);
        } catch (...) {
        }
    }
}

} // namespace clavenor
