#include "clavenor/commands/CCEditFilterItem.h"

#include "clavenor/framework/CRuntimeClass.h"
#include "clavenor/plugins/LCBase.h"

namespace clavenor {

CCEditFilterItem::CCEditFilterItem(LCBase* filter)
    : CCEditItem(nullptr, false), m_pFilter(filter), m_pFilterCopy(MakeCopy(filter)) {}

CCEditFilterItem::~CCEditFilterItem() = default;

std::unique_ptr<LCBase> CCEditFilterItem::MakeCopy(LCBase* source) {
    if (source == nullptr) {
        return nullptr;
    }
    std::unique_ptr<CObject> made(source->GetRuntimeClass()->CreateObject());
    auto* copy = dynamic_cast<LCBase*>(made.get());
    if (copy == nullptr) {
        return nullptr;
    }
    made.release();
    std::unique_ptr<LCBase> held(copy);
    held->Copy(source);
    return held;
}

void CCEditFilterItem::Keep() { m_pFilterKept = MakeCopy(m_pFilter); }

void CCEditFilterItem::Restore() {
    if (m_pFilter != nullptr && m_pFilterKept != nullptr) {
        m_pFilter->Copy(m_pFilterKept.get());
    }
}

void CCEditFilterItem::Process(int keepUndo) {
    if (m_pFilter == nullptr) {
        return;
    }
    if (keepUndo != 0 && m_pFilterUndo == nullptr) {
        m_pFilterUndo =
            m_pFilterKept != nullptr ? m_pFilterKept : std::shared_ptr<LCBase>(MakeCopy(m_pFilter));
    }
    if (m_pFilterCopy != nullptr) {
        m_pFilter->Copy(m_pFilterCopy.get());
    }
}

} // namespace clavenor
