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
        return 0;
    }
    if (!AddFound(element)) {
        return -1;
    }
    ++m_nCount;
    return m_nCount >= m_nMaxCount ? 2 : 0;
}

} // namespace clavenor
