#include "clavenor/commands/MCCommandMgr.h"

#include "clavenor/commands/CCBase.h"
#include "clavenor/commands/MCCommandList.h"
#include "clavenor/commands/MCCommandTimer.h"
#include "clavenor/commands/MCUndoItem.h"
#include "clavenor/elements/ECPerformance.h"
#include "clavenor/framework/CMessageQueue.h"
#include "clavenor/state/SCCommand.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace clavenor {

namespace {

// Carries a dispatch made on another thread to the owning thread, where it is made again.
// wParam 0: lParam is one command whose target is set; wParam 1: a heap list of commands
// whose targets are set, deleted by the receiver.
constexpr UINT kApplyOnOwnerMessage = 0x3282;

HWND s_hWnd = nullptr;
int s_bInitialized = 0;
int s_nUndoCount = 10;
std::mutex s_trashCS;
std::vector<std::unique_ptr<MCUndoItem>> s_trashList;

int ClampUndoLevels(int levels) { return std::clamp(levels, 0, MCCommandMgr::MaxUndoLevels); }

// Sends (synchronous) or posts the message to the command window; a post counts against
// `performance` (from any thread), so that destroying it first runs what is still queued
// for it.
int Deliver(UINT message, WPARAM wParam, void* payload, bool synchronous,
            ECPerformance* performance) {
    const auto lParam = reinterpret_cast<LPARAM>(payload);
    if (synchronous) {
        CMessageQueue::SendMessage(s_hWnd, message, wParam, lParam);
    } else {
        if (performance != nullptr) {
            performance->NotePosted(1);
        }
        CMessageQueue::PostMessage(s_hWnd, message, wParam, lParam);
    }
    return 1;
}

// Gives back, on every exit from a batch, what the dispatch took: one reference on each
// command, the list's own references, the lock and one reference on the performance.
class BatchScope {
public:
    BatchScope(MCCommandList& list, ECPerformance* performance)
        : m_list(list), m_performance(performance) {
        m_performance->Lock();
    }
    ~BatchScope() {
        for (POSITION pos = m_list.GetHeadPosition(); pos != nullptr;) {
            m_list.GetNext(pos)->Unref(1);
        }
        m_list.RemoveAll();
        m_performance->Unlock();
        m_performance->Unref(0);
    }
    BatchScope(const BatchScope&) = delete;
    BatchScope& operator=(const BatchScope&) = delete;

private:
    MCCommandList& m_list;
    ECPerformance* m_performance;
};

} // namespace

MCCommandMgr::MCCommandMgr() : m_handlers(10) {
    if (s_bInitialized == 0) {
        Initialize();
    }
}

MCCommandMgr::~MCCommandMgr() {
    RemoveCommandHandlers();
    ClearUndo();
    m_pTimer.reset();
}

void MCCommandMgr::Initialize() {
    if (s_bInitialized != 0) {
        return;
    }
    s_hWnd = CMessageQueue::CreateHiddenWindow("MCCommandMgr", &MCCommandMgr::CommandWndProc);
    s_bInitialized = s_hWnd != nullptr ? 1 : 0;
}

void MCCommandMgr::AddCommandHandler(MCCallback handler, void* userData, int position) {
    if (position < 0) {
        position = 0;
    }
    if (position >= m_handlers.GetCount()) {
        m_handlers.AddCallback(handler, userData);
    } else {
        m_handlers.InsertCallback(handler, userData, m_handlers.FindIndex(position));
    }
}

void MCCommandMgr::RemoveCommandHandlers() { m_handlers.RemoveCallbacks(); }

void MCCommandMgr::SetCommandRate(std::uint32_t rateMs) {
    m_pTimer.reset();
    if (rateMs != 0) {
        m_pTimer = std::make_unique<MCCommandTimer>(this, rateMs);
    }
}

int MCCommandMgr::InitCommand(CCBase* command, ECPerformance* performance) {
    MCCommandMgr& manager = performance->GetCommandMgr();
    if (manager.GetUndoMode() != 0 && command->CanUndo() != 0) {
        ++manager.m_nUndoDepth;
        command->SetInUndoGroup(1);
    } else {
        command->SetInUndoGroup(0);
    }
    if (manager.GetNotifyMode() != 0) {
        ++manager.m_nNotifyDepth;
        command->SetInNotifyGroup(1);
    } else {
        command->SetInNotifyGroup(0);
    }
    command->Ref();
    command->SetTarget(performance);
    return 1;
}

