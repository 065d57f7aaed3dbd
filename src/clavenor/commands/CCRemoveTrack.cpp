#include "clavenor/commands/CCRemoveTrack.h"

#include "clavenor/actions/ACFindEvents.h"
#include "clavenor/elements/ECConductor.h"
#include "clavenor/elements/ECMirror.h"
#include "clavenor/elements/ECTrack.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(CCRemoveTrack, CCRemove, 2 | CRuntimeClass::VersionableSchema)

CCRemoveTrack::CCRemoveTrack() { SetCanUndo(0); }

CCRemoveTrack::CCRemoveTrack(ECTrack* track) : CCRemoveTrack() { Remove(track); }

CCRemoveTrack::~CCRemoveTrack() = default;

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
    for (const auto& item : m_items) {
        auto* track = static_cast<ECTrack*>(item->GetChild());
        if (track->GetEventId() == EventId::Staff) {
            ACFindEvents find;
            find.AddEvtType(EventId::Mirror);
            find.Apply(track);
            MCEventList* mirrors = find.GetEvents();
            for (POSITION pos = mirrors->GetHeadPosition(); pos != nullptr;) {
                auto* mirror = static_cast<ECMirror*>(mirrors->GetNext(pos));
                mirror->SetMirrorEvent(nullptr, 1);
                mirror->RemoveFromParents();
            }
        }
        if (m_pConductor != nullptr) {
            m_pConductor->RemoveTrack(track);
        }
    }
    return 1;
}

} // namespace clavenor
