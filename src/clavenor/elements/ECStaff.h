#pragma once

#include "clavenor/elements/ECTrack.h"

#include <cstdint>

namespace clavenor {

/// A notation track: a staff of measures (event id 55; allowed parent: the conductor). Its
/// flag word keeps the staff type in bits 8-14 and the staff-empty flag in bit 15 (set at
/// construction).
class ECStaff : public ECTrack {
    DECLARE_SERIAL(ECStaff)

public:
    ECStaff();
    /// A staff of type `type & 0x7F`.
    explicit ECStaff(std::uint8_t type);
    ~ECStaff() override;

    /// Copies the ECTrack part and the staff type; the staff-empty flag stays.
    ECStaff& operator=(const ECStaff& other);
    /// Equal staff types.
    bool operator==(const ECStaff& other) const { return GetStaffType() == other.GetStaffType(); }
    bool operator!=(const ECStaff& other) const { return !(*this == other); }

    /// The ECTrack record, then one byte: the staff type (bits 0-6) and the staff-empty flag
    /// (bit 7).
    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;

    std::uint8_t GetStaffType() const { return static_cast<std::uint8_t>(GetSubtype() & 0x7F); }
    /// Stores `type & 0x7F`, keeping the staff-empty flag.
    void SetStaffType(std::uint8_t type) {
        SetSubtype(static_cast<std::uint8_t>((GetSubtype() & 0x80) | (type & 0x7F)));
    }
    int IsStaffEmpty() const { return (GetSubtype() & 0x80) != 0 ? 1 : 0; }
    /// Stores `value & 1`, keeping the type.
    void SetStaffEmpty(int value) {
        SetSubtype(static_cast<std::uint8_t>((GetSubtype() & 0x7F) | ((value & 1) << 7)));
    }
};

} // namespace clavenor
