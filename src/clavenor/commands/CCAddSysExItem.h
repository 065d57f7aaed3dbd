#pragma once

#include "clavenor/commands/CCAddItem.h"
#include "clavenor/fields/FCMidiSysEx.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

/// One element to link, with the system-exclusive message that travels beside it.
class CLAVENOR_API CCAddSysExItem : public CCAddItem {
public:
    /// As CCAddItem(child, parent, data), the message taken from `data` as SetMidiData takes it.
    /// Throws std::bad_alloc.
    CCAddSysExItem(ECBase* child, ECBase* parent, const FCMidi& data);
    ~CCAddSysExItem() override;

    /// The system-exclusive message.
    FCMidi& GetMidiData() override { return m_sysEx; }
    /// Makes the message that of `data` when it is a system-exclusive message; any other
    /// value empties it. std::bad_alloc, nothing changed, when memory is short.
    void SetMidiData(const FCMidi& data) override;
    /// The word form: SetMidiData(FCMidi(word)).
    using CCAddItem::SetMidiData;

    /// The message as its own class, the item's own object.
    FCMidiSysEx& GetSysEx() { return m_sysEx; }

private:
    FCMidiSysEx m_sysEx;
};

} // namespace clavenor
