#pragma once

#include "clavenor/commands/CCAddItem.h"
#include "clavenor/framework/Export.h"

#include <memory>

namespace clavenor {

class MCEventList;

/// One envelope point to add, with the anchor list of the mark it starts: the points (this
/// one first) that enter the envelope together and form one anchor group there.
class CLAVENOR_API CCAddEnvPtItem : public CCAddItem {
public:
    /// As CCAddItem(child, parent, data), with an empty anchor list.
    CCAddEnvPtItem(ECBase* child, ECBase* parent, const FCMidi& data);
    /// Releases the anchor list (and with it the points only it holds), then what CCAddItem
    /// holds.
    ~CCAddEnvPtItem() override;

    /// The anchor list, or null while none is set.
    virtual MCEventList* GetAnchorList() const { return m_pAnchors.get(); }
    /// Gives the item an anchor list holding the elements of `points` (a reference on each),
    /// only when it has none yet and `points` is not null; otherwise nothing changes.
    /// std::bad_alloc, nothing changed, when memory is short.
    virtual void SetAnchorList(MCEventList* points);

private:
    std::unique_ptr<MCEventList> m_pAnchors;
};

} // namespace clavenor
