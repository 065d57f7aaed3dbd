#include "clavenor/commands/CCEditDataItem.h"

#include "clavenor/framework/CRuntimeClass.h"
#include "clavenor/model/DCBase.h"
#include "clavenor/model/ECBase.h"

namespace clavenor {

namespace {

constexpr int ViewCodes = 6;

} // namespace

CCEditDataItem::CCEditDataItem(DCBase* data, int index)
    : CCEditItem(data != nullptr ? data->GetOwner() : nullptr, false), m_pData(data),
      m_nIndex(index), m_pDataCopy(MakeCopy(data)) {}

CCEditDataItem::~CCEditDataItem() = default;

std::unique_ptr<DCBase> CCEditDataItem::MakeCopy(DCBase* source) {
    if (source == nullptr) {
        return nullptr;
    }
    std::unique_ptr<CObject> made(source->GetRuntimeClass()->CreateObject());
    auto* copy = dynamic_cast<DCBase*>(made.get());
    if (copy == nullptr) {
        return nullptr;
    }
    made.release();
    std::unique_ptr<DCBase> held(copy);
    held->Copy(source);
    return held;
}

bool CCEditDataItem::IsAttached() const {
    ECBase* owner = GetEvent();
    if (m_pData == nullptr || owner == nullptr) {
        return false;
    }
    if (m_nIndex >= 0) {
        return owner->GetData(m_nIndex, 0) == m_pData;
    }
    for (int code = 0; code < ViewCodes; ++code) {
        if (owner->GetData(code, 0) == m_pData) {
            return true;
        }
    }
    return false;
}

void CCEditDataItem::Keep() {
    m_pDataKept = IsAttached() ? std::shared_ptr<DCBase>(MakeCopy(m_pData)) : nullptr;
}

void CCEditDataItem::Restore() {
    if (m_pDataKept != nullptr && IsAttached()) {
        m_pData->Copy(m_pDataKept.get());
    }
}

void CCEditDataItem::Process(int keepUndo) {
    if (!IsAttached()) {
        return;
    }
    if (keepUndo != 0 && m_pDataUndo == nullptr) {
        m_pDataUndo =
            m_pDataKept != nullptr ? m_pDataKept : std::shared_ptr<DCBase>(MakeCopy(m_pData));
    }
    if (m_pDataCopy != nullptr) {
        m_pData->Copy(m_pDataCopy.get());
    }
}

} // namespace clavenor
