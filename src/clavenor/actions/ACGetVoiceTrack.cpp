#include "clavenor/actions/ACGetVoiceTrack.h"

#include "clavenor/model/ECBase.h"

namespace clavenor {

ACGetVoiceTrack::ACGetVoiceTrack() : ACBase(1) {}

int ACGetVoiceTrack::DoAction(ECBase* element) {
    const MCVoiceTrack* vt = element->GetVoiceTrack();
    if (vt == nullptr) {
        return ResultContinue;
    }
    m_voiceTrack = *vt;
    return ResultStop;
}

} // namespace clavenor
