#include "clavenor/commands/CCRemoveItem.h"

#include "clavenor/framework/CArray.h"
#include "clavenor/model/ECBase.h"

namespace clavenor {

CCRemoveItem::~CCRemoveItem() {
    if (m_pParent != nullptr) {
        m_pParent->ReleaseCommandHold();
    }
    if (m_pChild != nullptr) {
        m_pChild->ReleaseCommandHold();
    }
}

void CCRemoveItem::SetChild(ECBase* child) {
    if (child == nullptr || m_pChild != nullptr) {
        return;
    }
    child->AddCommandHold();
    m_pChild = child;
    CArray<int, int> types;
    if (child->GetParentTypes(types) == 0) {
        return;
    }
    // The walk up from the child would meet the child itself first; an element that may
    // nest in its own kind (a tuplet in a tuplet) must not become its own parent, so the
    // walk starts at each parent in turn, which visits the same ancestors in the same order.
    MCEventList* parents = child->GetParents();
    for (int i = 0; i < types.GetSize(); ++i) {
        for (POSITION pos = parents->GetHeadPosition(); pos != nullptr;) {
            if (ECBase* parent = parents->GetNext(pos)->GetAncestor(types[i], -1)) {
                SetParent(parent);
                return;
            }
        }
    }
}

void CCRemoveItem::SetParent(ECBase* parent) {
    if (m_pParent != nullptr || parent == nullptr) {
        return;
    }
    parent->AddCommandHold();
    m_pParent = parent;
}

} // namespace clavenor
