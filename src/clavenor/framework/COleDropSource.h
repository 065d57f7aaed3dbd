#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/framework/WindowTypes.h"

namespace clavenor {

class CWnd;

/// The source side of a drag: decides when a press becomes a drag and which buttons drop
/// or cancel it. The data-transfer service's drag loop (CDataTransfer::DoDragDrop) reads
/// the button masks; a host's loop may also call QueryContinueDrag.
class CLAVENOR_API COleDropSource {
public:
    COleDropSource();
    virtual ~COleDropSource();
    COleDropSource(const COleDropSource&) = delete;
    COleDropSource& operator=(const COleDropSource&) = delete;

    /// Whether a drag starts from a press in `window` (may be null). The default asks the
    /// active service's DragDetect with the platform's drag delay and distance.
    virtual int OnBeginDrag(CWnd* window);

    ///@{
    /// Releasing every button of the drop mask drops; pressing one of the cancel mask
    /// cancels. The defaults are the left button and the right button.
    UINT GetDropButtons() const { return m_nButtonDrop; }
    UINT GetCancelButtons() const { return m_nButtonCancel; }
    ///@}

    /// What the drag loop does next, given the buttons held now: 1 go on, 0 drop, -1
    /// cancel (also when `escapePressed`).
    int QueryContinueDrag(bool escapePressed, UINT buttons) const;

protected:
    UINT m_nButtonDrop;   ///< The drop mask (see GetDropButtons).
    UINT m_nButtonCancel; ///< The cancel mask (see GetCancelButtons).
};

} // namespace clavenor
