#include "clavenor/commands/CCAddSysExItem.h"

namespace clavenor {

CCAddSysExItem::CCAddSysExItem(ECBase* child, ECBase* parent, const FCMidi& data)
    : CCAddItem(child, parent, FCMidi::MidiNull()) {
    SetMidiData(data);
}

CCAddSysExItem::~CCAddSysExItem() = default;

void CCAddSysExItem::SetMidiData(const FCMidi& data) {
    if (const auto* sysEx = dynamic_cast<const FCMidiSysEx*>(&data)) {
        m_sysEx = *sysEx;
    } else {
        m_sysEx = FCMidiSysEx();
    }
}

} // namespace clavenor