int MCCommandMgr::ApplyCommand(CCBase* command, ECPerformance* performance) {
    if (command == nullptr || performance == nullptr) {
        return 0;
    }
    Initialize();
    const bool synchronous = command->IsSynchronous() != 0;
    if (!CMessageQueue::IsOwnerThread()) {
        command->SetTarget(performance);
        return Deliver(kApplyOnOwnerMessage, 0, command, synchronous, performance);
    }
    performance->Ref();
    InitCommand(command, performance);
    return Deliver(CommandMessage, 0, command, synchronous, performance);
}

int MCCommandMgr::ApplyCommands(MCCommandList* commands, ECPerformance* performance) {
    if (commands == nullptr || performance == nullptr || commands->IsEmpty()) {
        return 0;
    }
    Initialize();
    auto list = std::make_unique<MCCommandList>(10);
    const bool synchronous = commands->IsSynchronous() != 0;
    if (!CMessageQueue::IsOwnerThread()) {
        list->AddTail(commands);
        list->SetTarget(performance);
        if (!synchronous) {
            // The owning thread references and releases these commands from now on; the
            // caller's references go here, while this thread still owns them alone.
            commands->RemoveAll();
        }
        return Deliver(kApplyOnOwnerMessage, 1, list.release(), synchronous, performance);
    }
    performance->Ref();
    for (POSITION pos = commands->GetHeadPosition(); pos != nullptr;) {
        CCBase* command = commands->GetNext(pos);
        InitCommand(command, performance);
        list->AddTail(command);
    }
    return Deliver(CommandMessage, 1, list.release(), synchronous, performance);
}

LRESULT MCCommandMgr::OnCommandMsg(WPARAM wParam, LPARAM lParam) {
    if (wParam == 1) {
        std::unique_ptr<MCCommandList> list(reinterpret_cast<MCCommandList*>(lParam));
        ECPerformance* target = list->GetTarget();
        if (target == nullptr) {
            return 0;
        }
        MCCommandMgr& manager = target->GetCommandMgr();
        const bool synchronous = list->IsSynchronous() != 0;
        if (!synchronous) {
            target->NotePosted(-1);
        }
        if (!synchronous && manager.m_pTimer != nullptr) {
            manager.m_pTimer->AddCommands(list.get());
        } else {
            manager.OnCommand(*list);
        }
        return 0;
    }
    if (wParam == 0) {
        auto* command = reinterpret_cast<CCBase*>(lParam);
        ECPerformance* target = command->GetTarget();
        if (target == nullptr) {
            return 0;
        }
        MCCommandMgr& manager = target->GetCommandMgr();
        const bool synchronous = command->IsSynchronous() != 0;
        if (!synchronous) {
            target->NotePosted(-1);
        }
        if (!synchronous && manager.m_pTimer != nullptr) {
            manager.m_pTimer->AddCommand(command);
            return 0;
        }
        MCCommandList single(10);
        if (single.AddTail(command) == nullptr) {
            throw std::bad_alloc();
        }
        manager.OnCommand(single);
    }
    return 0;
}

LRESULT MCCommandMgr::CommandWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == CommandMessage) {
        return OnCommandMsg(wParam, lParam);
    }
    if (message == kApplyOnOwnerMessage) {
        if (wParam == 0) {
            auto* command = reinterpret_cast<CCBase*>(lParam);
            if (command->IsSynchronous() == 0) {
                command->GetTarget()->NotePosted(-1);
            }
            ApplyCommand(command, command->GetTarget());
        } else if (wParam == 1) {
            std::unique_ptr<MCCommandList> list(reinterpret_cast<MCCommandList*>(lParam));
            if (list->IsSynchronous() == 0) {
                list->GetTarget()->NotePosted(-1);
            }
            ApplyCommands(list.get(), list->GetTarget());
        }
        return 0;
    }
    return CMessageQueue::DefWindowProc(window, message, wParam, lParam);
}

int MCCommandMgr::OnCommand(MCCommandList& list) {
    if (list.IsEmpty()) {
        return 0;
    }
    ECPerformance* performance = list.GetTarget();
    BatchScope scope(list, performance);
    int result = Prepare(list);
    if (result != 0) {
        result = Process(list);
    }
    if (result != 0) {
        result = Finish(list, performance);
    }
    return result;
}

