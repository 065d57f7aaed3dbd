#pragma once

#include "clavenor/commands/CCMeterInfo.h"
#include "clavenor/commands/detail/MCEditJournal.h"
#include "clavenor/commands/detail/MCScoreState.h"

#include <array>
#include <memory>

namespace clavenor {

class CCBase;
class ECConductor;
class ECConductorStaff;
class ECMeter;

/// The work the meter commands share: their three records (the meter added or removed, the
/// one in force before it, the one following it), and the change itself (the meter map,
/// the re-barring of the measures the changed meter governs, the re-filing of what they
/// hold), recorded step by step so that the command's undo (a command that takes the journal
/// back) and its redo (Process once more) give back exact bytes.
///
/// One MCMeterEdit serves one command, on the owning thread, inside a batch.
class MCMeterEdit {
public:
    MCMeterEdit();
    ~MCMeterEdit();
    MCMeterEdit(const MCMeterEdit&) = delete;
    MCMeterEdit& operator=(const MCMeterEdit&) = delete;

    /// Record `index` (0, 1 or 2), or null.
    CCMeterInfo* GetInfo(int index) const;
    /// Makes record 0 for `element` (flag `flag`). False, changing nothing, when there is
    /// one already or `element` is not a meter.
    bool SetSubject(ECBase* element, int flag);

    /// Makes this edit the take-back of `other`'s change; `owner` (other's command) is held
    /// by reference for as long as this edit lives.
    void TakeBackOf(CCBase* owner, MCMeterEdit* other);
    bool IsTakeBack() const { return m_pOther != nullptr; }
    bool IsInEffect() const { return !m_journal.IsEmpty() && m_journal.IsInEffect(); }

    ECConductorStaff* GetConductorStaff() const { return m_pConductorStaff; }
    int GetFirstAddedMeasure() const { return m_nFirstAdded; }
    int GetAddedMeasureCount() const { return m_nAddedCount; }

    /// Finds the neighbours of record 0 (`adding` the meter, or removing it). 0 (the batch
    /// aborts) without a conductor staff or meter map, when there is nothing to take back,
    /// and, removing, when the meter is not in the map or no meter precedes it.
    [[nodiscard]] int Prepare(ECConductor* conductor, bool adding);
    /// Makes the change (or a redo of it, or the take-back of the other's), then rebuilds
    /// the staves' caches and the map positions. All or nothing (std::bad_alloc changes
    /// nothing).
    void Process(ECConductor* conductor, bool adding);
    /// Takes back what the last Process did. Needs no memory.
    void Revert();

private:
    void DoAdd(ECConductor* conductor);
    void DoRemove(ECConductor* conductor);
    // Gives the measures from `from` to `scopeEnd` (the span a meter of `oldLength`
    // governed) the length `newLength`, moving what lies at or after the scope end by the
    // difference; returns the scope end as it then is.
    MCTime Rebar(ECConductor* conductor, const MCTime& from, const MCTime& scopeEnd,
                 float oldLength, float newLength);
    void Refile(ECConductor* conductor, const MCTime& from, const MCTime& to, bool reverse);

    std::array<std::unique_ptr<CCMeterInfo>, 3> m_info;
    MCEditJournal m_journal;
    MCScoreState m_state;
    ECConductorStaff* m_pConductorStaff = nullptr;
    int m_nFirstAdded = -1;
    int m_nAddedCount = 0;
    CCBase* m_pOwner = nullptr; // referenced
    MCMeterEdit* m_pOther = nullptr;
};

} // namespace clavenor
