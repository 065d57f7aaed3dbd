#include "clavenor/commands/CCRemoveMeasure.h"

#include "clavenor/actions/ACFindEvents.h"
#include "clavenor/actions/ACFindTime.h"
#include "clavenor/commands/CCAddMeasure.h"
#include "clavenor/commands/detail/ACJournalDeltaTime.h"
#include "clavenor/commands/detail/MCEditJournal.h"
#include "clavenor/commands/detail/MCScoreState.h"
#include "clavenor/elements/ECConductor.h"
#include "clavenor/elements/ECConductorMeasure.h"
#include "clavenor/elements/ECConductorStaff.h"
#include "clavenor/elements/ECEnvPoint.h"
#include "clavenor/elements/ECEnvelope.h"
#include "clavenor/elements/ECMeter.h"
#include "clavenor/elements/ECMirror.h"
#include "clavenor/elements/ECPerformance.h"
#include "clavenor/elements/ECStaff.h"
#include "clavenor/elements/ECTempo.h"
#include "clavenor/elements/MCMirrorList.h"
#include "clavenor/model/EventRegistry.h"

#include <algorithm>
#include <new>
#include <utility>
#include <vector>

namespace clavenor {

IMPLEMENT_SERIAL(CCRemoveMeasure, CCRemove, 2 | CRuntimeClass::VersionableSchema)

namespace {

// Kinds that belong to the start of the piece: at time 0 they stay when the first measures
// go.
constexpr int StayAtZero[] = {
    EventId::BankLSB,     EventId::BankMSB,     EventId::ConductorStaff, EventId::Dynamic,
    EventId::FlowControl, EventId::Performance, EventId::ProgramChange,  EventId::Staff,
    EventId::Text,        EventId::WaveTrack,
};

bool StaysAtZero(int id) {
    return std::find(std::begin(StayAtZero), std::end(StayAtZero), id) != std::end(StayAtZero);
}

std::vector<ECBase*> ParentsOf(ECBase* element) {
    MCEventList* parents = element->GetParents();
    return std::vector<ECBase*>(parents->begin(), parents->end());
}

void FindOrThrow(ACBase& action, ECBase* start) {
    if (action.Apply(start) == -1) {
        throw std::bad_alloc();
    }
}

} // namespace

CCRemoveMeasure::CCRemoveMeasure()
    : m_pJournal(std::make_unique<MCEditJournal>()), m_pState(std::make_unique<MCScoreState>()) {}

CCRemoveMeasure::CCRemoveMeasure(int count, int index) : CCRemoveMeasure() {
    m_nRemoveCount = count;
    m_nRemoveIndex = index;
}

CCRemoveMeasure::CCRemoveMeasure(CCAddMeasure* insertion) : CCRemoveMeasure() {
    m_pInsertion = insertion;
    m_pInsertion->Ref();
    m_nRemoveCount = insertion->GetInsertCount();
    m_nRemoveIndex = insertion->GetInsertIndex();
    SetCanUndo(0);
}

CCRemoveMeasure::~CCRemoveMeasure() {
    m_pJournal->Clear();
    if (m_pKeptMeter != nullptr) {
        m_pKeptMeter->Unref(1);
    }
    if (m_pInsertion != nullptr) {
        m_pInsertion->Unref(1);
    }
}

int CCRemoveMeasure::GetCommandId() const { return 40; }

void CCRemoveMeasure::GetRemoveRegion(MCTime& start, MCTime& end) const {
    start = m_regionStart;
    end = m_regionEnd;
}

CCRemoveItem* CCRemoveMeasure::Remove(ECBase* element) {
    if (element == nullptr) {
        return nullptr;
    }
    return AppendItem<CCRemoveItem>(element);
}

void CCRemoveMeasure::DropItem(ECBase* element) {
    const int position = FindRemovePosition(element);
    if (position < 0) {
        return;
    }
    m_items.erase(m_items.begin() + position);
    m_positions.erase(element);
    for (auto& [item, index] : m_positions) {
        index -= index > position ? 1 : 0;
    }
}

int CCRemoveMeasure::Prepare() {
    if (CCBase::Prepare() == 0) {
        return 0;
    }
    if (m_pInsertion != nullptr) {
        MCEditJournal& journal = *m_pInsertion->m_pJournal;
        if (journal.IsEmpty() || !journal.IsInEffect()) {
            return 0;
        }
        m_pConductorStaff = m_pInsertion->m_pConductorStaff;
        m_regionStart = m_pInsertion->GetInsertTime();
        m_regionEnd = m_regionStart;
        m_regionEnd += MCTime(m_pInsertion->GetMeter()->GetMeasureLength() *
                              static_cast<float>(m_nRemoveCount));
        return 1;
    }
    // A redo takes the recorded material out again.
    if (!m_pJournal->IsEmpty() && !m_pJournal->IsInEffect()) {
        return m_pConductorStaff != nullptr ? 1 : 0;
    }
    m_pConductorStaff = static_cast<ECConductorStaff*>(
        m_pConductor->GetTrack(ECConductor::KindConductorStaff, 0, 1));
    if (m_pConductorStaff == nullptr) {
        return 0;
    }
    m_nLastIndex = m_pConductorStaff->GetMaxMeasureNumber() - 1;
    m_nRemoveIndex = std::clamp(m_nRemoveIndex, 0, std::max(m_nLastIndex, 0));
    m_nRemoveCount = std::clamp(m_nRemoveCount, 0, std::max(m_nLastIndex - m_nRemoveIndex + 1, 0));
    if (m_nRemoveCount > 0 && m_nRemoveCount == m_nLastIndex + 1) {
        --m_nRemoveCount;
    }
    PrepareRemoveMeasure();
    return 1;
}

void CCRemoveMeasure::PrepareRemoveMeasure() {
    m_items.clear();
    m_positions.clear();
    m_replace.RemoveAll();
    m_targets.RemoveAll();
    if (m_pKeptMeter != nullptr) {
        m_pKeptMeter->Unref(1);
        m_pKeptMeter = nullptr;
    }
    const int first = m_nRemoveIndex + 1;
    const int after = m_nRemoveIndex + m_nRemoveCount + 1;
    ECConductorMeasure* start = m_pConductorStaff->GetColumn(first - 1);
    ECConductorMeasure* next = m_pConductorStaff->GetColumn(after - 1);
    m_regionStart = start != nullptr ? *start->GetTime() : MCTime::TimeZero();
    m_regionEnd = next != nullptr ? *next->GetTime() : m_pConductorStaff->GetMaxMeasureEndTime();
    if (m_nRemoveCount <= 0) {
        return;
    }
    MCEventList measures;
    m_pConductorStaff->GetMeasures(ECConductorStaff::AllTracks, first, after - 1, measures);
    Remove(&measures);
    CheckMeterAdd();
    CollectRegion();
    CollectClefsAndKeys();
    // What is put back is not removed, whichever rule named it too.
    for (ECBase* element : m_replace) {
        DropItem(element);
    }
}

void CCRemoveMeasure::CheckMeterAdd() {
    if (!(m_regionStart < m_regionEnd)) {
        return;
    }
    ECMeter* after = m_pConductor->GetMeterAtTime(m_regionEnd);
    if (after == nullptr || *after->GetTime() < m_regionStart ||
        !(*after->GetTime() < m_regionEnd) || *after->GetTime() == MCTime::TimeZero()) {
        return;
    }
    ECMeter* before = m_regionStart > MCTime::TimeZero()
                          ? m_pConductor->GetMeterBeforeTime(m_regionStart)
                          : m_pConductor->GetMeterAtTime(m_regionStart);
    if (before != nullptr && *before == *after) {
        return;
    }
    m_pKeptMeter = after;
    m_pKeptMeter->Ref();
}

void CCRemoveMeasure::CollectRegion() {
    ACFindTime find(m_regionStart, m_regionEnd, ACFindTime::StartOnly);
    FindOrThrow(find, m_pConductor);
    for (ECBase* element : *find.GetEvents()) {
        if (element == m_pKeptMeter) {
            continue;
        }
        // The first meter gives way to the one kept, which takes its place at the start.
        const bool replaced = m_pKeptMeter != nullptr && element->GetEventId() == EventId::Meter &&
                              *element->GetTime() == MCTime::TimeZero();
        if (replaced || CheckTimeZeroEvent(element) != 0) {
            Remove(element);
        }
    }
}

void CCRemoveMeasure::CollectClefsAndKeys() {
    ACFindTime find(m_regionStart, m_regionEnd, ACFindTime::BothEnds);
    find.AddEvtType(EventId::Clef);
    find.AddEvtType(EventId::Key);
    FindOrThrow(find, m_pConductor);
    for (ECBase* element : *find.GetEvents()) {
        const MCTime& time = *element->GetTime();
        // What lies at time 0 is for the time-0 rule, which already decided.
        if (time == MCTime::TimeZero()) {
            continue;
        }
        if (element->GetEventId() == EventId::Key) {
            if (time < m_regionEnd) {
                Remove(element);
            }
            continue;
        }
        ECBase* measure = element->GetAncestor(EventId::Measure, -1);
        const bool inEarlierMeasure = measure != nullptr && *measure->GetTime() < time;
        if (time == m_regionStart && inEarlierMeasure) {
            Remove(element);
        } else if (time == m_regionEnd) {
            // A courtesy clef at the end of the last removed measure goes to the end of the
            // measure before the run; the clef that opens the next measure stays with it.
            if (inEarlierMeasure) {
                Replace(element);
            }
        } else {
            Remove(element);
        }
    }
}

void CCRemoveMeasure::Replace(ECBase* element) {
    ECBase* target = ReplaceTarget(element);
    if (target == nullptr || m_replace.Find(element) != nullptr) {
        return;
    }
    POSITION at = m_replace.AddTail(element);
    if (at == nullptr) {
        throw std::bad_alloc();
    }
    if (m_targets.AddTail(target) == nullptr) {
        m_replace.RemoveAt(at);
        throw std::bad_alloc();
    }
}

ECBase* CCRemoveMeasure::ReplaceTarget(ECBase* element) {
    const int track = m_pConductorStaff->GetTrackOf(element);
    if (track < 0) {
        return nullptr;
    }
    if (m_regionStart == MCTime::TimeZero()) {
        // The first measure left: the one after the run.
        ECConductorMeasure* next = m_pConductorStaff->GetColumn(m_nRemoveIndex + m_nRemoveCount);
        return next != nullptr ? next->GetMeasureOnTrack(track) : nullptr;
    }
    ECConductorMeasure* before = m_pConductorStaff->GetColumn(m_nRemoveIndex - 1);
    return before != nullptr ? before->GetMeasureOnTrack(track) : nullptr;
}

int CCRemoveMeasure::CheckTimeZeroEvent(ECBase* element) {
    MCTime* time = element->GetTime();
    if (time == nullptr || *time != MCTime::TimeZero()) {
        return 1;
    }
    const int id = element->GetEventId();
    ECBase* inForce = nullptr;
    switch (id) {
    case EventId::Meter:
        inForce = m_pConductor->GetMeterAtTime(m_regionEnd);
        break;
    case EventId::Tempo:
        inForce = m_pConductor->GetTempoAtTime(m_regionEnd);
        break;
    case EventId::Clef:
    case EventId::Key: {
        auto* staff = dynamic_cast<ECStaff*>(element->GetAncestor(EventId::Staff, -1));
        if (staff == nullptr) {
            return 0;
        }
        const std::uint8_t hand = MCStaffCache::GetHand(element);
        inForce = id == EventId::Clef ? staff->GetCache()->GetClefAtTime(m_regionEnd, hand)
                                      : staff->GetCache()->GetKeyAtTime(m_regionEnd, hand);
        break;
    }
    case EventId::Measure: {
        ACFindEvents find;
        find.AddEvtType(EventId::Clef);
        find.AddEvtType(EventId::Key);
        FindOrThrow(find, element);
        for (ECBase* mark : *find.GetEvents()) {
            if (mark != element &&
                (*mark->GetTime() == m_regionEnd || CheckTimeZeroEvent(mark) == 0)) {
                Replace(mark);
            }
        }
        return 1;
    }
    default:
        return StaysAtZero(id) ? 0 : 1;
    }
    if (inForce == nullptr || inForce == element) {
        return 0;
    }
    return *inForce->GetTime() == m_regionEnd ? 1 : 0;
}

int CCRemoveMeasure::Process() {
    CCBase::Process();
    if (m_pInsertion != nullptr) {
        m_pState->Replay(*m_pInsertion->m_pJournal, false, m_pConductorStaff);
    } else if (!m_pJournal->IsEmpty() && !m_pJournal->IsInEffect()) {
        m_pState->Replay(*m_pJournal, true, m_pConductorStaff);
    } else {
        m_pState->Record(*m_pJournal, m_pConductorStaff, [this] { DoRemoveMeasure(); });
    }
    return 1;
}

void CCRemoveMeasure::DoRemoveMeasure() {
    if (m_nRemoveCount <= 0) {
        return;
    }
    MCEditJournal& journal = *m_pJournal;
    // The end time shrinks by the meter in force at each removed measure, read before any
    // meter goes.
    MCTime end = m_pConductorStaff->GetMaxMeasureEndTime();
    for (int k = m_nRemoveCount - 1; k >= 0; --k) {
        ECConductorMeasure* column = m_pConductorStaff->GetColumn(m_nRemoveIndex + k);
        ECMeter* meter =
            column != nullptr ? m_pConductor->GetMeterAtTime(*column->GetTime()) : nullptr;
        end -= MCTime(meter != nullptr ? meter->GetMeasureLength() : 4.0f);
    }

    for (ECBase* element : m_replace) {
        for (ECBase* parent : ParentsOf(element)) {
            journal.Unlink(parent, element);
        }
    }
    if (m_pKeptMeter != nullptr) {
        journal.SetTime(m_pKeptMeter, m_regionEnd);
    }
    journal.RemoveColumns(m_pConductorStaff, m_nRemoveIndex, m_nRemoveCount, end);

    // Each removed element leaves the parents that stay; what lies inside removed material
    // goes with it whole. A mark whose points the region cuts stops being one: its anchor
    // group goes, and the points outside the region stay as plain points.
    for (const auto& item : m_items) {
        ECBase* element = item->GetChild();
        for (ECBase* parent : ParentsOf(element)) {
            if (FindRemovePosition(parent) >= 0) {
                continue;
            }
            if (auto* envelope = dynamic_cast<ECEnvelope*>(parent)) {
                auto* point = static_cast<ECEnvPoint*>(element);
                MCEventList* group = envelope->GetAnchorGroup(point);
                while (group != nullptr && journal.DetachAnchorGroup(envelope, group)) {
                    group = envelope->GetAnchorGroup(point);
                }
            }
            journal.Unlink(parent, element);
        }
    }
    // Mirrors stop showing what went, and leave the measures that stay.
    for (const auto& item : m_items) {
        auto* shown = dynamic_cast<MCMirrorList*>(item->GetChild());
        if (shown == nullptr) {
            continue;
        }
        std::vector<ECBase*> mirrors(shown->GetMirrors().begin(), shown->GetMirrors().end());
        for (ECBase* element : mirrors) {
            auto* mirror = static_cast<ECMirror*>(element);
            journal.DetachMirror(mirror);
            for (ECBase* parent : ParentsOf(mirror)) {
                if (FindRemovePosition(parent) < 0) {
                    journal.Unlink(parent, mirror);
                }
            }
        }
    }

    MCTime delta = m_regionStart;
    delta -= m_regionEnd;
    ACJournalDeltaTime move(delta, m_regionStart, journal);
    move.Apply(m_pConductor->GetPerformance());
    journal.SortTracks(m_pConductor);

    POSITION targets = m_targets.GetHeadPosition();
    for (ECBase* element : m_replace) {
        ECBase* target = m_targets.GetNext(targets);
        const MCTime& time =
            m_regionStart == MCTime::TimeZero() ? *target->GetTime() : m_regionStart;
        if (*element->GetTime() != time) {
            journal.SetTime(element, time);
        }
        journal.Link(target, element);
    }
}

void CCRemoveMeasure::Revert() {
    if (m_pInsertion != nullptr) {
        m_pState->Revert(*m_pInsertion->m_pJournal, false, m_pConductorStaff);
    } else {
        m_pState->Revert(*m_pJournal, true, m_pConductorStaff);
    }
}

void CCRemoveMeasure::Undo() {
    if (m_pInsertion != nullptr || m_pJournal->IsEmpty() || !m_pJournal->IsInEffect()) {
        return;
    }
    ApplyInverse(std::unique_ptr<CCBase>(new CCAddMeasure(this)));
}

} // namespace clavenor
