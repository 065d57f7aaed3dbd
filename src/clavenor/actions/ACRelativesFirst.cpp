#include "clavenor/actions/ACRelativesFirst.h"

#include "clavenor/model/ECBase.h"
#include "clavenor/model/MCEventList.h"

namespace clavenor {

ACRelativesFirst::ACRelativesFirst() = default;

int ACRelativesFirst::Apply(ECBase* start) {
    if (start == nullptr) {
        return ResultContinue;
    }
    if (!EnsureBegun()) {
        return ResultAbort;
    }
    int result = ResultContinue;
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
                if (r == ResultAbort || r == ResultStop || r == ResultSkipSiblings) {
                    result = r;
                    break;
                }
            }
        }
    }
    if (result != ResultAbort && result != ResultStop) {
        result = DoAction(start);
        if (result == ResultContinue && ShouldClip(start) != 0) {
            result = ResultSkipChildren;
        }
    }
    if ((m_nFlags & FlagListMode) == 0) {
        EndAction();
    }
    return result;
}

} // namespace clavenor
