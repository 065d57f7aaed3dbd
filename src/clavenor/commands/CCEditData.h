#pragma once

#include "clavenor/framework/Export.h"

#include "clavenor/commands/CCEdit.h"
#include "clavenor/commands/CCEditDataItem.h"

namespace clavenor {

class DCBase;

/// Changes attached data records (DCBase, the records plug-ins attach to elements) in
/// place: one item per record, whose data copy the host fills. Whole elements are not
/// edited by this class (EditEvent answers null). Old state, undo and failure as CCEdit,
/// on the records: what the record class's Copy assigns comes back exactly.
///
/// Prepare refuses a record without an owner inside the target document, or one its owner
/// no longer carries.
class CLAVENOR_API CCEditData : public CCEdit {
    DECLARE_SERIAL(CCEditData)

public:
    CCEditData();
    ~CCEditData() override;

    int GetCommandId() const override;

    /// Null: this class edits records only.
    CCEditItem* EditEvent(ECBase* element) override;
    /// The item for `record`, made when there is none (`index` its view code, -1 when not
    /// known); null for a null record. Throws std::bad_alloc.
    virtual CCEditDataItem* EditData(DCBase* record, int index);

protected:
    bool Accepts(CCEditItem& item) const override;
    bool HasUndo(CCEditItem& item) const override;
    std::unique_ptr<CCEdit> MakeInverse() const override;
    void Invert(CCEdit& inverse, CCEditItem& item) const override;
};

} // namespace clavenor
