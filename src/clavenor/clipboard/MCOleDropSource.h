#pragma once

#include "clavenor/framework/COleDropSource.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

/// The drop source of the drag command (CCDrag): a quick flag, a drag delay and a minimum
/// drag distance.
///
/// With the quick flag a drag starts at once, without waiting for the platform's start
/// rule: the left button drops and the right one cancels, both masks widened to both
/// buttons when the right button is held as the drag starts. Without it the service's
/// start rule (CDataTransfer::DragDetect) decides, with this source's delay and distance in
/// place of the platform's.
class CLAVENOR_API MCOleDropSource : public COleDropSource {
public:
    /// The quick flag (non-zero: the drag starts at once), and the delay in milliseconds and
    /// the distance in pixels the start rule uses otherwise.
    MCOleDropSource(int quick, UINT delayMs, UINT minDistance);
    ~MCOleDropSource() override;

    /// 1 at once with the quick flag, which also sets the drop and cancel buttons (above);
    /// otherwise the service's DragDetect with this source's delay and distance.
    int OnBeginDrag(CWnd* window) override;

    ///@{
    /// The values given to the constructor.
    int GetQuick() const { return m_nQuick; }
    UINT GetDragDelay() const { return m_nDelay; }
    UINT GetDragMinDist() const { return m_nMinDist; }
    ///@}

private:
    int m_nQuick;
    UINT m_nDelay;
    UINT m_nMinDist;
};

} // namespace clavenor