int MCCommandMgr::Prepare(MCCommandList& list) {
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
        CCBase* command = list.GetNext(pos);
        command->SetCommandPhase(CCBase::PhasePrepared);
        if (command->Prepare() == 0) {
            return Abort(command);
        }
    }
    for (;;) {
        bool aborted = false;
        bool incomplete = false;
        m_handlers.CallEach(m_pOwner, PhasePrepare, &list, [&](int result) {
            if (result == -1) {
                aborted = true;
                return false;
            }
            incomplete = incomplete || result == 0;
            return true;
        });
        if (aborted) {
            return 0;
        }
        if (!incomplete) {
            return 1;
        }
    }
}

int MCCommandMgr::Process(MCCommandList& list) {
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
        CCBase* command = list.GetNext(pos);
        command->SetCommandPhase(CCBase::PhaseProcessed);
        if (command->Process() == 0) {
            return Abort(command);
        }
    }
    int result = 1;
    m_handlers.CallEach(m_pOwner, PhaseProcess, &list, [&](int r) {
        if (r == -1) {
            result = 0;
            return false;
        }
        if (r == 0) {
            result = 0;
        }
        return true;
    });
    return result;
}

int MCCommandMgr::Finish(MCCommandList& list, ECPerformance*) {
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
        CCBase* command = list.GetNext(pos);
        command->SetCommandPhase(CCBase::PhaseFinished);
        if (command->Finish() == 0) {
            return Abort(command);
        }
        if (command->IsInUndoGroup() != 0) {
            if (m_pPendingUndo != nullptr) {
                m_pPendingUndo->AddCommand(command);
            }
            --m_nUndoDepth;
            if (GetUndoMode() == 0 && m_nUndoDepth <= 0) {
                m_nUndoDepth = 0;
                FinishUndo();
            }
        }
        if (command->IsInNotifyGroup() != 0) {
            if (m_pPendingNotify != nullptr) {
                m_pPendingNotify->AddCommand(command);
            }
            --m_nNotifyDepth;
            if (GetNotifyMode() == 0 && m_nNotifyDepth <= 0) {
                m_nNotifyDepth = 0;
                FinishNotify();
            }
        }
    }
    return 1;
}

int MCCommandMgr::Abort(CCBase* command) {
    command->Abort();
    auto* record = new SCCommand(SCCommand::CodeAborted);
    record->SetSynchronous(1);
    record->AddCommand(command);
    record->Apply(m_pOwner);
    return 0;
}

void MCCommandMgr::Trash(std::vector<std::unique_ptr<MCUndoItem>>& entries) {
    std::lock_guard lock(s_trashCS);
    for (auto& entry : entries) {
        s_trashList.push_back(std::move(entry));
    }
}

void MCCommandMgr::FinishUndo() {
    std::unique_ptr<MCUndoItem> pending = std::move(m_pPendingUndo);
    if (pending == nullptr) {
        return;
    }
    std::vector<std::unique_ptr<MCUndoItem>> dropped;
    if (pending->IsEmpty()) {
        dropped.push_back(std::move(pending));
        Trash(dropped);
        return;
    }
    // New work discards whatever is currently undone.
    for (int i = 0; i < m_nUndoIndex && !m_history.empty(); ++i) {
        dropped.push_back(std::move(m_history.front()));
        m_history.pop_front();
    }
    m_history.push_front(std::move(pending));
    while (static_cast<int>(m_history.size()) > s_nUndoCount) {
        dropped.push_back(std::move(m_history.back()));
        m_history.pop_back();
    }
    m_nUndoIndex = 0;
    Trash(dropped);
}

void MCCommandMgr::FinishNotify() {
    if (m_pPendingNotify == nullptr || m_pPendingNotify->GetCommands().IsEmpty()) {
        return;
    }
    SCCommand* record = m_pPendingNotify.release();
    record->Apply(m_pOwner);
}

void MCCommandMgr::SetUndoMode(int on, const CString* name) {
    const bool turnOn = on != 0;
    if (turnOn == (GetUndoMode() != 0)) {
        return;
    }
    if (turnOn) {
        m_nModes |= ModeUndo;
        FinishUndo();
        m_pPendingUndo = std::make_unique<MCUndoItem>(name != nullptr ? *name : CString());
    } else {
        m_nModes &= ~ModeUndo;
        if (m_nUndoDepth == 0) {
            FinishUndo();
        }
    }
}

