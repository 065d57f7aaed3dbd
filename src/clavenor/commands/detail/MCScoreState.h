#pragma once

#include "clavenor/commands/detail/MCEditJournal.h"

#include <memory>
#include <vector>

namespace clavenor {

class ECConductorStaff;
class ECStaff;
class MCStaffCache;

/// The state a score keeps beside its elements and that the measure commands bring up to
/// date after they moved material: the clef and key cache of every staff, and the positions
/// of the meter map and the clock times of the tempo map.
///
/// The caches are exchanged rather than rebuilt in place, so that a command whose batch
/// fails puts back the caches the staves had, without memory: SetAside (or the first
/// Rebuild) keeps them, Restore puts them back. Used on the owning thread, inside a batch.
class MCScoreState {
public:
    MCScoreState();
    ~MCScoreState();
    MCScoreState(const MCScoreState&) = delete;
    MCScoreState& operator=(const MCScoreState&) = delete;

    /// Gives every staff of `conductorStaff`'s staff table an empty cache while the score
    /// changes (adding a clef to a measure caches it, and a failed change would leave it
    /// there), keeping the caches they had. std::bad_alloc, with nothing changed, when
    /// memory is short.
    void SetAside(ECConductorStaff* conductorStaff);
    /// Builds a new cache for every staff of the table and puts them all in place; the
    /// caches set aside stay kept (those the staves had before the first Rebuild, when
    /// nothing was set aside). All or nothing: std::bad_alloc leaves every cache as it was.
    void Rebuild(ECConductorStaff* conductorStaff);
    /// Puts the kept caches back. Needs no memory; does nothing when none are kept.
    void Restore();
    /// Lets the kept caches go.
    void Forget();

    /// Recomputes the meter map's bar/pulse/tick positions and the tempo map's clock times
    /// (never creating a map). Needs no memory.
    static void RefreshMaps(ECConductorStaff* conductorStaff);

    /// A command's first run: forgets `journal`, sets the caches aside, runs `change`
    /// (which records its steps in `journal`), rebuilds the caches and refreshes the maps.
    /// A journal that cannot have changed a cache (MCEditJournal::CanChangeStaffCaches)
    /// gets the caches set aside back instead of a rebuild, which would walk every staff.
    /// All or nothing: when `change` or the rebuild throws, the journal is taken back and
    /// cleared and the caches restored before the exception goes on.
    template <class Change>
    void Record(MCEditJournal& journal, ECConductorStaff* conductorStaff, Change change) {
        journal.Clear();
        SetAside(conductorStaff);
        try {
            change();
            if (journal.CanChangeStaffCaches()) {
                Rebuild(conductorStaff);
            } else {
                Restore();
            }
        } catch (...) {
            journal.TakeBack();
            Restore();
            journal.Clear();
            RefreshMaps(conductorStaff);
            throw;
        }
        RefreshMaps(conductorStaff);
    }
    /// Makes `journal` again (`forward`) or takes it back, then rebuilds the caches (as
    /// Record, only where the journal can have changed them) and refreshes the maps; all or
    /// nothing as Record.
    void Replay(MCEditJournal& journal, bool forward, ECConductorStaff* conductorStaff);
    /// Takes back, within the batch, what Record or Replay did: the caches they replaced go
    /// back and `journal` runs the other way (`forward`: it was made again). Needs no memory.
    void Revert(MCEditJournal& journal, bool forward, ECConductorStaff* conductorStaff);

private:
    struct Kept {
        ECStaff* staff; // referenced
        std::unique_ptr<MCStaffCache> cache;
    };
    void Keep(ECConductorStaff* conductorStaff, std::vector<std::unique_ptr<MCStaffCache>>& fresh);

    std::vector<Kept> m_kept;
};

} // namespace clavenor
