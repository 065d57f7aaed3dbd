#include "clavenor/elements/ECTuplet.h"

#include "clavenor/elements/ECMeasure.h"
#include "clavenor/elements/ECMeter.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

#include <algorithm>

namespace clavenor {

IMPLEMENT_SERIAL(ECTuplet, ECWithTimeChild, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECTuplet, EventId::Tuplet)

namespace {

constexpr std::uint8_t kEighths = 3;
// Lengths in quarter notes of unit codes 0 to 7.
constexpr float kUnitLengths[] = {4.0f, 2.0f, 1.0f, 0.5f, 0.25f, 0.125f, 0.0625f, 0.03125f};
// Codes an equivalent ratio may land on: whole to sixty-fourth.
constexpr int kLastEquivalentUnit = 6;
// The class schema from which the record holds the units byte.
constexpr std::uint32_t kUnitsSchema = 2;
// Subdivision levels the fitting search looks at.
constexpr int kLevels = 4;
// The shortest pulse a left-over span is divided into, in quarter notes.
constexpr float kShortestPulse = 0.03125f;

float Quarters(const MCTime& time) { return time.GetMode() == 2 ? 0.0f : time.GetSeconds(); }

std::int32_t Ticks(float quarters) { return MCTime(quarters).GetTicks(MCTime::GlobalPPQ); }

} // namespace

ECTuplet::ECTuplet() { SetSubtype(kEighths); }

ECTuplet::ECTuplet(std::uint8_t irregular, std::uint8_t normal, std::uint8_t units)
    : m_nIrregular(irregular), m_nNormal(normal) {
    SetSubtype(units);
}

ECTuplet::ECTuplet(const ECTuplet& other)
    : ECWithTimeChild(other), m_nIrregular(other.m_nIrregular), m_nNormal(other.m_nNormal) {
    SetSubtype(other.GetUnits());
}

ECTuplet::~ECTuplet() = default;

ECTuplet& ECTuplet::operator=(const ECTuplet& other) {
    ECWithTimeChild::operator=(other);
    SetTuplet(other.m_nIrregular, other.m_nNormal, other.GetUnits());
    return *this;
}

void ECTuplet::Serialize(CArchive& ar) {
    // The schema belongs to this object's record; reading the members below resets it.
    const std::uint32_t schema = ar.IsLoading() ? ar.GetObjectSchema() : kUnitsSchema;
    ECWithTimeChild::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_nIrregular << m_nNormal << GetSubtype();
        return;
    }
    ar >> m_nIrregular >> m_nNormal;
    std::uint8_t units = kEighths;
    if ((schema & 0xFFFFu) >= kUnitsSchema) {
        ar >> units;
    }
    SetSubtype(units);
}

ECBase* ECTuplet::Copy(CObject* src) { return CopyAs(this, src); }

int ECTuplet::GetEventId() const { return EventId::Tuplet; }

int ECTuplet::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Measure);
    return 1;
}

int ECTuplet::AddChild(ECBase* child, int sorted) {
    if (child == nullptr) {
        return 0;
    }
    const int id = child->GetEventId();
    if (id != EventId::Note && id != EventId::Chord && id != EventId::Rest) {
        return 0;
    }
    return ECWithTimeChild::AddChild(child, sorted);
}

int ECTuplet::RemoveChild(ECBase* child, int deep) {
    if (IsBeingDestroyed()) {
        return ECWithTimeChild::RemoveChild(child, deep);
    }
    // Leaving the parents may give back every reference but this one.
    Ref();
    if (ECWithTimeChild::RemoveChild(child, deep) == 0) {
        Unref(0);
        return 0;
    }
    const bool leaves = GetChildren()->IsEmpty() && !GetParents()->IsEmpty();
    if (leaves) {
        RemoveFromParents();
    }
    Unref(leaves ? 1 : 0);
    return 1;
}

int ECTuplet::RemoveChildren(int deep) {
    if (IsBeingDestroyed()) {
        return ECWithTimeChild::RemoveChildren(deep);
    }
    Ref();
    ECWithTimeChild::RemoveChildren(deep);
    const bool leaves = !GetParents()->IsEmpty();
    RemoveFromParents();
    Unref(leaves ? 1 : 0);
    return 1;
}

