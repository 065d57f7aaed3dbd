#include "clavenor/actions/ACFindEvents.h"

#include "clavenor/model/ECBase.h"

namespace clavenor {

ACFindEvents::ACFindEvents(int size, int reverse) : ACTypeFilterBase(size, reverse) {}

int ACFindEvents::BeginAction() {
    m_found.RemoveAll();
    m_nCount = 0;
    return ACTypeFilterBase::BeginAction();
}

bool ACFindEvents::AddFound(ECBase* element) { return m_found.AddTail(element) != nullptr; }

int ACFindEvents::DoAction(ECBase* element) {
    if (!PassesTypeFilter(element)) {
        return ResultContinue;
    }
    if (!AddFound(element)) {
        return ResultAbort;
    }
    ++m_nCount;
    return m_nCount >= m_nMaxCount ? ResultStop : ResultContinue;
}

} // namespace clavenor
