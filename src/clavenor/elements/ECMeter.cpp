#include "clavenor/elements/ECMeter.h"

#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/model/MCTime.h"

#include <algorithm>

namespace clavenor {

IMPLEMENT_SERIAL(ECMeter, ECEnvPoint, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECMeter, EventId::Meter)

namespace {

// A whole note in the meter's ticks: a pulse of 1/d lasts Whole / d.
constexpr std::uint32_t Whole = 4 * ECMeter::Resolution;
constexpr std::uint32_t MaxMeasureTicks = ECMeter::MaxMeasureQuarters * ECMeter::Resolution;

bool IsDenominator(std::uint32_t d) { return d >= 1 && d <= 128 && (d & (d - 1)) == 0; }

template <class T, class A>
void WriteArray(CArchive& ar, const CArray<T, A>& items) {
    ar.WriteCount(static_cast<std::uint32_t>(items.GetSize()));
    for (int i = 0; i < items.GetSize(); ++i) {
        ar << items[i];
    }
}

// Item by item, so that a count the stream cannot back fails at its end rather than by
// allocating for it first.
template <class T, class A>
void ReadArray(CArchive& ar, CArray<T, A>& items) {
    items.RemoveAll();
    for (std::uint32_t n = ar.ReadCount(); n > 0; --n) {
        T value{};
        ar >> value;
        items.Add(value);
    }
}

} // namespace

// 4/4 is a meter SetMeter always takes.
ECMeter::ECMeter() {
    m_position.ppq = MCTime::GlobalPPQ;
    (void)SetMeter(4, 4, TypeFree);
}

// A refused meter leaves the 4/4 of the delegated constructor, as the header promises.
ECMeter::ECMeter(std::uint8_t numerator, std::uint8_t denominator, std::uint8_t type) : ECMeter() {
    (void)SetMeter(numerator, denominator, type);
}

ECMeter::ECMeter(const ECMeter& other) : ECEnvPoint(other), MCMirrorList(other) {
    m_position.ppq = MCTime::GlobalPPQ;
    (void)SetMeter(4, 4, TypeFree);
    *this = other;
}

ECMeter::~ECMeter() = default;

ECMeter& ECMeter::operator=(const ECMeter& other) {
    ECEnvPoint::operator=(other);
    // The other meter's values were taken by SetMeter once, so they are taken again.
    if (other.GetMeterType() == TypeCompoundList) {
        (void)SetMeter(other.m_compoundNumerator, other.m_compoundDenominator, 0);
    } else {
        (void)SetMeter(other.m_nNumerator, other.m_nDenominator, other.GetMeterType());
    }
    return *this;
}

namespace {

template <class T, class A>
bool SameItems(const CArray<T, A>& a, const CArray<T, A>& b) {
    return a.GetSize() == b.GetSize() &&
           std::equal(a.GetData(), a.GetData() + a.GetSize(), b.GetData());
}

} // namespace

bool ECMeter::operator==(const ECMeter& other) const {
    return GetMeterType() == other.GetMeterType() && m_nNumerator == other.m_nNumerator &&
           m_nDenominator == other.m_nDenominator && m_nStressCount == other.m_nStressCount &&
           m_nPulseTicks == other.m_nPulseTicks &&
           SameItems(m_compoundNumerator, other.m_compoundNumerator) &&
           SameItems(m_compoundDenominator, other.m_compoundDenominator) &&
           SameItems(m_stressLengths, other.m_stressLengths) &&
           SameItems(m_pulsesPerStress, other.m_pulsesPerStress);
}

void ECMeter::Serialize(CArchive& ar) {
    ECEnvPoint::Serialize(ar);
    if (ar.IsStoring()) {
        ar << GetSubtype() << m_nNumerator << m_nDenominator << m_nStressCount << m_nPulseTicks;
        WriteArray(ar, m_stressLengths);
        WriteArray(ar, m_pulsesPerStress);
        if (GetMeterType() > TypeCompound) {
            WriteArray(ar, m_compoundNumerator);
            WriteArray(ar, m_compoundDenominator);
        }
        return;
    }
    std::uint8_t type = 0;
    ar >> type >> m_nNumerator >> m_nDenominator >> m_nStressCount >> m_nPulseTicks;
    SetSubtype(type);
    ReadArray(ar, m_stressLengths);
    ReadArray(ar, m_pulsesPerStress);
    if (type > TypeCompound) {
        ReadArray(ar, m_compoundNumerator);
        ReadArray(ar, m_compoundDenominator);
    } else {
        m_compoundNumerator.RemoveAll();
        m_compoundDenominator.RemoveAll();
    }
}

ECBase* ECMeter::Copy(CObject* src) { return CopyAs(this, src); }

int ECMeter::GetEventId() const { return EventId::Meter; }

int ECMeter::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::ConductorStaff);
    return 1;
}

