#include "clavenor/model/Ref.h"

#include "clavenor/model/ECBase.h"

#include <cstdint>

namespace clavenor {

namespace {

// The references on `element` that its children's parents lists hold.
std::uint32_t ReferencesFromChildren(ECBase* element) {
    std::uint32_t count = 0;
    if (MCEventList* children = element->GetChildren()) {
        for (ECBase* child : *children) {
            for (ECBase* parent : *child->GetParents()) {
                count += parent == element ? 1 : 0;
            }
        }
    }
    return count;
}

} // namespace

void ReleaseElementRef(ECBase* element) {
    if (element == nullptr) {
        return;
    }
    // The count is reported in 16 bits; so is the comparison, which is exact for any
    // realistic number of outside holders.
    const auto outside =
        static_cast<std::uint16_t>(element->GetRefCount() - ReferencesFromChildren(element));
    if (outside == 1 && element->GetParents()->IsEmpty()) {
        element->RemoveChildren(1);
    }
    element->Unref(1);
}

} // namespace clavenor
