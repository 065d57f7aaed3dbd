#include "clavenor/commands/CCAddTempo.h"

#include "clavenor/commands/detail/MCEnvPointEdit.h"
#include "clavenor/commands/detail/MarkEndPoint.h"
#include "clavenor/elements/ECEnvelope.h"
#include "clavenor/elements/ECTempo.h"

#include <algorithm>

namespace clavenor {

namespace {

constexpr float Slowest = 20.0f;
constexpr float Fastest = 400.0f;
constexpr float PauseShare = 0.25f;

float Limited(float tempo) { return std::clamp(tempo, Slowest, Fastest); }

float ValueAt(ECEnvelope* envelope, ECEnvPoint* point) {
    return point != nullptr ? point->GetValue() : envelope->GetDefaultValue();
}

// The last mark from time zero up to `mark` that does not last, or null.
ECEnvPoint* LastSteady(ECEnvelope* envelope, const MCTime& time) {
    ECEnvPoint* found = nullptr;
    for (int i = 0, count = envelope->GetPointCount(); i < count; ++i) {
        auto* point = dynamic_cast<ECTempo*>(envelope->GetPointAtIndex(i));
        if (point == nullptr) {
            continue;
        }
        if (*point->GetTime() > time) {
            break;
        }
        if (*point->GetTime() >= MCTime::TimeZero() &&
            !ECTempo::HasDuration(point->GetTempoType())) {
            found = point;
        }
    }
    return found;
}

} // namespace

IMPLEMENT_SERIAL(CCAddTempo, CCAddEnvPoint, 2 | CRuntimeClass::VersionableSchema)

CCAddTempo::CCAddTempo() = default;

CCAddTempo::CCAddTempo(ECTempo* mark, ECEnvelope* envelope) {
    Add(mark, envelope, FCMidi::MidiNull());
}

CCAddTempo::CCAddTempo(CCRemoveEnvPoint* removal) : CCAddEnvPoint(removal) {}

CCAddTempo::~CCAddTempo() = default;

int CCAddTempo::GetCommandId() const { return 10; }

int CCAddTempo::PrepareItem(CCAddEnvPtItem* item) {
    if (CCAddEnvPoint::PrepareItem(item) == 0) {
        return 0;
    }
    auto* mark = dynamic_cast<ECTempo*>(item->GetChild());
    if (mark == nullptr) {
        return 1;
    }
    auto* envelope = static_cast<ECEnvelope*>(item->GetParent());
    const std::uint8_t type = mark->GetTempoType();
    const MCTime time = *mark->GetTime();
    if (!ECTempo::IsRelativeTempo(type)) {
        if (type != ECTempo::TypeMetronome) {
            mark->SetValue(static_cast<float>(GetTempoValue(type)));
        }
        mark->SetStyle(ECEnvPoint::StyleStep);
        return 1;
    }
    if (type == ECTempo::TypeATempo) {
        mark->SetValue(ValueAt(envelope, LastSteady(envelope, time)));
        mark->SetStyle(ECEnvPoint::StyleStep);
        return 1;
    }
    if (item->GetAnchorList() != nullptr) {
        return 1;
    }
    const float base = ValueAt(envelope, envelope->GetPointBeforeEqual(time));
    if (type >= ECTempo::TypeAccelerando && type <= ECTempo::TypeRitardando) {
        mark->SetValue(Limited(base));
        mark->SetStyle(ECEnvPoint::StyleLinear);
    } else if (ECTempo::IsPauseTempo(type)) {
        mark->SetValue(Limited(base * PauseShare));
        mark->SetStyle(ECEnvPoint::StyleStep);
    }
    // Without a duration there is nothing to ramp over: an end point would fall on the start.
    if (!Lasts(mark)) {
        return 1;
    }
    const float start = mark->GetValue();
    ECTempo* end = MakeEndPoint(item, mark);
    end->SetStyle(ECEnvPoint::StyleStep);
    ECEnvPoint* next = envelope->GetPointAfterEqual(time);
    const float e = next != nullptr ? next->GetValue() : start;
    switch (type) {
    case ECTempo::TypeAccelerando:
        end->SetValue(Limited(e * 1.33f));
        break;
    case ECTempo::TypeRallentando:
        end->SetValue(Limited(e * 0.5f));
        break;
    case ECTempo::TypeRitardando:
        end->SetValue(Limited(e * 0.75f));
        break;
    default:
        end->SetValue(Limited(ECTempo::IsPauseTempo(type) ? base : e));
    }
    return 1;
}

bool CCAddTempo::Record() {
    for (const auto& item : m_items) {
        auto* mark = dynamic_cast<ECTempo*>(item->GetChild());
        if (mark == nullptr || mark->GetTempoType() != ECTempo::TypePause ||
            !(*mark->GetTime() == MCTime::TimeZero())) {
            continue;
        }
        auto* opening =
            dynamic_cast<ECTempo*>(EnvelopeOf(item)->GetPointBeforeEqual(MCTime::TimeZero()));
        if (opening == nullptr) {
            continue;
        }
        if (opening->GetTempoType() == ECTempo::TypePause) {
            return false;
        }
        MCTime before = MCTime::TimeZero();
        before.AddTicks(-1, MCTime::GlobalPPQ);
        m_pEdit->SetTime(opening, before);
    }
    return CCAddEnvPoint::Record();
}

} // namespace clavenor
