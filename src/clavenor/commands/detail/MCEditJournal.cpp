#include "clavenor/commands/detail/MCEditJournal.h"

#include "clavenor/caches/MCStaffCache.h"
#include "clavenor/elements/ECConductor.h"
#include "clavenor/elements/ECConductorMeasure.h"
#include "clavenor/elements/ECConductorStaff.h"
#include "clavenor/elements/ECEnvelope.h"
#include "clavenor/elements/ECMirror.h"
#include "clavenor/elements/MCMirrorList.h"
#include "clavenor/framework/detail/ReserveOneMore.h"
#include "clavenor/model/ECBase.h"
#include "clavenor/model/EventRegistry.h"

#include <new>
#include <utility>

namespace clavenor {

namespace {

// Holds `element` for as long as a parked link needs it as the neighbour to go back after.
void HoldNeighbour(ECBase* element) {
    if (element != nullptr) {
        element->Ref();
    }
}

void ReleaseNeighbour(ECBase* element) {
    if (element != nullptr) {
        element->Unref(1);
    }
}

MCEventList* MirrorsOf(ECBase* element) {
    auto* list = dynamic_cast<MCMirrorList*>(element);
    return list != nullptr ? &list->GetMirrors() : nullptr;
}

} // namespace

MCEditJournal::MCEditJournal() = default;

MCEditJournal::~MCEditJournal() { Clear(); }

void MCEditJournal::ReserveStep() { ReserveOneMore(m_steps); }

void MCEditJournal::NoteStep(Kind kind, std::size_t entry) {
    if (!m_steps.empty() && m_steps.back().kind == kind &&
        m_steps.back().first + m_steps.back().count == entry) {
        ++m_steps.back().count;
        return;
    }
    m_steps.push_back(Step{kind, static_cast<std::uint32_t>(entry), 1});
}

void MCEditJournal::SetTime(ECBase* element, const MCTime& time) {
    MCTime* now = element != nullptr ? element->GetTime() : nullptr;
    if (now == nullptr || !m_bInEffect) {
        return;
    }
    ReserveStep();
    m_times.push_back(TimeChange{element, time});
    element->Ref();
    std::swap(*now, m_times.back().time);
    NoteStep(Kind::Time, m_times.size() - 1);
    m_bStaffCaches = m_bStaffCaches || MCStaffCache::IsCacheEvent(element) != 0;
}

bool MCEditJournal::Link(ECBase* parent, ECBase* child) {
    auto* container = dynamic_cast<ECWithChild*>(parent);
    if (container == nullptr || child == nullptr || !m_bInEffect ||
        child->GetParents()->FindNearEnds(parent) != nullptr) {
        return false;
    }
    ReserveStep();
    m_links.push_back(LinkChange{container, child, {}, true, false});
    if (container->AddChild(child, 1) == 0) {
        m_links.pop_back();
        throw std::bad_alloc();
    }
    container->AddCommandHold();
    child->AddCommandHold();
    NoteStep(Kind::Link, m_links.size() - 1);
    m_bStaffCaches = m_bStaffCaches || CarriesStaffCache(child);
    return true;
}

bool MCEditJournal::Unlink(ECBase* parent, ECBase* child) {
    auto* container = dynamic_cast<ECWithChild*>(parent);
    if (container == nullptr || child == nullptr || !m_bInEffect) {
        return false;
    }
    ReserveStep();
    m_links.push_back(LinkChange{container, child, {}, false, true});
    LinkChange& change = m_links.back();
    if (container->ParkChild(child, m_park, change.link) == 0) {
        m_links.pop_back();
        return false;
    }
    HoldNeighbour(change.link.childBefore);
    HoldNeighbour(change.link.parentBefore);
    container->AddCommandHold();
    child->AddCommandHold();
    NoteStep(Kind::Link, m_links.size() - 1);
    m_bStaffCaches = m_bStaffCaches || CarriesStaffCache(child);
    return true;
}

void MCEditJournal::SortChildren(ECBase* owner) {
    MCEventList* children = nullptr;
    std::vector<ECBase*> order;
    if (!TakeOrder(owner, children, order)) {
        return;
    }
    children->Sort();
    POSITION pos = children->GetHeadPosition();
    bool same = true;
    for (std::size_t i = 0; same && pos != nullptr; ++i) {
        same = children->GetNext(pos) == order[i];
    }
    if (same) {
        return;
    }
    m_bStaffCaches = m_bStaffCaches || ReordersStaffCache(owner, order);
    NoteOrder(owner, std::move(order));
    Reordered(owner);
}

void MCEditJournal::KeepOrder(ECBase* owner) {
    MCEventList* children = nullptr;
    std::vector<ECBase*> order;
    if (!TakeOrder(owner, children, order)) {
        return;
    }
    // The change is yet to come, so any order of such elements may follow.
    for (ECBase* element : order) {
        m_bStaffCaches = m_bStaffCaches || CarriesStaffCache(element);
    }
    NoteOrder(owner, std::move(order));
}

bool MCEditJournal::TakeOrder(ECBase* owner, MCEventList*& children, std::vector<ECBase*>& order) {
    children = owner != nullptr ? owner->GetChildren() : nullptr;
    if (children == nullptr || !m_bInEffect) {
        return false;
    }
    order.reserve(static_cast<std::size_t>(children->GetCount()));
    for (ECBase* element : *children) {
        order.push_back(element);
    }
    ReserveStep();
    ReserveOneMore(m_orders);
    return true;
}

void MCEditJournal::NoteOrder(ECBase* owner, std::vector<ECBase*> order) {
    owner->Ref();
    for (ECBase* element : order) {
        element->Ref();
    }
    m_orders.push_back(OrderChange{owner, std::move(order)});
    NoteStep(Kind::Order, m_orders.size() - 1);
}

void MCEditJournal::SortTracks(ECConductor* conductor) {
    for (ECBase* track : *conductor->GetChildren()) {
        const int id = track->GetEventId();
        if (id != EventId::ConductorStaff && id != EventId::Staff && id != EventId::WaveTrack) {
            continue;
        }
        SortChildren(track);
        for (ECBase* child : *track->GetChildren()) {
            if (dynamic_cast<ECEnvelope*>(child) != nullptr) {
                SortChildren(child);
            }
        }
    }
}

bool MCEditJournal::CarriesStaffCache(ECBase* element) {
    // By event id rather than by class: every link step asks, and a dynamic_cast that fails
    // walks the class tree comparing type names.
    switch (element->GetEventId()) {
    case EventId::Clef:
    case EventId::Key:
    case EventId::Measure:
    case EventId::ConductorMeasure:
    case EventId::Staff:
    case EventId::ConductorStaff:
        return true;
    default:
        return false;
    }
}

bool MCEditJournal::ReordersStaffCache(ECBase* owner, const std::vector<ECBase*>& order) {
    auto before = order.begin();
    auto nextCarrier = [&before, &order] {
        while (before != order.end() && !CarriesStaffCache(*before)) {
            ++before;
        }
    };
    for (ECBase* element : *owner->GetChildren()) {
        if (!CarriesStaffCache(element)) {
            continue;
        }
        nextCarrier();
        if (before == order.end() || *before != element) {
            return true;
        }
        ++before;
    }
    nextCarrier();
    return before != order.end();
}

void MCEditJournal::Reordered(ECBase* owner) {
    if (auto* list = dynamic_cast<ECWithChild*>(owner)) {
        list->NoteChildrenReordered();
    }
}

void MCEditJournal::InsertColumns(ECConductorStaff* staff, int index,
                                  const std::vector<ECConductorMeasure*>& columns,
                                  const MCTime& end) {
    if (staff == nullptr || columns.empty() || !m_bInEffect) {
        return;
    }
    ReserveStep();
    staff->ReserveColumns(static_cast<int>(columns.size()));
    m_columns.push_back(
        ColumnChange{staff, index, columns, end, staff->GetMaxMeasureEndTime(), true, false});
    ColumnChange& change = m_columns.back();
    staff->Ref();
    for (ECConductorMeasure* column : change.columns) {
        column->Ref();
    }
    ToggleColumns(change, true);
    NoteStep(Kind::Columns, m_columns.size() - 1);
    m_bStaffCaches = true;
}

void MCEditJournal::RemoveColumns(ECConductorStaff* staff, int index, int count,
                                  const MCTime& end) {
    if (staff == nullptr || count <= 0 || !m_bInEffect) {
        return;
    }
    std::vector<ECConductorMeasure*> columns;
    for (int i = 0; i < count; ++i) {
        if (ECConductorMeasure* column = staff->GetColumn(index + i)) {
            columns.push_back(column);
        }
    }
    if (columns.empty()) {
        return;
    }
    ReserveStep();
    m_columns.push_back(ColumnChange{staff, index, std::move(columns),
                                     staff->GetMaxMeasureEndTime(), end, false, true});
    ColumnChange& change = m_columns.back();
    staff->Ref();
    for (ECConductorMeasure* column : change.columns) {
        column->Ref();
    }
    ToggleColumns(change, true);
    NoteStep(Kind::Columns, m_columns.size() - 1);
    m_bStaffCaches = true;
}

void MCEditJournal::SetEndTime(ECConductorStaff* staff, const MCTime& end) {
    if (staff == nullptr || !m_bInEffect) {
        return;
    }
    // A column change without columns: inserting none gives the end time it names,
    // removing none gives back the one it had.
    ReserveStep();
    m_columns.push_back(ColumnChange{
        staff, staff->GetMaxMeasureNumber(), {}, end, staff->GetMaxMeasureEndTime(), true, false});
    ColumnChange& change = m_columns.back();
    staff->Ref();
    ToggleColumns(change, true);
    NoteStep(Kind::Columns, m_columns.size() - 1);
    m_bStaffCaches = true;
}

bool MCEditJournal::DetachMirror(ECMirror* mirror) {
    ECBase* event = mirror != nullptr ? mirror->GetMirrorEvent() : nullptr;
    MCEventList* mirrors = MirrorsOf(event);
    if (mirrors == nullptr || mirrors->FindNearEnds(mirror) == nullptr || !m_bInEffect) {
        return false;
    }
    ReserveStep();
    m_mirrors.push_back(MirrorChange{mirror, event, nullptr, nullptr, false});
    mirror->Ref();
    event->Ref();
    ToggleMirror(m_mirrors.back(), true);
    NoteStep(Kind::Mirror, m_mirrors.size() - 1);
    return true;
}

void MCEditJournal::WithdrawMirror(ECMirror* mirror) {
    DetachMirror(mirror);
    const std::vector<ECBase*> parents(mirror->GetParents()->begin(), mirror->GetParents()->end());
    for (ECBase* parent : parents) {
        Unlink(parent, mirror);
    }
}

bool MCEditJournal::DetachAnchorGroup(ECEnvelope* envelope, MCEventList* group) {
    if (envelope == nullptr || group == nullptr || !m_bInEffect) {
        return false;
    }
    ReserveStep();
    m_groups.reserve(m_groups.size() + 1);
    int index = 0;
    std::unique_ptr<MCEventList> detached = envelope->DetachAnchorGroup(group, index);
    if (detached == nullptr) {
        return false;
    }
    envelope->Ref();
    m_groups.push_back(GroupChange{envelope, group, std::move(detached), index});
    NoteStep(Kind::Group, m_groups.size() - 1);
    return true;
}

void MCEditJournal::TakeBack() {
    if (m_bInEffect) {
        Run(false);
        m_bInEffect = false;
    }
}

void MCEditJournal::MakeAgain() {
    if (!m_bInEffect) {
        Run(true);
        m_bInEffect = true;
    }
}

void MCEditJournal::Run(bool forward) {
    if (forward) {
        for (const Step& step : m_steps) {
            for (std::uint32_t i = 0; i < step.count; ++i) {
                Toggle(step.kind, step.first + i, true);
            }
        }
        return;
    }
    for (auto step = m_steps.rbegin(); step != m_steps.rend(); ++step) {
        for (std::uint32_t i = step->count; i-- > 0;) {
            Toggle(step->kind, step->first + i, false);
        }
    }
}

void MCEditJournal::Toggle(Kind kind, std::size_t entry, bool forward) {
    switch (kind) {
    case Kind::Time: {
        TimeChange& change = m_times[entry];
        std::swap(*change.element->GetTime(), change.time);
        break;
    }
    case Kind::Link:
        ToggleLink(m_links[entry], forward);
        break;
    case Kind::Order:
        ExchangeOrder(m_orders[entry]);
        break;
    case Kind::Columns:
        ToggleColumns(m_columns[entry], forward);
        break;
    case Kind::Mirror:
        ToggleMirror(m_mirrors[entry], forward);
        break;
    case Kind::Group:
        ToggleGroup(m_groups[entry], forward);
        break;
    }
}

void MCEditJournal::ToggleLink(LinkChange& change, bool forward) {
    const bool linked = forward == change.linkedInEffect;
    if (linked && change.parked) {
        if (change.parent->UnparkChild(change.child, m_park, change.link) != 0) {
            change.parked = false;
            ReleaseNeighbour(change.link.childBefore);
            ReleaseNeighbour(change.link.parentBefore);
        }
    } else if (!linked && !change.parked) {
        if (change.parent->ParkChild(change.child, m_park, change.link) != 0) {
            change.parked = true;
            HoldNeighbour(change.link.childBefore);
            HoldNeighbour(change.link.parentBefore);
        }
    }
}

bool MCEditJournal::HoldsExactly(ECBase* owner, const std::vector<ECBase*>& order) {
    MCEventList* children = owner->GetChildren();
    if (children == nullptr || static_cast<std::size_t>(children->GetCount()) != order.size()) {
        return false;
    }
    for (ECBase* element : order) {
        if (element->GetParents()->FindNearEnds(owner) == nullptr) {
            return false;
        }
    }
    return true;
}

bool MCEditJournal::PutOrder(ECBase* owner, const std::vector<ECBase*>& order) {
    if (owner == nullptr || !HoldsExactly(owner, order)) {
        return false;
    }
    // Held across the rewrite: a node written over lets go of an element that a later node
    // takes again.
    for (ECBase* element : order) {
        element->Ref();
    }
    MCEventList* children = owner->GetChildren();
    std::size_t i = 0;
    for (POSITION pos = children->GetHeadPosition(); pos != nullptr; ++i) {
        const POSITION at = pos;
        if (children->GetNext(pos) != order[i]) {
            children->SetAt(at, order[i]);
        }
    }
    for (ECBase* element : order) {
        element->Unref(1);
    }
    Reordered(owner);
    return true;
}

void MCEditJournal::ExchangeOrder(OrderChange& change) {
    MCEventList* children = change.owner->GetChildren();
    // Another list than the one sorted (changed behind the journal's back) keeps its order.
    // A count alone does not tell: one child out and another in would have the exchange
    // write an element into a list it is no longer in, and take out one that is, breaking
    // the links both ways. Links are kept both ways, so when every recorded element still
    // lists the owner among its parents and the count is the same, the list holds exactly
    // the recorded elements.
    if (!HoldsExactly(change.owner, change.order)) {
        return;
    }
    // The journal holds every element of the order, so a node that lets go of one never
    // frees it.
    std::size_t i = 0;
    for (POSITION pos = children->GetHeadPosition(); pos != nullptr; ++i) {
        const POSITION at = pos;
        ECBase* now = children->GetNext(pos);
        if (now != change.order[i]) {
            children->SetAt(at, change.order[i]);
            change.order[i] = now;
        }
    }
    Reordered(change.owner);
}

void MCEditJournal::ToggleColumns(ColumnChange& change, bool forward) {
    const bool inserted = forward == change.insertedInEffect;
    const int count = static_cast<int>(change.columns.size());
    if (inserted && !change.inserted) {
        if (change.index > change.staff->GetMaxMeasureNumber()) {
            return;
        }
        change.staff->InsertColumns(change.index, change.columns.data(), count, change.endWith);
        change.inserted = true;
    } else if (!inserted && change.inserted) {
        bool exact = true;
        for (int i = 0; i < count && exact; ++i) {
            exact = change.staff->GetColumn(change.index + i) == change.columns[i];
        }
        if (exact) {
            change.staff->RemoveColumns(change.index, count, change.endWithout);
        } else {
            // The map changed behind the journal's back: whichever of the columns it still
            // names leave it, so that it never names one the journal may let go.
            const MCTime end = change.staff->GetMaxMeasureEndTime();
            for (ECConductorMeasure* column : change.columns) {
                for (int at = 0; at < change.staff->GetMaxMeasureNumber(); ++at) {
                    if (change.staff->GetColumn(at) == column) {
                        change.staff->RemoveColumns(at, 1, end);
                        break;
                    }
                }
            }
        }
        change.inserted = false;
    }
}

void MCEditJournal::ToggleMirror(MirrorChange& change, bool forward) {
    MCEventList* mirrors = MirrorsOf(change.event);
    if (forward && !change.detached) {
        POSITION pos = mirrors->FindNearEnds(change.mirror);
        if (pos == nullptr) {
            return;
        }
        POSITION before = pos;
        mirrors->GetPrev(before);
        change.before = before != nullptr ? mirrors->GetAt(before) : nullptr;
        HoldNeighbour(change.before);
        change.node = m_park.MoveEventAfter(*mirrors, pos, m_park.GetTailPosition());
        change.mirror->SetMirrorEvent(nullptr, 0);
        change.detached = true;
    } else if (!forward && change.detached) {
        POSITION after = nullptr;
        if (change.before != nullptr) {
            after = mirrors->FindNearEnds(change.before);
            if (after == nullptr) {
                after = mirrors->GetTailPosition();
            }
        }
        // The moved node needs no position kept: it is found by its mirror.
        (void)mirrors->MoveEventAfter(m_park, change.node, after);
        change.mirror->SetMirrorEvent(change.event, 0);
        ReleaseNeighbour(change.before);
        change.before = nullptr;
        change.node = nullptr;
        change.detached = false;
    }
}

void MCEditJournal::ToggleGroup(GroupChange& change, bool forward) {
    if (forward && change.detached == nullptr) {
        int index = change.index;
        change.detached = change.envelope->DetachAnchorGroup(change.group, index);
        change.index = index;
    } else if (!forward && change.detached != nullptr) {
        // The group list kept the room of the group taken out last, so this needs no memory
        // when the steps are taken back in order.
        (void)change.envelope->InsertAnchorGroup(change.index, change.detached);
    }
}

void MCEditJournal::Clear() {
    // Parked nodes go first, then what the journal holds, so that a removed element is
    // taken apart only once nothing of the journal names it.
    for (auto it = m_mirrors.rbegin(); it != m_mirrors.rend(); ++it) {
        if (it->detached) {
            m_park.RemoveAt(it->node);
            ReleaseNeighbour(it->before);
        }
        it->mirror->Unref(1);
        it->event->Unref(1);
    }
    for (auto it = m_groups.rbegin(); it != m_groups.rend(); ++it) {
        it->detached.reset();
        it->envelope->Unref(1);
    }
    for (auto it = m_links.rbegin(); it != m_links.rend(); ++it) {
        if (it->parked) {
            m_park.RemoveAt(it->link.parentNode);
            m_park.RemoveAt(it->link.childNode);
            ReleaseNeighbour(it->link.childBefore);
            ReleaseNeighbour(it->link.parentBefore);
        }
    }
    for (auto it = m_links.rbegin(); it != m_links.rend(); ++it) {
        it->parent->ReleaseCommandHold();
        it->child->ReleaseCommandHold();
    }
    for (auto it = m_columns.rbegin(); it != m_columns.rend(); ++it) {
        for (ECConductorMeasure* column : it->columns) {
            column->Unref(1);
        }
        it->staff->Unref(1);
    }
    for (auto it = m_orders.rbegin(); it != m_orders.rend(); ++it) {
        for (ECBase* element : it->order) {
            element->Unref(1);
        }
        it->owner->Unref(1);
    }
    for (auto it = m_times.rbegin(); it != m_times.rend(); ++it) {
        it->element->Unref(1);
    }
    m_steps.clear();
    m_times.clear();
    m_links.clear();
    m_orders.clear();
    m_columns.clear();
    m_mirrors.clear();
    m_groups.clear();
    m_bInEffect = true;
    m_bStaffCaches = false;
}

} // namespace clavenor
