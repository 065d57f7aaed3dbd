#pragma once

#include "clavenor/framework/CArray.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/ECWithTimeChild.h"

#include <cstdint>

namespace clavenor {

class ECMeasure;
class ECMeter;

/// A group of notes, chords and rests of a measure played in a ratio to their written length:
/// `irregular` notes of a unit value in the time of `normal` notes of that value (event id
/// 66; allowed parent: the measure, 32). 3 eighths in the time of 2 by default. Its members
/// are its children (notes, chords and rests only: AddChild refuses anything else).
///
/// Unit codes (the second byte of the flag word): 0 whole, 1 half, 2 quarter, 3 eighth, 4
/// sixteenth, 5 thirty-second, 6 sixty-fourth, 7 hundred-twenty-eighth; any other code (and
/// -1) has no length. UnitNone (255) is the answer when no unit value matches.
///
/// Besides holding the group, the tuplet converts written durations to played ones, brings
/// its ratio into the band where the group is between half and twice the normal count
/// (GetEquivalentTuplet), and works out where in its measure it lies by building a temporary
/// borrowed meter (an ECMeter) in which its notes fall on the meter's own subdivisions. A
/// ratio with a zero count has no played length, no equivalent and no place: such a tuplet
/// is kept and archived as it is, and its queries answer with the failures below.
///
/// Archive record: the ECWithTimeChild record, then irregular, normal and units (1 byte
/// each). An archive whose class record for ECTuplet has schema 1 holds no units byte (the
/// units are 3 then).
///
/// A tuplet exists only while it has members: losing its last one it leaves its parents
/// (and, like a chord, is destroyed then unless something else holds it); removing it from
/// its parents leaves its members in the enclosing measure. None of the operations is
/// undoable by itself or notifies anyone.
class CLAVENOR_API ECTuplet : public ECWithTimeChild {
    DECLARE_SERIAL(ECTuplet)

public:
    /// The unit code that matches no unit value (see the class comment).
    static constexpr std::uint8_t UnitNone = 255;

    /// 3:2 eighths.
    ECTuplet();
    /// `irregular` notes of unit code `units` in the time of `normal`, stored as given (a
    /// zero count is kept; see the class comment).
    ECTuplet(std::uint8_t irregular, std::uint8_t normal, std::uint8_t units);
    /// Copies the time, the voice/track and the three fields; no members.
    ECTuplet(const ECTuplet& other);
    ~ECTuplet() override;

