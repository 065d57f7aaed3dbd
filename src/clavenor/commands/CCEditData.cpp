#include "clavenor/commands/CCEditData.h"

#include "clavenor/model/DCBase.h"

namespace clavenor {

IMPLEMENT_SERIAL(CCEditData, CCEdit, 2 | CRuntimeClass::VersionableSchema)

CCEditData::CCEditData() = default;

CCEditData::~CCEditData() = default;

int CCEditData::GetCommandId() const { return 23; }

CCEditItem* CCEditData::EditEvent(ECBase*) { return nullptr; }

CCEditDataItem* CCEditData::EditData(DCBase* record, int index) {
    if (record == nullptr) {
        return nullptr;
    }
    if (CCEditItem* item = FindItem(record)) {
        return static_cast<CCEditDataItem*>(item);
    }
    return static_cast<CCEditDataItem*>(AddItem(std::make_unique<CCEditDataItem>(record, index)));
}

bool CCEditData::Accepts(CCEditItem& item) const {
    auto& data = static_cast<CCEditDataItem&>(item);
    return InTarget(data.GetEvent()) && data.IsAttached();
}

bool CCEditData::HasUndo(CCEditItem& item) const {
    return static_cast<CCEditDataItem&>(item).GetOldData() != nullptr;
}

std::unique_ptr<CCEdit> CCEditData::MakeInverse() const { return std::make_unique<CCEditData>(); }

void CCEditData::Invert(CCEdit& inverse, CCEditItem& item) const {
    auto& data = static_cast<CCEditDataItem&>(item);
    CCEditDataItem* target =
        static_cast<CCEditData&>(inverse).EditData(data.GetData(), data.GetIndex());
    target->GetDataCopy()->Copy(data.GetOldData());
}

} // namespace clavenor