std::uint8_t ECMeter::CalculateMeterType(std::uint8_t numerator, std::uint8_t) {
    if (numerator < 5 || (numerator & (numerator - 1)) == 0) {
        return TypeSimple;
    }
    if (numerator % 5 == 0 || numerator % 7 == 0) {
        return TypeImperfect;
    }
    if (numerator % 3 != 0) {
        return TypeCombined;
    }
    const int third = numerator / 3;
    return third % 3 == 0 || third % 2 == 0 ? TypeCompound : TypeCombined;
}

void ECMeter::ClearStress() {
    m_stressLengths.RemoveAll();
    m_pulsesPerStress.RemoveAll();
    m_nStressCount = 0;
}

void ECMeter::AddToStress(std::uint16_t ticks, std::uint16_t pulses) {
    m_stressLengths.SetAtGrow(m_nStressCount, ticks);
    m_pulsesPerStress.SetAtGrow(m_nStressCount, pulses);
    ++m_nStressCount;
}

void ECMeter::CalculateStress(std::uint8_t type, std::uint8_t numerator, std::uint8_t denominator) {
    if (denominator == 0) {
        return;
    }
    const int n = numerator;
    const int pulse = static_cast<int>(Whole) / denominator;
    auto groups = [this, pulse](int count, int pulses) {
        for (int i = 0; i < count; ++i) {
            AddToStress(static_cast<std::uint16_t>(pulses * pulse),
                        static_cast<std::uint16_t>(pulses));
        }
    };
    switch (type) {
    case TypeFree:
    case TypeFixed:
    case TypeSimple:
        // Slow pulses (halves, quarters) are felt one by one or in two halves of the bar;
        // fast ones (eighths and shorter), and 1/4 to 3/4, as one group.
        if (denominator < 8 && !(denominator == 4 && n <= 3)) {
            if (n % 2 != 0) {
                groups(n, 1);
            } else {
                groups(2, n / 2);
            }
        } else {
            groups(1, n);
        }
        break;
    case TypeCompound:
        groups(n / 3, 3);
        break;
    case TypeImperfect:
        if (n % 3 == 0) {
            groups(3, n / 3);
        } else if (n % 2 == 0) {
            int odd = n;
            while (odd % 2 == 0) {
                odd /= 2;
            }
            groups(n / odd, odd);
        } else if (n == 5) {
            groups(1, 2);
            groups(1, 3);
        } else if (n == 7) {
            groups(1, 4);
            groups(1, 3);
        }
        // Other odd multiples of 5 and 7 (25, 35, 49, ...) get no grouping.
        break;
    case TypeCombined:
        groups(n / 3, 3);
        groups(1, n % 3);
        break;
    default:
        break;
    }
}

int ECMeter::SetMeter(std::uint8_t numerator, std::uint8_t denominator, std::uint8_t type) {
    if (numerator == 0 || !IsDenominator(denominator) ||
        numerator * (Whole / denominator) > MaxMeasureTicks) {
        return 0;
    }
    if (GetMeterType() == TypeCompoundList) {
        m_compoundNumerator.RemoveAll();
        m_compoundDenominator.RemoveAll();
    }
    ClearStress();
    m_nNumerator = numerator;
    m_nDenominator = denominator;
    const std::uint8_t stored =
        type == TypeFree || type == TypeFixed ? type : CalculateMeterType(numerator, denominator);
    SetSubtype(stored);
    CalculateStress(stored, numerator, denominator);
    m_nPulseTicks = static_cast<std::uint16_t>(Whole / denominator);
    return 1;
}

