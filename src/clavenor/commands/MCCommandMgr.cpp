#include "clavenor/commands/MCCommandMgr.h"

#include "clavenor/commands/CCBase.h"
#include "clavenor/commands/MCCommandList.h"
#include "clavenor/commands/MCCommandTimer.h"
#include "clavenor/commands/MCUndoItem.h"
#include "clavenor/elements/ECPerformance.h"
#include "clavenor/framework/CMessageQueue.h"
#include "clavenor/framework/detail/CHandOverWindow.h"
#include "clavenor/model/detail/MCDocumentHold.h"
#include "clavenor/state/SCCommand.h"
#include "clavenor/state/detail/SCRecordSpare.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

namespace clavenor {

namespace {

// The command message's wParam: lParam is one command, or a heap list that the receiver
// deletes.
constexpr WPARAM SingleCommand = 0;
constexpr WPARAM CommandList = 1;

void RunCommands(WPARAM kind, LPARAM payload) { MCCommandMgr::OnCommandMsg(kind, payload); }

// A dispatch made on another thread, made again on the owning one. Its caller has had its
// answer already; a batch that fails here is reported to the handlers like any other.
void Redispatch(WPARAM kind, LPARAM payload) {
    if (kind == SingleCommand) {
        auto* command = reinterpret_cast<CCBase*>(payload);
        (void)MCCommandMgr::ApplyCommand(command, command->GetTarget());
    } else if (kind == CommandList) {
        std::unique_ptr<MCCommandList> list(reinterpret_cast<MCCommandList*>(payload));
        (void)MCCommandMgr::ApplyCommands(list.get(), list->GetTarget());
    }
}

constinit CHandOverWindow s_window("MCCommandMgr", LibraryMessage::Command,
                                   LibraryMessage::CommandRelay, &RunCommands, &Redispatch);
int s_nUndoCount = 10;
std::mutex s_trashCS;
// The trash list, oldest first, chained through the entries themselves.
MCUndoItem* s_pTrashHead = nullptr;
MCUndoItem* s_pTrashTail = nullptr;
int s_nTrashCount = 0;

int ClampUndoLevels(int levels) { return std::clamp(levels, 0, MCCommandMgr::MaxUndoLevels); }

// Gives back, on every exit from a batch, what the dispatch took: one reference on each
// command, the list's own references, the lock and the hold on the performance.
class BatchScope {
public:
    BatchScope(MCCommandList& list, ECPerformance* performance, int& depth)
        : m_list(list), m_performance(performance), m_hold(MCDocumentHold::Adopt(performance)),
          m_depth(depth) {
        m_performance->Lock();
        ++m_depth;
    }
    ~BatchScope() {
        --m_depth;
        for (POSITION pos = m_list.GetHeadPosition(); pos != nullptr;) {
            m_list.GetNext(pos)->Unref(1);
        }
        m_list.RemoveAll();
        m_performance->Unlock();
    }
    BatchScope(const BatchScope&) = delete;
    BatchScope& operator=(const BatchScope&) = delete;

private:
    MCCommandList& m_list;
    ECPerformance* m_performance;
    MCDocumentHold m_hold;
    int& m_depth;
};

} // namespace

// What one batch did so far, for its commit or its failure.
struct MCCommandMgr::Batch {
    int processed = 0;        // commands whose Process returned 1, from the head
    CCBase* failed = nullptr; // the command whose phase failed, or is running
    int reservedUndo = 0;     // nodes set aside in `undoEntry`
    int reservedNotify = 0;   // and in `notifyRecord`
    MCUndoItem* undoEntry = nullptr;
    SCCommand* notifyRecord = nullptr;
    // The change record of the notify group the batch completed, delivered afterwards: a
    // batch completes one group at most, since the record leaves the manager as it does.
    std::unique_ptr<SCCommand> record;
};

MCCommandMgr::FailureWatch::FailureWatch(MCCommandMgr& manager)
    : m_manager(manager), m_pOuter(manager.m_pWatch), m_nDepth(manager.m_nBatchDepth) {
    m_manager.m_pWatch = this;
}

MCCommandMgr::FailureWatch::~FailureWatch() { m_manager.m_pWatch = m_pOuter; }

MCCommandMgr::MCCommandMgr() : m_handlers(10) { Initialize(); }

MCCommandMgr::~MCCommandMgr() {
    RemoveCommandHandlers();
    ClearUndo();
    m_pTimer.reset();
    // Entries of this performance waiting in the trash hold its commands, which name it;
    // they go now, while it is still there to name.
    MCUndoItem* mine = nullptr;
    {
        std::lock_guard lock(s_trashCS);
        MCUndoItem** link = &s_pTrashHead;
        s_pTrashTail = nullptr;
        while (*link != nullptr) {
            MCUndoItem* entry = *link;
            if (entry->GetTarget() == m_pOwner) {
                *link = entry->m_pNextTrashed;
                entry->m_pNextTrashed = mine;
                mine = entry;
                --s_nTrashCount;
            } else {
                s_pTrashTail = entry;
                link = &entry->m_pNextTrashed;
            }
        }
    }
    while (mine != nullptr) {
        delete std::exchange(mine, mine->m_pNextTrashed);
    }
    detail::SCRecordSpare::Free(m_pSpareRecord);
}

void MCCommandMgr::Initialize() { s_window.Initialize(&MCCommandMgr::CommandWndProc); }

void MCCommandMgr::AddCommandHandler(MCCallback handler, void* userData, int position) {
    if (position < 0) {
        position = 0;
    }
    if (position >= m_handlers.GetCount()) {
        // The installer has no result: a null handler, or no memory, installs nothing.
        (void)m_handlers.AddCallback(handler, userData);
    } else {
        // The installer has no result: a null handler, or no memory, installs nothing.
        (void)m_handlers.InsertCallback(handler, userData, m_handlers.FindIndex(position));
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

void MCCommandMgr::Forget(CCBase* command, std::unique_ptr<SCCommand>* record) {
    if (command->IsInUndoGroup() != 0) {
        command->SetInUndoGroup(0);
        m_nUndoDepth = std::max(m_nUndoDepth - 1, 0);
        if (GetUndoMode() == 0 && m_nUndoDepth == 0) {
            FinishUndo();
        }
    }
    if (command->IsInNotifyGroup() != 0) {
        command->SetInNotifyGroup(0);
        m_nNotifyDepth = std::max(m_nNotifyDepth - 1, 0);
        if (GetNotifyMode() == 0 && m_nNotifyDepth == 0 && m_pPendingNotify != nullptr &&
            !m_pPendingNotify->GetCommands().IsEmpty()) {
            if (record != nullptr && *record == nullptr) {
                *record = std::move(m_pPendingNotify);
            } else {
                FinishNotify();
            }
        }
    }
}

void MCCommandMgr::Abandon(CCBase* command, ECPerformance* performance) {
    performance->GetCommandMgr().Forget(command, nullptr);
    command->Unref(1);
}

int MCCommandMgr::ApplyCommand(CCBase* command, ECPerformance* performance) {
    if (command == nullptr || performance == nullptr) {
        return 0;
    }
    Initialize();
    const bool synchronous = command->IsSynchronous() != 0;
    if (!CMessageQueue::IsOwnerThread()) {
        // Relayed: the owning thread stamps the command and takes hold of the document.
        command->SetTarget(performance);
        return s_window.HandOver(SingleCommand, command, synchronous, performance) ? 1 : 0;
    }
    MCDocumentHold hold(performance);
    InitCommand(command, performance);
    if (synchronous) {
        // The receiver gives back what the dispatch took, whatever happens there.
        hold.Release();
        s_window.HandOver(SingleCommand, command, true, performance);
        return 1;
    }
    bool posted = false;
    try {
        posted = s_window.HandOver(SingleCommand, command, false, performance);
    } catch (...) {
        Abandon(command, performance);
        throw;
    }
    if (!posted) {
        Abandon(command, performance);
        return 0;
    }
    hold.Release();
    return 1;
}

int MCCommandMgr::ApplyCommands(MCCommandList* commands, ECPerformance* performance) {
    if (commands == nullptr || performance == nullptr || commands->IsEmpty()) {
        return 0;
    }
    Initialize();
    // The list is complete before anything is stamped, so that running out of memory here
    // leaves nothing to take back.
    auto list = std::make_unique<MCCommandList>(10);
    for (POSITION pos = commands->GetHeadPosition(); pos != nullptr;) {
        if (list->AddTail(commands->GetNext(pos)) == nullptr) {
            throw std::bad_alloc();
        }
    }
    const bool synchronous = commands->IsSynchronous() != 0;
    if (!CMessageQueue::IsOwnerThread()) {
        list->SetTarget(performance);
        if (synchronous) {
            // The receiver deletes the list.
            s_window.HandOver(CommandList, list.release(), true, performance);
            return 1;
        }
        if (!s_window.HandOver(CommandList, list.get(), false, performance)) {
            return 0;
        }
        list.release();
        // The owning thread references and releases these commands from now on; the
        // caller's references went into the list, while this thread still owned them alone.
        commands->RemoveAll();
        return 1;
    }
    MCDocumentHold hold(performance);
    for (POSITION pos = list->GetHeadPosition(); pos != nullptr;) {
        InitCommand(list->GetNext(pos), performance);
    }
    if (synchronous) {
        hold.Release();
        s_window.HandOver(CommandList, list.release(), true, performance);
        return 1;
    }
    auto abandon = [&] {
        for (POSITION pos = list->GetHeadPosition(); pos != nullptr;) {
            Abandon(list->GetNext(pos), performance);
        }
    };
    bool posted = false;
    try {
        posted = s_window.HandOver(CommandList, list.get(), false, performance);
    } catch (...) {
        abandon();
        throw;
    }
    if (!posted) {
        abandon();
        return 0;
    }
    hold.Release();
    list.release();
    return 1;
}

void MCCommandMgr::Receive(MCCommandList& list, ECPerformance* target) {
    MCCommandMgr& manager = target->GetCommandMgr();
    if (list.IsSynchronous() != 0 || manager.m_pTimer == nullptr) {
        manager.OnCommand(list);
        return;
    }
    MCDocumentHold hold = MCDocumentHold::Adopt(target);
    try {
        manager.m_pTimer->AddCommands(&list);
    } catch (...) {
        for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
            Abandon(list.GetNext(pos), target);
        }
        throw;
    }
    // The timer's batch gives it back.
    hold.Release();
}

LRESULT MCCommandMgr::OnCommandMsg(WPARAM wParam, LPARAM lParam) {
    if (wParam == CommandList) {
        std::unique_ptr<MCCommandList> list(reinterpret_cast<MCCommandList*>(lParam));
        if (ECPerformance* target = list->GetTarget()) {
            Receive(*list, target);
        }
        return 0;
    }
    if (wParam == SingleCommand) {
        auto* command = reinterpret_cast<CCBase*>(lParam);
        ECPerformance* target = command->GetTarget();
        if (target == nullptr) {
            return 0;
        }
        MCCommandList single(10);
        if (single.AddTail(command) == nullptr) {
            MCDocumentHold hold = MCDocumentHold::Adopt(target);
            Abandon(command, target);
            throw std::bad_alloc();
        }
        Receive(single, target);
    }
    return 0;
}

LRESULT MCCommandMgr::CommandWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return s_window.Procedure(window, message, wParam, lParam);
}

int MCCommandMgr::OnCommand(MCCommandList& list) {
    if (list.IsEmpty()) {
        return 0;
    }
    ECPerformance* performance = list.GetTarget();
    BatchScope scope(list, performance, m_nBatchDepth);
    Batch batch;
    int result = 0;
    try {
        result = Prepare(list, batch);
        if (result != 0) {
            Reserve(list, batch);
            result = Process(list, batch);
        }
        if (result != 0) {
            result = Finish(list, batch);
        }
    } catch (...) {
        Fail(list, batch);
        throw;
    }
    if (result == 0) {
        Fail(list, batch);
        return 0;
    }
    Commit(list, batch);
    if (batch.record != nullptr) {
        Deliver(std::move(batch.record));
    }
    return result;
}

int MCCommandMgr::Prepare(MCCommandList& list, Batch& batch) {
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
        CCBase* command = list.GetNext(pos);
        command->SetCommandPhase(CCBase::PhasePrepared);
        batch.failed = command;
        if (command->Prepare() == 0) {
            return 0;
        }
    }
    batch.failed = nullptr;
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

void MCCommandMgr::Reserve(MCCommandList& list, Batch& batch) {
    int undo = 0;
    int notify = 0;
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
        CCBase* command = list.GetNext(pos);
        undo += command->IsInUndoGroup();
        notify += command->IsInNotifyGroup();
    }
    if (undo > 0 && m_pPendingUndo != nullptr) {
        if (!m_pPendingUndo->GetCommands().Reserve(undo)) {
            throw std::bad_alloc();
        }
        batch.undoEntry = m_pPendingUndo.get();
        batch.reservedUndo = undo;
    }
    if (notify > 0 && m_pPendingNotify != nullptr) {
        if (!m_pPendingNotify->GetCommands().Reserve(notify)) {
            throw std::bad_alloc();
        }
        batch.notifyRecord = m_pPendingNotify.get();
        batch.reservedNotify = notify;
    }
}

