#include "clavenor/state/SCPrefs.h"

#include "clavenor/commands/MCCommandMgr.h"
#include "clavenor/state/SCSelection.h"
#include "clavenor/strings/Preferences.h"

namespace clavenor {

void SCPrefs::DoState() {
    if (GetCode() != CodeChanged) {
        return;
    }
    SCSelection::SetColor(
        static_cast<std::uint32_t>(LoadIntPreference("Settings\\Color", "Selection", 255)));
    MCCommandMgr::SetUndoLevels(LoadIntPreference("Settings", "UndoLevels", 10));
}

} // namespace clavenor
