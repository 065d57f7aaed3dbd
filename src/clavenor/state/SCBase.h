#pragma once

#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

class ECPerformance;

/// A change record: a 24-bit code and, by subclass, the data of a change. Records travel
/// from the library or the host to the state handlers of a performance (see MCStateMgr).
///
/// Flags: bit 0 auto-delete (the manager deletes the record after delivery; set by the
/// constructors), bit 1 synchronous (delivered before Apply returns; clear by default).
/// A record with auto-delete cleared stays its creator's to delete after delivery.
/// Copying a record copies the flags, the code, the target and the subclass's fields.
class CLAVENOR_API SCBase {
public:
    /// Flag bit 0: the manager deletes the record after delivery.
    static constexpr std::uint32_t FlagAutoDelete = 0x1;
    /// Flag bit 1: delivered before Apply returns when applied on the owning thread.
    static constexpr std::uint32_t FlagSynchronous = 0x2;

    /// Code 0, auto-delete, asynchronous, no target.
    SCBase() = default;
    /// The low 24 bits of `code`, auto-delete, asynchronous, no target.
    explicit SCBase(int code) { SetCode(code); }
    ///@{
    /// Copies the flags, the code and the target (no reference is taken on the target).
    SCBase(const SCBase&) = default;
    SCBase& operator=(const SCBase&) = default;
    ///@}
    virtual ~SCBase();

    ///@{
    /// The synchronous and auto-delete flags (1 or 0); set them before Apply, never after:
    /// from then on the record may already be delivered and deleted.
    virtual int IsSynchronous() const { return (m_nFlags & FlagSynchronous) != 0 ? 1 : 0; }
    virtual void SetSynchronous(int on) { SetFlag(FlagSynchronous, on != 0); }
    virtual int IsAutoDelete() const { return (m_nFlags & FlagAutoDelete) != 0 ? 1 : 0; }
    virtual void SetAutoDelete(int on) { SetFlag(FlagAutoDelete, on != 0); }
    ///@}

    /// Hands the record to the state manager for `performance` (MCStateMgr::ApplyState).
    /// After this call an auto-delete record belongs to the manager: do not touch it again.
    virtual void Apply(ECPerformance* performance);

    /// Runs at delivery, before the handlers; the base does nothing.
    virtual void DoState();

    /// The record's code, 0 to 2^24 - 1: what the change was (the subclass says which codes
    /// it uses).
    int GetCode() const { return static_cast<int>(m_nFlags >> 8); }
    /// Stores the low 24 bits of `code`, keeping the flags.
    void SetCode(int code) {
        m_nFlags = (m_nFlags & 0xFFu) | ((static_cast<std::uint32_t>(code) & 0xFFFFFFu) << 8);
    }
    /// The performance the record is delivered to, or null; ApplyState sets it.
    ECPerformance* GetTarget() const { return m_pTarget; }
    /// Stores the target without a reference (ApplyState holds the performance while the
    /// record is in flight).
    void SetTarget(ECPerformance* target) { m_pTarget = target; }

private:
    void SetFlag(std::uint32_t mask, bool on) {
        m_nFlags = on ? (m_nFlags | mask) : (m_nFlags & ~mask);
    }

    std::uint32_t m_nFlags = FlagAutoDelete;
    ECPerformance* m_pTarget = nullptr;
};

} // namespace clavenor
