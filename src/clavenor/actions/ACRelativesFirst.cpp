#include "clavenor/actions/ACRelativesFirst.h"

#include "clavenor/model/ECBase.h"
#include "clavenor/model/MCEventList.h"

namespace clavenor {

ACRelativesFirst::ACRelativesFirst() = default;

int ACRelativesFirst::Apply(ECBase* start) {
    if (start == nullptr) {
        return 0;
    }
    if (!EnsureBegun()) {
        return -1;
    }
    int result = 0;
    MCEventList* next = IsReverse() != 0 ? start->GetParents() : start->GetChildren();
    if (next != nullptr && !next->IsEmpty()) {
        const bool counted = ShouldBypass(start) == 0 && m_nDepthLimit < Unlimited;
        if (!counted || m_nCurDepth + 1 <= m_nDepthLimit) {
            LevelGuard level(m_nCurDepth, m_nNesting);
            if (counted) {
                ++m_nCurDepth;
            }
            for (POSITION pos = next->GetHeadPosition(); pos != nullptr;) {
                const int r = Apply(next->GetNext(pos));
                if (r == -1 || r == 2 || r == 3) {
                    result = r;
                    break;
                }
            }
        }
    }
    if (result != -1 && result != 2) {
        result = DoAction(start);
        if (result == 0 && ShouldClip(start) != 0) {
            result = 1;
        }
    }
    if ((m_nFlags & FlagListMode) == 0) {
        EndAction();
    }
    return result;
}

} // namespace clavenor
