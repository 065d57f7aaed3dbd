#include "clavenor/state/MCStateMgr.h"

#include "clavenor/elements/ECPerformance.h"
#include "clavenor/framework/CMessageQueue.h"
#include "clavenor/framework/detail/CHandOverWindow.h"
#include "clavenor/model/detail/MCDocumentHold.h"
#include "clavenor/state/SCBase.h"

#include <memory>

namespace clavenor {

namespace {

void Deliver(WPARAM wParam, LPARAM payload) { MCStateMgr::OnStateMsg(wParam, payload); }

// A record handed over on another thread, handed over again on the owning one.
void Redispatch(WPARAM, LPARAM payload) {
    auto* record = reinterpret_cast<SCBase*>(payload);
    MCStateMgr::ApplyState(record, record->GetTarget());
}

constinit CHandOverWindow s_window("MCStateMgr", LibraryMessage::State, LibraryMessage::StateRelay,
                                   &Deliver, &Redispatch);
MCCallback s_pfnGlobalHandler = nullptr;
void* s_pGlobalData = nullptr;

void Discard(SCBase* record) {
    if (record->IsAutoDelete() != 0) {
        delete record;
    }
}

// Discards a delivered record, also when its delivery throws.
struct Discarder {
    void operator()(SCBase* record) const { Discard(record); }
};

} // namespace

MCStateMgr::MCStateMgr() : m_handlers(10) { Initialize(); }

MCStateMgr::~MCStateMgr() { RemoveStateHandlers(); }

void MCStateMgr::Initialize() { s_window.Initialize(&MCStateMgr::StateWndProc); }

void MCStateMgr::AddStateHandler(MCCallback handler, void* userData) {
    // The installer has no result: a null handler, or no memory, installs nothing.
    (void)m_handlers.AddCallback(handler, userData);
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
    if (!s_window.IsInitialized()) {
        Discard(record);
        return;
    }
    record->SetTarget(performance);
    const bool synchronous = record->IsSynchronous() != 0;
    // On the owning thread the message carries a hold on the document, which delivery gives
    // back; another thread relays the record, and the owning thread takes the hold then.
    MCDocumentHold hold(CMessageQueue::IsOwnerThread() ? performance : nullptr);
    if (synchronous) {
        hold.Release();
        s_window.HandOver(0, record, true, performance);
        return;
    }
    bool posted = false;
    try {
        posted = s_window.HandOver(0, record, false, performance);
    } catch (...) {
        Discard(record);
        throw;
    }
    if (!posted) {
        Discard(record);
        return;
    }
    hold.Release();
}

LRESULT MCStateMgr::OnStateMsg(WPARAM, LPARAM lParam) {
    auto* record = reinterpret_cast<SCBase*>(lParam);
    if (record == nullptr) {
        return 0;
    }
    ECPerformance* target = record->GetTarget();
    // Whatever DoState or a handler throws, the hold that ApplyState took on the target is
    // given back and then the record discarded, before the exception goes on.
    std::unique_ptr<SCBase, Discarder> delivered(record);
    MCDocumentHold hold = MCDocumentHold::Adopt(target);
    record->DoState();
    if (target != nullptr) {
        hold.Release(); // OnState gives it back
        target->GetStateMgr().OnState(record);
    } else if (HWND main = CMessageQueue::GetMainWindow()) {
        CMessageQueue::SendMessage(main, StateMessage, 0, lParam);
    }
    return 0;
}

void MCStateMgr::OnState(SCBase* record) {
    MCDocumentHold hold = MCDocumentHold::Adopt(record->GetTarget());
    m_handlers.CallCallbacks(m_pOwner, 0, record);
    if (s_pfnGlobalHandler != nullptr) {
        s_pfnGlobalHandler(m_pOwner, 0, record, s_pGlobalData);
    }
}

LRESULT MCStateMgr::StateWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return s_window.Procedure(window, message, wParam, lParam);
}

// The document's side of the manager: made, destroyed and called here, where the manager is
// known.

ECPerformance::StateMgrPtr ECPerformance::MakeStateMgr(ECPerformance* owner) {
    StateMgrPtr manager(new MCStateMgr);
    manager->SetOwner(owner);
    return manager;
}

void ECPerformance::ManagerDeleter::operator()(MCStateMgr* manager) const { delete manager; }

void ECPerformance::AddStateHandler(MCCallback handler, void* userData) {
    m_pStateMgr->AddStateHandler(handler, userData);
}

void ECPerformance::RemoveStateHandlers() { m_pStateMgr->RemoveStateHandlers(); }

} // namespace clavenor
