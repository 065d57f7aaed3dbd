#include "clavenor/commands/CCAddTranspose.h"

#include "clavenor/commands/detail/MarkEndPoint.h"
#include "clavenor/elements/ECEnvelope.h"
#include "clavenor/elements/ECTranspose.h"

namespace clavenor {

namespace {

constexpr float Octave = 12.0f;

// The start value of a transposition that lasts, by its type: an octave up, an octave down,
// two octaves up; other types keep their value.
float StartValue(std::uint8_t type, float kept) {
    switch (type) {
    case 0:
        return Octave;
    case 1:
        return -Octave;
    case 2:
        return 2 * Octave;
    default:
        return kept;
    }
}

} // namespace

IMPLEMENT_SERIAL(CCAddTranspose, CCAddEnvPoint, 2 | CRuntimeClass::VersionableSchema)

CCAddTranspose::CCAddTranspose() = default;

CCAddTranspose::CCAddTranspose(ECTranspose* mark, ECEnvelope* envelope) {
    Add(mark, envelope, FCMidi::MidiNull());
}

CCAddTranspose::~CCAddTranspose() = default;

int CCAddTranspose::GetCommandId() const { return 12; }

int CCAddTranspose::PrepareItem(CCAddEnvPtItem* item) {
    if (CCAddEnvPoint::PrepareItem(item) == 0) {
        return 0;
    }
    auto* mark = dynamic_cast<ECTranspose*>(item->GetChild());
    if (mark == nullptr) {
        return 1;
    }
    if (!Lasts(mark)) {
        mark->SetValue(Octave);
        mark->SetStyle(ECEnvPoint::StyleStep);
    } else if (item->GetAnchorList() == nullptr) {
        mark->SetValue(StartValue(mark->GetTransposeType(), mark->GetValue()));
        mark->SetStyle(ECEnvPoint::StyleStep);
        MakeEndPoint(item, mark)->SetValue(0.0f);
    }
    return 1;
}

} // namespace clavenor
