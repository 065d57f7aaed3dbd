#include "clavenor/commands/CCEditGraph.h"

#include "clavenor/commands/detail/MCEditRun.h"
#include "clavenor/elements/ECConductor.h"
#include "clavenor/elements/ECConductorStaff.h"
#include "clavenor/elements/ECMeasure.h"
#include "clavenor/elements/ECPerformance.h"
#include "clavenor/model/ECBase.h"
#include "clavenor/model/EventRegistry.h"

#include <new>
#include <utility>
#include <vector>

namespace clavenor {

IMPLEMENT_SERIAL(CCEditGraph, CCBase, 2 | CRuntimeClass::VersionableSchema)

namespace {

bool IsChildOf(ECBase* child, ECBase* parent) {
    return child->GetParents()->FindNearEnds(parent) != nullptr;
}

} // namespace

CCEditGraph::CCEditGraph() : m_pRun(std::make_unique<MCEditRun>()) {}

CCEditGraph::CCEditGraph(MCEventList& events) : CCEditGraph() {
    for (ECBase* element : events) {
        if (m_events.AddTail(element) == nullptr) {
            throw std::bad_alloc();
        }
    }
}

CCEditGraph::~CCEditGraph() {
    // The graphs let go before the run: the run's holds then decide what is taken apart.
    m_newGraph.clear();
    m_oldGraph.clear();
    m_pRun.reset();
}

int CCEditGraph::GetCommandId() const { return 26; }

CCEditGraph::Items& CCEditGraph::GetGraphItems(int which) {
    return which == 0 ? m_newGraph : m_oldGraph;
}

void CCEditGraph::SetGraphItems(int which, const Items& items) {
    Items& graph = GetGraphItems(which);
    graph.reserve(graph.size() + items.size());
    for (const auto& item : items) {
        graph.push_back(std::make_unique<CCEditGraphItem>(item->GetEvent(), item->GetParents(),
                                                          item->GetChildren()));
    }
}

bool CCEditGraph::Accepts(ECBase* element) const {
    if (element == nullptr) {
        return false;
    }
    // The document's frame and its tracks are placed by the conductor's tables, not by
    // links.
    const int id = element->GetEventId();
    if (id == EventId::Performance || id == EventId::Conductor || id == EventId::ConductorStaff ||
        id == EventId::Staff || id == EventId::WaveTrack) {
        return false;
    }
    ECBase* performance = element->GetAncestor(EventId::Performance, -1);
    return performance == nullptr || performance == GetTarget();
}

int CCEditGraph::Prepare() {
    if (CCBase::Prepare() == 0) {
        return 0;
    }
    if (!m_pRun->IsTakeBack()) {
        for (Items* graph : {&m_oldGraph, &m_newGraph}) {
            for (const auto& item : *graph) {
                if (!Accepts(item->GetEvent())) {
                    return 0;
                }
                for (MCEventList* list : {&item->GetParents(), &item->GetChildren()}) {
                    for (ECBase* element : *list) {
                        if (!Accepts(element)) {
                            return 0;
                        }
                    }
                }
            }
        }
    }
    return m_pRun->Prepare(m_pConductor);
}

int CCEditGraph::Process() {
    CCBase::Process();
    ECConductorStaff* conductorStaff = MCEditRun::FindConductorStaff(m_pConductor);
    try {
        m_pRun->Process([this, conductorStaff](MCEditRun& run) {
            MCEditJournal& journal = run.Journal();
            for (const auto& item : m_oldGraph) {
                ECBase* event = item->GetEvent();
                std::vector<ECBase*> parents(event->GetParents()->begin(),
                                             event->GetParents()->end());
                for (ECBase* parent : parents) {
                    journal.Unlink(parent, event);
                }
                if (MCEventList* children = event->GetChildren()) {
                    std::vector<ECBase*> list(children->begin(), children->end());
                    for (ECBase* child : list) {
                        journal.Unlink(event, child);
                    }
                }
            }
            for (const auto& item : m_newGraph) {
                ECBase* event = item->GetEvent();
                for (ECBase* parent : item->GetParents()) {
                    if (!IsChildOf(event, parent) && !journal.Link(parent, event)) {
                        throw std::bad_alloc();
                    }
                    if (parent->GetParents()->IsEmpty() && conductorStaff != nullptr &&
                        parent->GetTime() != nullptr) {
                        ECMeasure* measure = conductorStaff->GetMeasure(parent->GetTrack(),
                                                                        *parent->GetTime(), 0, 1);
                        if (measure != nullptr && measure != parent) {
                            journal.Link(measure, parent);
                        }
                    }
                }
                for (ECBase* child : item->GetChildren()) {
                    if (!IsChildOf(child, event) && !journal.Link(event, child)) {
                        throw std::bad_alloc();
                    }
                }
            }
        });
    } catch (const std::bad_alloc&) {
        // Refused links and lack of memory look alike from here; either way nothing changed.
        return 0;
    }
    return 1;
}

void CCEditGraph::Revert() { m_pRun->Revert(); }

void CCEditGraph::Undo() {
    if (m_pRun->IsTakeBack() || !m_pRun->IsInEffect()) {
        return;
    }
    auto inverse = std::make_unique<CCEditGraph>();
    inverse->SetGraphItems(0, m_oldGraph);
    inverse->SetGraphItems(1, m_newGraph);
    inverse->m_pRun->TakeBackOf(this, m_pRun.get());
    inverse->SetCanUndo(0);
    ApplyInverse(std::move(inverse));
}

} // namespace clavenor