int MCCommandMgr::Process(MCCommandList& list, Batch& batch) {
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
        CCBase* command = list.GetNext(pos);
        command->SetCommandPhase(CCBase::PhaseProcessed);
        batch.failed = command;
        if (command->Process() == 0) {
            return 0;
        }
        ++batch.processed;
    }
    batch.failed = nullptr;
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

int MCCommandMgr::Finish(MCCommandList& list, Batch& batch) {
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
        CCBase* command = list.GetNext(pos);
        command->SetCommandPhase(CCBase::PhaseFinished);
        batch.failed = command;
        if (command->Finish() == 0) {
            return 0;
        }
    }
    batch.failed = nullptr;
    return 1;
}

void MCCommandMgr::Commit(MCCommandList& list, Batch& batch) {
    // Nothing takes this batch back from here on, not even the failure of a batch it runs in.
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
        try {
            list.GetNext(pos)->Committed();
        } catch (...) {
        }
    }
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
        CCBase* command = list.GetNext(pos);
        if (command->IsInUndoGroup() != 0) {
            // A node was set aside for it, unless a handler opened another group meanwhile.
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
                // Reserve set a node aside in this record, so this needs no memory; only in
                // a record a handler opened since could it be refused, and then the host
                // misses this one command in the record (nothing is left to tell it with).
                static_cast<void>(m_pPendingNotify->GetCommands().AddTail(command));
            }
            --m_nNotifyDepth;
            if (GetNotifyMode() == 0 && m_nNotifyDepth <= 0) {
                m_nNotifyDepth = 0;
                if (m_pPendingNotify != nullptr && !m_pPendingNotify->GetCommands().IsEmpty()) {
                    batch.record = std::move(m_pPendingNotify);
                }
            }
        }
    }
}

