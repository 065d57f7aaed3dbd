#pragma once

#include "clavenor/actions/ACTypeFilterBase.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

/// Counts the elements of the walk that pass the type filter (every element acted on when
/// the filter is empty; bypassed elements are never acted on, the start element is).
class CLAVENOR_API ACCount : public ACTypeFilterBase {
public:
    /// A count walking down (`reverse` 0) or up, with a type filter of `size` unused entries (see
    /// ACTypeFilterBase).
    explicit ACCount(int size = 1, int reverse = 0);

    /// Sets the count to 0.
    int BeginAction() override;
    /// Counts `element` when it passes the filter; always 0.
    int DoAction(ECBase* element) override;

    /// The count of the walks since the last BeginAction.
    int GetEventCount() const { return m_nCount; }

private:
    int m_nCount = 0;
};

} // namespace clavenor