int ECMeter::SetMeter(const ByteArray& numerators, const ByteArray& denominators, int single) {
    if (numerators.GetSize() == 1 && denominators.GetSize() == 1 && single == 0) {
        return SetMeter(numerators[0], denominators[0], TypeComputed);
    }
    const int parts = numerators.GetSize();
    const bool shared = denominators.GetSize() == 1;
    if (parts == 0 || denominators.GetSize() == 0 || (!shared && denominators.GetSize() != parts)) {
        return 0;
    }
    std::uint32_t largest = 1;
    for (int i = 0; i < denominators.GetSize(); ++i) {
        if (!IsDenominator(denominators[i])) {
            return 0;
        }
        largest = std::max<std::uint32_t>(largest, denominators[i]);
    }
    std::uint32_t total = 0;
    for (int i = 0; i < parts; ++i) {
        if (numerators[i] == 0) {
            return 0;
        }
        total += (shared ? 1 : largest / denominators[i]) * numerators[i];
    }
    if (total > 255 || total * (Whole / largest) > MaxMeasureTicks) {
        return 0;
    }

    // The lists may be this meter's own (a copy from itself).
    const ByteArray partNumerators = numerators;
    const ByteArray partDenominators = denominators;
    ClearStress();
    m_compoundNumerator = partNumerators;
    m_compoundDenominator = partDenominators;
    m_nNumerator = static_cast<std::uint8_t>(total);
    m_nDenominator = static_cast<std::uint8_t>(largest);
    m_nPulseTicks = static_cast<std::uint16_t>(Whole / largest);
    for (int i = 0; i < parts; ++i) {
        const std::uint8_t n = partNumerators[i];
        const std::uint8_t d = partDenominators[shared ? 0 : i];
        if (shared || single == 1) {
            AddToStress(static_cast<std::uint16_t>(n * (Whole / d)), n);
        } else {
            const std::uint8_t type = CalculateMeterType(n, d);
            SetSubtype(type);
            CalculateStress(type, n, d);
        }
    }
    SetSubtype(TypeCompoundList);
    return 1;
}

int ECMeter::SetMeterType(std::uint8_t) { return 0; }

std::uint16_t ECMeter::ConvertResolution(std::uint16_t value, std::uint16_t to,
                                         std::uint16_t from) {
    if (from == 0) {
        return 0;
    }
    return static_cast<std::uint16_t>((std::uint32_t{value} * to + from / 2u) / from);
}

float ECMeter::GetMeasureLength() const {
    return static_cast<float>(GetTicksPerMeasure(Resolution)) / Resolution;
}

std::uint16_t ECMeter::GetTicksPerMeasure(std::uint16_t resolution) const {
    return static_cast<std::uint16_t>(m_nNumerator * GetPulseTicks(resolution));
}

float ECMeter::GetPulse() const { return static_cast<float>(m_nPulseTicks) / Resolution; }

std::uint16_t ECMeter::GetPulseTicks(std::uint16_t resolution) const {
    return Convert(m_nPulseTicks, resolution);
}

float ECMeter::GetStress(std::uint16_t i) const {
    return static_cast<float>(m_stressLengths.GetAt(i)) / Resolution;
}

std::uint16_t ECMeter::GetStressTicks(std::uint16_t i, std::uint16_t resolution) const {
    return Convert(m_stressLengths.GetAt(i), resolution);
}

std::uint16_t ECMeter::GetPulsesPerStress(std::uint16_t i) const {
    return m_pulsesPerStress.GetAt(i);
}

