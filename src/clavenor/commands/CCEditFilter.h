#pragma once

#include "clavenor/framework/Export.h"

#include "clavenor/commands/CCEdit.h"
#include "clavenor/commands/CCEditFilterItem.h"

namespace clavenor {

class LCBase;

/// Changes plug-in filter objects (LCBase) in place: one item per filter, whose filter copy
/// the host fills. Old state, undo and failure as CCEdit, on the filters: what the filter
/// class's Copy assigns comes back exactly. Filters belong to no document: Prepare refuses
/// only an item without a filter.
class CLAVENOR_API CCEditFilter : public CCEdit {
    DECLARE_SERIAL(CCEditFilter)

public:
    CCEditFilter();
    ~CCEditFilter() override;

    int GetCommandId() const override;

    /// Null: this class edits filters only.
    CCEditItem* EditEvent(ECBase* element) override;
    /// The item for `filter`, made when there is none; null for a null filter. Throws
    /// std::bad_alloc.
    virtual CCEditFilterItem* EditFilter(LCBase* filter);

protected:
    bool Accepts(CCEditItem& item) const override;
    bool HasUndo(CCEditItem& item) const override;
    std::unique_ptr<CCEdit> MakeInverse() const override;
    void Invert(CCEdit& inverse, CCEditItem& item) const override;
};

} // namespace clavenor
