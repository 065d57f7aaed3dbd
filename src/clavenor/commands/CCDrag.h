#pragma once

#include "clavenor/commands/CCCopy.h"
#include "clavenor/framework/CDataTransfer.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

class CWnd;

/// Prepares copied elements for a drag: like CCCopy, but Process keeps the data out with
/// the command instead of handing it to the clipboard, and the host then runs the drag with
/// DoDragDrop (holding its own reference on the command, since the manager releases its
/// own when the batch ends). Never recorded for undo.
///
/// The drop effect starts as copy or move (3) and holds the effect of the drop after
/// DoDragDrop; the drag delay and minimum distance start as the service's drag defaults
/// (CDataTransfer::GetDragDelay, GetDragMinDist) at construction.
class CLAVENOR_API CCDrag : public CCCopy {
    DECLARE_SERIAL(CCDrag)

public:
    CCDrag();
    ~CCDrag() override;

    int GetCommandId() const override;

    /// The discard list; caches the info record and the elements in the data out, which
    /// stays with the command. 1 when both were cached.
    int Process() override;

    /// Whether the user starts dragging in `window` from the pointer's position
    /// (CDataTransfer::DragDetect with the service's defaults).
    static int DragDetect(CWnd* window);

    /// Runs the service's drag loop with the data out as what is dragged, allowing the drop
    /// effect, with a drop source of the quick flag, delay and distance (MCOleDropSource).
    /// Stores the effect of the drop as the drop effect and returns it; DROPEFFECT_NONE
    /// without a data out (before Process). On the owning thread.
    DROPEFFECT DoDragDrop(CWnd* window = nullptr);

    ///@{
    /// The effects the drag allows, and after DoDragDrop the effect of the drop.
    DROPEFFECT GetDropEffect() const { return m_dwDropEffect; }
    void SetDropEffect(DROPEFFECT effect) { m_dwDropEffect = effect; }
    ///@}
    ///@{
    /// The drop source's settings for the next DoDragDrop (see MCOleDropSource): the quick
    /// flag (non-zero: the drag starts at once), the delay in milliseconds and the minimum
    /// distance in pixels before a drag starts. Stored as given.
    int GetQuickDrag() const { return m_nQuickDrag; }
    void SetQuickDrag(int quick) { m_nQuickDrag = quick; }
    UINT GetDragDelay() const { return m_nDragDelay; }
    void SetDragDelay(UINT delayMs) { m_nDragDelay = delayMs; }
    UINT GetDragMinDist() const { return m_nDragMinDist; }
    void SetDragMinDist(UINT distance) { m_nDragMinDist = distance; }
    ///@}

private:
    DROPEFFECT m_dwDropEffect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    int m_nQuickDrag = 0;
    UINT m_nDragDelay;
    UINT m_nDragMinDist;
};

} // namespace clavenor
