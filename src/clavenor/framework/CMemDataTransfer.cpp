#include "clavenor/framework/CMemDataTransfer.h"

#include <utility>

namespace clavenor {

CMemDataTransfer::CMemDataTransfer() = default;

CMemDataTransfer::~CMemDataTransfer() = default;

int CMemDataTransfer::SetClipboard(std::shared_ptr<const CTransferData> data) {
    if (data != nullptr && data->IsEmpty()) {
        data = nullptr;
    }
    // The old transfer is released outside the lock: it may hold large payloads.
    std::shared_ptr<const CTransferData> previous;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        previous = std::exchange(m_contents, std::move(data));
    }
    return 1;
}

std::shared_ptr<const CTransferData> CMemDataTransfer::GetClipboard() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_contents;
}

} // namespace clavenor
