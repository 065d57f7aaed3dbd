#include "clavenor/actions/ACSetVoiceTrack.h"

#include "clavenor/model/ECBase.h"
#include "clavenor/model/detail/MCGraphWalk.h"

#include <algorithm>

namespace clavenor {

ACSetVoiceTrack::ACSetVoiceTrack(int track, int voice) : m_nTrack(track), m_nVoice(voice) {}

void ACSetVoiceTrack::SetTrackRange(int minimum, int maximum) {
    m_nTrackMin = minimum;
    m_nTrackMax = maximum;
}

void ACSetVoiceTrack::SetVoiceRange(int minimum, int maximum) {
    m_nVoiceMin = minimum;
    m_nVoiceMax = maximum;
}

bool ACSetVoiceTrack::MoveWord(MCVoiceTrack& word, const MCVoiceTrack& old, int track, int minimum,
                               int maximum) {
    const int current = static_cast<int>(old.GetTrack());
    if (current == MCVoiceTrack::AllTracks) {
        return false;
    }
    if (current != MCVoiceTrack::NoTrack && (current < minimum || current > maximum)) {
        return false;
    }
    word.SetTrack(static_cast<unsigned>(std::clamp(track, 0, MCVoiceTrack::HighestTrack)));
    return true;
}

void ACSetVoiceTrack::MoveToTrack(ECBase* start, int track) {
    if (start == nullptr || track == MCVoiceTrack::NoTrack) {
        return;
    }
    constexpr int Minimum = 1;
    constexpr int Maximum = MCVoiceTrack::HighestTrack;
    auto act = [track](ECBase* element) {
        if (MCGraphWalk::IsPassThrough(element->GetEventId())) {
            return;
        }
        if (MCVoiceTrack* vt = element->GetVoiceTrack()) {
            const MCVoiceTrack old = *vt;
            MoveWord(*vt, old, track, Minimum, Maximum);
        }
    };
    act(start);
    MCGraphWalk::Walk(
        start, false,
        [](ECBase* element, std::size_t) {
            return !MCGraphWalk::IsSpanningMark(element->GetEventId());
        },
        [&act](ECBase* element, std::size_t) {
            act(element);
            return false;
        });
}

int ACSetVoiceTrack::DoAction(ECBase* element) {
    MCVoiceTrack* vt = element->GetVoiceTrack();
    if (vt == nullptr) {
        return ResultContinue;
    }
    // Both tests read the word as it was: writing the track clears the device/channel
    // reading, which would otherwise show the device's bits as a voice.
    const MCVoiceTrack old = *vt;
    if (m_nTrack != MCVoiceTrack::NoTrack &&
        !MoveWord(*vt, old, m_nTrack, m_nTrackMin, m_nTrackMax)) {
        return ResultContinue;
    }
    if (m_nVoice == 15) {
        return ResultContinue;
    }
    const int voice = static_cast<int>(old.GetVoice());
    if (voice != 14 && voice != 15 && (voice < m_nVoiceMin || voice > m_nVoiceMax)) {
        return ResultContinue;
    }
    vt->SetVoice(static_cast<unsigned>(std::clamp(m_nVoice, 0, 7)));
    return ResultContinue;
}

} // namespace clavenor
