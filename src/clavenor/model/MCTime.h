#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/BPTTime.h"

#include <bit>
#include <cstdint>

namespace clavenor {

class CArchive;

/// The one time value of the model: a position or a duration in one of three forms, chosen
/// by the mode byte.
///
/// - ModeNormalized (0): musical time in quarter notes (a 32-bit float).
/// - ModeBarPulseTick (2): a bar/pulse/tick position, held in a BPTTime record that this
///   value owns.
/// - ModeClock (3): clock time in seconds (a 32-bit float); the tempo map converts to and
///   from it.
///
/// Any mode other than ModeBarPulseTick is a scalar mode; 0, 1 and 3 differ only in what the
/// caller means by the number. Arithmetic and comparisons work on the scalar in single precision
/// and leave bar/pulse/tick operands out, as each operation says. A scalar on the left of a
/// comparison with a bar/pulse/tick time is neither equal to, nor >=, nor <= it (so it is
/// both < and >); a bar/pulse/tick time on the left compares only with the scalar 0.0.
///
/// Conversions to integers (GetTicks, GetMSec, SetPPQ) saturate at the 32-bit limits and give
/// 0 for NaN instead of overflowing.
class CLAVENOR_API MCTime {
public:
    ///@{
    /// The values of the mode byte (GetMode, SetMode); 1 is a scalar mode that the library
    /// never produces.
    static constexpr std::uint8_t ModeNormalized = 0;
    static constexpr std::uint8_t ModeBarPulseTick = 2;
    static constexpr std::uint8_t ModeClock = 3;
    ///@}
    /// Ticks per quarter note of the process: the resolution of every bar/pulse/tick zero
    /// that an operator returns and of the meter, tuplet and tempo tick arithmetic. Set it
    /// with SetGlobalPPQ from the host's owning thread; it is not locked.
    static std::int32_t GlobalPPQ;

    ///@{
    /// Shared constants: +3.4028235e38 (the largest float), -3.4028235e38 (the unset time
    /// every timed element starts with) and 0.0, all in mode 0.
    static const MCTime& TimeMax();
    static const MCTime& TimeNull();
    static const MCTime& TimeZero();
    ///@}

    /// 0.0 in mode 0.
    MCTime() = default;
    /// `scalar` in mode 0 (implicit, so that a float can stand where a time is expected).
    MCTime(float scalar) : m_bits(PlainBits(scalar, ModeNormalized)) {}
    /// Mode 2 with a new record. Throws std::bad_alloc when the record cannot be allocated.
    MCTime(std::int32_t bar, std::int32_t pulse, std::int32_t tick, std::int32_t ppq);
    /// The mode and value of `other`, with a record of its own in mode 2 (throws
    /// std::bad_alloc when it cannot be allocated).
    MCTime(const MCTime& other);
    /// Takes over `other`'s record in mode 2; `other` is left 0.0 in mode 0.
    MCTime(MCTime&& other) noexcept;
    ~MCTime();

    ///@{
    /// Copies the mode and the value; a mode-2 target reuses its own record. Records are
    /// never shared between two values.
    MCTime& operator=(const MCTime& other);
    MCTime& operator=(MCTime&& other) noexcept;
    /// Stores a scalar; a mode-2 value becomes mode 0, any scalar mode stays.
    MCTime& operator=(float scalar);
    ///@}

    /// The mode byte: ModeNormalized, ModeBarPulseTick, ModeClock, or 1.
    std::uint8_t GetMode() const {
        return HasRecord() ? ModeBarPulseTick : static_cast<std::uint8_t>(m_bits >> ModeShift);
    }
    /// Leaving mode 2 frees the record (the scalar reads 0.0); entering mode 2 allocates a
    /// zeroed record for SetBarPulseTick to fill. Between scalar modes only the byte changes.
    void SetMode(std::uint8_t mode);

    /// The scalar, whatever the scalar mode; 0.0 in mode 2.
    float GetSeconds() const { return HasRecord() ? 0.0f : Scalar(); }
    /// Stores the scalar; a mode-2 value frees its record and becomes mode 0, a scalar mode
    /// stays (so that a clock time stays one).
    void SetSeconds(float seconds);

    /// The scalar x 1000 + 0.5, truncated toward zero and saturated; 0 in mode 2.
    std::int32_t GetMSec() const;
    /// Stores msec / 1000 as the scalar, with SetSeconds' rule for the mode.
    void SetMSec(std::int32_t msec);

    /// ppq x scalar + 0.5 truncated toward zero; 0 in mode 2.
    std::int32_t GetTicks(std::int32_t ppq) const;
    /// Does nothing when ppq is 0.
    void SetTicks(std::int32_t ticks, std::int32_t ppq);
    /// Does nothing when ppq is 0 or in mode 2.
    void AddTicks(std::int32_t ticks, std::int32_t ppq);