int ECTuplet::RemoveFromParents() {
    MCEventList* members = GetChildren();
    if (!IsBeingDestroyed() && !members->IsEmpty()) {
        if (ECBase* measure = GetAncestor(EventId::Measure, -1)) {
            // Each member moves with its own list nodes, so that leaving needs no memory; one
            // the measure holds already only leaves the tuplet.
            auto* into = dynamic_cast<ECWithChild*>(measure);
            Ref();
            for (POSITION pos = members->GetHeadPosition(); pos != nullptr;) {
                ECBase* member = members->GetNext(pos);
                if (into != nullptr && member->GetParents()->Find(measure) == nullptr) {
                    // A member of this tuplet that the measure does not hold: nothing to
                    // refuse.
                    (void)MoveChild(member, into, 1);
                }
            }
            ECWithTimeChild::RemoveChildren(0);
            Unref(0);
        }
    }
    return ECWithTimeChild::RemoveFromParents();
}

void ECTuplet::SetTuplet(std::uint8_t irregular, std::uint8_t normal, std::uint8_t units) {
    m_nIrregular = irregular;
    m_nNormal = normal;
    SetSubtype(units);
}

MCTime ECTuplet::GetUnitsAsTime(int code) {
    if (code < 0 || code >= static_cast<int>(std::size(kUnitLengths))) {
        return MCTime(0.0f);
    }
    return MCTime(kUnitLengths[code]);
}

void ECTuplet::GetEquivalentTuplet(std::uint8_t irregular, std::uint8_t normal, std::uint8_t units,
                                   std::uint8_t& irregularOut, std::uint8_t& normalOut,
                                   std::uint8_t& unitsOut) {
    irregularOut = irregular;
    normalOut = normal;
    unitsOut = UnitNone;
    if (irregular == 0 || normal == 0) {
        return;
    }
    int i = irregular;
    int n = normal;
    std::int32_t length = GetUnitsAsTime(units).GetTicks(MCTime::GlobalPPQ);
    if (i < 2 * n) {
        while (n >= 2 * i) {
            i *= 2;
            length *= 2;
        }
    } else {
        while (i >= 2 * n) {
            n *= 2;
            length >>= 1;
        }
    }
    irregularOut = static_cast<std::uint8_t>(i);
    normalOut = static_cast<std::uint8_t>(n);
    MCTime unit;
    unit.SetTicks(length, MCTime::GlobalPPQ);
    for (int code = 0; code <= kLastEquivalentUnit; ++code) {
        if (unit.GetSeconds() == kUnitLengths[code]) {
            unitsOut = static_cast<std::uint8_t>(code);
            return;
        }
    }
}

std::uint8_t ECTuplet::CalcIrregularUnits(std::uint8_t irregular, std::uint8_t normal,
                                          std::uint8_t units) {
    std::uint8_t i = 0;
    std::uint8_t n = 0;
    std::uint8_t u = 0;
    GetEquivalentTuplet(irregular, normal, units, i, n, u);
    return u;
}

std::uint8_t ECTuplet::GetIrregularUnits() const {
    return CalcIrregularUnits(m_nIrregular, m_nNormal, GetUnits());
}

MCTime ECTuplet::ScaleDuration(const MCTime* duration) const {
    if (duration == nullptr || m_nIrregular == 0 || m_nNormal == 0) {
        return MCTime::TimeNull();
    }
    std::uint8_t i = 0;
    std::uint8_t n = 0;
    std::uint8_t u = 0;
    GetEquivalentTuplet(m_nIrregular, m_nNormal, GetUnits(), i, n, u);
    return MCTime(static_cast<float>(n) * Quarters(*duration) / static_cast<float>(i));
}

int ECTuplet::GetAdjustedDenominator() const {
    const float unit = GetUnitsAsTime(GetUnits()).GetSeconds();
    if (unit == 0.0f) {
        return 4;
    }
    int denominator = static_cast<int>(4.0f / unit);
    int i = m_nIrregular;
    int n = m_nNormal;
    if (i == 0 || n == 0) {
        return denominator;
    }
    if (2 * n > i) {
        while (2 * i <= n) {
            i *= 2;
            denominator /= 2;
        }
    } else {
        while (2 * n <= i) {
            n *= 2;
            denominator *= 2;
        }
    }
    return denominator;
}

