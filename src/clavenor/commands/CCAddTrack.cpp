#include "clavenor/commands/CCAddTrack.h"

#include "clavenor/actions/ACFindEvents.h"
#include "clavenor/caches/MCGroup.h"
#include "clavenor/commands/CCRemoveTrack.h"
#include "clavenor/commands/detail/MCEditJournal.h"
#include "clavenor/commands/detail/MCEditRun.h"
#include "clavenor/commands/detail/MCTrackWords.h"
#include "clavenor/elements/ECConductor.h"
#include "clavenor/elements/ECConductorStaff.h"
#include "clavenor/elements/ECStaff.h"
#include "clavenor/elements/ECWaveTrack.h"
#include "clavenor/elements/MCStructureCommands.h"
#include "clavenor/model/EventRegistry.h"

#include <new>
#include <utility>

namespace clavenor {

IMPLEMENT_SERIAL(CCAddTrack, CCAdd, 2 | CRuntimeClass::VersionableSchema)

namespace {

// What the conductor and the conductor staff create on first use enters through these. Running
// out of memory answers 0 like a command that fails: the callers hold what they made across
// the call and release it on that answer, so an exception unwinding past them would leak it
// and leave them marked busy for good. (A dispatch that throws has given the command back
// and taken its batch back already.)
template <class Command, class... Args>
int ApplyNow(ECPerformance* performance, Args... args) {
    try {
        auto* command = new Command(args...);
        command->SetSynchronous(1);
        if (command->Apply(performance) == 0) {
            delete command;
            return 0;
        }
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int ApplyAddTrack(ECPerformance* performance, ECTrack* track, int position) {
    return ApplyNow<CCAddTrack>(performance, track, position);
}

int ApplyAdd(ECPerformance* performance, ECBase* child, ECBase* parent) {
    return ApplyNow<CCAdd>(performance, child, parent, FCMidi::MidiNull());
}

struct StructureCommandsInstaller {
    StructureCommandsInstaller() { MCStructureCommands::Install(&ApplyAddTrack, &ApplyAdd); }
    ~StructureCommandsInstaller() { MCStructureCommands::Install(nullptr, nullptr); }
};

const StructureCommandsInstaller s_installer;

} // namespace

CCAddTrack::CCAddTrack() : m_pOrder(std::make_unique<MCEditJournal>()) {}

CCAddTrack::CCAddTrack(ECTrack* track, int position) : CCAddTrack() {
    m_nInsertPosition = position;
    Add(track, nullptr, FCMidi::MidiNull());
}

CCAddTrack::~CCAddTrack() = default;

int CCAddTrack::GetCommandId() const { return 11; }

void CCAddTrack::AddMidiTrack(std::uint8_t value, int count) {
    for (int i = 0; i < count; ++i) {
        Add(new ECStaff(value), nullptr, FCMidi::MidiNull());
    }
}

void CCAddTrack::AddWaveTrack(int count) {
    for (int i = 0; i < count; ++i) {
        Add(new ECWaveTrack, nullptr, FCMidi::MidiNull());
    }
}

int CCAddTrack::Process() {
    CCBase::Process();
    m_inserted.clear();
    if (m_pConductor == nullptr) {
        return 1;
    }
    m_inserted.reserve(m_items.size());
    ECConductorStaff* conductorStaff = MCEditRun::FindConductorStaff(m_pConductor);
    m_pGroupBefore =
        conductorStaff != nullptr ? std::make_unique<MCGroup>(conductorStaff->GetGroup()) : nullptr;
    m_pOrder->Clear();
    m_orderBefore.clear();
    m_pWords = std::make_shared<MCTrackWords>();
    bool ordered = false;
    bool staves = false;
    for (const auto& item : m_items) {
        const ECBase* track = item->GetChild();
        const int id = track != nullptr ? track->GetEventId() : EventId::None;
        if (!ordered && (id == EventId::Staff || id == EventId::WaveTrack)) {
            m_orderBefore.assign(m_pConductor->GetChildren()->begin(),
                                 m_pConductor->GetChildren()->end());
            m_pOrder->KeepOrder(m_pConductor);
            ordered = true;
        }
        staves = staves || id == EventId::Staff;
    }
    if (staves) {
        // The first staff lands here (ECConductorStaff::InsertStaff); those after it land
        // further on and move only staves this one moves.
        const int count = m_pConductor->GetMaxTrackNumber(ECConductor::KindStaff);
        m_pWords->KeepStavesFrom(m_pConductor, m_nInsertPosition >= 1 && m_nInsertPosition <= count
                                                   ? m_nInsertPosition
                                                   : count + 1);
    }
    int staffPosition = m_nInsertPosition;
    int wavePosition = m_nInsertPosition;
    // Each insertion is all or nothing; the ones made before a failing one go again.
    try {
        InsertItems(staffPosition, wavePosition);
    } catch (...) {
        Revert();
        throw;
    }
    return 1;
}

void CCAddTrack::InsertItems(int staffPosition, int wavePosition) {
    for (const auto& item : m_items) {
        auto* track = static_cast<ECTrack*>(item->GetChild());
        if (track == nullptr) {
            continue;
        }
        switch (track->GetEventId()) {
        case EventId::ConductorStaff:
            m_pConductor->InsertTrack(track, -1);
            break;
        case EventId::Staff: {
            RemoveExtraMeasures(static_cast<ECStaff*>(track));
            const int number = m_pConductor->InsertTrack(track, staffPosition);
            if (number >= 0) {
                m_inserted.push_back(track);
            }
            staffPosition = number + 1;
            break;
        }
        case EventId::WaveTrack: {
            const int index = m_pConductor->InsertTrack(track, wavePosition);
            if (index >= 0) {
                m_inserted.push_back(track);
            } else if (m_pConductor->GetWaveTrackNumber(static_cast<ECWaveTrack*>(track)) < 0) {
                // Refused though not in the table: the conductor had no memory to link it.
                throw std::bad_alloc();
            }
            wavePosition = index + 1;
            break;
        }
        default:
            break;
        }
    }
}

void CCAddTrack::RemoveExtraMeasures(ECStaff* staff) {
    ACFindEvents find;
    find.AddEvtType(EventId::Measure);
    find.SetDepth(1);
    if (find.Apply(staff) == ACBase::ResultAbort) {
        throw std::bad_alloc();
    }
    MCEventList* measures = find.GetEvents();
    measures->Sort();
    const int keep = m_pConductor->GetMaxMeasureNumber();
    // Deeply: what the surplus measures hold goes with them rather than lingering detached.
    while (measures->GetCount() > keep) {
        // Found among the staff's children, so the removal is not refused.
        (void)staff->RemoveChild(measures->GetTail(), 1);
        measures->RemoveTail();
    }
}

std::unique_ptr<CCRemoveTrack> CCAddTrack::MakeRemoval() const {
    if (m_items.empty()) {
        return nullptr;
    }
    auto inverse = std::make_unique<CCRemoveTrack>();
    for (const auto& item : m_items) {
        inverse->Remove(item->GetChild());
    }
    if (m_pGroupBefore != nullptr) {
        inverse->m_pGroupAfter = std::make_unique<MCGroup>(*m_pGroupBefore);
    }
    inverse->SetOrderAfter(m_orderBefore);
    inverse->m_pWordsAfter = m_pWords;
    return inverse;
}

void CCAddTrack::Undo() {
    if (std::unique_ptr<CCRemoveTrack> inverse = MakeRemoval()) {
        ApplyInverse(std::move(inverse));
    }
}

void CCAddTrack::Revert() {
    for (auto it = m_inserted.rbegin(); it != m_inserted.rend(); ++it) {
        m_pConductor->RemoveTrack(*it);
    }
    m_inserted.clear();
    m_pOrder->TakeBack();
    m_pOrder->Clear();
    m_orderBefore.clear();
    if (m_pWords != nullptr) {
        m_pWords->PutBack();
        m_pWords.reset();
    }
    ECConductorStaff* conductorStaff = MCEditRun::FindConductorStaff(m_pConductor);
    if (conductorStaff != nullptr && m_pGroupBefore != nullptr) {
        std::swap(conductorStaff->GetGroup(), *m_pGroupBefore);
        m_pGroupBefore.reset();
    }
}

} // namespace clavenor
