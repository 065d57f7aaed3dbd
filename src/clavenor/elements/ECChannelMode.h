#pragma once

#include "clavenor/elements/ECControlChange.h"
#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

/// A channel mode message of a staff (event id 9; allowed parent: staff): a control change
/// that also keeps its mode type, 0 to 8 (5 by default).
///
/// Archive record: the ECControlChange record, then the mode type (1 byte). A document of
/// version below 4 holds only the ECWithTime record: the point's flags and value, the
/// controller number and the mode type keep their defaults. A stored mode type above 8
/// loads as 5.
class CLAVENOR_API ECChannelMode : public ECControlChange {
    DECLARE_SERIAL(ECChannelMode)

public:
    ECChannelMode() = default;
    /// The ECControlChange copy (time included) and the mode type.
    ECChannelMode(const ECChannelMode& other) = default;
    ~ECChannelMode() override;

    /// The ECControlChange assignment and the mode type.
    ECChannelMode& operator=(const ECChannelMode& other) = default;

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    /// The mode type, 0 to 8.
    std::uint8_t GetChannelModeType() const { return m_nModeType; }
    /// Stores a type from 0 to 8 and ignores any other.
    void SetChannelModeType(std::uint8_t type);

private:
    static constexpr std::uint8_t DefaultModeType = 5;

    std::uint8_t m_nModeType = DefaultModeType;
};

} // namespace clavenor
