#include "clavenor/commands/CCOrderTracks.h"

#include "clavenor/actions/ACSetVoiceTrack.h"
#include "clavenor/commands/detail/MCEditJournal.h"
#include "clavenor/commands/detail/MCEditRun.h"
#include "clavenor/commands/detail/MCTrackWords.h"
#include "clavenor/elements/ECConductor.h"
#include "clavenor/elements/ECConductorStaff.h"
#include "clavenor/elements/ECTrack.h"
#include "clavenor/framework/detail/ReserveOneMore.h"

#include <utility>

namespace clavenor {

IMPLEMENT_SERIAL(CCOrderTracks, CCEdit, 2 | CRuntimeClass::VersionableSchema)

CCOrderTracks::CCOrderTracks() = default;

CCOrderTracks::~CCOrderTracks() {
    Release();
    if (m_pUndoOf != nullptr) {
        m_pUndoOf->Unref(1);
    }
}

int CCOrderTracks::GetCommandId() const { return 32; }

void CCOrderTracks::OrderTrack(ECTrack* track, int newNumber) {
    if (track == nullptr) {
        return;
    }
    if (m_newOrder.find(track) == m_newOrder.end()) {
        ReserveOneMore(m_tracks);
        m_oldOrder[track] = track->GetVoiceTrack() != nullptr
                                ? static_cast<int>(track->GetVoiceTrack()->GetTrack())
                                : 2047;
        m_tracks.emplace_back(track);
    }
    m_newOrder[track] = newNumber;
}

int CCOrderTracks::GetNewTrackNum(ECTrack* track) const {
    auto it = m_newOrder.find(track);
    return it != m_newOrder.end() ? it->second : -1;
}

int CCOrderTracks::GetOldTrackNum(ECTrack* track) const {
    auto it = m_oldOrder.find(track);
    return it != m_oldOrder.end() ? it->second : -1;
}

int CCOrderTracks::GetNewTrackNum(int oldNumber) const {
    for (const auto& [track, number] : m_oldOrder) {
        if (number == oldNumber) {
            return GetNewTrackNum(track);
        }
    }
    return -1;
}

int CCOrderTracks::Prepare() {
    if (CCBase::Prepare() == 0) {
        return 0;
    }
    if (m_pUndoOf != nullptr) {
        return !m_pUndoOf->HasWords() && !m_pUndoOf->m_tracks.empty() ? 0 : 1;
    }
    for (const auto& track : m_tracks) {
        const int number = m_newOrder[track.Get()];
        if (!InTarget(track.Get()) || number < 1 || number > MCVoiceTrack::HighestTrack) {
            return 0;
        }
    }
    return 1;
}

bool CCOrderTracks::HasWords() const { return m_pWords != nullptr && !m_pWords->IsEmpty(); }

void CCOrderTracks::Release() {
    if (m_pWords != nullptr) {
        m_pWords->Clear();
    }
    for (ECBase* child : m_childOrder) {
        child->Unref(1);
    }
    m_childOrder.clear();
    m_staffOrder.clear();
}

void CCOrderTracks::PutBack() {
    if (m_pWords != nullptr) {
        m_pWords->PutBack();
    }
    // A table changed behind the command's back is ordered by the numbers instead.
    ECConductorStaff* timeline = MCEditRun::FindConductorStaff(m_pConductor);
    if (timeline == nullptr || !timeline->PutStaffOrder(m_staffOrder)) {
        m_pConductor->OrderTracks(1);
    } else if (!MCEditJournal::PutOrder(m_pConductor, m_childOrder)) {
        m_pConductor->OrderTracks(0);
    }
}

int CCOrderTracks::Process() {
    CCBase::Process();
    if (m_pUndoOf != nullptr) {
        m_pConductor->ReserveTrackOrder(0);
        m_pUndoOf->PutBack();
        return 1;
    }
    // The words and orders first: everything that needs memory comes before the first
    // change.
    auto words = std::make_unique<MCTrackWords>();
    for (const auto& track : m_tracks) {
        words->Keep(track.Get());
    }
    std::vector<ECStaff*> staves;
    if (ECConductorStaff* timeline = MCEditRun::FindConductorStaff(m_pConductor)) {
        staves = timeline->GetStaffOrder();
    }
    std::vector<ECBase*> children(m_pConductor->GetChildren()->begin(),
                                  m_pConductor->GetChildren()->end());
    m_pConductor->ReserveTrackOrder(0);
    Release();
    m_pWords = std::move(words);
    m_staffOrder = std::move(staves);
    m_childOrder = std::move(children);
    for (ECBase* child : m_childOrder) {
        child->Ref();
    }
    for (const auto& track : m_tracks) {
        ACSetVoiceTrack::MoveToTrack(track.Get(), m_newOrder[track.Get()]);
    }
    m_pConductor->OrderTracks(1);
    return 1;
}

void CCOrderTracks::Revert() {
    if (m_pUndoOf != nullptr) {
        // The undo put the other's words back; its renumbering is made again.
        for (const auto& track : m_pUndoOf->m_tracks) {
            ACSetVoiceTrack::MoveToTrack(track.Get(), m_pUndoOf->m_newOrder[track.Get()]);
        }
        m_pConductor->OrderTracks(1);
        return;
    }
    PutBack();
    Release();
}

void CCOrderTracks::Undo() {
    if (m_oldOrder.empty() || m_pUndoOf != nullptr || !HasWords()) {
        return;
    }
    auto inverse = std::make_unique<CCOrderTracks>();
    for (const auto& track : m_tracks) {
        inverse->OrderTrack(track.Get(), m_oldOrder[track.Get()]);
    }
    Ref();
    inverse->m_pUndoOf = this;
    inverse->SetCanUndo(0);
    ApplyInverse(std::move(inverse));
}

} // namespace clavenor
