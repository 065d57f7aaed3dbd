#include "clavenor/commands/CCAddEnvPtItem.h"

#include "clavenor/commands/detail/AnchorList.h"
#include "clavenor/model/MCEventList.h"

namespace clavenor {

CCAddEnvPtItem::CCAddEnvPtItem(ECBase* child, ECBase* parent, const FCMidi& data)
    : CCAddItem(child, parent, data) {}

CCAddEnvPtItem::~CCAddEnvPtItem() = default;

void CCAddEnvPtItem::SetAnchorList(MCEventList* points) {
    if (m_pAnchors == nullptr && points != nullptr) {
        m_pAnchors = CopyAnchorList(*points);
    }
}

} // namespace clavenor
