#pragma once

#include "clavenor/elements/ECEnvPoint.h"
#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

/// A MIDI control change (event id 18; allowed parent: controller envelope, 19): a point
/// whose value is the controller's value and which names its controller number (0 by
/// default). Bank selects, pans, channel modes, dynamics and pedals derive from it.
///
/// Archive record: the ECEnvPoint record, then the controller number (1 byte), which a
/// document of version below 3 does not hold (it loads as 0).
class CLAVENOR_API ECControlChange : public ECEnvPoint {
    DECLARE_SERIAL(ECControlChange)

public:
    ECControlChange() = default;
    /// Of controller number `controller`, stored as given.
    explicit ECControlChange(std::uint8_t controller) : m_nController(controller) {}
    /// The ECEnvPoint copy (time included) and the controller number.
    ECControlChange(const ECControlChange& other) = default;
    ~ECControlChange() override;

    /// The ECEnvPoint assignment and the controller number.
    ECControlChange& operator=(const ECControlChange& other) = default;

    /// Equal controller numbers: the stream, not the value or the time.
    bool operator==(const ECControlChange& other) const {
        return m_nController == other.m_nController;
    }
    /// The negation of ==.
    bool operator!=(const ECControlChange& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    /// The controller number.
    std::uint8_t GetControllerNum() const { return m_nController; }
    /// Stored as given.
    void SetControllerNum(std::uint8_t controller) { m_nController = controller; }

private:
    std::uint8_t m_nController = 0;
};

} // namespace clavenor
