#include "clavenor/elements/ECTempoEnv.h"

#include "clavenor/elements/ECTempo.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"

#include <cmath>
#include <cstdint>

namespace clavenor {

IMPLEMENT_SERIAL(ECTempoEnv, ECEnvelope, 2 | CRuntimeClass::VersionableSchema)

namespace {

constexpr float DefaultTempo = 60.0f;
constexpr float Slowest = 20.0f;
constexpr float Fastest = 400.0f;

} // namespace

ECTempoEnv::ECTempoEnv() {
    SetDefaultValue(DefaultTempo);
    SetLimits(Slowest, Fastest);
    SetIntValued(0);
}

ECTempoEnv::~ECTempoEnv() = default;

void ECTempoEnv::Serialize(CArchive& ar) {
    ECEnvelope::Serialize(ar);
    if (ar.IsStoring()) {
        return;
    }
    MCEventList* points = GetChildren();
    for (POSITION pos = points->GetHeadPosition(); pos != nullptr;) {
        if (!points->GetNext(pos)->IsKindOf(RUNTIME_CLASS(ECTempo))) {
            throw CArchiveException(CArchiveException::badClass,
                                    "a tempo map holds a point that is not a tempo mark");
        }
    }
    RecalculateClockTimes();
}

ECBase* ECTempoEnv::Copy(CObject* src) { return CopyAs(this, src); }

int ECTempoEnv::GetEventId() const { return EventId::TempoEnv; }

int ECTempoEnv::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::ConductorStaff);
    return 1;
}

int ECTempoEnv::AddChild(ECBase* child, int sorted) {
    if (child == nullptr || !child->IsKindOf(RUNTIME_CLASS(ECTempo)) ||
        ECEnvelope::AddChild(child, sorted) == 0) {
        return 0;
    }
    child->SetVoiceTrack(GetVoiceTrack());
    RecalculateClockTimes();
    return 1;
}

int ECTempoEnv::RemoveChild(ECBase* child, int deep) {
    if (ECEnvelope::RemoveChild(child, deep) == 0) {
        return 0;
    }
    RecalculateClockTimes();
    return 1;
}

int ECTempoEnv::RemoveChildren(int deep) {
    ECEnvelope::RemoveChildren(deep);
    RecalculateClockTimes();
    return 1;
}

ECTempo* ECTempoEnv::TempoAt(int index) { return static_cast<ECTempo*>(GetPointAtIndex(index)); }

// Both walk the list rather than the index: they run at the end of every change to the map,
// where lack of memory must not get in the way.

void ECTempoEnv::RecalculatePauses() {
    for (ECBase* point : *GetChildren()) {
        auto* mark = static_cast<ECTempo*>(point);
        if (!ECTempo::IsPauseTempo(mark->GetTempoType())) {
            continue;
        }
        float base = GetDefaultValue();
        if (mark->IsAnchorHead() != 0) {
            if (ECEnvPoint* before = LastBefore(*mark->GetTime())) {
                base = before->GetValue();
            }
            mark->SetValue(base / std::pow(2.0f, mark->GetPausePercent() / 100.0f));
            continue;
        }
        // The end of a pause comes after its head; a group that puts its first mark later
        // (only a damaged document does) would make the value depend on marks not yet
        // computed, and differ from one computation to the next.
        MCEventList* group = GetAnchorGroup(mark);
        if (group == nullptr || group->GetHead() == mark ||
            !(*group->GetHead()->GetTime() < *mark->GetTime())) {
            continue;
        }
        if (ECEnvPoint* last = LastBefore(*group->GetHead()->GetTime())) {
            base = last->GetValue();
        }
        mark->SetValue(base);
    }
}

ECEnvPoint* ECTempoEnv::LastBefore(const MCTime& time) {
    ECEnvPoint* found = nullptr;
    for (ECBase* point : *GetChildren()) {
        if (!(*point->GetTime() < time)) {
            break;
        }
        found = static_cast<ECEnvPoint*>(point);
    }
    return found;
}

