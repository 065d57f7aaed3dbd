#include "clavenor/elements/ECMeterEnv.h"

#include "clavenor/elements/ECMeter.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace clavenor {

IMPLEMENT_SERIAL(ECMeterEnv, ECEnvelope, 2 | CRuntimeClass::VersionableSchema)

namespace {

constexpr float DefaultValue = 60.0f;

// Truncation toward zero, saturated at the 32-bit limits (0 for NaN): times and meters a
// document supplies may be anything.
std::int32_t ToInt(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    if (v >= 2147483647.0) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (v <= -2147483648.0) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(v);
}

std::int32_t Sum(std::int64_t a, std::int64_t b) { return ToInt(static_cast<double>(a + b)); }

int TicksPerQuarter(int ppq) { return ppq > 0 ? ppq : MCTime::GlobalPPQ; }

// a's tick against b's, each in its own resolution.
std::int64_t CompareTicks(const BPTTime& a, const BPTTime& b) {
    return std::int64_t{a.tick} * TicksPerQuarter(b.ppq) -
           std::int64_t{b.tick} * TicksPerQuarter(a.ppq);
}

bool NoLaterThan(const BPTTime& meter, const BPTTime& time) {
    return meter.bar <= time.bar && meter.pulse <= time.pulse && CompareTicks(meter, time) <= 0;
}

bool SamePosition(const BPTTime& a, const BPTTime& b) {
    return a.bar == b.bar && a.pulse == b.pulse && CompareTicks(a, b) == 0;
}

} // namespace

ECMeterEnv::ECMeterEnv() { SetDefaultValue(DefaultValue); }

ECMeterEnv::~ECMeterEnv() = default;

void ECMeterEnv::Serialize(CArchive& ar) {
    ECEnvelope::Serialize(ar);
    if (ar.IsStoring()) {
        return;
    }
    MCEventList* points = GetChildren();
    for (POSITION pos = points->GetHeadPosition(); pos != nullptr;) {
        if (!points->GetNext(pos)->IsKindOf(RUNTIME_CLASS(ECMeter))) {
            throw CArchiveException(CArchiveException::badClass,
                                    "a meter map holds a point that is not a meter");
        }
    }
    RecalculateBPTTimes();
}

ECBase* ECMeterEnv::Copy(CObject* src) { return CopyAs(this, src); }

int ECMeterEnv::GetEventId() const { return EventId::MeterEnv; }

int ECMeterEnv::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::ConductorStaff);
    return 1;
}

int ECMeterEnv::AddChild(ECBase* child, int sorted) {
    if (child == nullptr || !child->IsKindOf(RUNTIME_CLASS(ECMeter)) ||
        ECEnvelope::AddChild(child, sorted) == 0) {
        return 0;
    }
    child->SetVoiceTrack(GetVoiceTrack());
    RecalculateBPTTimes();
    return 1;
}

int ECMeterEnv::RemoveChild(ECBase* child, int deep) {
    if (ECEnvelope::RemoveChild(child, deep) == 0) {
        return 0;
    }
    RecalculateBPTTimes();
    return 1;
}

int ECMeterEnv::RemoveChildren(int deep) {
    ECEnvelope::RemoveChildren(deep);
    RecalculateBPTTimes();
    return 1;
}

ECMeter* ECMeterEnv::MeterAt(int index) { return static_cast<ECMeter*>(GetPointAtIndex(index)); }

ECMeter* ECMeterEnv::GetMeterAt(const MCTime& time) {
    // The last meter at or before `time`: a binary search over the envelope's index.
    int low = 0;
    int high = GetPointCount();
    while (low < high) {
        const int mid = low + (high - low) / 2;
        if (time < *MeterAt(mid)->GetTime()) {
            high = mid;
        } else {
            low = mid + 1;
        }
    }
    return low > 0 ? MeterAt(low - 1) : nullptr;
}

void ECMeterEnv::RecalculateBPTTimes() {
    // A walk over the list rather than the index: this runs at the end of every change to
    // the map, where lack of memory must not get in the way.
    m_bPositioned = false;
    ECMeter* previous = nullptr;
    for (ECBase* point : *GetChildren()) {
        auto* meter = static_cast<ECMeter*>(point);
        if (previous == nullptr) {
            if (*meter->GetTime() != MCTime::TimeZero()) {
                return;
            }
            meter->SetBarPulseTick(0, 0, 0, MCTime::GlobalPPQ);
        } else {
            int bar = 0;
            int pulse = 0;
            int tick = 0;
            GetBPTFromMeter(previous, *meter->GetTime(), bar, pulse, tick, MCTime::GlobalPPQ);
            meter->SetBarPulseTick(bar, pulse, tick, MCTime::GlobalPPQ);
        }
        previous = meter;
    }
    m_bPositioned = previous != nullptr;
}

