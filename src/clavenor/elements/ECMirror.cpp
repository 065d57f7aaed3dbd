#include "clavenor/elements/ECMirror.h"

#include "clavenor/elements/MCMirrorList.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECMirror, ECWithTime, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECMirror, EventId::Mirror)

namespace {

// The mirror list of an element that keeps one: clefs, keys, meters and tempi.
MCMirrorList* MirrorListOf(ECBase* element) {
    if (element == nullptr) {
        return nullptr;
    }
    switch (element->GetEventId()) {
    case EventId::Clef:
    case EventId::Key:
    case EventId::Meter:
    case EventId::Tempo:
        return dynamic_cast<MCMirrorList*>(element);
    default:
        return nullptr;
    }
}

} // namespace

ECMirror::~ECMirror() = default;

ECBase* ECMirror::Copy(CObject* src) { return CopyAs(this, src); }

int ECMirror::GetEventId() const { return EventId::Mirror; }

int ECMirror::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Measure);
    return 1;
}

void ECMirror::PostSerialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteObject(ar.IsObjectMapped(m_pEvent) ? m_pEvent : nullptr);
        return;
    }
    auto* element = static_cast<ECBase*>(ar.ReadObject(RUNTIME_CLASS(ECBase)));
    SetMirrorEvent(MirrorListOf(element) != nullptr ? element : nullptr, 1);
}

void ECMirror::SetMirrorEvent(ECBase* element, int reg) {
    if (reg != 0) {
        // Leaving the old list may give back the last reference; the mirror stays alive
        // until it has joined the new one.
        Ref();
        if (MCMirrorList* old = MirrorListOf(m_pEvent)) {
            old->RemoveMirror(this);
        }
        if (MCMirrorList* list = MirrorListOf(element)) {
            list->AddMirror(this);
        }
        m_pEvent = element;
        Unref(1);
        return;
    }
    m_pEvent = element;
}

} // namespace clavenor
