#include "clavenor/commands/detail/MCSpareLinks.h"

#include "clavenor/model/ECWithChild.h"
#include "clavenor/model/MCEventList.h"

#include <new>

namespace clavenor {

void MCSpareLinks::Reserve(MCEventList& spares, std::size_t links) {
    // Two nodes a link: one in the parent's children, one in the child's parents.
    for (std::size_t made = 0; made < 2 * links; ++made) {
        if (spares.AddTail(static_cast<CObject*>(nullptr)) == nullptr) {
            for (; made > 0; --made) {
                (void)spares.RemoveTail();
            }
            throw std::bad_alloc();
        }
    }
}

void MCSpareLinks::Link(MCEventList& spares, ECBase* parent, ECBase* child, ECBase* childBefore,
                        ECBase* parentBefore) {
    if (parent == nullptr || child == nullptr ||
        child->GetParents()->FindNearEnds(parent) != nullptr) {
        return;
    }
    auto* owner = dynamic_cast<ECWithChild*>(parent);
    if (owner == nullptr) {
        return;
    }
    if (spares.GetCount() < 2) {
        // Set aside for every link its owner may put back, so not reached; were it, a link
        // put back by time would still beat one lost.
        (void)parent->AddChild(child, 1);
        return;
    }
    ECWithChild::ParkedLink link;
    link.childNode = spares.GetHeadPosition();
    POSITION second = link.childNode;
    spares.GetNext(second);
    link.parentNode = second;
    link.childBefore = childBefore;
    link.parentBefore = parentBefore;
    spares.SetAt(link.childNode, child);
    spares.SetAt(link.parentNode, parent);
    if (owner->UnparkChild(child, spares, link) == 0) {
        spares.SetAt(link.childNode, nullptr);
        spares.SetAt(link.parentNode, nullptr);
        // Only a parent that never had a child refuses, which no link put back meets.
        (void)parent->AddChild(child, 1);
    }
}

} // namespace clavenor
