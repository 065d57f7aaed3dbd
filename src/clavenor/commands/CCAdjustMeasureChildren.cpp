#include "clavenor/commands/CCAdjustMeasureChildren.h"

#include "clavenor/commands/detail/MCEditJournal.h"
#include "clavenor/commands/detail/MCScoreState.h"
#include "clavenor/elements/ECConductor.h"
#include "clavenor/elements/ECConductorMeasure.h"
#include "clavenor/elements/ECConductorStaff.h"
#include "clavenor/elements/ECMeter.h"
#include "clavenor/elements/ECMeterEnv.h"
#include "clavenor/model/MCEventList.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace clavenor {

IMPLEMENT_SERIAL(CCAdjustMeasureChildren, CCBase, 2 | CRuntimeClass::VersionableSchema)

namespace {

constexpr float DefaultMeasureLength = 4.0f;
// Measures are not appended to reach times beyond this (quarter notes), as the conductor
// staff's own extension stops there.
constexpr float FarthestExtension = 1048576.0f;

} // namespace

CCAdjustMeasureChildren::CCAdjustMeasureChildren()
    : m_pJournal(std::make_unique<MCEditJournal>()), m_pState(std::make_unique<MCScoreState>()),
      m_pRecording(m_pJournal.get()) {
    SetCanUndo(0);
}

CCAdjustMeasureChildren::~CCAdjustMeasureChildren() = default;

int CCAdjustMeasureChildren::GetCommandId() const { return 14; }

void CCAdjustMeasureChildren::GetTrackRange(int* first, int* last) const {
    if (first != nullptr) {
        *first = m_nFirstTrack;
    }
    if (last != nullptr) {
        *last = m_nLastTrack;
    }
}

void CCAdjustMeasureChildren::SetTrackRange(const int* first, const int* last) {
    if (first != nullptr) {
        m_nFirstTrack = *first;
    }
    if (last != nullptr) {
        m_nLastTrack = *last;
    }
}

void CCAdjustMeasureChildren::GetTimeRange(MCTime& start, MCTime& end) const {
    start = m_start;
    end = m_end;
}

void CCAdjustMeasureChildren::SetTimeRange(const MCTime& start, const MCTime& end) {
    m_start = start;
    m_end = end;
}

int CCAdjustMeasureChildren::Prepare() {
    if (CCBase::Prepare() == 0) {
        return 0;
    }
    return ClampRanges();
}

int CCAdjustMeasureChildren::ClampRanges() {
    m_pConductorStaff = m_pConductor->GetConductorStaff();
    if (m_pConductorStaff == nullptr) {
        return 0;
    }
    m_nFirstTrack = std::max(m_nFirstTrack, 0);
    m_nLastTrack = std::min(m_nLastTrack, m_pConductor->GetMaxTrackNumber(ECConductor::KindStaff));
    if (m_nFirstTrack > m_nLastTrack) {
        std::swap(m_nFirstTrack, m_nLastTrack);
    }
    if (!(m_start > MCTime::TimeZero())) {
        m_start = MCTime::TimeZero();
    }
    const MCTime end = m_pConductor->GetMaxMeasureEndTime();
    if (m_end > end) {
        m_end = end;
    }
    if (m_start > m_end) {
        std::swap(m_start, m_end);
    }
    return 1;
}

int CCAdjustMeasureChildren::Process() {
    CCBase::Process();
    m_nFirstAdded = -1;
    m_nAddedCount = 0;
    const int before = m_pConductorStaff->GetMaxMeasureNumber();
    // Appended measures are held here until they are linked, or go with a failure.
    MCEventList made;
    m_pMade = &made;
    try {
        m_pState->Record(*m_pJournal, m_pConductorStaff, [this] {
            for (int track = m_nFirstTrack; track <= m_nLastTrack; ++track) {
                Adjust(track);
            }
        });
    } catch (...) {
        m_pMade = nullptr;
        throw;
    }
    m_pMade = nullptr;
    NoteAdded(before);
    return 1;
}