void MCCommandMgr::SetNotifyMode(int on) {
    const bool turnOn = on != 0;
    if (turnOn == (GetNotifyMode() != 0)) {
        return;
    }
    if (turnOn) {
        m_nModes |= ModeNotify;
        if (m_pPendingNotify == nullptr) {
            m_pPendingNotify = std::make_unique<SCCommand>(SCCommand::CodeFinished);
            m_pPendingNotify->SetSynchronous(1);
        }
    } else {
        m_nModes &= ~ModeNotify;
        if (m_nNotifyDepth == 0) {
            FinishNotify();
        }
    }
}

int MCCommandMgr::Undo(int count) {
    if (m_nUndoIndex < 0 || m_nUndoDepth >= 1) {
        return 0;
    }
    const int k = std::min(count, GetUndoCount() - m_nUndoIndex);
    if (k < 1) {
        return 0;
    }
    SetNotifyMode(1);
    for (int i = 0; i < k; ++i) {
        m_history[static_cast<std::size_t>(m_nUndoIndex)]->UndoCommands();
        ++m_nUndoIndex;
    }
    SetNotifyMode(0);
    return 1;
}

int MCCommandMgr::Redo(int count) {
    if (m_nUndoIndex < 1) {
        return 0;
    }
    const int k = std::min(count, m_nUndoIndex);
    if (k < 1) {
        return 0;
    }
    SetNotifyMode(1);
    for (int i = 0; i < k; ++i) {
        m_history[static_cast<std::size_t>(m_nUndoIndex - 1)]->RedoCommands();
        --m_nUndoIndex;
    }
    SetNotifyMode(0);
    return 1;
}

void MCCommandMgr::SetUndoIndex(int index) {
    if (m_nUndoIndex <= index) {
        Undo(index - m_nUndoIndex);
    } else {
        Redo(m_nUndoIndex - index);
    }
}

int MCCommandMgr::GetUndoString(CString& text, int index) {
    text.Empty();
    if (index == -1) {
        index = m_nUndoIndex;
    }
    if (m_nUndoIndex < 0 || index < 0 || index >= GetUndoCount()) {
        return 0;
    }
    text = m_history[static_cast<std::size_t>(index)]->GetName();
    return 1;
}

int MCCommandMgr::GetRedoString(CString& text, int index) {
    text.Empty();
    if (index == -1) {
        index = m_nUndoIndex - 1;
    }
    if (m_nUndoIndex < 1 || index < 0 || index >= GetUndoCount()) {
        return 0;
    }
    text = m_history[static_cast<std::size_t>(index)]->GetName();
    return 1;
}

int MCCommandMgr::ClearUndo() {
    FinishUndo();
    // Entries leave the history before they are destroyed: releasing their commands may
    // re-enter the manager.
    std::deque<std::unique_ptr<MCUndoItem>> entries = std::move(m_history);
    m_history.clear();
    m_nUndoIndex = -1;
    entries.clear();
    return 1;
}

void MCCommandMgr::OnIdle() {
    std::vector<std::unique_ptr<MCUndoItem>> trash;
    {
        std::lock_guard lock(s_trashCS);
        trash.swap(s_trashList);
    }
    // Freed outside the lock: releasing commands and elements may run arbitrary destructors.
    trash.clear();
}

int MCCommandMgr::GetTrashCount() {
    std::lock_guard lock(s_trashCS);
    return static_cast<int>(s_trashList.size());
}

int MCCommandMgr::GetUndoLevels() { return s_nUndoCount; }

void MCCommandMgr::SetUndoLevels(int levels) { s_nUndoCount = ClampUndoLevels(levels); }

void MCCommandMgr::BeginUndo(ECPerformance* performance, const CString& name) {
    if (performance == nullptr) {
        return;
    }
    performance->GetCommandMgr().SetUndoMode(1, &name);
    performance->GetCommandMgr().SetNotifyMode(1);
}

void MCCommandMgr::EndUndo(ECPerformance* performance) {
    if (performance == nullptr) {
        return;
    }
    performance->GetCommandMgr().SetUndoMode(0, nullptr);
    performance->GetCommandMgr().SetNotifyMode(0);
}

void MCCommandMgr::BeginNotify(ECPerformance* performance) {
    if (performance != nullptr) {
        performance->GetCommandMgr().SetNotifyMode(1);
    }
}

void MCCommandMgr::EndNotify(ECPerformance* performance) {
    if (performance != nullptr) {
        performance->GetCommandMgr().SetNotifyMode(0);
    }
}

} // namespace clavenor
