#include "clavenor/commands/CCRemoveEnvPtItem.h"

#include "clavenor/commands/detail/AnchorList.h"
#include "clavenor/model/MCEventList.h"

namespace clavenor {

CCRemoveEnvPtItem::CCRemoveEnvPtItem() = default;

CCRemoveEnvPtItem::~CCRemoveEnvPtItem() = default;

void CCRemoveEnvPtItem::SetAnchorList(MCEventList* points) {
    if (m_pAnchors == nullptr && points != nullptr) {
        m_pAnchors = CopyAnchorList(*points);
    }
}

} // namespace clavenor