    ///@{
    /// Stores the record, entering mode 2 (a new record: throws std::bad_alloc when it
    /// cannot be allocated, and the value is unchanged then).
    void SetBarPulseTick(const BPTTime& bpt);
    void SetBarPulseTick(std::int32_t bar, std::int32_t pulse, std::int32_t tick, std::int32_t ppq);
    ///@}
    /// The record in mode 2; a zero record in any other mode (callers test the mode first).
    const BPTTime& GetBarPulseTick() const;

    /// Re-expresses the tick of a bar/pulse/tick time at another resolution, rounding down;
    /// bar and pulse are not touched and a tick that reaches a whole pulse is not carried.
    /// Nothing happens unless ppq > 0, the mode is 2 and the old ppq is positive and differs.
    void SetPPQ(std::int32_t ppq);

    /// Stores ppq clamped into 10..1000 in GlobalPPQ; returns 1.
    static std::int32_t SetGlobalPPQ(std::int32_t ppq);

    /// Storing (`version` ignored, callers pass -1): the mode byte, then the 16-byte record
    /// in mode 2 or the float. Loading at version >= 1 reads the same; below 1 (the oldest
    /// documents) reads a bare float and leaves the mode 0. Throws CArchiveException.
    void Serialize(CArchive& ar, std::int32_t version);

    ///@{
    /// Scalar arithmetic in single precision, keeping this value's mode; unchanged when
    /// either side is a bar/pulse/tick time.
    MCTime& operator+=(const MCTime& t);
    MCTime& operator-=(const MCTime& t);
    ///@}
    /// Scales the scalar; unchanged in mode 2.
    MCTime& operator*=(float f);
    /// Unchanged in mode 2 or when f is 0.0.
    MCTime& operator/=(float f);

    /// scalar / t's scalar (1.0 stands in for a zero divisor, and for a bar/pulse/tick one),
    /// in mode 0; the bar/pulse/tick zero at GlobalPPQ when this is in mode 2.
    MCTime operator/(const MCTime& t) const;
    /// Floored remainder, with the sign of the divisor; same guards as operator/.
    MCTime operator%(const MCTime& t) const;
    /// The negated scalar in mode 0; the bar/pulse/tick zero at GlobalPPQ in mode 2.
    MCTime operator-() const;

    ///@{
    /// Compare the scalars (single precision, NaN unordered), or two bar/pulse/tick records
    /// by bar, pulse and tick (ticks at their own ppq), with the mixed-mode rules of the
    /// class comment; < and > are the negations of >= and <=, so across modes they are not
    /// strict orders.
    bool operator==(const MCTime& t) const;
    bool operator!=(const MCTime& t) const { return !(*this == t); }
    bool operator>=(const MCTime& t) const;
    bool operator<=(const MCTime& t) const;
    bool operator<(const MCTime& t) const { return !(*this >= t); }
    bool operator>(const MCTime& t) const { return !(*this <= t); }
    ///@}

private:
    static MCTime BarPulseTickZero();
    void FreeRecord();
    BPTTime& MakeRecord();

    // One word, so that a time costs 8 bytes in every element that has one: either a record
    // pointer with bit 0 set (mode 2; records are at least 8-aligned, so the bit is free), or
    // bit 0 clear, the mode in bits 8-15 and the float's bits in bits 32-63.
    static constexpr std::uint64_t RecordTag = 1;
    static constexpr int ModeShift = 8;
    static constexpr int ScalarShift = 32;

    static constexpr std::uint64_t PlainBits(float scalar, std::uint8_t mode) {
        return (static_cast<std::uint64_t>(std::bit_cast<std::uint32_t>(scalar)) << ScalarShift) |
               (static_cast<std::uint64_t>(mode) << ModeShift);
    }
    bool HasRecord() const { return (m_bits & RecordTag) != 0; }
    float Scalar() const {
        return std::bit_cast<float>(static_cast<std::uint32_t>(m_bits >> ScalarShift));
    }
    // Keeps the mode; only for a time without a record.
    void SetScalar(float scalar) { m_bits = PlainBits(scalar, GetMode()); }
    BPTTime* Record() const {
        return reinterpret_cast<BPTTime*>(static_cast<std::uintptr_t>(m_bits & ~RecordTag));
    }
    void SetRecord(BPTTime* record) {
        m_bits = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(record)) | RecordTag;
    }

    std::uint64_t m_bits = PlainBits(0.0f, ModeNormalized);
};

} // namespace clavenor
