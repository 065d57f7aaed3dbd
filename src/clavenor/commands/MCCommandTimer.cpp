#include "clavenor/commands/MCCommandTimer.h"

#include "clavenor/commands/CCBase.h"
#include "clavenor/commands/MCCommandMgr.h"
#include "clavenor/elements/ECPerformance.h"

namespace clavenor {

MCCommandTimer::MCCommandTimer(MCCommandMgr* manager, std::uint32_t rateMs)
    : m_pManager(manager), m_nRate(rateMs), m_queue(10) {
    CreateHidden("MCCommandTimer");
}

MCCommandTimer::~MCCommandTimer() {
    StopTimer();
    try {
        SendCommands();
    } catch (...) {
        // A destructor cannot report; the batch gave back what it held either way.
    }
    DestroyWindow();
}

void MCCommandTimer::AddCommand(CCBase* command) {
    if (command == nullptr) {
        return;
    }
    if (m_queue.AddTail(command) == nullptr) {
        throw std::bad_alloc();
    }
    ++m_nDispatches;
    StartTimer();
}

void MCCommandTimer::AddCommands(MCCommandList* commands) {
    if (commands == nullptr || commands->IsEmpty()) {
        return;
    }
    const std::int32_t before = m_queue.GetCount();
    m_queue.AddTail(commands);
    if (m_queue.GetCount() != before + commands->GetCount()) {
        while (m_queue.GetCount() > before) {
            m_queue.RemoveTail();
        }
        throw std::bad_alloc();
    }
    ++m_nDispatches;
    StartTimer();
}

void MCCommandTimer::SendCommands() {
    if (m_queue.IsEmpty()) {
        return;
    }
    // The batch runs from a list of its own: a handler that pumps messages may queue new
    // commands here meanwhile, and they wait for the next batch.
    MCCommandList batch(10);
    batch.TakeAll(m_queue);
    // Each dispatch merged into the batch took a hold on the document, and the batch gives
    // back one; the others are given back here, also when the batch throws.
    class MergedHolds {
    public:
        MergedHolds(ECPerformance* target, int count) : m_target(target), m_nCount(count) {}
        ~MergedHolds() {
            for (int i = 0; m_target != nullptr && i < m_nCount; ++i) {
                m_target->Unref(0);
            }
        }
        MergedHolds(const MergedHolds&) = delete;
        MergedHolds& operator=(const MergedHolds&) = delete;

    private:
        ECPerformance* m_target;
        int m_nCount;
    } merged(batch.GetTarget(), m_nDispatches - 1);
    m_nDispatches = 0;
    m_pManager->OnCommand(batch);
}

void MCCommandTimer::StartTimer() {
    if (m_nTimerId == 0) {
        m_nTimerId = SetTimer(TimerId, m_nRate);
    }
}

void MCCommandTimer::StopTimer() {
    if (m_nTimerId != 0) {
        KillTimer(m_nTimerId);
        m_nTimerId = 0;
    }
}

void MCCommandTimer::OnTimer(UINT_PTR id) {
    if (id != m_nTimerId || m_nTimerId == 0) {
        CWnd::OnTimer(id);
        return;
    }
    StopTimer();
    SendCommands();
}

} // namespace clavenor
