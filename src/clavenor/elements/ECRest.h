#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/ECWithTimeChild.h"

#include <cstdint>

namespace clavenor {

/// A silence whose length comes from its rest type (event id 51; allowed parents, in this
/// order: measure, beam, tuplet). Children: its dots. The rest type lives in the subtype
/// byte of the flag word; a rest has no duration object of its own.
///
/// Rest types: 0 none; then whole-note families in threes, undotted, dotted, double-dotted:
/// 2-4 whole, 5-7 half, 8-10 quarter, 11-13 eighth, 14-16 sixteenth, 17-19 thirty-second;
/// 1 double whole, 20 sixty-fourth, 21 dotted sixty-fourth, 22 hundred-twenty-eighth.
/// Values above 22 are not rest types.
///
/// Archive record: the ECWithTimeChild record only. The rest type is not archived: a
/// loaded rest has type 0 until the host sets it again.
class CLAVENOR_API ECRest : public ECWithTimeChild {
    DECLARE_SERIAL(ECRest)

public:
    /// Rest type 0.
    ECRest() = default;
    /// Of rest type `type` (any byte, see SetRestType).
    explicit ECRest(std::uint8_t type);
    /// Copies the time, the voice/track and the rest type.
    ECRest(const ECRest& other);
    ~ECRest() override;

    /// Copies the voice/track and the rest type (through the source's GetRestType), not
    /// the time.
    ECRest& operator=(const ECRest& other);

    /// Equal rest types (the other's through its GetRestType); time does not count.
    bool operator==(const ECRest& other) const { return GetRestType() == other.GetRestType(); }
    /// The negation of ==.
    bool operator!=(const ECRest& other) const { return !(*this == other); }

    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    /// A rest's length is its type's business: no duration object, and setting one does
    /// nothing.
    MCTime* GetDuration() override { return nullptr; }
    void SetDuration(MCTime*) override {}

    /// The rest type, 0 to 22 for a rest type; after loading 0 until the host or the DCRest record
    /// sets it (the type is not archived).
    virtual std::uint8_t GetRestType() const { return GetSubtype(); }
    /// Stores any byte; values that are no rest type simply have no length.
    virtual void SetRestType(std::uint8_t type) { SetSubtype(type); }

    /// The type of `type` with `dots` dots: unchanged without dots; an undotted type of the
    /// whole-to-thirty-second families gains one dot or, with two or more, two; the
    /// sixty-fourth takes at most one. Every other type (none, double whole,
    /// hundred-twenty-eighth, the dotted types themselves, non-types) stays as it is.
    static int GetRestType(std::uint8_t type, std::uint8_t dots);

    /// The length in quarter notes of `type` after GetRestType(type, dots); the unset time
    /// (MCTime::TimeNull()) for type 0 and for values above 22.
    static MCTime GetRestDuration(std::uint8_t type, std::uint8_t dots);
};

} // namespace clavenor
