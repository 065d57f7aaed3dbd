#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/state/SCBase.h"

namespace clavenor {

/// Preferences changed (code 1600). Delivering a 1600 record first reloads the settings
/// the library keeps from the preferences: the selection colour ("Settings\Color" /
/// "Selection", default 255) and the undo limit ("Settings" / "UndoLevels", default 10),
/// before any handler runs.
class CLAVENOR_API SCPrefs : public SCBase {
public:
    /// The preferences changed; delivering it reloads the library's settings.
    static constexpr int CodeChanged = 1600;

    /// An asynchronous record of `code`; only CodeChanged reloads settings.
    explicit SCPrefs(int code = CodeChanged) : SCBase(code) {}

    void DoState() override;
};

} // namespace clavenor
