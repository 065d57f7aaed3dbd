#include "clavenor/commands/CCEditItem.h"

#include "clavenor/framework/CRuntimeClass.h"
#include "clavenor/model/ECBase.h"

namespace clavenor {

CCEditItem::CCEditItem(ECBase* event) : CCEditItem(event, true) {}

CCEditItem::CCEditItem(ECBase* event, bool withCopy) {
    if (withCopy) {
        m_editCopy = MakeCopy(event);
    }
    if (event != nullptr) {
        event->AddCommandHold();
        m_pEvent = event;
    }
}

CCEditItem::~CCEditItem() {
    if (m_pEvent != nullptr) {
        m_pEvent->ReleaseCommandHold();
    }
}

Ref<ECBase> CCEditItem::MakeCopy(ECBase* source) {
    if (source == nullptr) {
        return nullptr;
    }
    CObject* made = source->GetRuntimeClass()->CreateObject();
    auto* copy = dynamic_cast<ECBase*>(made);
    if (copy == nullptr) {
        delete made;
        return nullptr;
    }
    Ref<ECBase> held(copy);
    copy->Copy(source);
    return held;
}

void CCEditItem::Keep() { m_kept = MakeCopy(m_pEvent); }

void CCEditItem::Restore() {
    if (m_pEvent != nullptr && m_kept) {
        m_pEvent->Copy(m_kept.Get());
    }
}

void CCEditItem::Process(int keepUndo) {
    if (m_pEvent == nullptr) {
        return;
    }
    if (keepUndo != 0 && !m_undoCopy) {
        m_undoCopy = m_kept ? m_kept : MakeCopy(m_pEvent);
    }
    if (m_editCopy) {
        m_pEvent->Copy(m_editCopy.Get());
    }
}

} // namespace clavenor
