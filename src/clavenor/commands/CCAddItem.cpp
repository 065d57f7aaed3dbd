#include "clavenor/commands/CCAddItem.h"

#include "clavenor/model/ECBase.h"

namespace clavenor {

namespace {

void Replace(ECBase*& slot, ECBase* element) {
    if (element != nullptr) {
        element->AddCommandHold();
    }
    ECBase* old = slot;
    slot = element;
    if (old != nullptr) {
        old->ReleaseCommandHold();
    }
}

} // namespace

CCAddItem::CCAddItem(ECBase* child, ECBase* parent, const FCMidi& data) : m_data(data) {
    SetChild(child);
    SetParent(parent);
}

CCAddItem::~CCAddItem() {
    Replace(m_pChild, nullptr);
    Replace(m_pParent, nullptr);
}

void CCAddItem::SetChild(ECBase* child) { Replace(m_pChild, child); }

void CCAddItem::SetParent(ECBase* parent) { Replace(m_pParent, parent); }

} // namespace clavenor
