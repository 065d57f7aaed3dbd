#include "clavenor/actions/ACSortChildren.h"

#include "clavenor/model/ECBase.h"

namespace clavenor {

ACSortChildren::ACSortChildren(int size) : ACTypeFilterBase(size) {}

int ACSortChildren::DoAction(ECBase* element) {
    if (!PassesTypeFilter(element)) {
        return ResultContinue;
    }
    if (MCEventList* children = element->GetChildren()) {
        children->Sort();
    }
    return ResultContinue;
}

} // namespace clavenor