int ECTuplet::FindFit(ECMeter* meter, float span, int& level, int& index, int mode) {
    level = -1;
    index = -1;
    CArray<float, float> lengths;
    auto at = [&](int l) {
        lengths.RemoveAll();
        meter->GetSubdivision(l, lengths);
    };
    if (mode == 0 || mode == 1) {
        for (int l = 0; l < kLevels; ++l) {
            at(l);
            if (mode == 0) {
                const float* first = lengths.GetData();
                if (std::all_of(first, first + lengths.GetSize(),
                                [span](float length) { return length == span; })) {
                    level = l;
                    index = lengths.GetSize();
                    return 1;
                }
                continue;
            }
            for (int k = 0; k < lengths.GetSize(); ++k) {
                if (lengths[k] == span) {
                    level = l;
                    index = k;
                    return 1;
                }
            }
        }
        return 0;
    }
    for (int l = kLevels - 1; l >= 0; --l) {
        at(l);
        for (int k = 0; k < lengths.GetSize(); ++k) {
            if (lengths[k] > span) {
                level = l;
                index = k;
                return 1;
            }
        }
    }
    return 0;
}

int ECTuplet::FitInside(ECMeter* meter, ByteArray& numerators, ByteArray& denominators, float unit,
                        float span, int& position, int insert) {
    const float step = static_cast<float>(m_nNormal) * unit;
    if (step <= 0.0f) {
        return 0;
    }
    const auto denominator = static_cast<std::uint8_t>(GetAdjustedDenominator());
    auto put = [&](std::uint8_t numerator, std::uint8_t value, bool inserting) {
        if (inserting) {
            numerators.InsertAt(position, numerator);
            denominators.InsertAt(position, value);
        } else {
            numerators.SetAtGrow(position, numerator);
            denominators.SetAtGrow(position, value);
        }
    };
    float left = span;
    while (left >= step) {
        put(m_nIrregular, denominator, insert == 1);
        ++position;
        left -= step;
    }
    if (left > 0.0f) {
        float pulse = meter->GetPulse();
        while ((MCTime(left) % MCTime(pulse)).GetSeconds() != 0.0f && pulse > kShortestPulse) {
            pulse /= 2;
        }
        if (pulse > 0.0f) {
            put(static_cast<std::uint8_t>(static_cast<int>(left / pulse)),
                static_cast<std::uint8_t>(static_cast<int>(4.0f / pulse)), false);
        }
    }
    return 1;
}

int ECTuplet::SetupBorrowedMeter(ECMeter* meter, ECMeter* borrowed) {
    const float unit = GetUnitsAsTime(GetUnits()).GetSeconds();
    if (meter == nullptr || borrowed == nullptr || unit == 0.0f || m_nIrregular == 0 ||
        m_nNormal == 0) {
        return 0;
    }
    const float step = static_cast<float>(m_nNormal) * unit;
    const auto denominator = static_cast<std::uint8_t>(GetAdjustedDenominator());
    ByteArray numerators;
    ByteArray denominators;
    CArray<float, float> lengths;
    int level = -1;
    int index = -1;
    if (FindFit(meter, step, level, index, 0) != 0) {
        meter->GetSubdivision(level, lengths);
        for (int k = 0; k < lengths.GetSize(); ++k) {
            numerators.Add(m_nIrregular);
        }
        denominators.Add(denominator);
    } else if (FindFit(meter, step, level, index, 1) != 0) {
        meter->GetSubdivision(level, lengths);
        const float pulse = meter->GetPulse();
        numerators.SetSize(lengths.GetSize());
        denominators.SetSize(lengths.GetSize());
        int position = 0;
        for (int k = 0; k < lengths.GetSize(); ++k) {
            const float length = lengths[k];
            if (length == lengths[index]) {
                numerators.SetAt(position, m_nIrregular);
                denominators.SetAt(position, denominator);
            } else if (length < step) {
                numerators.SetAt(position,
                                 static_cast<std::uint8_t>(static_cast<int>(length / pulse)));
                denominators.SetAt(position,
                                   static_cast<std::uint8_t>(static_cast<int>(4.0f / pulse)));
            } else {
                FitInside(meter, numerators, denominators, unit, length, position, 1);
            }
            ++position;
        }
        // A longer beat filled exactly by groups leaves the entry made for it empty.
        for (int k = numerators.GetSize() - 1; k >= 0; --k) {
            if (numerators[k] == 0 && denominators[k] == 0) {
                numerators.RemoveAt(k);
                denominators.RemoveAt(k);
            }
        }
    } else if (FindFit(meter, step, level, index, 2) != 0) {
        int position = 0;
        FitInside(meter, numerators, denominators, unit, meter->GetMeasureLength(), position, 0);
    } else {
        return 0;
    }
    return borrowed->SetMeter(numerators, denominators, 1);
}

