#pragma once

#include "clavenor/framework/CObject.h"
#include "clavenor/framework/Export.h"

#include <cstdint>
#include <memory>

namespace clavenor {

class ECBase;
class ECConductor;
class ECPerformance;
class MCEventList;

/// The base of every command: a unit of change to a document that the command manager runs
/// through prepare, process and finish on the owning thread, records for undo and reports
/// to the host (see MCCommandMgr).
///
/// Flags: bit 0 synchronous (dispatch by sending: the command has run when Apply returns),
/// bit 1 can-undo (set by the constructor), bits 2 and 3 in-undo-group and in-notify-group
/// (stamped by the manager at dispatch), bits 12-15 the phase the manager last ran (0
/// prepared, 1 processed, 2 finished). The reference count is kept apart.
///
/// Reference counting: a new command has count 0. The dispatch, each command list holding
/// it, the undo entry and the change record each hold one reference; the command deletes
/// itself when Unref(1) leaves the count at 0. A host that keeps a command after applying it
/// takes its own reference first.
///
/// Threads: commands that name elements are built, applied and released on the owning
/// thread (another thread hands that work over with RunOnOwnerThread or PostToOwnerThread,
/// see CMessageQueue). A command that holds no element may be made on another thread and
/// applied from there; once applied it belongs to the owning thread, and its maker must not
/// touch it again.
///
/// A command changes the document only in Process, under the performance's lock, on the
/// owning thread; it undoes itself by building and applying the inverse command.
class CLAVENOR_API CCBase : public CObject {
    DECLARE_SERIAL(CCBase)

public:
    ///@{
    /// The flag bits: synchronous, can-undo, in-undo-group, in-notify-group (see the class
    /// comment for who sets each).
    static constexpr std::uint32_t FlagSynchronous = 0x1;
    static constexpr std::uint32_t FlagCanUndo = 0x2;
    static constexpr std::uint32_t FlagInUndoGroup = 0x4;
    static constexpr std::uint32_t FlagInNotifyGroup = 0x8;
    ///@}

    ///@{
    /// The phases of GetCommandPhase: the last of Prepare, Process and Finish that has run.
    static constexpr int PhasePrepared = 0;
    static constexpr int PhaseProcessed = 1;
    static constexpr int PhaseFinished = 2;
    ///@}

    /// A command with count 0, can-undo set, no target and no discard list.
    CCBase();
    /// Deletes the discard list (the elements in it are released, not otherwise touched).
    ~CCBase() override;
    ///@{
    /// Not copyable: commands are shared by reference count (Ref, Unref), never copied.
    CCBase(const CCBase&) = delete;
    CCBase& operator=(const CCBase&) = delete;
    ///@}

    /// The class's command id (15 for the base); each concrete command answers its own,
    /// fixed for the life of the object. Hosts and handlers filter by it.
    virtual int GetCommandId() const;

    /// Dispatches the command to `performance` (MCCommandMgr::ApplyCommand). Returns 0 and
    /// does nothing for a null performance.
    [[nodiscard]] virtual int Apply(ECPerformance* performance);

    /// Caches the target's conductor; 0 (the batch aborts) when there is none.
    [[nodiscard]] virtual int Prepare();
    /// Unlinks the elements of the discard list; returns 1.
    virtual int Process();
    /// The last phase, after every command of the batch has processed; 0 aborts the batch.
    /// The base returns 1.
    [[nodiscard]] virtual int Finish();
    /// Called when this command's phase failed; the base does nothing.
    virtual void Abort();
    /// Builds and applies the inverse command; the base does nothing. Failures of the
    /// inverse show as the failure of its batch (see MCCommandMgr::FailureWatch), and
    /// exceptions pass on.
    virtual void Undo();
    /// Takes back what this command's last Process changed, when its batch fails after it
    /// was processed (a later command or a handler failed). Runs inside the batch, under the
    /// lock, without handlers; should need no memory, and an exception it throws is
    /// swallowed (what it could not take back stays). The base does nothing, so a command
    /// that does not override it leaves its change in place.
    virtual void Revert();
    /// Called once this command's batch has committed: every command of it finished and the
    /// batch will not be taken back, so Revert is not called for this Process any more. A
    /// batch that a handler or a command dispatches inside another is a batch of its own:
    /// it commits on its own, and the outer batch's failure takes back only the outer
    /// batch's commands, so this is called for the inner commands at the inner commit and
    /// for the outer ones only at the outer commit. Lets a command give back what only Revert
    /// needs while the history keeps it. Runs on the owning thread, under the lock, before
    /// the command joins its undo entry and change record (and before either goes out);
    /// must need no memory and should not throw (an exception is swallowed). Not called for
    /// a batch that fails, nor for an undo or redo that runs no batch. The base does
    /// nothing.
    virtual void Committed();

