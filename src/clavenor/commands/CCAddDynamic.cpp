#include "clavenor/commands/CCAddDynamic.h"

#include "clavenor/commands/detail/MarkEndPoint.h"
#include "clavenor/elements/ECDynamic.h"
#include "clavenor/elements/ECEnvelope.h"
#include "clavenor/strings/DisplayStrings.h"

#include <algorithm>

namespace clavenor {

namespace {

// A dynamic whose value is its own, not its type's.
constexpr std::uint8_t OwnValue = 16;
constexpr float Crescendo = 1.3333f;
constexpr float Diminuendo = 0.75f;

float Limited(float value) { return std::clamp(value, 0.0f, 127.0f); }

// How far a ramp of `type` goes when no later point says where it ends.
float Ramp(std::uint8_t type) {
    switch (type) {
    case 11:
    case 14:
        return Crescendo;
    case 10:
    case 12:
    case 13:
    case 15:
        return Diminuendo;
    default:
        return 0.0f;
    }
}

} // namespace

IMPLEMENT_SERIAL(CCAddDynamic, CCAddEnvPoint, 2 | CRuntimeClass::VersionableSchema)

CCAddDynamic::CCAddDynamic() = default;

CCAddDynamic::CCAddDynamic(ECDynamic* mark, ECEnvelope* envelope) {
    Add(mark, envelope, FCMidi::MidiNull());
}

CCAddDynamic::~CCAddDynamic() = default;

int CCAddDynamic::GetCommandId() const { return 2; }

int CCAddDynamic::PrepareItem(CCAddEnvPtItem* item) {
    if (CCAddEnvPoint::PrepareItem(item) == 0) {
        return 0;
    }
    auto* mark = dynamic_cast<ECDynamic*>(item->GetChild());
    if (mark == nullptr) {
        return 1;
    }
    const std::uint8_t type = mark->GetDynamicType();
    if (ECDynamic::HasDuration(type) == 0 || !Lasts(mark)) {
        if (type != OwnValue) {
            mark->SetValue(static_cast<float>(GetDynamicValue(type)));
        }
        mark->SetStyle(ECEnvPoint::StyleStep);
        return 1;
    }
    if (item->GetAnchorList() != nullptr) {
        return 1;
    }
    auto* envelope = static_cast<ECEnvelope*>(item->GetParent());
    const MCTime start = *mark->GetTime();
    ECEnvPoint* before = envelope->GetPointBeforeEqual(start);
    const float from =
        Limited(before != nullptr ? before->GetValue() : envelope->GetDefaultValue());
    mark->SetValue(from);
    mark->SetStyle(ECEnvPoint::StyleLinear);
    ECDynamic* end = MakeEndPoint(item, mark);
    end->SetStyle(ECEnvPoint::StyleStep);
    const float ramp = Ramp(type);
    if (ramp != 0.0f) {
        ECEnvPoint* after = envelope->GetPointAfterEqual(start);
        end->SetValue(Limited(after != nullptr ? after->GetValue() : from * ramp));
    }
    return 1;
}

} // namespace clavenor
