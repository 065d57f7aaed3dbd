#pragma once

#include "clavenor/actions/ACTypeFilterBase.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

/// Re-sorts by time (MCEventList::Sort) the children list of every element of the walk that
/// passes the type filter (every container when the filter is empty).
///
/// Each list is sorted before the walk enters it, so the walk then visits the children in
/// their new order. Sorting swaps the stored pointers only: no reference changes, nothing
/// is notified, not undoable by itself.
class CLAVENOR_API ACSortChildren : public ACTypeFilterBase {
public:
    /// Sorts walking down, with a type filter of `size` unused entries (see ACTypeFilterBase).
    explicit ACSortChildren(int size = 1);

    /// Always 0.
    int DoAction(ECBase* element) override;
};

} // namespace clavenor
