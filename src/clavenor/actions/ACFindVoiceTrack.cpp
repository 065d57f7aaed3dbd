#include "clavenor/actions/ACFindVoiceTrack.h"

#include "clavenor/model/ECBase.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

ACFindVoiceTrack::ACFindVoiceTrack(int size) : ACFindEvents(size) {}

int ACFindVoiceTrack::DoAction(ECBase* element) {
    const int id = element->GetEventId();
    if ((id == EventId::Note || id == EventId::GraceNote) && element->GetData(0, 0) == nullptr) {
        return ResultContinue;
    }
    const MCVoiceTrack* vt = element->GetVoiceTrack();
    if (vt == nullptr) {
        return ResultContinue;
    }
    if (m_nVoice != 15 && m_nVoice != 14 && vt->GetVoice() != m_nVoice) {
        return ResultContinue;
    }
    if (m_nTrack != 2047 && vt->GetTrack() != m_nTrack) {
        return ResultContinue;
    }
    return ACFindEvents::DoAction(element);
}

} // namespace clavenor