void MCCommandMgr::Fail(MCCommandList& list, Batch& batch) {
    // What was processed is taken back, last first; a revert that fails leaves what it
    // could not take back, as nothing else could.
    for (POSITION pos = list.FindIndex(batch.processed - 1); pos != nullptr;) {
        CCBase* command = list.GetPrev(pos);
        try {
            command->Revert();
        } catch (...) {
        }
    }
    if (batch.undoEntry != nullptr && batch.undoEntry == m_pPendingUndo.get()) {
        batch.undoEntry->GetCommands().Unreserve(batch.reservedUndo);
    }
    if (batch.notifyRecord != nullptr && batch.notifyRecord == m_pPendingNotify.get()) {
        batch.notifyRecord->GetCommands().Unreserve(batch.reservedNotify);
    }
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
        Forget(list.GetNext(pos), &batch.record);
    }
    if (m_pWatch != nullptr && m_nBatchDepth == m_pWatch->m_nDepth + 1) {
        ++m_pWatch->m_nFailures;
    }
    if (batch.failed != nullptr) {
        Abort(batch.failed);
    }
    if (batch.record != nullptr) {
        Deliver(std::move(batch.record));
    }
}

int MCCommandMgr::Abort(CCBase* command) {
    command->Abort();
    auto record = detail::SCRecordSpare::MakeSynchronous(m_pSpareRecord, SCCommand::CodeAborted);
    record->AddCommand(command);
    Deliver(std::move(record));
    return 0;
}

