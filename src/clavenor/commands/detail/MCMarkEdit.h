#pragma once

#include "clavenor/commands/CCMarkInfo.h"
#include "clavenor/commands/detail/MCEditJournal.h"
#include "clavenor/commands/detail/MCScoreState.h"

#include <array>
#include <memory>

namespace clavenor {

class CCBase;
class ECConductor;
class ECConductorStaff;
class ECStaff;

/// The work the key and clef commands share: their three records (the element added or
/// removed, the neighbour before it and the one after it), the search for the neighbours,
/// and the change itself, recorded step by step so that the command's undo (a command that
/// takes the journal back) and its redo (Process once more) give back exact bytes.
///
/// One MCMarkEdit serves one command, on the owning thread, inside a batch.
class MCMarkEdit {
public:
    /// For clefs (event id 14) or keys (29).
    explicit MCMarkEdit(int eventId);
    ~MCMarkEdit();
    MCMarkEdit(const MCMarkEdit&) = delete;
    MCMarkEdit& operator=(const MCMarkEdit&) = delete;

    int GetEventId() const { return m_nEventId; }
    /// Record `index` (0, 1 or 2), or null.
    CCMarkInfo* GetInfo(int index) const;
    /// Makes record 0 for `element` in `measure` (null: the measure it sits in), its remove
    /// flag `remove`. False, changing nothing, when there is one already or `element` is not
    /// of this kind.
    bool SetSubject(ECBase* element, ECBase* measure, int remove);

    /// Makes this edit the take-back of `other`'s change; `owner` (other's command) is held
    /// by reference for as long as this edit lives.
    void TakeBackOf(CCBase* owner, MCMarkEdit* other);
    bool IsTakeBack() const { return m_pOther != nullptr; }
    /// Whether a change is recorded and in effect (what an undo takes back).
    bool IsInEffect() const { return !m_journal.IsEmpty() && m_journal.IsInEffect(); }

    /// Finds the neighbours of record 0 (`adding` the element, or removing it); a flag is set
    /// only when `canUndo`. On a take-back or a redo nothing is searched. 0 when there is
    /// nothing to take back, no conductor staff, or record 0's measure is under no staff.
    [[nodiscard]] int Prepare(ECConductor* conductor, bool adding, bool canUndo);
    /// Makes the change: the flagged neighbours leave their measures (their mirrors with
    /// them), then `change(journal)` records the command's own steps. A redo makes the
    /// recorded change again, a take-back takes the other's back. The staves' caches are
    /// rebuilt. All or nothing (std::bad_alloc changes nothing).
    template <class Change>
    void Process(Change change) {
        if (m_pOther != nullptr) {
            m_state.Replay(m_pOther->m_journal, false, m_pConductorStaff);
        } else if (!m_journal.IsEmpty() && !m_journal.IsInEffect()) {
            m_state.Replay(m_journal, true, m_pConductorStaff);
        } else {
            m_state.Record(m_journal, m_pConductorStaff, [this, &change] {
                WithdrawNeighbours();
                change(m_journal);
            });
        }
    }
    /// Takes back what the last Process did. Needs no memory.
    void Revert();

    /// Records that `element` leaves every parent it has and that the mirrors showing it
    /// stop showing it and leave theirs.
    static void Withdraw(MCEditJournal& journal, ECBase* element);

private:
    void WithdrawNeighbours();
    std::uint8_t HandOf(ECBase* element) const;
    bool Equal(ECBase* a, ECBase* b) const;
    ECBase* AtTime(ECStaff* staff, const MCTime& time, std::uint8_t hand) const;
    ECBase* BeforeTime(ECStaff* staff, const MCTime& time, std::uint8_t hand) const;
    // The first element of this kind and `hand` under `staff`'s measures whose time is
    // `from` or later (later only, unless `atFrom`), other than the ones given.
    ECBase* Next(ECStaff* staff, const MCTime& from, bool atFrom, std::uint8_t hand, ECBase* skip1,
                 ECBase* skip2) const;
    std::unique_ptr<CCMarkInfo> MakeInfo(ECBase* element, ECBase* measure) const;

    int m_nEventId;
    std::array<std::unique_ptr<CCMarkInfo>, 3> m_info;
    MCEditJournal m_journal;
    MCScoreState m_state;
    ECConductorStaff* m_pConductorStaff = nullptr;
    CCBase* m_pOwner = nullptr; // referenced
    MCMarkEdit* m_pOther = nullptr;
};

} // namespace clavenor
