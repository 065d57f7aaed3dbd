#pragma once

#include "clavenor/elements/ECControlChange.h"
#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

/// A pedal mark (event id 43; allowed parents, in this order: envelope, controller
/// envelope): a control change that lasts, four quarter notes by default. The pedal type
/// (0 by default) is the low 7 bits of the class-specific byte of the flag word; the bit
/// above it (flag bit 15) is not part of the type, and no constructor or assignment changes
/// it.
///
/// Archive record: the ECControlChange record, the class-specific byte (the type and that
/// bit), then the duration (an MCTime record).
class CLAVENOR_API ECPedal : public ECControlChange {
    DECLARE_SERIAL(ECPedal)

public:
    /// Type 0 lasting four quarter notes, the time unset.
    ECPedal();
    /// A pedal of type `type & 0x7F` lasting `duration`; the time stays unset.
    ECPedal(std::uint8_t type, const MCTime& duration);
    /// What assignment copies, and the time and the duration.
    ECPedal(const ECPedal& other);
    ~ECPedal() override;

    /// The ECControlChange assignment and the pedal type; not the duration.
    ECPedal& operator=(const ECPedal& other);

    /// Equal pedal types and durations.
    bool operator==(const ECPedal& other) const {
        return GetPedalType() == other.GetPedalType() && m_duration == other.m_duration;
    }
    /// The negation of ==.
    bool operator!=(const ECPedal& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    MCTime* GetDuration() override { return &m_duration; }
    /// Assigns the duration; a null pointer changes nothing.
    void SetDuration(MCTime* duration) override;

    /// The pedal type, 0-127 (flag bit 15 left out).
    std::uint8_t GetPedalType() const { return GetSubtype() & TypeMask; }
    /// Stores `type & 0x7F`.
    void SetPedalType(std::uint8_t type);

    /// Every pedal lasts: 1 for any type.
    static int HasDuration(int type);

private:
    static constexpr std::uint8_t TypeMask = 0x7F;

    MCTime m_duration;
};

} // namespace clavenor