void MCCommandMgr::Trash(std::unique_ptr<MCUndoItem> entry) {
    std::lock_guard lock(s_trashCS);
    MCUndoItem* item = entry.release();
    item->m_pNextTrashed = nullptr;
    if (s_pTrashTail != nullptr) {
        s_pTrashTail->m_pNextTrashed = item;
    } else {
        s_pTrashHead = item;
    }
    s_pTrashTail = item;
    ++s_nTrashCount;
}

MCUndoItem* MCCommandMgr::Entry(int index) const {
    return m_history[m_history.size() - 1 - static_cast<std::size_t>(index)].get();
}

void MCCommandMgr::FinishUndo() {
    std::unique_ptr<MCUndoItem> pending = std::move(m_pPendingUndo);
    if (pending == nullptr) {
        return;
    }
    if (pending->IsEmpty()) {
        Trash(std::move(pending));
        return;
    }
    // New work discards whatever is currently undone.
    for (int i = 0; i < m_nUndoIndex && !m_history.empty(); ++i) {
        Trash(std::move(m_history.back()));
        m_history.pop_back();
    }
    // Opening the group made room for this entry.
    m_history.push_back(std::move(pending));
    const auto limit = static_cast<std::size_t>(s_nUndoCount);
    if (m_history.size() > limit) {
        const std::size_t excess = m_history.size() - limit;
        for (std::size_t i = 0; i < excess; ++i) {
            Trash(std::move(m_history[i]));
        }
        m_history.erase(m_history.begin(), m_history.begin() + static_cast<std::ptrdiff_t>(excess));
    }
    m_nUndoIndex = 0;
}

