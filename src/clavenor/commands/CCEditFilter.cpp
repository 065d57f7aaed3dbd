#include "clavenor/commands/CCEditFilter.h"

#include "clavenor/plugins/LCBase.h"

namespace clavenor {

IMPLEMENT_SERIAL(CCEditFilter, CCEdit, 2 | CRuntimeClass::VersionableSchema)

CCEditFilter::CCEditFilter() = default;

CCEditFilter::~CCEditFilter() = default;

int CCEditFilter::GetCommandId() const { return 25; }

CCEditItem* CCEditFilter::EditEvent(ECBase*) { return nullptr; }

CCEditFilterItem* CCEditFilter::EditFilter(LCBase* filter) {
    if (filter == nullptr) {
        return nullptr;
    }
    if (CCEditItem* item = FindItem(filter)) {
        return static_cast<CCEditFilterItem*>(item);
    }
    return static_cast<CCEditFilterItem*>(AddItem(std::make_unique<CCEditFilterItem>(filter)));
}

bool CCEditFilter::Accepts(CCEditItem& item) const {
    return static_cast<CCEditFilterItem&>(item).GetFilter() != nullptr;
}

bool CCEditFilter::HasUndo(CCEditItem& item) const {
    return static_cast<CCEditFilterItem&>(item).GetOldFilter() != nullptr;
}

std::unique_ptr<CCEdit> CCEditFilter::MakeInverse() const {
    return std::make_unique<CCEditFilter>();
}

void CCEditFilter::Invert(CCEdit& inverse, CCEditItem& item) const {
    auto& filter = static_cast<CCEditFilterItem&>(item);
    CCEditFilterItem* target = static_cast<CCEditFilter&>(inverse).EditFilter(filter.GetFilter());
    target->GetFilterCopy()->Copy(filter.GetOldFilter());
}

} // namespace clavenor
