#pragma once

#include "clavenor/commands/CCRemoveItem.h"
#include "clavenor/framework/Export.h"

#include <memory>

namespace clavenor {

class MCEventList;

/// One envelope point to remove, with the anchor list of its mark: the points that leave the
/// envelope with it (the members of its anchor group).
class CLAVENOR_API CCRemoveEnvPtItem : public CCRemoveItem {
public:
    /// No point, an empty anchor list.
    CCRemoveEnvPtItem();
    /// Releases the anchor list, then what CCRemoveItem holds.
    ~CCRemoveEnvPtItem() override;

    /// The anchor list, or null while none is set.
    virtual MCEventList* GetAnchorList() const { return m_pAnchors.get(); }
    /// As CCAddEnvPtItem::SetAnchorList.
    virtual void SetAnchorList(MCEventList* points);

private:
    std::unique_ptr<MCEventList> m_pAnchors;
};

} // namespace clavenor
