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
    m_record = new BPTTime{bar, pulse, tick, ppq};
    m_mode = ModeBarPulseTick;
}

MCTime::MCTime(const MCTime& other) : m_mode(other.m_mode) {
    if (other.m_mode == ModeBarPulseTick) {
        m_record = new BPTTime(*other.m_record);
    } else {
        m_scalar = other.m_scalar;
    }
}

MCTime::MCTime(MCTime&& other) noexcept : m_mode(other.m_mode) {
    if (other.m_mode == ModeBarPulseTick) {
        m_record = other.m_record;
        other.m_scalar = 0.0f;
        other.m_mode = ModeNormalized;
    } else {
        m_scalar = other.m_scalar;
    }
}

MCTime::~MCTime() { FreeRecord(); }

void MCTime::FreeRecord() {
    if (m_mode == ModeBarPulseTick) {
        delete m_record;
        m_scalar = 0.0f;
        m_mode = ModeNormalized;
    }
}

BPTTime& MCTime::MakeRecord() {
    if (m_mode != ModeBarPulseTick) {
        m_record = new BPTTime{};
        m_mode = ModeBarPulseTick;
    }
    return *m_record;
}

MCTime& MCTime::operator=(const MCTime& other) {
    if (this == &other) {
        return *this;
    }
    if (other.m_mode == ModeBarPulseTick) {
        MakeRecord() = *other.m_record;
    } else {
        FreeRecord();
        m_scalar = other.m_scalar;
        m_mode = other.m_mode;
    }
    return *this;
}

MCTime& MCTime::operator=(MCTime&& other) noexcept {
    if (this == &other) {
        return *this;
    }
    FreeRecord();
    m_mode = other.m_mode;
    if (other.m_mode == ModeBarPulseTick) {
        m_record = other.m_record;
        other.m_scalar = 0.0f;
        other.m_mode = ModeNormalized;
    } else {
        m_scalar = other.m_scalar;
    }
    return *this;
}

MCTime& MCTime::operator=(float scalar) {
    FreeRecord();
    m_scalar = scalar;
    return *this;
}

void MCTime::SetMode(std::uint8_t mode) {
    if (mode == ModeBarPulseTick) {
        MakeRecord();
    } else {
        FreeRecord();
        m_mode = mode;
    }
}

void MCTime::SetSeconds(float seconds) {
    FreeRecord();
    m_scalar = seconds;
}

std::int32_t MCTime::GetMSec() const {
    if (m_mode == ModeBarPulseTick) {
        return 0;
    }
    return TruncateToInt32(static_cast<double>(m_scalar) * 1000.0 + 0.5);
}

void MCTime::SetMSec(std::int32_t msec) {
    FreeRecord();
    m_scalar = static_cast<float>(msec / 1000.0);
}

std::int32_t MCTime::GetTicks(std::int32_t ppq) const {
    if (m_mode == ModeBarPulseTick) {
        return 0;
    }
    const float product = static_cast<float>(ppq) * m_scalar;
    return TruncateToInt32(static_cast<double>(product) + 0.5);
}

void MCTime::SetTicks(std::int32_t ticks, std::int32_t ppq) {
    if (ppq == 0) {
        return;
    }
    FreeRecord();
    m_scalar = static_cast<float>(static_cast<double>(ticks) / ppq);
}

void MCTime::AddTicks(std::int32_t ticks, std::int32_t ppq) {
    if (ppq == 0 || m_mode == ModeBarPulseTick) {
        return;
    }
    m_scalar += static_cast<float>(static_cast<double>(ticks) / ppq);
}

void MCTime::SetBarPulseTick(const BPTTime& bpt) { MakeRecord() = bpt; }

void MCTime::SetBarPulseTick(std::int32_t bar, std::int32_t pulse, std::int32_t tick,
                             std::int32_t ppq) {
    MakeRecord() = BPTTime{bar, pulse, tick, ppq};
}

const BPTTime& MCTime::GetBarPulseTick() const {
    return m_mode == ModeBarPulseTick ? *m_record : ZeroRecord;
}

