#pragma once

#include "clavenor/elements/ECControlChange.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

/// A pan point (event id 41; allowed parents: envelope, controller envelope). Nothing of
/// its own: it copies, compares and archives as ECControlChange.
class CLAVENOR_API ECPan : public ECControlChange {
    DECLARE_SERIAL(ECPan)

public:
    ECPan() = default;
    /// As the ECControlChange copy (the time included; no graph links).
    ECPan(const ECPan& other) = default;
    ~ECPan() override;
    /// The base class's assignment (see there for what it leaves out), then this class's
    /// own members.
    ECPan& operator=(const ECPan& other) = default;

    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;
};

} // namespace clavenor
