#pragma once

#include "clavenor/commands/CCAddItem.h"
#include "clavenor/fields/FCMidiSysEx.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

/// One element to link, with the system-exclusive message that travels beside it.
class CLAVENOR_API CCAddSysExItem : public CCAddItem {
public:
    CCAddSysExItem(ECBase* child, ECBase* parent, const FCMidi& data);
    ~CCAddSysExItem() override;

    /// The system-exclusive message.
    FCMidi& GetMidiData() override { return m_sysEx; }
    /// Makes the message that of `data` when it is a system-exclusive message; any other
    /// value empties it. std::bad_alloc, nothing changed, when memory is short.
    void SetMidiData(const FCMidi& data) override;
    using CCAddItem::SetMidiData;

    FCMidiSysEx& GetSysEx() { return m_sysEx; }

private:
    FCMidiSysEx m_sysEx;
};

} // namespace clavenor
