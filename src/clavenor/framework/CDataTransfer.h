#pragma once

#include "clavenor/framework/CTransferData.h"
#include "clavenor/framework/Export.h"
#include "clavenor/framework/WindowTypes.h"

#include <cstdint>
#include <memory>

namespace clavenor {

class COleDropSource;
class CWnd;

/// What a drop did with the dragged data (bits; a drag offers a combination).
using DROPEFFECT = std::uint32_t;
inline constexpr DROPEFFECT DROPEFFECT_NONE = 0;
inline constexpr DROPEFFECT DROPEFFECT_COPY = 1;
inline constexpr DROPEFFECT DROPEFFECT_MOVE = 2;
inline constexpr DROPEFFECT DROPEFFECT_LINK = 4;

/// Mouse buttons, as bits of GetMouseButtons and of a drop source's button masks.
inline constexpr UINT MK_LBUTTON = 0x1;
inline constexpr UINT MK_RBUTTON = 0x2;

/// The platform's data-transfer service: the clipboard and drag-and-drop, as the library's
/// clipboard objects (COleDataSource, COleDataObject and the model's MCOleDataOut and
/// MCOleDataIn) use them. A host implements it to connect the library to its window
/// system; the library ships two implementations:
///  - CMemDataTransfer, a clipboard private to the process. It is the built-in default, so
///    that copy and paste between two documents of one process work with no set-up.
///  - CSharedDataTransfer, a clipboard in a per-user folder that every process of the user
///    on the machine sees, so that two running hosts exchange music.
///
/// A transfer travels as a CTransferData: payloads under format names, never process-local
/// format ids. The clipboard holds one transfer at a time; offering one replaces it whole,
/// and a reader always gets a whole transfer (a snapshot), never a mix of two copies.
///
/// Threads: the library calls the service from the host's owning thread (where commands
/// run). The shipped services are also safe to call from other threads; SetActive and
/// GetActive may be called from any thread, but switching services while a command runs
/// is not supported.
class CLAVENOR_API CDataTransfer {
public:
    ///@{
    /// The platform's drag defaults: how long (milliseconds) and how far (pixels) the
    /// pointer must be held and moved before a press becomes a drag.
    static constexpr UINT DefaultDragDelay = 200;
    static constexpr UINT DefaultDragMinDist = 2;
    ///@}

    /// A service destroyed while active stops being active (the built-in one takes over).
    virtual ~CDataTransfer();
    CDataTransfer(const CDataTransfer&) = delete;
    CDataTransfer& operator=(const CDataTransfer&) = delete;

    /// Replaces the clipboard's contents with `data` (null or empty: empties the clipboard).
    /// The service keeps the transfer; the caller may drop its own pointer. Returns 1, or 0
    /// when the clipboard could not be set (it then keeps its previous contents).
    virtual int SetClipboard(std::shared_ptr<const CTransferData> data) = 0;

    /// The clipboard's current contents as a snapshot that later copies do not change, or
    /// null when the clipboard is empty or cannot be read.
    virtual std::shared_ptr<const CTransferData> GetClipboard() = 0;

    /// Runs the drag loop with `data` as what is dragged, allowing the effects `allowed`,
    /// after `source` has agreed that a drag starts (COleDropSource::OnBeginDrag); returns
    /// the effect of the drop. The window of the press is `window` (may be null). The
    /// library has no window system: the base returns DROPEFFECT_NONE, as a drag that
    /// nothing accepted. A host's service runs its own loop and hands the data of a drop to
    /// the target's COleDataObject (see CCDrop).
    virtual DROPEFFECT DoDragDrop(std::shared_ptr<const CTransferData> data, DROPEFFECT allowed,
                                  COleDropSource& source, CWnd* window);

    /// Whether the user, from the pointer's current position, starts dragging in `window`:
    /// holds a button for `delayMs` or moves the pointer `minDistance` pixels. The base
    /// knows no pointer and returns 0.
    virtual int DragDetect(CWnd* window, UINT delayMs, UINT minDistance);

    /// The mouse buttons held now (MK_LBUTTON, MK_RBUTTON); the base returns 0.
    virtual UINT GetMouseButtons();

    ///@{
    /// The platform's drag defaults; the base returns DefaultDragDelay and
    /// DefaultDragMinDist.
    virtual UINT GetDragDelay();
    virtual UINT GetDragMinDist();
    ///@}

    /// Makes `service` the one the library uses from now on and returns the one it replaces
    /// (the built-in CMemDataTransfer when none had been chosen). Null selects the built-in
    /// service again. The library does not own a host's service: it must outlive its
    /// selection (or deselect itself by being destroyed).
    static CDataTransfer* SetActive(CDataTransfer* service);

    /// The service the library uses.
    static CDataTransfer& GetActive();

protected:
    CDataTransfer() = default;
};

} // namespace clavenor