std::uint16_t ECMeter::GetBeatsPerMeasure() const {
    const std::uint8_t type = GetMeterType();
    if (type <= TypeSimple) {
        return m_nNumerator;
    }
    return type <= TypeCompoundList ? m_nStressCount : 0;
}

float ECMeter::GetBeat(std::uint16_t i) const {
    const std::uint8_t type = GetMeterType();
    if (type <= TypeSimple) {
        return GetPulse();
    }
    if (type == TypeCompound) {
        return GetStress(0);
    }
    return type <= TypeCompoundList ? GetStress(i) : 0.0f;
}

std::uint16_t ECMeter::GetBeatTicks(std::uint16_t i, std::uint16_t resolution) const {
    const std::uint8_t type = GetMeterType();
    if (type <= TypeSimple) {
        return GetPulseTicks(resolution);
    }
    if (type == TypeCompound) {
        return GetStressTicks(0, resolution);
    }
    return type <= TypeCompoundList ? GetStressTicks(i, resolution) : 0;
}

std::uint16_t ECMeter::GetPulsesPerBeat(std::uint16_t i) const {
    const std::uint8_t type = GetMeterType();
    if (type <= TypeSimple) {
        return 1;
    }
    if (type == TypeCompound) {
        return GetPulsesPerStress(0);
    }
    return type <= TypeCompoundList ? GetPulsesPerStress(i) : 0;
}

namespace {

// The grid of GetSubdivision in either unit: `measure` and `pulse` are lengths, `stress(i)`
// and `beat(i)` give the lengths of group i and beat i, `divide(v, s)` splits v into s parts.
template <class T, class A, class Stress, class Beat, class Divide>
void FillSubdivision(const ECMeter& meter, int level, CArray<T, A>& out, T measure, T pulse,
                     Stress stress, Beat beat, Divide divide) {
    if (level < 0 || level > ECMeter::MaxSubdivisionLevel ||
        meter.GetMeterType() > ECMeter::TypeCompoundList) {
        return;
    }
    const bool byPulse = meter.GetMeterType() > ECMeter::TypeSimple;
    const int beats = meter.GetBeatsPerMeasure();
    const int pulses = meter.GetNumerator();
    out.RemoveAll();
    if (level == 0) {
        out.Add(measure);
    } else if (level == 1) {
        const int groups = byPulse ? beats : meter.GetStressPulsesPerMeasure();
        for (int i = 0; i < groups; ++i) {
            const auto at = static_cast<std::uint16_t>(i);
            out.Add(byPulse ? beat(at) : stress(at));
        }
    } else if (level == 2) {
        for (int i = 0; i < (byPulse ? pulses : beats); ++i) {
            out.Add(byPulse ? pulse : beat(static_cast<std::uint16_t>(i)));
        }
    } else {
        const int s = 1 << (level - 2);
        const T part = divide(byPulse ? pulse : beat(0), s);
        for (int i = 0, n = s * (byPulse ? pulses : beats); i < n; ++i) {
            out.Add(part);
        }
    }
}

} // namespace

void ECMeter::GetSubdivision(int level, CArray<std::uint16_t, std::uint16_t>& out,
                             std::uint16_t resolution) const {
    FillSubdivision(
        *this, level, out, GetTicksPerMeasure(resolution), GetPulseTicks(resolution),
        [&](std::uint16_t i) { return GetStressTicks(i, resolution); },
        [&](std::uint16_t i) { return GetBeatTicks(i, resolution); },
        [](std::uint16_t v, int s) { return static_cast<std::uint16_t>(v / s); });
}

void ECMeter::GetSubdivision(int level, CArray<float, float>& out) const {
    FillSubdivision(
        *this, level, out, GetMeasureLength(), GetPulse(),
        [&](std::uint16_t i) { return GetStress(i); }, [&](std::uint16_t i) { return GetBeat(i); },
        [](float v, int s) { return v / static_cast<float>(s); });
}

void ECMeter::SetBarPulseTick(int bar, int pulse, int tick, int ticksPerQuarter) {
    m_position = BPTTime{bar, pulse, tick, ticksPerQuarter};
}

} // namespace clavenor