    ///@{
    /// The flag bits (1 or 0 read; bit 0 of `on` written). Set synchronous and can-undo
    /// before Apply; the group bits are the manager's, stamped at dispatch, and a host only
    /// reads them. No notification.
    int IsSynchronous() const { return (m_nFlags & FlagSynchronous) != 0 ? 1 : 0; }
    void SetSynchronous(int on) { SetFlag(FlagSynchronous, on != 0); }
    int CanUndo() const { return (m_nFlags & FlagCanUndo) != 0 ? 1 : 0; }
    void SetCanUndo(int on) { SetFlag(FlagCanUndo, on != 0); }
    int IsInUndoGroup() const { return (m_nFlags & FlagInUndoGroup) != 0 ? 1 : 0; }
    void SetInUndoGroup(int on) { SetFlag(FlagInUndoGroup, on != 0); }
    int IsInNotifyGroup() const { return (m_nFlags & FlagInNotifyGroup) != 0 ? 1 : 0; }
    void SetInNotifyGroup(int on) { SetFlag(FlagInNotifyGroup, on != 0); }
    ///@}
    ///@{
    /// The phase the manager last ran (PhasePrepared, PhaseProcessed, PhaseFinished); the
    /// manager sets it, a host only reads it.
    int GetCommandPhase() const { return static_cast<int>((m_nFlags >> 12) & 0xF); }
    void SetCommandPhase(int phase) {
        m_nFlags = (m_nFlags & ~0xF000u) | ((static_cast<std::uint32_t>(phase) & 0xF) << 12);
    }
    ///@}
    /// The whole flag word (see the class comment); the reference count is kept apart.
    std::uint32_t GetFlags() const { return m_nFlags; }

    /// Adds one reference and returns the new count (its low 16 bits).
    std::uint16_t Ref();
    /// Removes one reference (never below 0); with `destroy` non-zero and the count at 0 the
    /// command deletes itself and 0 is returned.
    std::uint16_t Unref(int destroy);
    /// The reference count's low 16 bits.
    std::uint16_t GetRefCount() const { return static_cast<std::uint16_t>(m_nRefCount); }

    /// The performance the command was applied to, or null before Apply.
    ECPerformance* GetTarget() const { return m_pTarget; }
    /// Stores the target without a reference; the manager sets it at dispatch, and the
    /// dispatch holds the performance while the command runs.
    void SetTarget(ECPerformance* target) { m_pTarget = target; }
    /// The target's conductor as Prepare cached it; null before Prepare.
    ECConductor* GetConductor() const { return m_pConductor; }

    /// Elements to unlink in Process; null until the first Discard.
    MCEventList* GetDiscardList() const { return m_pDiscardList.get(); }
    /// Appends the element to the discard list unless it is already there (taking a
    /// reference through the list).
    void Discard(ECBase* element);
    /// Discard for each element of `elements` in order; null adds nothing.
    void Discard(MCEventList* elements);

protected:
    /// Applies an undo's opposite command to this command's target, synchronous as this one
    /// is. The dispatch owns `inverse` from then on and gives it back whatever happens; one
    /// refused before dispatch is deleted here. Not recorded for undo, like every inverse.
    void ApplyInverse(std::unique_ptr<CCBase> inverse);

    /// For each element of the discard list, in order: holds it, detaches it from every
    /// parent and its children from it (not deeper), releases it. Then drops the list.
    void ProcessDiscardList();

    /// Sets (`on`) or clears the bits of `mask`; nothing else changes.
    void SetFlag(std::uint32_t mask, bool on) {
        m_nFlags = on ? (m_nFlags | mask) : (m_nFlags & ~mask);
    }

    /// The conductor Prepare cached (see GetConductor); derived commands read it in Process.
    ECConductor* m_pConductor = nullptr;

private:
    std::uint32_t m_nFlags = FlagCanUndo;
    // Kept in 32 bits like an element's, so that many holders never wrap it to 0.
    std::uint32_t m_nRefCount = 0;
    std::unique_ptr<MCEventList> m_pDiscardList;
    ECPerformance* m_pTarget = nullptr;
};

} // namespace clavenor
