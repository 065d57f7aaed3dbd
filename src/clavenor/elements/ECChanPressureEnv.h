#pragma once

#include "clavenor/elements/ECEnvelope.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

/// The channel-pressure (aftertouch) envelope of a staff (event id 11; allowed parent:
/// staff). Its points are channel pressures; limits 0 to 127, default value 0.
///
/// Archive record: the ECEnvelope record only.
class CLAVENOR_API ECChanPressureEnv : public ECEnvelope {
    DECLARE_SERIAL(ECChanPressureEnv)

public:
    ECChanPressureEnv();
    /// As the ECEnvelope copy: the settings and the time, no points, no anchor groups.
    ECChanPressureEnv(const ECChanPressureEnv& other) = default;
    ~ECChanPressureEnv() override;
    /// The base class's assignment (see there for what it leaves out), then this class's
    /// own members.
    ECChanPressureEnv& operator=(const ECChanPressureEnv& other) = default;

    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;
};

} // namespace clavenor
