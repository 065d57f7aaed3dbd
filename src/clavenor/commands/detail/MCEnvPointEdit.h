#pragma once

#include "clavenor/commands/detail/MCEditJournal.h"

#include <memory>
#include <vector>

namespace clavenor {

class CCBase;
class ECEnvPoint;
class ECEnvelope;
class MCEventList;

/// The change an envelope point command makes, recorded step by step so that its undo (a
/// command that takes the record back) and its redo (Process once more) give back exact
/// bytes: the points linked and unlinked and the times moved (an MCEditJournal), the anchor
/// groups added and removed at their places in the envelope's group list, and the anchor
/// flags given to points. Tempo maps whose marks changed get their clock times recomputed
/// after every run.
///
/// One MCEnvPointEdit serves one command, on the owning thread, inside a batch. Recording may
/// need memory; taking back and making again need none.
class MCEnvPointEdit {
public:
    MCEnvPointEdit();
    /// Lets go of the record first (removed material that nothing else can put back is taken
    /// apart), then of the command held by a take-back.
    ~MCEnvPointEdit();
    MCEnvPointEdit(const MCEnvPointEdit&) = delete;
    MCEnvPointEdit& operator=(const MCEnvPointEdit&) = delete;

    /// Makes this edit the take-back of `other`'s change; `owner` (other's command) is held
    /// by reference for as long as this edit lives.
    void TakeBackOf(CCBase* owner, MCEnvPointEdit* other);
    bool IsTakeBack() const { return m_pOther != nullptr; }
    /// Whether a first run succeeded. Its record may be empty (the points had gone with an
    /// earlier command of the batch); its redo replays that nothing all the same, where a
    /// fresh run would refuse points that are not in their envelopes.
    bool IsRecorded() const { return m_bRecorded; }
    /// Whether a change is recorded and in effect (what an undo takes back).
    bool IsInEffect() const { return IsRecorded() && m_bInEffect; }
    /// Whether the next Process replays rather than records: a take-back, or a redo.
    bool Replays() const { return m_pOther != nullptr || (IsRecorded() && !m_bInEffect); }

    // Recording, inside the `change` of Process. Each step is recorded before the document
    // changes, so one that throws std::bad_alloc has changed nothing.

    /// Links `point` into `envelope`: false, nothing changed, when the envelope refuses it
    /// (a point at its time, or it is a point there already).
    bool Link(ECEnvelope* envelope, ECEnvPoint* point);
    /// Takes `point` out of every parent it has, and the mirrors that show it out of theirs.
    void Withdraw(ECEnvPoint* point);
    /// Gives `point` the time `time`.
    void SetTime(ECEnvPoint* point, const MCTime& time);
    /// Sets the anchor and anchor-head flags of `point`.
    void SetAnchorFlags(ECEnvPoint* point, int anchor, int head);
    /// Appends a group holding `points` to `envelope`'s anchor groups; false, nothing
    /// changed, when the envelope refuses it (a point that is not one of its own).
    bool AddGroup(ECEnvelope* envelope, MCEventList* points);
    /// Takes `group` out of `envelope`'s anchor groups (kept, to be put back in its place).
    void RemoveGroup(ECEnvelope* envelope, MCEventList* group);

    /// Makes the change: a take-back takes the other's record back, a redo makes the
    /// recorded change again, a first run forgets any record and runs `change(*this)`, which
    /// records its steps and returns whether it succeeded. All or nothing: when `change`
    /// fails or throws, what it recorded is taken back and forgotten (the exception goes
    /// on). Returns 1, or 0 when `change` failed.
    template <class Change>
    int Process(Change change) {
        if (Replays()) {
            Replay(m_pOther != nullptr ? m_pOther : this, m_pOther == nullptr);
            return 1;
        }
        Clear();
        bool done = false;
        try {
            done = change(*this);
        } catch (...) {
            Forget();
            throw;
        }
        if (!done) {
            Forget();
            return 0;
        }
        Refresh();
        m_bRecorded = true;
        return 1;
    }
    /// Takes back what the last Process did. Needs no memory.
    void Revert();

private:
    // An anchor group added (inserted in effect) or removed; the edit owns it while it is out.
    struct GroupChange {
        ECEnvelope* envelope; // referenced
        MCEventList* group;
        std::unique_ptr<MCEventList> detached;
        int index;
        bool insertedInEffect;
    };
    struct FlagChange {
        ECEnvPoint* point; // referenced
        int anchor;        // the flags the point does not have now
        int head;
    };
    enum class Kind : std::uint8_t { Group, Flags };
    struct Step {
        Kind kind;
        std::size_t entry;
    };

    static void Replay(MCEnvPointEdit* edit, bool forward);
    void Run(bool forward);
    void ToggleGroup(GroupChange& change, bool forward);
    static void SwapFlags(FlagChange& change);
    void Touch(ECEnvelope* envelope);
    // Recomputes the clock times of the tempo maps the record touched.
    void Refresh() const;
    // Takes back and forgets a failed first run.
    void Forget();
    void Clear();

    MCEditJournal m_journal;
    std::vector<Step> m_steps;
    std::vector<GroupChange> m_groups;
    std::vector<FlagChange> m_flags;
    std::vector<ECEnvelope*> m_touched; // referenced
    bool m_bInEffect = true;
    bool m_bRecorded = false;
    CCBase* m_pOwner = nullptr; // referenced
    MCEnvPointEdit* m_pOther = nullptr;
};

} // namespace clavenor