    /// Copies the voice/track and the three fields; not the time, not the members.
    ECTuplet& operator=(const ECTuplet& other);
    /// Equal irregular, normal and units.
    bool operator==(const ECTuplet& other) const {
        return m_nIrregular == other.m_nIrregular && m_nNormal == other.m_nNormal &&
               GetUnits() == other.GetUnits();
    }
    /// The negation of ==.
    bool operator!=(const ECTuplet& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    /// No duration of its own: the members have theirs.
    MCTime* GetDuration() override { return nullptr; }
    void SetDuration(MCTime*) override {}

    /// Adds a note, chord or rest as ECWithChild does; 0 for anything else.
    [[nodiscard]] int AddChild(ECBase* child, int sorted) override;
    /// Detaches `child` as ECWithChild does (0 when it is not a member); a tuplet left without
    /// members then leaves its parents. Returns 1.
    [[nodiscard]] int RemoveChild(ECBase* child, int deep) override;
    /// Detaches every member as ECWithChild does, then leaves its parents. Returns 1.
    int RemoveChildren(int deep) override;
    /// Moves each member that is not yet a child of the nearest enclosing measure into it
    /// (in time order, with its own list nodes), detaches the rest, then leaves every parent
    /// as ECBase does. Without an enclosing measure the members stay. Returns 1. Needs no
    /// memory.
    int RemoveFromParents() override;

    /// Stores the three values as given.
    void SetTuplet(std::uint8_t irregular, std::uint8_t normal, std::uint8_t units);
    /// The number of notes played in the group.
    std::uint8_t GetIrregular() const { return m_nIrregular; }
    /// The number of notes of the unit value whose time they take.
    std::uint8_t GetNormal() const { return m_nNormal; }
    /// The unit code as stored (see the class comment).
    std::uint8_t GetUnits() const { return GetSubtype(); }

    /// The length of a unit code in quarter notes (0 for codes without one).
    static MCTime GetUnitsAsTime(int code);

    /// The equivalent ratio: the smaller side doubles (the unit's length following it at
    /// MCTime::GlobalPPQ ticks) until the group holds between half and twice the normal
    /// count. The unit out is the code of the resulting length, UnitNone when none matches
    /// (the hundred-twenty-eighth included). A zero count has no equivalent: the counts come
    /// out as they went in, with UnitNone.
    static void GetEquivalentTuplet(std::uint8_t irregular, std::uint8_t normal, std::uint8_t units,
                                    std::uint8_t& irregularOut, std::uint8_t& normalOut,
                                    std::uint8_t& unitsOut);
    /// The unit code of the equivalent ratio.
    static std::uint8_t CalcIrregularUnits(std::uint8_t irregular, std::uint8_t normal,
                                           std::uint8_t units);
    /// CalcIrregularUnits of this tuplet's ratio; UnitNone when it has none.
    std::uint8_t GetIrregularUnits() const;

    /// The played length of the written length `*duration`: normal' x duration / irregular'
    /// of the equivalent ratio, in quarter notes. The unset time for a ratio with a zero
    /// count and for a null pointer.
    MCTime ScaleDuration(const MCTime* duration) const;

    /// 0 when the tuplet fits in `measure` under `meter`; 1 when it runs past the bar line; 2
    /// when its ratio has no unit value or no place can be found for it (GetTupletRange
    /// fails), and for a null measure or meter.
    int IsValid(ECMeasure* measure, ECMeter* meter);

    /// Where the tuplet lies in `measure` under `meter`: with `mode` 0 the start and end as
    /// offsets from the measure's time, with mode 1 as positions in the borrowed meter. A
    /// tuplet without a time first takes the time of its last member that has one (a query
    /// that sets the time). Returns 1, or 0 (outputs untouched) when it has no time, no
    /// borrowed meter can be built, or the measure or meter is null.
    int GetTupletRange(ECMeasure* measure, ECMeter* meter, MCTime& start, MCTime& end, int mode);

    /// Fills `borrowed` with a meter of `meter`'s measure in which the tuplet's groups are
    /// beats; returns the result of the borrowed meter's SetMeter, or 0 when the ratio or unit
    /// gives no group length or no level of `meter` fits it. Entries a longer beat left empty
    /// (filled exactly by tuplet groups) are dropped before SetMeter, so they do not make it
    /// refuse.
    int SetupBorrowedMeter(ECMeter* meter, ECMeter* borrowed);

protected:
    /// A borrowed meter's compound numerators or denominators.
    using ByteArray = CArray<std::uint8_t, std::uint8_t>;

    /// The time-signature denominator the group's unit stands for once the ratio is
    /// normalised (4 for a unit without length).
    int GetAdjustedDenominator() const;

    /// Looks through `meter`'s subdivision levels 0 to 3 for `span` (quarter notes). Mode 0:
    /// the first level whose every element is `span` (index: the element count); mode 1: the
    /// first element equal to it; mode 2: from level 3 down, the first element longer. 1
    /// when found; otherwise both outputs -1 and 0.
    int FindFit(ECMeter* meter, float span, int& level, int& index, int mode);

    /// Fills `span` quarter notes with tuplet groups (irregular pulses of the adjusted
    /// denominator), each `normal` units long, at `position` (inserted there when `insert`
    /// is 1, stored otherwise), and a last group of the meter's pulse or a smaller one for
    /// what is left, stored at the position reached. `position` ends there. Returns 1, 0 for
    /// a group of no length.
    int FitInside(ECMeter* meter, ByteArray& numerators, ByteArray& denominators, float unit,
                  float span, int& position, int insert);

private:
    std::uint8_t m_nIrregular = 3;
    std::uint8_t m_nNormal = 2;
};

} // namespace clavenor
