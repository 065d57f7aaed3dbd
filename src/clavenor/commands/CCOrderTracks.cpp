#include "clavenor/commands/CCOrderTracks.h"

#include "clavenor/actions/ACFindEvents.h"
#include "clavenor/actions/ACSetVoiceTrack.h"
#include "clavenor/commands/detail/MCEditJournal.h"
#include "clavenor/commands/detail/MCEditRun.h"
#include "clavenor/elements/ECConductor.h"
#include "clavenor/elements/ECConductorStaff.h"
#include "clavenor/elements/ECTrack.h"
#include "clavenor/framework/detail/ReserveOneMore.h"

#include <new>
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
        return m_pUndoOf->m_words.empty() && !m_pUndoOf->m_tracks.empty() ? 0 : 1;
    }
    for (const auto& track : m_tracks) {
        const int number = m_newOrder[track.Get()];
        if (!InTarget(track.Get()) || number < 1 || number > MCVoiceTrack::HighestTrack) {
            return 0;
        }
    }
    return 1;
}

void CCOrderTracks::ReleaseWords(std::vector<Word>& words) {
    for (Word& word : words) {
        word.element->Unref(1);
    }
    words.clear();
}

void CCOrderTracks::Release() {
    ReleaseWords(m_words);
    for (ECBase* child : m_childOrder) {
        child->Unref(1);
    }
    m_childOrder.clear();
    m_staffOrder.clear();
}

void CCOrderTracks::PutBack() {
    for (auto it = m_words.rbegin(); it != m_words.rend(); ++it) {
        MCVoiceTrack word = it->word;
        it->element->SetVoiceTrack(&word);
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
    std::vector<Word> words;
    std::vector<ECStaff*> staves;
    std::vector<ECBase*> children;
    try {
        for (const auto& track : m_tracks) {
            ACFindEvents find;
            // The walk gives up, rather than throwing, when it cannot store what it found.
            if (find.Apply(track.Get()) == ACBase::ResultAbort) {
                throw std::bad_alloc();
            }
            for (ECBase* element : *find.GetEvents()) {
                if (element->GetVoiceTrack() != nullptr) {
                    ReserveOneMore(words);
                    element->Ref();
                    words.push_back(Word{element, *element->GetVoiceTrack()});
                }
            }
        }
        if (ECConductorStaff* timeline = MCEditRun::FindConductorStaff(m_pConductor)) {
            staves = timeline->GetStaffOrder();
        }
        children.assign(m_pConductor->GetChildren()->begin(), m_pConductor->GetChildren()->end());
        m_pConductor->ReserveTrackOrder(0);
    } catch (...) {
        ReleaseWords(words);
        throw;
    }
    Release();
    m_words = std::move(words);
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
    if (m_oldOrder.empty() || m_pUndoOf != nullptr || m_words.empty()) {
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
