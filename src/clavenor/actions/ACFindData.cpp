#include "clavenor/actions/ACFindData.h"

#include "clavenor/model/ECBase.h"

namespace clavenor {

ACFindData::ACFindData(int viewCode) : ACFindEvents(1), m_nViewCode(viewCode) {}

int ACFindData::DoAction(ECBase* element) {
    if (element->GetData(m_nViewCode, 0) == nullptr) {
        return ResultContinue;
    }
    return ACFindEvents::DoAction(element);
}

} // namespace clavenor
