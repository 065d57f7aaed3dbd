#pragma once

#include "clavenor/commands/CCAdd.h"
#include "clavenor/commands/CCAddSysExItem.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

/// Links system-exclusive events under their parents as CCAdd does; each item carries the
/// event's message (an FCMidiSysEx), which the command does not read. Undone as CCAdd.
class CLAVENOR_API CCAddSysEx : public CCAdd {
    DECLARE_SERIAL(CCAddSysEx)

public:
    CCAddSysEx();
    /// A command with one item.
    CCAddSysEx(ECBase* child, ECBase* parent, const FCMidi& data);
    ~CCAddSysEx() override;

    int GetCommandId() const override;

    /// Appends a CCAddSysExItem keeping `data` as its message (when it is one) and returns
    /// it; null, changing nothing, for a null child or parent.
    CCAddItem* Add(ECBase* child, ECBase* parent, const FCMidi& data) override;
};

} // namespace clavenor