void MCCommandMgr::FinishNotify() {
    if (m_pPendingNotify == nullptr || m_pPendingNotify->GetCommands().IsEmpty()) {
        return;
    }
    Deliver(std::move(m_pPendingNotify));
}

void MCCommandMgr::Deliver(std::unique_ptr<SCCommand> record) {
    // The state manager deletes the record once its handlers have seen it, and its block
    // comes back here for the next one.
    detail::SCRecordSpare::Catch keep(m_pSpareRecord);
    record.release()->Apply(m_pOwner);
}

void MCCommandMgr::SetUndoMode(int on, const CString* name) {
    CMessageQueue::RequireOwnerThread("MCCommandMgr::SetUndoMode");
    const bool turnOn = on != 0;
    if (turnOn == (GetUndoMode() != 0)) {
        return;
    }
    if (turnOn) {
        auto entry = std::make_unique<MCUndoItem>(name != nullptr ? *name : CString());
        // Room for the entry still pending, which is closed now, and for this one; grown
        // geometrically, so that a group per edit does not copy the history every time.
        if (m_history.capacity() < m_history.size() + 2) {
            m_history.reserve(std::max(m_history.size() + 2, 2 * m_history.capacity()));
        }
        m_nModes |= ModeUndo;
        FinishUndo();
        m_pPendingUndo = std::move(entry);
    } else {
        m_nModes &= ~ModeUndo;
        if (m_nUndoDepth == 0) {
            FinishUndo();
        }
    }
}

void MCCommandMgr::EnsurePendingNotify() {
    if (m_pPendingNotify == nullptr) {
        m_pPendingNotify =
            detail::SCRecordSpare::MakeSynchronous(m_pSpareRecord, SCCommand::CodeFinished);
    }
}

void MCCommandMgr::SetNotifyMode(int on) {
    CMessageQueue::RequireOwnerThread("MCCommandMgr::SetNotifyMode");
    const bool turnOn = on != 0;
    if (turnOn == (GetNotifyMode() != 0)) {
        return;
    }
    if (turnOn) {
        EnsurePendingNotify();
        m_nModes |= ModeNotify;
    } else {
        m_nModes &= ~ModeNotify;
        if (m_nNotifyDepth == 0) {
            FinishNotify();
        }
    }
}

int MCCommandMgr::Undo(int count) {
    CMessageQueue::RequireOwnerThread("MCCommandMgr::Undo");
    if (m_nUndoIndex < 0 || m_nUndoDepth >= 1) {
        return 0;
    }
    const int k = std::min(count, GetUndoCount() - m_nUndoIndex);
    if (k < 1) {
        return 0;
    }
    SetNotifyMode(1);
    int done = 0;
    try {
        while (done < k && m_nUndoIndex < GetUndoCount() &&
               Entry(m_nUndoIndex)->UndoCommands() != 0) {
            ++m_nUndoIndex;
            ++done;
        }
    } catch (...) {
        SetNotifyMode(0);
        throw;
    }
    SetNotifyMode(0);
    return done > 0 ? 1 : 0;
}

