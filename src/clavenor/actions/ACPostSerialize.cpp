#include "clavenor/actions/ACPostSerialize.h"

#include "clavenor/model/DCBase.h"
#include "clavenor/model/ECBase.h"

namespace clavenor {

ACPostSerialize::ACPostSerialize(CArchive& archive) : m_archive(archive) {}

int ACPostSerialize::DoAction(ECBase* element) {
    element->PostSerialize(m_archive);
    const MCDataArray* data = element->FindData();
    for (int i = 0; data != nullptr && i < data->GetSize(); ++i) {
        if (DCBase* record = data->GetAt(i)) {
            record->PostSerialize(m_archive);
        }
    }
    const int id = element->GetEventId();
    return id == 7 || id == 54 || id == 60 ? ResultSkipChildren : ResultContinue;
}

} // namespace clavenor
