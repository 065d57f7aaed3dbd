#include "clavenor/model/MCTime.h"

#include "clavenor/framework/CArchive.h"

#include <bit>
#include <cmath>
#include <limits>

namespace clavenor {

namespace {

// Truncates toward zero like a C cast, but saturates instead of overflowing and maps NaN
// to 0, so that hostile or extreme times cannot cause undefined behaviour.
std::int32_t TruncateToInt32(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 2147483647.0) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value <= -2147483648.0) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

const BPTTime ZeroRecord{};

} // namespace

std::int32_t MCTime::GlobalPPQ = 480;

const MCTime& MCTime::TimeMax() {
    static const MCTime value(std::bit_cast<float>(0x7F7FFFFFu));
    return value;
}

const MCTime& MCTime::TimeNull() {
    static const MCTime value(std::bit_cast<float>(0xFF7FFFFFu));
    return value;
}

const MCTime& MCTime::TimeZero() {
    static const MCTime value(0.0f);
    return value;
}

MCTime::MCTime(std::int32_t bar, std::int32_t pulse, std::int32_t tick, std::int32_t ppq) {
    SetRecord(new BPTTime{bar, pulse, tick, ppq});
}

MCTime::MCTime(const MCTime& other) : m_bits(other.m_bits) {
    if (other.HasRecord()) {
        SetRecord(new BPTTime(*other.Record()));
    }
}

MCTime::MCTime(MCTime&& other) noexcept : m_bits(other.m_bits) {
    if (other.HasRecord()) {
        other.m_bits = PlainBits(0.0f, ModeNormalized);
    }
}

MCTime::~MCTime() { FreeRecord(); }

void MCTime::FreeRecord() {
    if (HasRecord()) {
        delete Record();
        m_bits = PlainBits(0.0f, ModeNormalized);
    }
}

BPTTime& MCTime::MakeRecord() {
    if (!HasRecord()) {
        SetRecord(new BPTTime{});
    }
    return *Record();
}

MCTime& MCTime::operator=(const MCTime& other) {
    if (this == &other) {
        return *this;
    }
    if (other.HasRecord()) {
        MakeRecord() = *other.Record();
    } else {
        FreeRecord();
        m_bits = other.m_bits;
    }
    return *this;
}

MCTime& MCTime::operator=(MCTime&& other) noexcept {
    if (this == &other) {
        return *this;
    }
    FreeRecord();
    m_bits = other.m_bits;
    if (other.HasRecord()) {
        other.m_bits = PlainBits(0.0f, ModeNormalized);
    }
    return *this;
}

MCTime& MCTime::operator=(float scalar) {
    FreeRecord();
    SetScalar(scalar);
    return *this;
}

void MCTime::SetMode(std::uint8_t mode) {
    if (mode == ModeBarPulseTick) {
        MakeRecord();
    } else {
        FreeRecord();
        m_bits = PlainBits(Scalar(), mode);
    }
}

void MCTime::SetSeconds(float seconds) {
    FreeRecord();
    SetScalar(seconds);
}

std::int32_t MCTime::GetMSec() const {
    if (HasRecord()) {
        return 0;
    }
    return TruncateToInt32(static_cast<double>(Scalar()) * 1000.0 + 0.5);
}

void MCTime::SetMSec(std::int32_t msec) {
    FreeRecord();
    SetScalar(static_cast<float>(msec / 1000.0));
}

std::int32_t MCTime::GetTicks(std::int32_t ppq) const {
    if (HasRecord()) {
        return 0;
    }
    const float product = static_cast<float>(ppq) * Scalar();
    return TruncateToInt32(static_cast<double>(product) + 0.5);
}

void MCTime::SetTicks(std::int32_t ticks, std::int32_t ppq) {
    if (ppq == 0) {
        return;
    }
    FreeRecord();
    SetScalar(static_cast<float>(static_cast<double>(ticks) / ppq));
}

void MCTime::AddTicks(std::int32_t ticks, std::int32_t ppq) {
    if (ppq == 0 || HasRecord()) {
        return;
    }
    SetScalar(Scalar() + static_cast<float>(static_cast<double>(ticks) / ppq));
}

void MCTime::SetBarPulseTick(const BPTTime& bpt) { MakeRecord() = bpt; }

void MCTime::SetBarPulseTick(std::int32_t bar, std::int32_t pulse, std::int32_t tick,
                             std::int32_t ppq) {
    MakeRecord() = BPTTime{bar, pulse, tick, ppq};
}

const BPTTime& MCTime::GetBarPulseTick() const { return HasRecord() ? *Record() : ZeroRecord; }

void MCTime::SetPPQ(std::int32_t ppq) {
    if (ppq <= 0 || !HasRecord() || Record()->ppq <= 0 || Record()->ppq == ppq) {
        return;
    }
    // The product wraps as a 32-bit integer product would; the rest is done in double.
    const auto product = static_cast<std::int32_t>(static_cast<std::uint32_t>(Record()->tick) *
                                                   static_cast<std::uint32_t>(ppq));
    Record()->tick = TruncateToInt32(std::floor(static_cast<double>(product) / Record()->ppq));
    Record()->ppq = ppq;
}

