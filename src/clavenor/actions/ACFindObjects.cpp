#include "clavenor/actions/ACFindObjects.h"

#include "clavenor/model/ECBase.h"

namespace clavenor {

ACFindObjects::ACFindObjects(ECBase* object) {
    // A null object gives the empty set the constructor promises; a set that could not be
    // allocated is empty too, and ObjectsFound() then answers 0 for every walk.
    (void)AddObject(object);
}

ACFindObjects::ACFindObjects(MCEventList* objects) { AddObjects(objects); }

int ACFindObjects::BeginAction() {
    m_nFlags &= ~FlagDerived;
    return ACBase::BeginAction();
}

int ACFindObjects::DoAction(ECBase* element) {
    if (m_objects.Find(element) == nullptr) {
        return ResultContinue;
    }
    m_nFlags |= FlagDerived;
    return ResultStop;
}

int ACFindObjects::AddObject(ECBase* object) {
    return object != nullptr && m_objects.AddTail(object) != nullptr ? 1 : 0;
}

void ACFindObjects::AddObjects(MCEventList* objects) { m_objects.AddTail(objects); }

void ACFindObjects::RemoveObject(ECBase* object) { m_objects.RemoveEvent(object); }

void ACFindObjects::RemoveObjects(MCEventList* objects) { m_objects.RemoveEvents(objects); }

} // namespace clavenor
