#pragma once

#include "clavenor/elements/ECEnvelope.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

/// The pitch-bend envelope of a staff (event id 46; allowed parent: staff). Its points are
/// pitch bends; limits 0 to 16383, default value 8192 (no bend).
///
/// Archive record: the ECEnvelope record only.
class CLAVENOR_API ECPitchBendEnv : public ECEnvelope {
    DECLARE_SERIAL(ECPitchBendEnv)

public:
    ECPitchBendEnv();
    /// As the ECEnvelope copy: the settings and the time, no points, no anchor groups.
    ECPitchBendEnv(const ECPitchBendEnv& other) = default;
    ~ECPitchBendEnv() override;
    /// The base class's assignment (see there for what it leaves out), then this class's
    /// own members.
    ECPitchBendEnv& operator=(const ECPitchBendEnv& other) = default;

    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;
};

} // namespace clavenor
