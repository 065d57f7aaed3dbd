#include "clavenor/commands/CCAddPedal.h"

#include "clavenor/commands/detail/MarkEndPoint.h"
#include "clavenor/elements/ECEnvelope.h"
#include "clavenor/elements/ECPedal.h"

namespace clavenor {

namespace {

constexpr float Down = 127.0f;
constexpr float Up = 0.0f;
constexpr std::uint8_t Sustain = 64;

} // namespace

IMPLEMENT_SERIAL(CCAddPedal, CCAddEnvPoint, 2 | CRuntimeClass::VersionableSchema)

CCAddPedal::CCAddPedal() = default;

CCAddPedal::CCAddPedal(ECPedal* mark, ECEnvelope* envelope) {
    Add(mark, envelope, FCMidi::MidiNull());
}

CCAddPedal::~CCAddPedal() = default;

int CCAddPedal::GetCommandId() const { return 8; }

int CCAddPedal::PrepareItem(CCAddEnvPtItem* item) {
    if (CCAddEnvPoint::PrepareItem(item) == 0) {
        return 0;
    }
    auto* pedal = dynamic_cast<ECPedal*>(item->GetChild());
    if (pedal == nullptr) {
        return 1;
    }
    if (!Lasts(pedal)) {
        pedal->SetValue(Down);
        pedal->SetStyle(ECEnvPoint::StyleStep);
    } else if (item->GetAnchorList() == nullptr) {
        pedal->SetValue(Down);
        pedal->SetStyle(ECEnvPoint::StyleStep);
        pedal->SetControllerNum(Sustain);
        ECPedal* end = MakeEndPoint(item, pedal);
        end->SetValue(Up);
        end->SetStyle(ECEnvPoint::StyleStep);
        end->SetControllerNum(Sustain);
    }
    return 1;
}

} // namespace clavenor
