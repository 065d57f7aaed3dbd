#include "clavenor/elements/ECPerformance.h"

#include "clavenor/elements/ECConductor.h"
#include "clavenor/framework/CMessageQueue.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECPerformance, ECWithTimeChild, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECPerformance, EventId::Performance)

namespace {

ECPerformance* g_activePerformance = nullptr;

} // namespace

ECPerformance::ECPerformance() {
    MCTime zero(0.0f);
    SetTime(&zero);
    m_commandMgr.SetOwner(this);
    m_stateMgr.SetOwner(this);
}

ECPerformance::~ECPerformance() {
    // Commands and records still queued for this document would run against a destroyed
    // one: run them now, while everything is intact.
    m_commandMgr.SetCommandRate(0);
    // A destructor cannot pass on what a handler of that work throws; the rest still runs.
    for (bool more = true; more && m_nPosted > 0 && CMessageQueue::IsOwnerThread();) {
        try {
            more = CMessageQueue::PumpMessages() > 0;
        } catch (...) {
            more = true;
        }
    }
    if (g_activePerformance == this) {
        g_activePerformance = nullptr;
    }
    BeginDestruction();
    m_commandMgr.RemoveCommandHandlers();
    m_commandMgr.ClearUndo();
    m_stateMgr.RemoveStateHandlers();
    RemoveChildren(1);
}

ECPerformance& ECPerformance::operator=(const ECPerformance& other) {
    ECWithTimeChild::operator=(other);
    return *this;
}

void ECPerformance::Serialize(CArchive& ar) {
    std::lock_guard lock(m_lock);
    ECWithTimeChild::Serialize(ar);
    if (ar.IsLoading()) {
        m_pConductor = nullptr;
        GetConductor();
    }
}

ECBase* ECPerformance::Copy(CObject* src) { return CopyAs(this, src); }

int ECPerformance::GetEventId() const { return EventId::Performance; }

int ECPerformance::GetParentTypes(CArray<int, int>&) { return 0; }

ECPerformance* ECPerformance::SetActivePerformance(ECPerformance* performance) {
    ECPerformance* previous = g_activePerformance;
    g_activePerformance = performance;
    return previous;
}

ECPerformance* ECPerformance::GetActivePerformance() { return g_activePerformance; }

std::int32_t ECPerformance::GetActiveVersion() {
    return g_activePerformance != nullptr ? g_activePerformance->m_nVersion : LatestLayout;
}

ECConductor* ECPerformance::GetConductor() {
    // The remembered conductor may have been removed (and destroyed) since; compare
    // pointers only, never touch it, until it is known to be a child still.
    if (m_pConductor != nullptr && GetChildren()->Find(m_pConductor) == nullptr) {
        m_pConductor = nullptr;
    }
    if (m_pConductor == nullptr) {
        m_pConductor = static_cast<ECConductor*>(GetDescendant(EventId::Conductor, -1));
    }
    return m_pConductor;
}

void ECPerformance::AddCommandHandler(MCCallback handler, void* userData) {
    m_commandMgr.AddCommandHandler(handler, userData, 0x7FFFFFFF);
}

void ECPerformance::RemoveCommandHandlers() { m_commandMgr.RemoveCommandHandlers(); }

void ECPerformance::SetCommandRate(std::uint32_t rateMs) { m_commandMgr.SetCommandRate(rateMs); }

int ECPerformance::Undo(int count) { return m_commandMgr.Undo(count); }

int ECPerformance::Redo(int count) { return m_commandMgr.Redo(count); }

int ECPerformance::GetUndoIndex() const { return m_commandMgr.GetUndoIndex(); }

void ECPerformance::SetUndoIndex(int index) { m_commandMgr.SetUndoIndex(index); }

int ECPerformance::GetUndoCount() const { return m_commandMgr.GetUndoCount(); }

int ECPerformance::ClearUndo() { return m_commandMgr.ClearUndo(); }

int ECPerformance::GetUndoString(CString& text, int index) {
    return m_commandMgr.GetUndoString(text, index);
}

int ECPerformance::GetRedoString(CString& text, int index) {
    return m_commandMgr.GetRedoString(text, index);
}

void ECPerformance::AddStateHandler(MCCallback handler, void* userData) {
    m_stateMgr.AddStateHandler(handler, userData);
}

void ECPerformance::RemoveStateHandlers() { m_stateMgr.RemoveStateHandlers(); }

} // namespace clavenor
