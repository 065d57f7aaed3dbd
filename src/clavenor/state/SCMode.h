#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/state/SCBase.h"

namespace clavenor {

class ECBase;

/// The host's edit mode (codes 1500 to 1503), kept in process-wide settings that a delivered
/// record updates. Delivered synchronously. The settings are read and written on the owning
/// thread.
class CLAVENOR_API SCMode : public SCBase {
public:
    /// The lowest mode code.
    static constexpr int FirstMode = 1500;
    /// The highest mode code.
    static constexpr int LastMode = 1503;
    /// The mode in which GetEvent supplies an element.
    static constexpr int EventMode = 1502;

    /// The host's function that supplies the element of EventMode, called with its data.
    using EventFunc = ECBase* (*)(void* data);

    /// A synchronous record of mode `code`.
    explicit SCMode(int code = FirstMode) : SCBase(code) { SetSynchronous(1); }

    /// A code of 1500 to 1503 becomes the current mode; other codes change nothing.
    void DoState() override;

    /// The current mode; 1500 at start.
    static int GetMode();
    /// Sets the current mode directly, any value, without a record (no handler is told).
    static void SetMode(int mode);
    /// An event id the host associates with the mode; -1 for none.
    static int GetEventType();
    /// Stores the mode's event id (any value; -1 for none).
    static void SetEventType(int eventType);
    /// Stores the function (null: none) and the data it is called with; the library keeps
    /// no ownership of the data.
    static void SetEventFunc(EventFunc function, void* data);
    /// The element the event function gives in mode 1502; null in any other mode or
    /// without a function.
    static ECBase* GetEvent();
};

} // namespace clavenor
