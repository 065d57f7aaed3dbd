#pragma once

#include "clavenor/elements/ECEnvPoint.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

/// A pitch bend (event id 45; allowed parent: pitch-bend envelope, 46); its value is the
/// bend, 0 to 16383 with 8192 the centre. Nothing of its own: it copies, compares and
/// archives as ECEnvPoint.
class CLAVENOR_API ECPitchBend : public ECEnvPoint {
    DECLARE_SERIAL(ECPitchBend)

public:
    ECPitchBend() = default;
    /// As the ECEnvPoint copy (the time included; no graph links).
    ECPitchBend(const ECPitchBend& other) = default;
    ~ECPitchBend() override;
    /// The base class's assignment (see there for what it leaves out), then this class's
    /// own members.
    ECPitchBend& operator=(const ECPitchBend& other) = default;

    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;
};

} // namespace clavenor
