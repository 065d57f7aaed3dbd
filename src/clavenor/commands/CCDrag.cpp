#include "clavenor/commands/CCDrag.h"

#include "clavenor/clipboard/MCOleDropSource.h"

namespace clavenor {

IMPLEMENT_SERIAL(CCDrag, CCCopy, 2 | CRuntimeClass::VersionableSchema)

CCDrag::CCDrag()
    : m_nDragDelay(CDataTransfer::GetActive().GetDragDelay()),
      m_nDragMinDist(CDataTransfer::GetActive().GetDragMinDist()) {}

CCDrag::~CCDrag() = default;

int CCDrag::GetCommandId() const { return 19; }

int CCDrag::Process() {
    CCBase::Process();
    return m_pDataOut->CacheInfo(&m_info) != 0 && m_pDataOut->CacheEvents(m_events) != 0 ? 1 : 0;
}

int CCDrag::DragDetect(CWnd* window) {
    CDataTransfer& service = CDataTransfer::GetActive();
    return service.DragDetect(window, service.GetDragDelay(), service.GetDragMinDist()) != 0 ? 1
                                                                                             : 0;
}

DROPEFFECT CCDrag::DoDragDrop(CWnd* window) {
    if (m_pDataOut == nullptr) {
        return DROPEFFECT_NONE;
    }
    MCOleDropSource source(m_nQuickDrag, m_nDragDelay, m_nDragMinDist);
    m_dwDropEffect = m_pDataOut->DoDragDrop(m_dwDropEffect, &source, window);
    return m_dwDropEffect;
}

} // namespace clavenor
