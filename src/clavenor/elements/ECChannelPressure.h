#pragma once

#include "clavenor/elements/ECEnvPoint.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

/// A channel pressure (event id 10; allowed parent: channel-pressure envelope, 11). Nothing
/// of its own: it copies, compares and archives as ECEnvPoint.
class CLAVENOR_API ECChannelPressure : public ECEnvPoint {
    DECLARE_SERIAL(ECChannelPressure)

public:
    ECChannelPressure() = default;
    /// As the ECEnvPoint copy (the time included; no graph links).
    ECChannelPressure(const ECChannelPressure& other) = default;
    ~ECChannelPressure() override;
    /// The base class's assignment (see there for what it leaves out), then this class's
    /// own members.
    ECChannelPressure& operator=(const ECChannelPressure& other) = default;

    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;
};

} // namespace clavenor
