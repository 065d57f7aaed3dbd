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
    static constexpr int FirstMode = 1500;
    static constexpr int LastMode = 1503;
    /// The mode in which GetEvent supplies an element.
    static constexpr int EventMode = 1502;

    using EventFunc = ECBase* (*)(void* data);

    explicit SCMode(int code = FirstMode) : SCBase(code) { SetSynchronous(1); }

    /// A code of 1500 to 1503 becomes the current mode; other codes change nothing.
    void DoState() override;

    static int GetMode();
    static void SetMode(int mode);
    /// An event id the host associates with the mode; -1 for none.
    static int GetEventType();
    static void SetEventType(int eventType);
    static void SetEventFunc(EventFunc function, void* data);
    /// The element the event function gives in mode 1502; null in any other mode or
    /// without a function.
    static ECBase* GetEvent();
};

} // namespace clavenor
