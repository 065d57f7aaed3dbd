#pragma once

#include "clavenor/framework/CDataTransfer.h"
#include "clavenor/framework/Export.h"

#include <memory>
#include <mutex>

namespace clavenor {

/// A clipboard private to the process: the built-in data-transfer service. Every document
/// of the process shares it; nothing outside the process sees it. Setting and reading the
/// clipboard share the transfer without copying its bytes. Safe to use from any thread.
class CLAVENOR_API CMemDataTransfer : public CDataTransfer {
public:
    CMemDataTransfer();
    ~CMemDataTransfer() override;

    /// Always succeeds (returns 1).
    int SetClipboard(std::shared_ptr<const CTransferData> data) override;
    std::shared_ptr<const CTransferData> GetClipboard() override;

private:
    std::mutex m_lock;
    std::shared_ptr<const CTransferData> m_contents;
};

} // namespace clavenor
