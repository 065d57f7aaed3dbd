#pragma once

#include "clavenor/elements/MCMirrorList.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/ECWithTime.h"

#include <cstdint>

namespace clavenor {

/// The key signature of a staff from its time on, for one of the staff's two hands (event
/// id 29; allowed parent: the measure, 32). The second byte of the flag word holds it: bits
/// 8-10 the number of sharps (0-7), bits 11-13 the number of flats (0-7), bit 14 the mode,
/// bit 15 the hand. Setters store the low bits of their argument and keep the other fields.
///
/// The staff keeps its keys in its clef/key cache (see ECStaff and ECMeasure); SetTime moves
/// the key there too. Changing the hand does not: callers re-cache (ECStaff::RecacheEvent).
///
/// The key keeps a list of the mirrors that show it on other staves (MCMirrorList); the
/// destructor detaches them.
///
/// Archive record: the ECWithTime record, then the second byte of the flag word. A document
/// of version below 3 holds a signed 16-bit key value (that many sharps when positive, flats
/// when negative, each limited to its low 3 bits) and two bytes that are not used; mode and
/// hand stay 0 then.
class CLAVENOR_API ECKey : public ECWithTime, public MCMirrorList {
    DECLARE_SERIAL(ECKey)

public:
    /// No sharps, no flats, mode 0, hand 0.
    ECKey() = default;
    /// The low 3, 3 and 1 bits of the arguments; hand 0.
    ECKey(std::uint8_t sharps, std::uint8_t flats, std::uint8_t mode);
    /// Copies the time, the voice/track and the four fields; no mirrors.
    ECKey(const ECKey& other);
    ~ECKey() override;

    /// Copies the voice/track and the four fields; not the time, not the mirrors.
    ECKey& operator=(const ECKey& other);
    /// Same sharps, flats, mode and hand; time and mirrors do not count.
    bool operator==(const ECKey& other) const { return GetSubtype() == other.GetSubtype(); }
    /// The negation of ==.
    bool operator!=(const ECKey& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    /// As ECClef::SetTime.
    void SetTime(MCTime* time) override;

    ///@{
    /// The fields (see the class comment): sharps and flats 0-7, mode and hand 0 or 1; the
    /// setters store the low bits. Direct changes, not undoable, notifying nothing; a hand
    /// change of a cached key needs ECStaff::RecacheEvent.
    std::uint8_t GetNumSharps() const { return GetSubtype() & kCountMask; }
    void SetNumSharps(std::uint8_t sharps) { SetField(kCountMask, 0, sharps); }
    std::uint8_t GetNumFlats() const { return (GetSubtype() >> kFlatsShift) & kCountMask; }
    void SetNumFlats(std::uint8_t flats) { SetField(kCountMask, kFlatsShift, flats); }
    int GetMode() const { return (GetSubtype() >> kModeShift) & 1; }
    void SetMode(int mode) { SetField(1, kModeShift, static_cast<std::uint8_t>(mode)); }
    std::uint8_t GetHand() const { return (GetSubtype() >> kHandShift) & 1; }
    void SetHand(std::uint8_t hand) { SetField(1, kHandShift, hand); }
    ///@}

private:
    static constexpr std::uint8_t kCountMask = 0x07;
    static constexpr int kFlatsShift = 3;
    static constexpr int kModeShift = 6;
    static constexpr int kHandShift = 7;

    void SetField(std::uint8_t mask, int shift, std::uint8_t value) {
        SetSubtype(static_cast<std::uint8_t>((GetSubtype() & ~(mask << shift)) |
                                             ((value & mask) << shift)));
    }
};

} // namespace clavenor
