#include "clavenor/commands/CCAddMeasure.h"

#include "clavenor/actions/ACFindTime.h"
#include "clavenor/commands/CCRemoveMeasure.h"
#include "clavenor/commands/detail/ACJournalDeltaTime.h"
#include "clavenor/commands/detail/MCEditJournal.h"
#include "clavenor/commands/detail/MCScoreState.h"
#include "clavenor/elements/ECConductor.h"
#include "clavenor/elements/ECConductorMeasure.h"
#include "clavenor/elements/ECConductorStaff.h"
#include "clavenor/elements/ECMeter.h"
#include "clavenor/elements/ECPerformance.h"
#include "clavenor/model/EventRegistry.h"

#include <new>
#include <vector>

namespace clavenor {

IMPLEMENT_SERIAL(CCAddMeasure, CCAdd, 2 | CRuntimeClass::VersionableSchema)

CCAddMeasure::CCAddMeasure()
    : m_pJournal(std::make_unique<MCEditJournal>()), m_pState(std::make_unique<MCScoreState>()) {}

CCAddMeasure::CCAddMeasure(int count, int index) : CCAddMeasure() {
    m_nInsertCount = count;
    m_nInsertIndex = index;
}

CCAddMeasure::CCAddMeasure(CCRemoveMeasure* removal) : CCAddMeasure() {
    m_pRemoval = removal;
    m_pRemoval->Ref();
    m_nInsertCount = removal->GetRemoveCount();
    m_nInsertIndex = removal->GetRemoveIndex();
    SetCanUndo(0);
}

CCAddMeasure::~CCAddMeasure() {
    m_pJournal->Clear();
    SetAddMeter(nullptr);
    if (m_pRemoval != nullptr) {
        m_pRemoval->Unref(1);
    }
}

int CCAddMeasure::GetCommandId() const { return 5; }

void CCAddMeasure::SetAddMeter(ECMeter* meter) {
    if (meter != nullptr) {
        meter->Ref();
    }
    if (m_pAddMeter != nullptr) {
        m_pAddMeter->Unref(1);
    }
    m_pAddMeter = meter;
}

int CCAddMeasure::Prepare() {
    if (CCBase::Prepare() == 0) {
        return 0;
    }
    if (m_pRemoval != nullptr) {
        return PrepareTakeBack();
    }
    // A redo makes the recorded insertion again, with the same measures: later entries of
    // the history name them.
    if (!m_pJournal->IsEmpty() && !m_pJournal->IsInEffect()) {
        return m_pConductorStaff != nullptr ? 1 : 0;
    }
    m_pConductorStaff = static_cast<ECConductorStaff*>(
        m_pConductor->GetTrack(ECConductor::KindConductorStaff, 0, 1));
    if (m_pConductorStaff == nullptr) {
        return 0;
    }
    const int last = m_pConductorStaff->GetMaxMeasureNumber() - 1;
    if (m_nInsertIndex < 0 || m_nInsertIndex > last) {
        m_nInsertIndex = last + 1;
    }
    if (CheckMeter() == 0) {
        return 0;
    }
    PrepareAdd();
    return 1;
}

int CCAddMeasure::CheckMeter() {
    ECConductorMeasure* at = m_pConductorStaff->GetColumn(m_nInsertIndex);
    m_insertTime = at != nullptr ? *at->GetTime() : m_pConductorStaff->GetMaxMeasureEndTime();
    // New measures take the meter of the measure in front of them.
    m_pMeter = m_insertTime == MCTime::TimeZero() ? m_pConductor->GetMeterAtTime(m_insertTime)
                                                  : m_pConductor->GetMeterBeforeTime(m_insertTime);
    return m_pMeter != nullptr ? 1 : 0;
}

void CCAddMeasure::PrepareAdd() {
    m_zeroTime.RemoveAll();
    if (m_insertTime == MCTime::TimeZero()) {
        ACFindTime find(MCTime::TimeZero(), MCTime::TimeZero(), ACFindTime::BothEnds);
        find.AddEvtType(EventId::Clef);
        find.AddEvtType(EventId::Key);
        if (find.Apply(m_pConductor) == -1) {
            throw std::bad_alloc();
        }
        // Only what has a track to go back to moves: the rest stays where it is (it is at
        // time 0 already and the shift leaves it there).
        for (ECBase* element : *find.GetEvents()) {
            if (m_pConductorStaff->GetTrackOf(element) >= 0 &&
                m_zeroTime.AddTail(element) == nullptr) {
                throw std::bad_alloc();
            }
        }
    }
    m_supplied.RemoveAll();
    int columns = 0;
    for (const auto& item : m_items) {
        ECBase* child = item->GetChild();
        const int id = child != nullptr ? child->GetEventId() : -1;
        if (id != EventId::ConductorMeasure && id != EventId::Measure) {
            continue;
        }
        if (m_supplied.AddTail(child) == nullptr) {
            throw std::bad_alloc();
        }
        columns += id == EventId::ConductorMeasure ? 1 : 0;
    }
    if (columns > 0) {
        m_nInsertCount = columns;
    }
}

int CCAddMeasure::Process() {
    CCBase::Process();
    if (m_pRemoval != nullptr) {
        m_pState->Replay(*m_pRemoval->m_pJournal, false, m_pConductorStaff);
    } else if (!m_pJournal->IsEmpty() && !m_pJournal->IsInEffect()) {
        m_pState->Replay(*m_pJournal, true, m_pConductorStaff);
    } else {
        m_pState->Record(*m_pJournal, m_pConductorStaff, [this] { DoAdd(); });
    }
    return 1;
}

void CCAddMeasure::DoAdd() {
    MCEditJournal& journal = *m_pJournal;
    const int count = std::max(m_nInsertCount, 0);
    if (count == 0) {
        return;
    }
    const float length = m_pMeter->GetMeasureLength();
    const MCTime shift(length * static_cast<float>(count));

    // The opening clefs and keys leave their measures, which move; each goes back to the
    // staff it came from.
    std::vector<int> tracks;
    tracks.reserve(static_cast<std::size_t>(m_zeroTime.GetCount()));
    for (ECBase* element : m_zeroTime) {
        tracks.push_back(m_pConductorStaff->GetTrackOf(element));
    }
    for (ECBase* element : m_zeroTime) {
        std::vector<ECBase*> parents(element->GetParents()->begin(), element->GetParents()->end());
        for (ECBase* parent : parents) {
            journal.Unlink(parent, element);
        }
    }

    ACJournalDeltaTime move(shift, m_insertTime, journal);
    move.Apply(m_pConductor->GetPerformance());
    journal.SortTracks(m_pConductor);

    // The new columns, made (and held by `made`) before any of them is linked.
    MCEventList made;
    MCEventList pool;
    pool.AddTail(&m_supplied);
    if (pool.GetCount() != m_supplied.GetCount()) {
        throw std::bad_alloc();
    }
    pool.Sort();
    std::vector<ECConductorMeasure*> columns;
    columns.reserve(static_cast<std::size_t>(count));
    MCTime at = m_insertTime;
    MCTime end = m_pConductorStaff->GetMaxMeasureEndTime();
    for (int pass = 0; pass < count; ++pass) {
        columns.push_back(m_pConductorStaff->MakeColumn(at, &pool, made));
        at += MCTime(length);
        end += MCTime(length);
    }
    const int staves = m_pConductorStaff->GetMaxStaffNumber();
    for (ECConductorMeasure* column : columns) {
        journal.Link(m_pConductorStaff, column);
        for (int t = 1; t <= staves; ++t) {
            journal.Link(m_pConductorStaff->GetStaff(t, 0), column->GetMeasureOnTrack(t));
        }
    }
    journal.InsertColumns(m_pConductorStaff, m_nInsertIndex, columns, end);

    // The opening clefs and keys go into the new first measure of their track, at its time.
    auto track = tracks.begin();
    for (ECBase* element : m_zeroTime) {
        ECMeasure* first = m_pConductorStaff->GetMeasure(*track++, MCTime::TimeZero(), 0, 1);
        if (first == nullptr) {
            continue;
        }
        if (*element->GetTime() != *first->GetTime()) {
            journal.SetTime(element, *first->GetTime());
        }
        journal.Link(first, element);
    }
}

void CCAddMeasure::Revert() {
    if (m_pRemoval != nullptr) {
        m_pState->Revert(*m_pRemoval->m_pJournal, false, m_pConductorStaff);
    } else {
        m_pState->Revert(*m_pJournal, true, m_pConductorStaff);
    }
}

void CCAddMeasure::Undo() {
    if (m_pRemoval != nullptr || m_pJournal->IsEmpty() || !m_pJournal->IsInEffect()) {
        return;
    }
    ApplyInverse(std::unique_ptr<CCBase>(new CCRemoveMeasure(this)));
}

int CCAddMeasure::PrepareTakeBack() {
    MCEditJournal& journal = *m_pRemoval->m_pJournal;
    if (journal.IsEmpty() || !journal.IsInEffect()) {
        return 0;
    }
    m_pConductorStaff = m_pRemoval->m_pConductorStaff;
    m_insertTime = m_pRemoval->m_regionStart;
    return 1;
}

} // namespace clavenor