int MCCommandMgr::Redo(int count) {
    CMessageQueue::RequireOwnerThread("MCCommandMgr::Redo");
    if (m_nUndoIndex < 1) {
        return 0;
    }
    const int k = std::min(count, m_nUndoIndex);
    if (k < 1) {
        return 0;
    }
    SetNotifyMode(1);
    int done = 0;
    try {
        while (done < k && m_nUndoIndex >= 1 && m_nUndoIndex <= GetUndoCount() &&
               Entry(m_nUndoIndex - 1)->RedoCommands() != 0) {
            --m_nUndoIndex;
            ++done;
        }
    } catch (...) {
        SetNotifyMode(0);
        throw;
    }
    SetNotifyMode(0);
    return done > 0 ? 1 : 0;
}

// How far the walk got shows in GetUndoIndex, which is all this call promises.
void MCCommandMgr::SetUndoIndex(int index) {
    if (m_nUndoIndex <= index) {
        (void)Undo(index - m_nUndoIndex);
    } else {
        (void)Redo(m_nUndoIndex - index);
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
    text = Entry(index)->GetName();
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
    text = Entry(index)->GetName();
    return 1;
}

int MCCommandMgr::ClearUndo() {
    CMessageQueue::RequireOwnerThread("MCCommandMgr::ClearUndo");
    FinishUndo();
    m_nUndoIndex = -1;
    // Each entry leaves the history before it is destroyed: releasing its commands may
    // re-enter the manager.
    while (!m_history.empty()) {
        std::unique_ptr<MCUndoItem> entry = std::move(m_history.back());
        m_history.pop_back();
    }
    return 1;
}

void MCCommandMgr::OnIdle() {
    CMessageQueue::RequireOwnerThread("MCCommandMgr::OnIdle");
    MCUndoItem* trash = nullptr;
    {
        std::lock_guard lock(s_trashCS);
        trash = std::exchange(s_pTrashHead, nullptr);
        s_pTrashTail = nullptr;
        s_nTrashCount = 0;
    }
    // Freed outside the lock, oldest first: releasing commands and elements may run
    // arbitrary destructors.
    while (trash != nullptr) {
        delete std::exchange(trash, trash->m_pNextTrashed);
    }
}

int MCCommandMgr::GetTrashCount() {
    std::lock_guard lock(s_trashCS);
    return s_nTrashCount;
}

int MCCommandMgr::GetUndoLevels() { return s_nUndoCount; }

void MCCommandMgr::SetUndoLevels(int levels) { s_nUndoCount = ClampUndoLevels(levels); }

void MCCommandMgr::BeginUndo(ECPerformance* performance, const CString& name) {
    if (performance == nullptr) {
        return;
    }
    MCCommandMgr& manager = performance->GetCommandMgr();
    // Everything that takes memory comes first, so that a failure opens no group.
    manager.EnsurePendingNotify();
    manager.SetUndoMode(1, &name);
    manager.SetNotifyMode(1);
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

// The document's side of the manager: made, destroyed and called here, where the manager is
// known.

ECPerformance::CommandMgrPtr ECPerformance::MakeCommandMgr(ECPerformance* owner) {
    CommandMgrPtr manager(new MCCommandMgr);
    manager->SetOwner(owner);
    return manager;
}

void ECPerformance::ManagerDeleter::operator()(MCCommandMgr* manager) const { delete manager; }

void ECPerformance::AddCommandHandler(MCCallback handler, void* userData) {
    m_pCommandMgr->AddCommandHandler(handler, userData, 0x7FFFFFFF);
}

void ECPerformance::RemoveCommandHandlers() { m_pCommandMgr->RemoveCommandHandlers(); }

void ECPerformance::SetCommandRate(std::uint32_t rateMs) { m_pCommandMgr->SetCommandRate(rateMs); }

int ECPerformance::Undo(int count) { return m_pCommandMgr->Undo(count); }

int ECPerformance::Redo(int count) { return m_pCommandMgr->Redo(count); }

int ECPerformance::GetUndoIndex() const { return m_pCommandMgr->GetUndoIndex(); }

void ECPerformance::SetUndoIndex(int index) { m_pCommandMgr->SetUndoIndex(index); }

int ECPerformance::GetUndoCount() const { return m_pCommandMgr->GetUndoCount(); }

int ECPerformance::ClearUndo() { return m_pCommandMgr->ClearUndo(); }

int ECPerformance::GetUndoString(CString& text, int index) {
    return m_pCommandMgr->GetUndoString(text, index);
}

int ECPerformance::GetRedoString(CString& text, int index) {
    return m_pCommandMgr->GetRedoString(text, index);
}

} // namespace clavenor
