#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/framework/WindowTypes.h"
#include "clavenor/model/MCEventList.h"
#include "clavenor/state/SCBase.h"

#include <cstdint>

namespace clavenor {

class CWnd;
class ECBase;

/// A selection change, from the host to its own windows (codes 1700 to 1704). Delivered
/// synchronously. The record holds a reference on every element in its lists.
///
/// Lists (GetEvents): 0 the elements the record is about, in time order; after
/// UpdateSelection also 1 the new selection, 2 the elements that became selected and 3 those
/// that stopped being selected.
class CLAVENOR_API SCSelection : public SCBase {
public:
    static constexpr int CodeClear = 1700;   ///< Nothing stays selected.
    static constexpr int CodeReplace = 1701; ///< The elements become the whole selection.
    static constexpr int CodeAdd = 1702;     ///< The elements join the selection.
    static constexpr int CodeRemove = 1703;  ///< The elements leave the selection.
    static constexpr int CodeToggle = 1704;  ///< Each element changes its selected state.

    /// A synchronous record of `code` with empty lists.
    explicit SCSelection(int code = CodeClear);
    /// As SCSelection(code), with `element` added (AddToSelection).
    SCSelection(int code, ECBase* element);
    /// As SCSelection(code), with each element of `elements` added (AddToSelection).
    SCSelection(int code, MCEventList* elements);
    /// Copies the base record, the flags, the focus window and all four lists, taking a
    /// reference on every element listed.
    SCSelection(const SCSelection& other);
    /// As the copy constructor, after emptying this record's lists.
    SCSelection& operator=(const SCSelection& other);
    /// Empties the lists; gives the input focus back to the focus window if it still exists.
    ~SCSelection() override;

    ///@{
    /// The dynamic flag (1 or 0): a marker for the host's windows (a selection that follows
    /// playback, say); the library only carries it.
    int IsDynamic() const { return (m_nSelFlags & 0x1) != 0 ? 1 : 0; }
    void SetDynamic(int on) {
        m_nSelFlags =
            static_cast<std::uint8_t>(on != 0 ? (m_nSelFlags | 0x1) : (m_nSelFlags & ~0x1));
    }
    ///@}
    /// 1 once UpdateSelection has filled lists 1 to 3, else 0.
    int IsUpdated() const { return (m_nSelFlags & 0x2) != 0 ? 1 : 0; }

    /// The window that gets the input focus back when the record is destroyed (null: none).
    /// Its handle is kept too, so a window destroyed meanwhile is left alone.
    void SetFocusWnd(CWnd* window);
    /// The window given to SetFocusWnd; it may no longer exist.
    CWnd* GetFocusWnd() const { return m_pFocusWnd; }

    /// List `index` (see the class comment), or null.
    MCEventList* GetEvents(int index);

    /// Adds the element to list 0 in time order unless it is already there; null is ignored.
    void AddToSelection(ECBase* element);
    /// AddToSelection for each element of `elements` in list order; null is ignored.
    void AddToSelection(MCEventList* elements);
    /// Removes the element from list 0 (giving back the record's reference); absent or
    /// null elements are ignored.
    void RemoveFromSelection(ECBase* element);
    /// RemoveFromSelection for each element of `elements`; null is ignored.
    void RemoveFromSelection(MCEventList* elements);
    /// Empties all four lists.
    void ClearSelection();

    /// Applies the record's operation to the host's `current` selection: builds the new
    /// selection from the code, marks the added elements selected and the removed ones not,
    /// and refills `current` with the new selection. Returns 1 when anything was added or
    /// removed, 0 otherwise and for an unknown code (which changes nothing).
    int UpdateSelection(MCEventList& current);

    /// The selection colour (a red-green-blue word, red in the low byte); 255 at start.
    static std::uint32_t GetColor();
    /// Sets the selection colour for the process (as preferences do when they are
    /// reloaded); on the owning thread.
    static void SetColor(std::uint32_t color);

protected:
    /// The element a selection means by `element`: the element itself (null for null).
    ECBase* Resolve(ECBase* element) const;

private:
    std::uint8_t m_nSelFlags = 0;
    MCEventList m_events{10};
    CWnd* m_pFocusWnd = nullptr;
    // The window's handle, which outlives the window object: the focus goes back only to a
    // window that still exists, and the object may be gone by then.
    HWND m_hFocusWnd = nullptr;
    MCEventList m_newSelection{10};
    MCEventList m_added{10};
    MCEventList m_removed{10};
};

} // namespace clavenor