void MCTime::SetPPQ(std::int32_t ppq) {
    if (ppq <= 0 || m_mode != ModeBarPulseTick || m_record->ppq <= 0 || m_record->ppq == ppq) {
        return;
    }
    // The product wraps as a 32-bit integer product would; the rest is done in double.
    const auto product = static_cast<std::int32_t>(static_cast<std::uint32_t>(m_record->tick) *
                                                   static_cast<std::uint32_t>(ppq));
    m_record->tick = TruncateToInt32(std::floor(static_cast<double>(product) / m_record->ppq));
    m_record->ppq = ppq;
}

std::int32_t MCTime::SetGlobalPPQ(std::int32_t ppq) {
    GlobalPPQ = ppq <= 10 ? 10 : (ppq >= 1000 ? 1000 : ppq);
    return 1;
}

void MCTime::Serialize(CArchive& ar, std::int32_t version) {
    if (ar.IsStoring()) {
        ar << m_mode;
        if (m_mode == ModeBarPulseTick) {
            ar << m_record->bar << m_record->pulse << m_record->tick << m_record->ppq;
        } else {
            ar << m_scalar;
        }
        return;
    }
    FreeRecord();
    if (version < 1) {
        float scalar = 0.0f;
        ar >> scalar;
        m_scalar = scalar;
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
        m_scalar = scalar;
        m_mode = mode;
    }
}

MCTime& MCTime::operator+=(const MCTime& t) {
    if (m_mode != ModeBarPulseTick && t.m_mode != ModeBarPulseTick) {
        m_scalar += t.m_scalar;
    }
    return *this;
}

MCTime& MCTime::operator-=(const MCTime& t) {
    if (m_mode != ModeBarPulseTick && t.m_mode != ModeBarPulseTick) {
        m_scalar -= t.m_scalar;
    }
    return *this;
}

MCTime& MCTime::operator*=(float f) {
    if (m_mode != ModeBarPulseTick) {
        m_scalar *= f;
    }
    return *this;
}

MCTime& MCTime::operator/=(float f) {
    if (m_mode != ModeBarPulseTick && f != 0.0f) {
        m_scalar /= f;
    }
    return *this;
}

MCTime MCTime::BarPulseTickZero() { return MCTime(0, 0, 0, GlobalPPQ); }

MCTime MCTime::operator/(const MCTime& t) const {
    if (m_mode == ModeBarPulseTick) {
        return BarPulseTickZero();
    }
    const float divisor = (t.m_mode == ModeBarPulseTick || t.m_scalar == 0.0f) ? 1.0f : t.m_scalar;
    return MCTime(m_scalar / divisor);
}

MCTime MCTime::operator%(const MCTime& t) const {
    if (m_mode == ModeBarPulseTick) {
        return BarPulseTickZero();
    }
    const float d = (t.m_mode == ModeBarPulseTick || t.m_scalar == 0.0f) ? 1.0f : t.m_scalar;
    return MCTime(m_scalar - std::floor(m_scalar / d) * d);
}

MCTime MCTime::operator-() const {
    if (m_mode == ModeBarPulseTick) {
        return BarPulseTickZero();
    }
    return MCTime(-m_scalar);
}

bool MCTime::operator==(const MCTime& t) const {
    if (m_mode != ModeBarPulseTick) {
        return t.m_mode != ModeBarPulseTick && m_scalar == t.m_scalar;
    }
    if (t.m_mode != ModeBarPulseTick) {
        return false;
    }
    const BPTTime& a = *m_record;
    const BPTTime& b = *t.m_record;
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
    if (m_mode != ModeBarPulseTick) {
        return t.m_mode != ModeBarPulseTick && m_scalar >= t.m_scalar;
    }
    const BPTTime& a = *m_record;
    if (t.m_mode != ModeBarPulseTick) {
        return t.m_scalar == 0.0f && a.bar >= 0 && a.pulse >= 0 && a.tick >= 0;
    }
    const BPTTime& b = *t.m_record;
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
    if (m_mode != ModeBarPulseTick) {
        return t.m_mode != ModeBarPulseTick && m_scalar <= t.m_scalar;
    }
    const BPTTime& a = *m_record;
    if (t.m_mode != ModeBarPulseTick) {
        return t.m_scalar == 0.0f && a.bar <= 0 && a.pulse <= 0 && a.tick <= 0;
    }
    const BPTTime& b = *t.m_record;
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
