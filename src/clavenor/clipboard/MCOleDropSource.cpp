#include "clavenor/clipboard/MCOleDropSource.h"

#include "clavenor/framework/CDataTransfer.h"

namespace clavenor {

MCOleDropSource::MCOleDropSource(int quick, UINT delayMs, UINT minDistance)
    : m_nQuick(quick), m_nDelay(delayMs), m_nMinDist(minDistance) {}

MCOleDropSource::~MCOleDropSource() = default;

int MCOleDropSource::OnBeginDrag(CWnd* window) {
    CDataTransfer& service = CDataTransfer::GetActive();
    if (m_nQuick == 0) {
        return service.DragDetect(window, m_nDelay, m_nMinDist) != 0 ? 1 : 0;
    }
    m_nButtonDrop = MK_LBUTTON;
    m_nButtonCancel = MK_RBUTTON;
    if ((service.GetMouseButtons() & MK_RBUTTON) != 0) {
        m_nButtonDrop = MK_LBUTTON | MK_RBUTTON;
        m_nButtonCancel = MK_LBUTTON | MK_RBUTTON;
    }
    return 1;
}

} // namespace clavenor
