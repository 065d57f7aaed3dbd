#include "clavenor/state/MCStateMgr.h"

#include "clavenor/elements/ECPerformance.h"
#include "clavenor/framework/CMessageQueue.h"
#include "clavenor/state/SCBase.h"

namespace clavenor {

namespace {

// Carries a hand-over made on another thread to the owning thread; lParam is the record,
// whose target is already set.
constexpr UINT kApplyOnOwnerMessage = 0x3284;

HWND s_hWnd = nullptr;
int s_bInitialized = 0;
MCCallback s_pfnGlobalHandler = nullptr;
void* s_pGlobalData = nullptr;

void Discard(SCBase* record) {
    if (record->IsAutoDelete() != 0) {
        delete record;
    }
}

} // namespace

MCStateMgr::MCStateMgr() : m_handlers(10) {
    if (s_bInitialized == 0) {
        Initialize();
    }
}

MCStateMgr::~MCStateMgr() { RemoveStateHandlers(); }

void MCStateMgr::Initialize() {
    if (s_bInitialized != 0) {
        return;
    }
    s_hWnd = CMessageQueue::CreateHiddenWindow("MCStateMgr", &MCStateMgr::StateWndProc);
    s_bInitialized = s_hWnd != nullptr ? 1 : 0;
}

void MCStateMgr::AddStateHandler(MCCallback handler, void* userData) {
    m_handlers.AddCallback(handler, userData);
}

void MCStateMgr::RemoveStateHandlers() { m_handlers.RemoveCallbacks(); }

void MCStateMgr::SetGlobalHandler(MCCallback handler, void* data) {
    Initialize();
    s_pfnGlobalHandler = handler;
    s_pGlobalData = data;
}

void MCStateMgr::ApplyState(SCBase* record, ECPerformance* performance) {
    if (record == nullptr) {
        return;
    }
    if (s_hWnd == nullptr) {
        Discard(record);
        return;
    }
    record->SetTarget(performance);
    const auto lParam = reinterpret_cast<LPARAM>(record);
    if (!CMessageQueue::IsOwnerThread()) {
        if (record->IsSynchronous() != 0) {
            CMessageQueue::SendMessage(s_hWnd, kApplyOnOwnerMessage, 0, lParam);
        } else {
            // Counted, so that destroying the performance first runs the hand-over.
            if (performance != nullptr) {
                performance->NotePosted(1);
            }
            CMessageQueue::PostMessage(s_hWnd, kApplyOnOwnerMessage, 0, lParam);
        }
        return;
    }
    if (performance != nullptr) {
        performance->Ref();
    }
    if (record->IsSynchronous() != 0) {
        CMessageQueue::SendMessage(s_hWnd, StateMessage, 0, lParam);
    } else {
        if (performance != nullptr) {
            performance->NotePosted(1);
        }
        CMessageQueue::PostMessage(s_hWnd, StateMessage, 0, lParam);
    }
}

LRESULT MCStateMgr::OnStateMsg(WPARAM, LPARAM lParam) {
    auto* record = reinterpret_cast<SCBase*>(lParam);
    if (record == nullptr) {
        return 0;
    }
    ECPerformance* target = record->GetTarget();
    if (target != nullptr && record->IsSynchronous() == 0) {
        target->NotePosted(-1);
    }
    // Whatever DoState or a handler throws, the record is discarded and the reference that
    // ApplyState took on its target given back before the exception goes on.
    class Done {
    public:
        Done(SCBase* record, ECPerformance* target) : m_record(record), m_target(target) {}
        ~Done() {
            if (m_target != nullptr) {
                m_target->Unref(0);
            }
            Discard(m_record);
        }
        Done(const Done&) = delete;
        Done& operator=(const Done&) = delete;
        void TargetGivenBack() { m_target = nullptr; }

    private:
        SCBase* m_record;
        ECPerformance* m_target;
    } done(record, target);
    record->DoState();
    if (target != nullptr) {
        done.TargetGivenBack();
        target->GetStateMgr().OnState(record);
    } else if (HWND main = CMessageQueue::GetMainWindow()) {
        CMessageQueue::SendMessage(main, StateMessage, 0, lParam);
    }
    return 0;
}

void MCStateMgr::OnState(SCBase* record) {
    ECPerformance* target = record->GetTarget();
    // Given back also when a handler throws.
    class GiveBack {
    public:
        explicit GiveBack(ECPerformance* target) : m_target(target) {}
        ~GiveBack() {
            if (m_target != nullptr) {
                m_target->Unref(0);
            }
        }
        GiveBack(const GiveBack&) = delete;
        GiveBack& operator=(const GiveBack&) = delete;

    private:
        ECPerformance* m_target;
    } giveBack(target);
    m_handlers.CallCallbacks(m_pOwner, 0, record);
    if (s_pfnGlobalHandler != nullptr) {
        s_pfnGlobalHandler(m_pOwner, 0, record, s_pGlobalData);
    }
}

LRESULT MCStateMgr::StateWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == StateMessage) {
        return OnStateMsg(wParam, lParam);
    }
    if (message == kApplyOnOwnerMessage) {
        auto* record = reinterpret_cast<SCBase*>(lParam);
        if (record->IsSynchronous() == 0 && record->GetTarget() != nullptr) {
            record->GetTarget()->NotePosted(-1);
        }
        ApplyState(record, record->GetTarget());
        return 0;
    }
    return CMessageQueue::DefWindowProc(window, message, wParam, lParam);
}

} // namespace clavenor