void ECMeterEnv::GetBPTFromMeter(ECMeter* meter, const MCTime& time, int& bar, int& pulse,
                                 int& tick, int ppq) {
    const float length = meter->GetMeasureLength();
    const float pulseLength = meter->GetPulse();
    const int pulses = meter->GetNumerator();
    bar = pulse = tick = 0;
    if (length == 0.0f || pulseLength == 0.0f || pulses == 0) {
        return;
    }
    const float distance = time.GetSeconds() - meter->GetTime()->GetSeconds();
    const float measures = distance / length;
    const std::int32_t bars = ToInt(measures);
    const float rest = (measures - static_cast<float>(bars)) * length;
    const std::int32_t inBar = ToInt(rest / pulseLength);
    const float fraction =
        (rest - static_cast<float>(inBar) * pulseLength) * static_cast<float>(ppq);
    const BPTTime& at = meter->GetBarPulseTick();
    tick = Sum(at.tick, ToInt(static_cast<double>(fraction) + 0.5));
    pulse = Sum(at.pulse, inBar);
    bar = Sum(at.bar, bars);
    // The meter's own offset may carry into the next pulse and bar.
    const std::int32_t pulseTicks =
        ToInt(static_cast<double>(pulseLength * static_cast<float>(ppq)) + 0.5);
    if (tick >= pulseTicks) {
        tick -= pulseTicks;
        pulse = Sum(pulse, 1);
    }
    if (pulse >= pulses) {
        pulse -= pulses;
        bar = Sum(bar, 1);
    }
}

void ECMeterEnv::GetTimeFromMeter(ECMeter* meter, MCTime& time, int bar, int pulse, int tick,
                                  int ppq) {
    const float pulseLength = meter->GetPulse();
    const BPTTime& at = meter->GetBarPulseTick();
    const float offset = static_cast<float>(pulse) * pulseLength +
                         static_cast<float>(tick) / static_cast<float>(TicksPerQuarter(ppq));
    const float meterOffset =
        static_cast<float>(at.pulse) * pulseLength +
        static_cast<float>(at.tick) / static_cast<float>(TicksPerQuarter(at.ppq));
    const float bars = static_cast<float>(std::int64_t{bar} - at.bar);
    time =
        meter->GetTime()->GetSeconds() + bars * meter->GetMeasureLength() + (offset - meterOffset);
}

void ECMeterEnv::GetBarPulseTick(MCTime& time, int ppq) {
    if (time.GetMode() != MCTime::ModeNormalized) {
        return;
    }
    ECMeter* meter = GetMeterAt(time);
    if (meter == nullptr) {
        time.SetBarPulseTick(0, 0, 0, ppq);
    } else if (*meter->GetTime() == time) {
        time.SetBarPulseTick(meter->GetBarPulseTick());
    } else {
        int bar = 0;
        int pulse = 0;
        int tick = 0;
        GetBPTFromMeter(meter, time, bar, pulse, tick, ppq);
        time.SetBarPulseTick(bar, pulse, tick, ppq);
    }
}

void ECMeterEnv::GetNormalizedTime(MCTime& time) {
    const int count = GetPointCount();
    if (time.GetMode() != MCTime::ModeBarPulseTick || count == 0) {
        return;
    }
    const BPTTime position = time.GetBarPulseTick();
    // With computed positions the bars never decrease, so every meter after the last one
    // whose bar is no later than the time's fails the test; start the walk there.
    int index = count - 1;
    if (m_bPositioned) {
        int low = 0;
        int high = count;
        while (low < high) {
            const int mid = low + (high - low) / 2;
            if (position.bar < MeterAt(mid)->GetBarPulseTick().bar) {
                high = mid;
            } else {
                low = mid + 1;
            }
        }
        index = low - 1;
    }
    while (index >= 0 && !NoLaterThan(MeterAt(index)->GetBarPulseTick(), position)) {
        --index;
    }
    ECMeter* meter = MeterAt(index >= 0 ? index : 0);
    if (index >= 0 && SamePosition(meter->GetBarPulseTick(), position)) {
        time = *meter->GetTime();
        return;
    }
    GetTimeFromMeter(meter, time, position.bar, position.pulse, position.tick, position.ppq);
}

} // namespace clavenor
