#include "clavenor/framework/CDataTransfer.h"

#include "clavenor/framework/CMemDataTransfer.h"

#include <atomic>

namespace clavenor {

namespace {

// Null stands for the built-in service, created on first use.
std::atomic<CDataTransfer*> s_pActive{nullptr};

CDataTransfer& BuiltIn() {
    static CMemDataTransfer service;
    return service;
}

} // namespace

CDataTransfer::~CDataTransfer() {
    CDataTransfer* self = this;
    s_pActive.compare_exchange_strong(self, nullptr);
}

DROPEFFECT CDataTransfer::DoDragDrop(std::shared_ptr<const CTransferData>, DROPEFFECT,
                                     COleDropSource&, CWnd*) {
    return DROPEFFECT_NONE;
}

int CDataTransfer::DragDetect(CWnd*, UINT, UINT) { return 0; }

UINT CDataTransfer::GetMouseButtons() { return 0; }

UINT CDataTransfer::GetDragDelay() { return DefaultDragDelay; }

UINT CDataTransfer::GetDragMinDist() { return DefaultDragMinDist; }

CDataTransfer* CDataTransfer::SetActive(CDataTransfer* service) {
    CDataTransfer* previous = s_pActive.exchange(service);
    return previous != nullptr ? previous : &BuiltIn();
}

CDataTransfer& CDataTransfer::GetActive() {
    CDataTransfer* service = s_pActive.load();
    return service != nullptr ? *service : BuiltIn();
}

} // namespace clavenor
