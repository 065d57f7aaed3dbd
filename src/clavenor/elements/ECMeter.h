#pragma once

#include "clavenor/elements/ECEnvPoint.h"
#include "clavenor/elements/MCMirrorList.h"
#include "clavenor/framework/CArray.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/BPTTime.h"

#include <cstdint>

namespace clavenor {

/// A time signature (event id 33; allowed parent: the conductor staff, 17): a point of the
/// conductor's meter envelope (ECMeterEnv) that says how long each measure from its time on
/// is, how the measure divides into pulses, and how pulses group into stresses (the beats a
/// musician feels).
///
/// Durations are counted in ticks of 256 per quarter note, so a note value 1/d lasts 1024 / d
/// of them; the tick forms take another resolution (ticks per quarter) and convert to the
/// nearest tick, halves going up. Results are 16-bit: SetMeter refuses a measure longer than
/// MaxMeasureQuarters, so that every tick count at up to 1000 ticks per quarter (the range
/// of MCTime::GlobalPPQ) fits.
///
/// Meter types (the second byte of the flag word): 0 and 1 are set by the caller and count
/// every pulse as a beat; 2 simple, 3 compound (beats of three pulses), 4 imperfect (5, 7
/// and their multiples, in unequal groups), 5 combined (groups of three and a remainder) are
/// computed from the numerator; 6 is a compound list (3+2+2/8 and the like).
///
/// The stress data (the groups' lengths and pulse counts) are derived by SetMeter, and taken
/// as they stand from an archive; accessors answer 0 for an index the arrays do not hold.
///
/// Archive record, after the ECEnvPoint record: the meter type (1 byte), numerator and
/// denominator (1 byte each), the stress count and the pulse ticks (2 bytes each), the stress
/// lengths and the pulses per stress (each a count, then 16-bit values), and, for types above
/// 3, the compound numerators and denominators (each a count, then bytes).
///
/// The meter keeps a list of the mirrors that show it on the staves (MCMirrorList); the
/// destructor detaches them. The bar/pulse/tick position is kept by the envelope.
class CLAVENOR_API ECMeter : public ECEnvPoint, public MCMirrorList {
    DECLARE_SERIAL(ECMeter)

public:
    ///@{
    /// The meter types (see the class comment).
    static constexpr std::uint8_t TypeFree = 0;
    static constexpr std::uint8_t TypeFixed = 1;
    static constexpr std::uint8_t TypeSimple = 2;
    static constexpr std::uint8_t TypeCompound = 3;
    static constexpr std::uint8_t TypeImperfect = 4;
    static constexpr std::uint8_t TypeCombined = 5;
    static constexpr std::uint8_t TypeCompoundList = 6;
    ///@}
    /// Any type other than 0 and 1 given to SetMeter asks for the computed type.
    static constexpr std::uint8_t TypeComputed = 255;

    /// Ticks per quarter note of the meter's own arithmetic.
    static constexpr std::uint16_t Resolution = 256;
    /// The longest measure SetMeter accepts, in quarter notes.
    static constexpr int MaxMeasureQuarters = 64;
    /// GetSubdivision leaves the array untouched above this level (a 1024th of a beat).
    static constexpr int MaxSubdivisionLevel = 12;

    /// The compound lists' numerators or denominators.
    using ByteArray = CArray<std::uint8_t, std::uint8_t>;
    /// Stress lengths and pulse counts.
    using WordArray = CArray<std::uint16_t, std::uint16_t>;

    /// 4/4 of type 0: stresses [512, 512], pulses per stress [2, 2], position bar 0, pulse 0,
    /// tick 0 at MCTime::GlobalPPQ.
    ECMeter();
    /// SetMeter(numerator, denominator, type); a refused meter stays 4/4.
    ECMeter(std::uint8_t numerator, std::uint8_t denominator, std::uint8_t type);
    /// Copies the ECEnvPoint part and the time, then rebuilds the meter data as assignment
    /// does; no mirrors, the position of a new meter.
    ECMeter(const ECMeter& other);
    ~ECMeter() override;

    /// Copies the ECEnvPoint part (not the time), then rebuilds the meter data from the
    /// source's numerator, denominator and type (SetMeter), or from its compound lists for
    /// type 6; a source SetMeter refuses leaves the meter data as they were. Mirrors and the
    /// position are not copied.
    ECMeter& operator=(const ECMeter& other);

