#pragma once

#include "clavenor/actions/ACBase.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

/// A walk that acts on an element's children (or, in reverse mode, its parents) before the
/// element itself: a post-order walk with the controls of ACBase.
///
/// Differences from the ACBase walk: clipping does not keep the walk out of an element's
/// children (a clipped element's result 0 only becomes 1 afterwards); bypassed elements are
/// acted on too (bypass only keeps them from counting as a level); a child's -1, 2 or 3
/// ends its sibling group, and -1 or 2 also keep DoAction from running on the ancestors,
/// which pass the code up. EndAction runs at every level of the walk, after the element's
/// DoAction, unless list mode is set.
class CLAVENOR_API ACRelativesFirst : public ACBase {
public:
    using ACBase::Apply;

    ACRelativesFirst();

    /// -1 when BeginAction refuses, 0 for a null start; else the result of the walk as
    /// described above.
    int Apply(ECBase* start) override;
};

} // namespace clavenor
