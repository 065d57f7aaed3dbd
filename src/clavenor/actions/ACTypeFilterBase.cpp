#include "clavenor/actions/ACTypeFilterBase.h"

#include "clavenor/model/ECBase.h"

namespace clavenor {

ACTypeFilterBase::ACTypeFilterBase(int size, int reverse) : ACBase(reverse) {
    for (int i = 0; i < size; ++i) {
        m_types.Add(-1);
    }
}

void ACTypeFilterBase::AddEvtType(int id) {
    m_types.SetAtGrow(m_nUsed, id);
    ++m_nUsed;
}

void ACTypeFilterBase::AddEvtTypes(const CArray<int, int>& ids) {
    if (m_nUsed == 0) {
        m_types.RemoveAll();
    }
    // Stored at the next used entries rather than after any unused ones, so that every id
    // given is one the filter looks at.
    const int n = ids.GetSize();
    for (int i = 0; i < n; ++i) {
        AddEvtType(ids[i]);
    }
}

void ACTypeFilterBase::RemoveEvtType(int id) {
    const int index = FindEvtType(id);
    if (index >= 0) {
        m_types.RemoveAt(index);
        --m_nUsed;
    }
}

void ACTypeFilterBase::RemoveEvtTypes() {
    for (int i = 0; i < m_types.GetSize(); ++i) {
        m_types[i] = -1;
    }
    m_nUsed = 0;
}

int ACTypeFilterBase::FindEvtType(int id) const {
    for (int i = 0; i < m_nUsed && i < m_types.GetSize(); ++i) {
        if (m_types[i] == id) {
            return i;
        }
    }
    return -1;
}

bool ACTypeFilterBase::PassesTypeFilter(ECBase* element) const {
    return m_nUsed == 0 || FindEvtType(element->GetEventId()) >= 0;
}

} // namespace clavenor
