#pragma once

#include "clavenor/framework/Export.h"

namespace clavenor {

class ECBase;
class ECPerformance;
class ECTrack;

/// How the conductor and the conductor staff add the structure they create on first use
/// (the conductor staff, staves asked for by number, wave tracks, the tempo and meter maps):
/// through synchronous commands applied to the performance, so that the structure enters the
/// document exactly as if a user command had added it, with the host's command and state
/// handlers taking part. The command classes live above the elements; they install the two
/// functions here when the library loads.
///
/// Both return 1 when the command was dispatched (it has run when they return), 0 when no
/// command could be made or dispatched (no performance, nothing installed). Whether the
/// element arrived is for the caller to check: a handler may have refused the batch.
class CLAVENOR_API MCStructureCommands {
public:
    /// Inserts a track into the performance's conductor, as AddTrack.
    using AddTrackFunc = int (*)(ECPerformance* performance, ECTrack* track, int position);
    /// Adds a child under a parent, as AddChild.
    using AddChildFunc = int (*)(ECPerformance* performance, ECBase* child, ECBase* parent);

    /// Installs the functions (null uninstalls). Not locked: called while the library loads.
    static void Install(AddTrackFunc addTrack, AddChildFunc addChild);

    /// Inserts `track` into the performance's conductor at `position` (-1: after the last
    /// track of its kind), the way the track commands insert tracks.
    static int AddTrack(ECPerformance* performance, ECTrack* track, int position);
    /// Adds `child` under `parent`, sorted by time, the way the add command links elements.
    [[nodiscard]] static int AddChild(ECPerformance* performance, ECBase* child, ECBase* parent);

private:
    static AddTrackFunc s_pAddTrack;
    static AddChildFunc s_pAddChild;
};

} // namespace clavenor
