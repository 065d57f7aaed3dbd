#include "clavenor/actions/ACFindFirstEvent.h"

namespace clavenor {

ACFindFirstEvent::ACFindFirstEvent(int size, int reverse) : ACTypeFilterBase(size, reverse) {}

int ACFindFirstEvent::BeginAction() {
    m_pFound = nullptr;
    return ACTypeFilterBase::BeginAction();
}

int ACFindFirstEvent::DoAction(ECBase* element) {
    if (!PassesTypeFilter(element)) {
        return ResultContinue;
    }
    m_pFound = element;
    return ResultStop;
}

} // namespace clavenor