    /// Equal type, numerator, denominator, stress count, pulse ticks, compound lists and
    /// stress arrays; time, position and mirrors do not count.
    bool operator==(const ECMeter& other) const;
    /// The negation of ==.
    bool operator!=(const ECMeter& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    /// A meter of `numerator` pulses of 1/`denominator`. The type stored is `type` when it is
    /// 0 or 1, else the computed one; the stress groups follow the type's rule. Refused (0,
    /// nothing changes) for a zero numerator, a denominator that is not a power of two from 1
    /// to 128, and a measure longer than MaxMeasureQuarters.
    [[nodiscard]] int SetMeter(std::uint8_t numerator, std::uint8_t denominator, std::uint8_t type);

    /// A compound list meter: one part per numerator, over one shared denominator or one
    /// denominator per part; the measure is the sum of the parts, counted in the largest
    /// denominator. With `single` 1 each part is one stress group; otherwise (several
    /// denominators) each part is grouped by its own computed type. One numerator over one
    /// denominator with `single` 0 is the plain SetMeter with the type computed. Refused (0,
    /// nothing changes) for an empty list, several denominators whose count differs from the
    /// numerators', a zero numerator, a denominator that is not a power of two, a total of
    /// more than 255 pulses and a measure longer than MaxMeasureQuarters.
    [[nodiscard]] int SetMeter(const ByteArray& numerators, const ByteArray& denominators,
                               int single);

    /// A type change from outside is not supported: returns 0 and changes nothing.
    int SetMeterType(std::uint8_t type);

    /// The meter type, 0-6 (the subtype byte).
    std::uint8_t GetMeterType() const { return GetSubtype(); }
    /// The number of pulses in the measure.
    std::uint8_t GetNumerator() const { return m_nNumerator; }
    /// The note value of the pulse, 1/denominator.
    std::uint8_t GetDenominator() const { return m_nDenominator; }
    /// The compound list's numerators (see SetMeter for when they are kept); the meter's own,
    /// valid while it lives. Change the meter through SetMeter, not through this array.
    ByteArray& GetCompoundNumerator() { return m_compoundNumerator; }
    /// The compound list's denominators; as GetCompoundNumerator.
    ByteArray& GetCompoundDenominator() { return m_compoundDenominator; }
    /// The number of stress groups in the measure.
    std::uint16_t GetStressPulsesPerMeasure() const { return m_nStressCount; }

    /// The measure length in quarter notes: GetTicksPerMeasure(256) / 256.
    float GetMeasureLength() const;
    /// numerator x GetPulseTicks(resolution).
    std::uint16_t GetTicksPerMeasure(std::uint16_t resolution) const;
    /// The pulse in quarter notes (pulse ticks / 256).
    float GetPulse() const;
    /// The pulse in ticks at `resolution` ticks per quarter.
    std::uint16_t GetPulseTicks(std::uint16_t resolution) const;
    /// Stress group `i` in quarter notes, and in ticks.
    float GetStress(std::uint16_t i) const;
    /// Stress group `i` in ticks at `resolution` ticks per quarter; 0 past the groups.
    std::uint16_t GetStressTicks(std::uint16_t i, std::uint16_t resolution) const;
    /// The number of pulses in stress group `i`; 0 past the groups.
    std::uint16_t GetPulsesPerStress(std::uint16_t i) const;

    /// Beats: the pulses for types 0-2, the stress groups for types 3-6 (type 3 counts every
    /// beat as long as the first group); 0 for other types.
    std::uint16_t GetBeatsPerMeasure() const;
    /// Beat `i` in quarter notes.
    float GetBeat(std::uint16_t i) const;
    /// Beat `i` in ticks at `resolution` ticks per quarter.
    std::uint16_t GetBeatTicks(std::uint16_t i, std::uint16_t resolution) const;
    /// The number of pulses in beat `i`.
    std::uint16_t GetPulsesPerBeat(std::uint16_t i) const;

    /// Replaces `out` with the grid of `level`: 0 the measure; 1 the stress groups (types
    /// 0-2) or the beats (types 3-6); 2 the beats (0-2) or the pulses (3-6); from level 3 on,
    /// with s = 2 to the power level - 2, s x beats entries of the first beat divided by s
    /// (types 0-2) or s x numerator entries of the pulse divided by s (3-6). Ticks are divided
    /// as integers. Other types, negative levels and levels above MaxSubdivisionLevel leave
    /// `out` untouched.
    void GetSubdivision(int level, CArray<std::uint16_t, std::uint16_t>& out,
                        std::uint16_t resolution) const;
    /// The same grid in quarter notes, divided as real numbers.
    void GetSubdivision(int level, CArray<float, float>& out) const;

    /// The meter's bar/pulse/tick position, the meter's own; the envelope keeps it.
    BPTTime& GetBarPulseTick() { return m_position; }
    /// Stores the position; a direct change, not undoable, notifying nothing.
    void SetBarPulseTick(int bar, int pulse, int tick, int ticksPerQuarter);
    /// Stores the position; as the four-value form.
    void SetBarPulseTick(const BPTTime& position) { m_position = position; }

    /// The type SetMeter computes for a numerator (the denominator plays no part): 2 simple
    /// below 5 and for powers of two; 4 imperfect for multiples of 5 or 7; 5 combined for
    /// what three does not divide; otherwise 3 compound when a third of it is a multiple of 3
    /// or even, else 5.
    static std::uint8_t CalculateMeterType(std::uint8_t numerator, std::uint8_t denominator);

protected:
    /// (value x to + from / 2) / from in integers (to the nearest, halves up); 0 when `from`
    /// is 0.
    static std::uint16_t ConvertResolution(std::uint16_t value, std::uint16_t to,
                                           std::uint16_t from);

private:
    // Appends the stress groups of `numerator` pulses of 1/`denominator` by the rule of
    // `type` after those present.
    void CalculateStress(std::uint8_t type, std::uint8_t numerator, std::uint8_t denominator);
    void AddToStress(std::uint16_t ticks, std::uint16_t pulses);
    void ClearStress();
    std::uint16_t Convert(std::uint16_t ticks, std::uint16_t resolution) const {
        return resolution == Resolution ? ticks : ConvertResolution(ticks, resolution, Resolution);
    }

    std::uint8_t m_nNumerator = 4;
    std::uint8_t m_nDenominator = 4;
    ByteArray m_compoundNumerator;
    ByteArray m_compoundDenominator;
    std::uint16_t m_nStressCount = 0;
    std::uint16_t m_nPulseTicks = 256;
    WordArray m_stressLengths;
    WordArray m_pulsesPerStress;
    BPTTime m_position;
};

} // namespace clavenor