void CCAdjustMeasureChildren::RefileInto(ECConductor* conductor, MCEditJournal& journal) {
    m_pConductor = conductor;
    m_nFirstAdded = -1;
    m_nAddedCount = 0;
    if (ClampRanges() == 0) {
        return;
    }
    const int before = m_pConductorStaff->GetMaxMeasureNumber();
    MCEventList made;
    m_pMade = &made;
    m_pRecording = &journal;
    try {
        for (int track = m_nFirstTrack; track <= m_nLastTrack; ++track) {
            Adjust(track);
        }
    } catch (...) {
        m_pMade = nullptr;
        m_pRecording = m_pJournal.get();
        throw;
    }
    m_pMade = nullptr;
    m_pRecording = m_pJournal.get();
    NoteAdded(before);
}

void CCAdjustMeasureChildren::NoteAdded(int before) {
    const int after = m_pConductorStaff->GetMaxMeasureNumber();
    if (after > before) {
        m_nFirstAdded = before + 1;
        m_nAddedCount = after - before;
    }
}

void CCAdjustMeasureChildren::Adjust(int track) {
    MCEventList measures;
    m_pConductorStaff->GetMeasures(track, m_start, m_end, measures);
    std::vector<ECMeasure*> walk;
    walk.reserve(static_cast<std::size_t>(measures.GetCount()));
    for (ECBase* measure : measures) {
        walk.push_back(static_cast<ECMeasure*>(measure));
    }
    if (m_bReverse) {
        std::reverse(walk.begin(), walk.end());
    }
    for (ECMeasure* measure : walk) {
        AdjustMeasure(track, measure);
    }
}

void CCAdjustMeasureChildren::AdjustMeasure(int track, ECMeasure* measure) {
    MCEventList* list = measure->GetChildren();
    std::vector<ECBase*> children(list->begin(), list->end());
    if (m_bReverse) {
        std::reverse(children.begin(), children.end());
    }
    for (ECBase* child : children) {
        MCTime* time = child->GetTime();
        if (time == nullptr) {
            continue;
        }
        ECMeasure* target = MeasureAt(track, *time);
        if (target == nullptr) {
            continue;
        }
        if (MCTime* duration = child->GetDuration()) {
            MCTime last = *time;
            last += *duration;
            MeasureAt(track, last);
        }
        if (target != measure) {
            m_pRecording->Unlink(measure, child);
            m_pRecording->Link(target, child);
        }
    }
}

ECMeasure* CCAdjustMeasureChildren::MeasureAt(int track, const MCTime& time) {
    ECConductorStaff* staff = m_pConductorStaff;
    if (!(time < staff->GetMaxMeasureEndTime()) && time < MCTime(FarthestExtension)) {
        // Appending as the conductor staff does, one measure at a time in the meter in force
        // at the end, each step recorded.
        const int staves = staff->GetMaxStaffNumber();
        while (!(time < staff->GetMaxMeasureEndTime())) {
            const MCTime end = staff->GetMaxMeasureEndTime();
            ECMeterEnv* meters = staff->m_pMeterEnv;
            ECMeter* meter = meters != nullptr ? meters->GetMeterAt(end) : nullptr;
            const float length =
                meter != nullptr ? meter->GetMeasureLength() : DefaultMeasureLength;
            MCTime next = end;
            next += MCTime(length);
            if (!(end < next)) {
                return nullptr;
            }
            ECConductorMeasure* column = staff->MakeColumn(end, nullptr, *m_pMade);
            m_pRecording->Link(staff, column);
            for (int t = 1; t <= staves; ++t) {
                m_pRecording->Link(staff->GetStaff(t, 0), column->GetMeasureOnTrack(t));
            }
            m_pRecording->InsertColumns(staff, staff->GetMaxMeasureNumber(), {column}, next);
        }
    }
    return staff->GetMeasure(track, time, 0, 1);
}

int CCAdjustMeasureChildren::Finish() { return 1; }

void CCAdjustMeasureChildren::Abort() {}

void CCAdjustMeasureChildren::Revert() { m_pState->Revert(*m_pJournal, true, m_pConductorStaff); }

} // namespace clavenor
