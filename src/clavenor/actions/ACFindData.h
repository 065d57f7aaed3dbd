#pragma once

#include "clavenor/actions/ACFindEvents.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

/// Collects the elements that hold an attached data record for one view code (and pass the
/// type filter), as ACFindEvents does.
class CLAVENOR_API ACFindData : public ACFindEvents {
public:
    /// Collects the elements holding a record for `viewCode` (0-5), with an empty type
    /// filter and no maximum.
    explicit ACFindData(int viewCode = 0);

    /// ACFindEvents::DoAction for elements with a record for the view code; 0 for others.
    /// Never creates a record.
    int DoAction(ECBase* element) override;

    /// The view code whose records are looked for.
    int GetViewCode() const { return m_nViewCode; }
    /// Replaces the view code; takes effect from the next element acted on.
    void SetViewCode(int viewCode) { m_nViewCode = viewCode; }

private:
    int m_nViewCode;
};

} // namespace clavenor
