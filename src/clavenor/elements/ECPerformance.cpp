#include "clavenor/elements/ECPerformance.h"

#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECPerformance, ECWithTimeChild, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECPerformance, EventId::Performance)

namespace {

ECPerformance* g_activePerformance = nullptr;

} // namespace

ECPerformance::~ECPerformance() {
    if (g_activePerformance == this) {
        g_activePerformance = nullptr;
    }
    BeginDestruction();
    RemoveChildren(1);
}

int ECPerformance::GetEventId() const { return 44; }

ECPerformance* ECPerformance::SetActivePerformance(ECPerformance* performance) {
    ECPerformance* previous = g_activePerformance;
    g_activePerformance = performance;
    return previous;
}

ECPerformance* ECPerformance::GetActivePerformance() { return g_activePerformance; }

std::int32_t ECPerformance::GetActiveVersion() {
    return g_activePerformance != nullptr ? g_activePerformance->m_nVersion : LatestLayout;
}

} // namespace clavenor
