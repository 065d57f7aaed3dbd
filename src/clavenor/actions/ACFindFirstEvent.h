#pragma once

#include "clavenor/actions/ACTypeFilterBase.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

/// Finds the first element of the walk that passes the type filter and stops there.
class CLAVENOR_API ACFindFirstEvent : public ACTypeFilterBase {
public:
    /// A search walking down (`reverse` 0) or up, with a type filter of `size` unused entries (see
    /// ACTypeFilterBase).
    explicit ACFindFirstEvent(int size = 1, int reverse = 0);

    /// Clears the found element.
    int BeginAction() override;
    /// 2 when `element` passes the filter (it becomes the found element), else 0.
    int DoAction(ECBase* element) override;

    /// The found element (no reference is held), or null.
    ECBase* GetEvent() const { return m_pFound; }

private:
    ECBase* m_pFound = nullptr;
};

} // namespace clavenor
