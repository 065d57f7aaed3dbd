#include "clavenor/actions/ACCount.h"

namespace clavenor {

ACCount::ACCount(int size, int reverse) : ACTypeFilterBase(size, reverse) {}

int ACCount::BeginAction() {
    m_nCount = 0;
    return ACTypeFilterBase::BeginAction();
}

int ACCount::DoAction(ECBase* element) {
    if (PassesTypeFilter(element)) {
        ++m_nCount;
    }
    return ResultContinue;
}

} // namespace clavenor
