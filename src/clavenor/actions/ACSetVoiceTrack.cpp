#include "clavenor/actions/ACSetVoiceTrack.h"

#include "clavenor/model/ECBase.h"

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

int ACSetVoiceTrack::DoAction(ECBase* element) {
    MCVoiceTrack* vt = element->GetVoiceTrack();
    if (vt == nullptr) {
        return ResultContinue;
    }
    // Both tests read the word as it was: writing the track clears the device/channel
    // reading, which would otherwise show the device's bits as a voice.
    const MCVoiceTrack old = *vt;
    if (m_nTrack != 2047) {
        const int track = static_cast<int>(old.GetTrack());
        if (track == 2046) {
            return ResultContinue;
        }
        if (track != 2047 && (track < m_nTrackMin || track > m_nTrackMax)) {
            return ResultContinue;
        }
        vt->SetTrack(static_cast<unsigned>(std::clamp(m_nTrack, 0, 2045)));
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
