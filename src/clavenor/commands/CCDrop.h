#pragma once

#include "clavenor/commands/CCPaste.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

class COleDataObject;

/// Reads the transfer of a drop: like CCPaste, but the elements come from the data object
/// the host's drop target received (SetDataObject) instead of from the clipboard. While the
/// command reads, the data object's transfer is lent to the data in; Detach gives it back.
/// Without a data object the command reads the clipboard. Never recorded for undo.
class CLAVENOR_API CCDrop : public CCPaste {
    DECLARE_SERIAL(CCDrop)

public:
    CCDrop();
    ~CCDrop() override;

    int GetCommandId() const override;

    ///@{
    /// The drop's data object; not owned, and it must outlive the command's run.
    void SetDataObject(COleDataObject* dataObject) { m_pDataObject = dataObject; }
    COleDataObject* GetDataObject() const { return m_pDataObject; }
    ///@}

    /// With a data object: its transfer moves to the data in; Detach moves it back.
    /// Otherwise as CCPaste.
    void Attach() override;
    void Detach() override;

private:
    COleDataObject* m_pDataObject = nullptr;
};

} // namespace clavenor
