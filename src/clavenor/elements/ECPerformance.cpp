#include "clavenor/elements/ECPerformance.h"

#include "clavenor/elements/ECConductor.h"
#include "clavenor/framework/CMessageQueue.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/model/detail/MCActiveVersion.h"

namespace clavenor {

static_assert(ECPerformance::LatestLayout == MCActiveVersion::Latest);

IMPLEMENT_SERIAL(ECPerformance, ECWithTimeChild, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECPerformance, EventId::Performance)

namespace {

ECPerformance* s_pActivePerformance = nullptr;

} // namespace

ECPerformance::ECPerformance()
    : m_pCommandMgr(MakeCommandMgr(this)), m_pStateMgr(MakeStateMgr(this)) {
    MCTime zero(0.0f);
    SetTime(&zero);
}

ECPerformance::~ECPerformance() {
    // Commands and records still queued for this document would run against a destroyed
    // one: run them now, while everything is intact.
    SetCommandRate(0);
    for (bool more = true; more;) {
        try {
            more = CMessageQueue::PumpMessagesFor(this) > 0;
        } catch (...) {
            // The failed message is gone; what is still queued for this document runs next.
        }
    }
    if (s_pActivePerformance == this) {
        SetActivePerformance(nullptr);
    }
    BeginDestruction();
    RemoveCommandHandlers();
    ClearUndo();
    RemoveStateHandlers();
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
    ECPerformance* previous = s_pActivePerformance;
    s_pActivePerformance = performance;
    MCActiveVersion::SetSource(performance != nullptr ? &performance->m_nVersion : nullptr);
    return previous;
}

ECPerformance* ECPerformance::GetActivePerformance() { return s_pActivePerformance; }

std::int32_t ECPerformance::GetActiveVersion() { return MCActiveVersion::Get(); }

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

} // namespace clavenor