void ECTempoEnv::RecalculateClockTimes() {
    RecalculatePauses();
    ECTempo* previous = nullptr;
    for (ECBase* point : *GetChildren()) {
        auto* mark = static_cast<ECTempo*>(point);
        MCTime clock;
        if (previous == nullptr) {
            if (*mark->GetTime() > MCTime::TimeZero()) {
                MCTime zero = MCTime::TimeZero();
                mark->SetTime(&zero);
            }
        } else {
            MCTime distance = *mark->GetTime();
            distance -= *previous->GetTime();
            clock = previous->GetClockTime().GetSeconds() +
                    Seconds(previous, mark, distance.GetSeconds());
        }
        clock.SetMode(MCTime::ModeClock);
        mark->SetClockTime(clock);
        previous = mark;
    }
}

float ECTempoEnv::Acceleration(ECTempo* from, ECTempo* to) {
    float span = to->GetTime()->GetSeconds() - from->GetTime()->GetSeconds();
    if (span == 0.0f) {
        span = 1.0f;
    }
    // The rate grows evenly with the clock, from one mark's rate to the next's over the
    // span between them.
    const float r0 = from->GetRate();
    const float r1 = to->GetRate();
    return (r1 * r1 - r0 * r0) / (2.0f * span);
}

float ECTempoEnv::Seconds(ECTempo* from, ECTempo* to, float distance) {
    if (to == nullptr || from->GetStyle() == ECEnvPoint::StyleStep) {
        return distance * from->GetSpeed();
    }
    const float a = Acceleration(from, to);
    if (a == 0.0f) {
        return distance * from->GetSpeed();
    }
    // The root of a s^2 / 2 + r0 s = distance, written without the cancellation of
    // (-r0 + sqrt(...)) / a when the rate hardly changes.
    const float r0 = from->GetRate();
    const double root = std::sqrt(static_cast<double>(r0) * r0 + 2.0 * a * distance);
    return static_cast<float>(2.0 * distance / (r0 + root));
}

void ECTempoEnv::GetClockTime(MCTime& time) {
    if (time.GetMode() != MCTime::ModeNormalized) {
        return;
    }
    auto* mark = static_cast<ECTempo*>(GetPointBeforeEqual(time));
    if (mark == nullptr) {
        time.SetMode(MCTime::ModeClock);
        return;
    }
    float seconds = mark->GetClockTime().GetSeconds();
    if (*mark->GetTime() != time) {
        auto* next = static_cast<ECTempo*>(GetPointAfter(time));
        seconds += Seconds(mark, next, time.GetSeconds() - mark->GetTime()->GetSeconds());
    }
    time = seconds;
    time.SetMode(MCTime::ModeClock);
}

void ECTempoEnv::GetNormalizedTime(MCTime& time) {
    if (time.GetMode() != MCTime::ModeClock) {
        return;
    }
    // The last mark whose clock time is at or before the time; clock times grow with the
    // marks.
    const float seconds = time.GetSeconds();
    int low = 0;
    int high = GetPointCount();
    while (low < high) {
        const int mid = low + (high - low) / 2;
        if (seconds < TempoAt(mid)->GetClockTime().GetSeconds()) {
            high = mid;
        } else {
            low = mid + 1;
        }
    }
    time.SetMode(MCTime::ModeNormalized);
    if (low == 0) {
        return;
    }
    ECTempo* mark = TempoAt(low - 1);
    const float start = mark->GetClockTime().GetSeconds();
    if (seconds == start) {
        time = *mark->GetTime();
        return;
    }
    ECTempo* next = TempoAt(low);
    const float s = seconds - start;
    float quarters = s / mark->GetSpeed();
    if (next != nullptr && mark->GetStyle() != ECEnvPoint::StyleStep) {
        const float a = Acceleration(mark, next);
        quarters = a * s * s / 2.0f + mark->GetRate() * s;
    }
    time = mark->GetTime()->GetSeconds() + quarters;
}

} // namespace clavenor
