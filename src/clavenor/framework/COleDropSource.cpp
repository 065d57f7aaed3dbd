#include "clavenor/framework/COleDropSource.h"

#include "clavenor/framework/CDataTransfer.h"

namespace clavenor {

COleDropSource::COleDropSource() : m_nButtonDrop(MK_LBUTTON), m_nButtonCancel(MK_RBUTTON) {}

COleDropSource::~COleDropSource() = default;

int COleDropSource::OnBeginDrag(CWnd* window) {
    CDataTransfer& service = CDataTransfer::GetActive();
    return service.DragDetect(window, service.GetDragDelay(), service.GetDragMinDist()) != 0 ? 1
                                                                                             : 0;
}

int COleDropSource::QueryContinueDrag(bool escapePressed, UINT buttons) const {
    if (escapePressed || (buttons & m_nButtonCancel) != 0) {
        return -1;
    }
    return (buttons & m_nButtonDrop) == 0 ? 0 : 1;
}

} // namespace clavenor
