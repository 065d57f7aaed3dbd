#include "clavenor/commands/CCRemoveTrack.h"

#include "clavenor/actions/ACFindEvents.h"
#include "clavenor/caches/MCGroup.h"
#include "clavenor/commands/detail/MCEditJournal.h"
#include "clavenor/commands/detail/MCEditRun.h"
#include "clavenor/commands/detail/MCRemovalRecord.h"
#include "clavenor/commands/detail/MCTrackWords.h"
#include "clavenor/elements/ECConductor.h"
#include "clavenor/elements/ECConductorStaff.h"
#include "clavenor/elements/ECMirror.h"
#include "clavenor/elements/ECTrack.h"
#include "clavenor/model/EventRegistry.h"

#include <utility>

namespace clavenor {

IMPLEMENT_SERIAL(CCRemoveTrack, CCRemove, 2 | CRuntimeClass::VersionableSchema)

CCRemoveTrack::CCRemoveTrack()
    : m_pJournal(std::make_unique<MCEditJournal>()),
      m_pWordsBefore(std::make_unique<MCTrackWords>()) {
    SetCanUndo(0);
}

CCRemoveTrack::CCRemoveTrack(ECTrack* track) : CCRemoveTrack() { Remove(track); }

CCRemoveTrack::~CCRemoveTrack() {
    m_pJournal->Clear();
    ReleaseOrderAfter();
}

void CCRemoveTrack::SetOrderAfter(const std::vector<ECBase*>& order) {
    std::vector<ECBase*> held(order);
    ReleaseOrderAfter();
    for (ECBase* element : held) {
        element->Ref();
    }
    m_orderAfter = std::move(held);
}

void CCRemoveTrack::ReleaseOrderAfter() {
    for (ECBase* element : m_orderAfter) {
        element->Unref(1);
    }
    m_orderAfter.clear();
}

int CCRemoveTrack::GetCommandId() const { return 42; }

CCRemoveItem* CCRemoveTrack::Remove(ECBase* element) {
    if (element == nullptr) {
        return nullptr;
    }
    const int id = element->GetEventId();
    if (id != EventId::Staff && id != EventId::WaveTrack) {
        return nullptr;
    }
    return CCRemove::Remove(element);
}

int CCRemoveTrack::Process() {
    CCBase::Process();
    ECConductorStaff* conductorStaff = MCEditRun::FindConductorStaff(m_pConductor);
    // Everything that may need memory comes first, so that the removal cannot stop halfway.
    m_removed.clear();
    m_removed.reserve(m_items.size());
    std::unique_ptr<MCGroup> before;
    std::unique_ptr<MCGroup> after;
    if (conductorStaff != nullptr) {
        before = std::make_unique<MCGroup>(conductorStaff->GetGroup());
        if (m_pGroupAfter != nullptr) {
            after = std::make_unique<MCGroup>(*m_pGroupAfter);
        }
    }
    m_pJournal->Clear();
    m_pWordsBefore->Clear();
    // The record sets aside what Revert puts the tracks back with, so that it needs none.
    std::vector<ECBase*> tracks;
    tracks.reserve(m_items.size());
    for (const auto& item : m_items) {
        tracks.push_back(item->GetChild());
    }
    if (m_pRecord == nullptr) {
        m_pRecord = std::make_unique<MCRemovalRecord>();
    }
    m_pRecord->Reserve(tracks);
    try {
        // Taking a staff out moves the staves after it (ECConductorStaff::ForgetStaff).
        int first = 0;
        for (const auto& item : m_items) {
            const int number = m_pConductor->GetTrackNumber(
                ECConductor::KindStaff, static_cast<ECTrack*>(item->GetChild()));
            first = number >= 1 && (first == 0 || number < first) ? number : first;
        }
        if (first > 0) {
            m_pWordsBefore->KeepStavesFrom(m_pConductor, first);
        }
        // First, so that it is taken back last, once the tracks are back.
        m_pJournal->KeepOrder(m_pConductor);
        for (const auto& item : m_items) {
            ECBase* track = item->GetChild();
            if (track->GetEventId() != EventId::Staff) {
                continue;
            }
            ACFindEvents find;
            find.AddEvtType(EventId::Mirror);
            find.Apply(track);
            MCEventList* mirrors = find.GetEvents();
            for (POSITION pos = mirrors->GetHeadPosition(); pos != nullptr;) {
                m_pJournal->WithdrawMirror(static_cast<ECMirror*>(mirrors->GetNext(pos)));
            }
        }
    } catch (...) {
        m_pJournal->TakeBack();
        m_pJournal->Clear();
        m_pWordsBefore->Clear();
        m_pRecord->Clear();
        throw;
    }
    m_pGroupBefore = std::move(before);
    for (std::size_t index = 0; index < m_items.size(); ++index) {
        auto* track = static_cast<ECTrack*>(m_items[index]->GetChild());
        const int kind = track->GetEventId() == EventId::Staff ? ECConductor::KindStaff
                                                               : ECConductor::KindWaveTrack;
        const int number = m_pConductor->GetTrackNumber(kind, track);
        if (number < 1) {
            continue;
        }
        m_removed.push_back(Removed{track, kind, number, index});
        m_pRecord->Take(index, track);
        m_pConductor->RemoveTrack(track);
    }
    if (after != nullptr) {
        std::swap(conductorStaff->GetGroup(), *after);
    }
    if (!m_orderAfter.empty()) {
        (void)MCEditJournal::PutOrder(m_pConductor, m_orderAfter);
    }
    if (m_pWordsAfter != nullptr) {
        m_pWordsAfter->PutBack();
    }
    return 1;
}

void CCRemoveTrack::Revert() {
    for (auto it = m_removed.rbegin(); it != m_removed.rend(); ++it) {
        if (m_pRecord != nullptr && m_pRecord->Holds(it->index)) {
            m_pRecord->Relink(it->index);
            m_pRecord->Reorder(it->index);
            continue;
        }
        // Not recorded: inserted again, which needs memory (refused, the track stays out).
        // Wave tracks are inserted by index, staves by number.
        m_pConductor->InsertTrack(it->track, it->kind == ECConductor::KindWaveTrack ? it->number - 1
                                                                                    : it->number);
    }
    m_removed.clear();
    if (m_pRecord != nullptr) {
        m_pRecord->RestoreCaches();
    }
    m_pJournal->TakeBack();
    m_pJournal->Clear();
    m_pWordsBefore->PutBack();
    m_pWordsBefore->Clear();
    ECConductorStaff* conductorStaff = MCEditRun::FindConductorStaff(m_pConductor);
    if (conductorStaff != nullptr && m_pGroupBefore != nullptr) {
        std::swap(conductorStaff->GetGroup(), *m_pGroupBefore);
        m_pGroupBefore.reset();
    }
}

void CCRemoveTrack::Committed() {
    CCRemove::Committed();
    m_removed.clear();
    m_pJournal->Clear();
    m_pWordsBefore->Clear();
    m_pGroupBefore.reset();
}

} // namespace clavenor