std::int32_t MCTime::SetGlobalPPQ(std::int32_t ppq) {
    GlobalPPQ = ppq <= 10 ? 10 : (ppq >= 1000 ? 1000 : ppq);
    return 1;
}

void MCTime::Serialize(CArchive& ar, std::int32_t version) {
    if (ar.IsStoring()) {
        ar << GetMode();
        if (HasRecord()) {
            ar << Record()->bar << Record()->pulse << Record()->tick << Record()->ppq;
        } else {
            ar << Scalar();
        }
        return;
    }
    FreeRecord();
    if (version < 1) {
        float scalar = 0.0f;
        ar >> scalar;
        SetScalar(scalar);
        return;
    }
    std::uint8_t mode = 0;
    ar >> mode;
    if (mode == ModeBarPulseTick) {
        BPTTime record;
        ar >> record.bar >> record.pulse >> record.tick >> record.ppq;
        MakeRecord() = record;
    } else {
        float scalar = 0.0f;
        ar >> scalar;
        m_bits = PlainBits(scalar, mode);
    }
}

MCTime& MCTime::operator+=(const MCTime& t) {
    if (!HasRecord() && !t.HasRecord()) {
        SetScalar(Scalar() + t.Scalar());
    }
    return *this;
}

MCTime& MCTime::operator-=(const MCTime& t) {
    if (!HasRecord() && !t.HasRecord()) {
        SetScalar(Scalar() - t.Scalar());
    }
    return *this;
}

MCTime& MCTime::operator*=(float f) {
    if (!HasRecord()) {
        SetScalar(Scalar() * f);
    }
    return *this;
}

MCTime& MCTime::operator/=(float f) {
    if (!HasRecord() && f != 0.0f) {
        SetScalar(Scalar() / f);
    }
    return *this;
}

MCTime MCTime::BarPulseTickZero() { return MCTime(0, 0, 0, GlobalPPQ); }

MCTime MCTime::operator/(const MCTime& t) const {
    if (HasRecord()) {
        return BarPulseTickZero();
    }
    const float divisor = (t.HasRecord() || t.Scalar() == 0.0f) ? 1.0f : t.Scalar();
    return MCTime(Scalar() / divisor);
}

MCTime MCTime::operator%(const MCTime& t) const {
    if (HasRecord()) {
        return BarPulseTickZero();
    }
    const float d = (t.HasRecord() || t.Scalar() == 0.0f) ? 1.0f : t.Scalar();
    return MCTime(Scalar() - std::floor(Scalar() / d) * d);
}

MCTime MCTime::operator-() const {
    if (HasRecord()) {
        return BarPulseTickZero();
    }
    return MCTime(-Scalar());
}

bool MCTime::operator==(const MCTime& t) const {
    if (!HasRecord()) {
        return !t.HasRecord() && Scalar() == t.Scalar();
    }
    if (!t.HasRecord()) {
        return false;
    }
    const BPTTime& a = *Record();
    const BPTTime& b = *t.Record();
    if (a.bar != b.bar || a.pulse != b.pulse) {
        return false;
    }
    if (a.ppq == b.ppq) {
        return a.tick == b.tick;
    }
    if (a.ppq < 1 || b.ppq < 1) {
        return false;
    }
    return static_cast<double>(a.tick) / a.ppq == static_cast<double>(b.tick) / b.ppq;
}

bool MCTime::operator>=(const MCTime& t) const {
    if (!HasRecord()) {
        return !t.HasRecord() && Scalar() >= t.Scalar();
    }
    const BPTTime& a = *Record();
    if (!t.HasRecord()) {
        return t.Scalar() == 0.0f && a.bar >= 0 && a.pulse >= 0 && a.tick >= 0;
    }
    const BPTTime& b = *t.Record();
    if (a.bar < b.bar || a.pulse < b.pulse) {
        return false;
    }
    if (a.ppq >= b.ppq) {
        return a.tick >= b.tick;
    }
    if (a.ppq < 1 || b.ppq < 1) {
        return false;
    }
    return static_cast<double>(a.tick) / a.ppq >= static_cast<double>(b.tick) / b.ppq;
}

bool MCTime::operator<=(const MCTime& t) const {
    if (!HasRecord()) {
        return !t.HasRecord() && Scalar() <= t.Scalar();
    }
    const BPTTime& a = *Record();
    if (!t.HasRecord()) {
        return t.Scalar() == 0.0f && a.bar <= 0 && a.pulse <= 0 && a.tick <= 0;
    }
    const BPTTime& b = *t.Record();
    if (a.bar > b.bar || a.pulse > b.pulse) {
        return false;
    }
    if (a.ppq <= b.ppq) {
        return a.tick <= b.tick;
    }
    if (a.ppq < 1 || b.ppq < 1) {
        return false;
    }
    return static_cast<double>(a.tick) / a.ppq <= static_cast<double>(b.tick) / b.ppq;
}

} // namespace clavenor
