#pragma once

#include "clavenor/commands/detail/MCEditJournal.h"
#include "clavenor/commands/detail/MCScoreState.h"
#include "clavenor/model/MCTime.h"

#include <vector>

namespace clavenor {

class CCBase;
class ECBase;
class ECConductor;
class ECConductorStaff;

/// The change of an edit command that moves elements in time or in the graph, kept step by
/// step so that it can be taken back and made again exactly: the journal's steps (times,
/// links, orders) and the durations the command set, which the journal does not keep. A
/// command's first Process records the change; a redo makes it again; the undo is a command
/// whose run takes the original's change back (TakeBackOf). The meter and tempo maps follow
/// every run, because a moved meter or tempo changes them; the staves' clef and key caches
/// every run that can have changed them (MCEditJournal::CanChangeStaffCaches).
///
/// One MCEditRun serves one command, on the owning thread, inside a batch.
class MCEditRun {
public:
    MCEditRun();
    /// Lets go of the journal first (it may hold the last references on removed material),
    /// then of the command it takes back.
    ~MCEditRun();
    MCEditRun(const MCEditRun&) = delete;
    MCEditRun& operator=(const MCEditRun&) = delete;

    /// Makes this run the take-back of `other`'s change; `owner` (other's command) is held
    /// by reference for as long as this run lives.
    void TakeBackOf(CCBase* owner, MCEditRun* other);
    bool IsTakeBack() const { return m_pOther != nullptr; }
    /// Whether a change was recorded and is in effect.
    bool IsInEffect() const { return m_bRecorded && m_bInEffect; }
    /// Whether the next Process makes a recorded change again rather than recording one.
    bool IsRedo() const { return m_bRecorded && !m_bInEffect; }

    /// Finds the conductor staff whose caches and maps follow the change (none is made).
    /// 0 for a take-back whose change is not in effect, else 1.
    int Prepare(ECConductor* conductor);

    /// Records the change (`change(*this)`, which makes its steps through Journal and
    /// SetDuration), makes it again, or takes the other's back. All or nothing:
    /// std::bad_alloc leaves the document as it was.
    template <class Change>
    void Process(Change change) {
        if (m_pOther != nullptr) {
            Run(*m_pOther, false);
        } else if (IsRedo()) {
            Run(*this, true);
        } else {
            Record([this, &change] { change(*this); });
        }
    }
    /// Takes back what the last Process did. Needs no memory.
    void Revert();

    MCEditJournal& Journal() { return m_journal; }

    /// The nearest element strictly above `element` (depth-first through the parents, in
    /// list order) whose event id is one of `ids`; null when there is none. Throws
    /// std::bad_alloc.
    static ECBase* FindAbove(ECBase* element, const int* ids, std::size_t count);
    /// For each of `ids`, what FindAbove finds for that id alone, in one walk: `found[i]` is
    /// the nearest element above `element` whose event id is `ids[i]`, or null. Throws
    /// std::bad_alloc.
    static void FindEachAbove(ECBase* element, const int* ids, ECBase** found, std::size_t count);
    /// The conductor staff among `conductor`'s children, or null; unlike the conductor's
    /// own accessor it never makes one.
    static ECConductorStaff* FindConductorStaff(ECBase* conductor);
    /// a - b on scalar times; zero when either is a bar/pulse/tick time.
    static MCTime Difference(const MCTime& a, const MCTime& b);
    /// Gives `element` the duration `duration`, recording the one it had; elements without
    /// a duration are passed.
    void SetDuration(ECBase* element, const MCTime& duration);

private:
    struct DurationChange {
        ECBase* element; // referenced
        MCTime duration; // the duration the element does not have now
    };

    template <class Body>
    void Record(Body body) {
        Clear();
        m_bRecorded = true;
        m_bInEffect = true;
        m_bLastRecorded = true;
        try {
            RecordSteps(body);
        } catch (...) {
            SwapDurations();
            Clear();
            throw;
        }
    }
    template <class Body>
    void RecordSteps(Body& body) {
        if (m_pConductorStaff != nullptr) {
            m_state.Record(m_journal, m_pConductorStaff, body);
        } else {
            try {
                body();
            } catch (...) {
                m_journal.TakeBack();
                throw;
            }
        }
    }
    // Makes `run`'s change again (`forward`) or takes it back, with the caches and maps.
    void Run(MCEditRun& run, bool forward);
    void SwapDurations();
    void Clear();

    MCEditJournal m_journal;
    MCScoreState m_state;
    std::vector<DurationChange> m_durations;
    ECConductorStaff* m_pConductorStaff = nullptr;
    CCBase* m_pOwner = nullptr; // referenced
    MCEditRun* m_pOther = nullptr;
    bool m_bRecorded = false;
    bool m_bInEffect = false;
    // Whether the last Process recorded the change (rather than replaying one).
    bool m_bLastRecorded = false;
};

} // namespace clavenor