int ECTuplet::GetTupletRange(ECMeasure* measure, ECMeter* meter, MCTime& start, MCTime& end,
                             int mode) {
    if (measure == nullptr || meter == nullptr) {
        return 0;
    }
    if (m_time == MCTime::TimeNull()) {
        for (ECBase* member : *GetChildren()) {
            if (MCTime* time = member->GetTime()) {
                if (*time != MCTime::TimeNull()) {
                    m_time = *time;
                }
            }
        }
        if (m_time == MCTime::TimeNull()) {
            return 0;
        }
    }
    const MCTime* measureTime = measure->GetTime();
    const float offset = std::max(0.0f, Quarters(m_time) - Quarters(*measureTime));
    ECMeter borrowed;
    if (SetupBorrowedMeter(meter, &borrowed) == 0) {
        return 0;
    }
    CArray<float, float> beats;
    borrowed.GetSubdivision(1, beats);
    const float unit = GetUnitsAsTime(GetUnits()).GetSeconds();
    float irregular = static_cast<float>(m_nIrregular) * unit;
    const float normal = static_cast<float>(m_nNormal) * unit;
    if (irregular == 0.0f) {
        return 0;
    }
    int i = m_nIrregular;
    int n = m_nNormal;
    if (2 * n > i) {
        while (2 * i <= n) {
            i *= 2;
            irregular *= 2;
        }
    } else {
        while (2 * n <= i) {
            n *= 2;
            irregular /= 2;
        }
    }
    float w = 0.0f;
    float borrowedEnd = 0.0f;
    float from = 0.0f;
    float to = 0.0f;
    bool found = false;
    for (int k = 0; k < beats.GetSize() && !found; ++k) {
        const auto at = static_cast<std::uint16_t>(k);
        float length = beats[k];
        if (borrowed.GetPulsesPerStress(at) == m_nIrregular && borrowed.GetBeat(at) == irregular) {
            length = static_cast<float>(n) * beats[k] / static_cast<float>(i);
        }
        borrowedEnd = w + beats[k];
        to = from + length;
        if (Ticks(offset) >= Ticks(from) && Ticks(offset) < Ticks(to)) {
            to = from + normal;
            borrowedEnd = w + irregular;
            found = true;
        } else {
            w = borrowedEnd;
            from = to;
        }
    }
    if (from == to) {
        to = from + normal;
        borrowedEnd = w + irregular;
    }
    if (mode == 1) {
        start = MCTime(w);
        end = MCTime(borrowedEnd);
    } else {
        start = MCTime(from);
        end = MCTime(to);
    }
    return 1;
}

int ECTuplet::IsValid(ECMeasure* measure, ECMeter* meter) {
    if (GetIrregularUnits() == UnitNone) {
        return 2;
    }
    MCTime start;
    MCTime end;
    if (GetTupletRange(measure, meter, start, end, 0) == 0) {
        return 2;
    }
    const float measureTime = Quarters(*measure->GetTime());
    const float last = Quarters(end) + measureTime;
    return last > measureTime + meter->GetMeasureLength() ? 1 : 0;
}

} // namespace clavenor
