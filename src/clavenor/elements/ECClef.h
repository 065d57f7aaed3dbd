#pragma once

#include "clavenor/elements/MCMirrorList.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/ECWithTime.h"

#include <cstdint>

namespace clavenor {

/// The clef of a staff from its time on, for one of the staff's two hands (event id 14;
/// allowed parent: the measure, 32). The clef type (bits 8-14 of the flag word) is the
/// host's to interpret; the library names every type "Clef" (GetClefString). The hand is
/// bit 15.
///
/// The staff keeps its clefs in its clef/key cache (see ECStaff and ECMeasure); SetTime moves
/// the clef there too. Changing the hand does not: callers re-cache (ECStaff::RecacheEvent).
///
/// The clef keeps a list of the mirrors that show it on other staves (MCMirrorList); the
/// destructor detaches them.
///
/// Archive record: the ECWithTime record, then the second byte of the flag word (type and
/// hand). A document of version below 3 holds a byte whose low 7 bits are the type, then a
/// byte whose low bit is the hand.
class CLAVENOR_API ECClef : public ECWithTime, public MCMirrorList {
    DECLARE_SERIAL(ECClef)

public:
    /// Type 0, hand 0.
    ECClef() = default;
    /// The low 7 bits of `type`, hand 0.
    explicit ECClef(std::uint8_t type);
    /// Copies the time, the voice/track, the type and the hand; no mirrors.
    ECClef(const ECClef& other);
    ~ECClef() override;

    /// Copies the voice/track, then the type and the hand through the source's getters;
    /// not the time, not the mirrors.
    ECClef& operator=(const ECClef& other);
    /// Same type and hand; time and mirrors do not count.
    bool operator==(const ECClef& other) const {
        return GetClefType() == other.GetClefType() && GetHand() == other.GetHand();
    }
    /// The negation of ==.
    bool operator!=(const ECClef& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    /// Sets the time and moves the clef in the cache of every staff that tracks it (of the
    /// measures it is a child of): out at the old time, in at the new one. A null time
    /// changes nothing. Allocation failure of the cache throws std::bad_alloc with the time
    /// set and the clef left out of the cache; setting the time back puts it in again.
    void SetTime(MCTime* time) override;

    /// The clef type, 0-127.
    virtual std::uint8_t GetClefType() const { return GetSubtype() & kTypeMask; }
    /// Stores the low 7 bits, keeping the hand.
    virtual void SetClefType(std::uint8_t type);
    /// The hand, 0 or 1.
    virtual std::uint8_t GetHand() const { return (GetSubtype() & kHandBit) != 0 ? 1 : 0; }
    /// Stores the low bit, keeping the type.
    virtual void SetHand(std::uint8_t hand);

private:
    static constexpr std::uint8_t kTypeMask = 0x7F;
    static constexpr std::uint8_t kHandBit = 0x80;
};

} // namespace clavenor
