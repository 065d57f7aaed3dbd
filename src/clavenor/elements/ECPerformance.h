#pragma once

#include "clavenor/commands/MCCommandMgr.h"
#include "clavenor/framework/CString.h"
#include "clavenor/model/ECWithTimeChild.h"
#include "clavenor/state/MCStateMgr.h"

#include <atomic>
#include <cstdint>
#include <mutex>

namespace clavenor {

class ECConductor;

/// The root of a document (event id 44). The host owns each performance: it creates it
/// with `new` (or the archive does) and deletes it on the owning thread of the message
/// queue (see CMessageQueue) when no other thread uses it any more. The destructor first
/// runs the commands and records still waiting for this performance, then releases the
/// whole graph (see ECBase on releasing graphs).
///
/// Dispatched commands and queued change records hold a reference on their performance
/// while they wait, so that its count shows the work still pending; giving those references
/// back never destroys the performance, which stays the host's to delete.
///
/// A performance embeds its command manager, its state manager and its lock. The lock is
/// recursive; every command batch and every Serialize of the performance holds it, so a
/// save never sees a half-executed command.
///
/// The document version decides which record layouts older documents are read with. The
/// host keeps the version in its own file framing; before loading it sets the version on
/// the performance it loads into and makes that performance the active one. Storing always
/// writes the current layout.
class ECPerformance : public ECWithTimeChild {
    DECLARE_SERIAL(ECPerformance)

public:
    /// The version GetActiveVersion answers when no performance is active: the current
    /// layout.
    static constexpr std::int32_t LatestLayout = 0x7FFFFFFF;

    /// The version of the layout this library writes: what a host records in its framing
    /// for a document it saves, and sets again before loading it.
    static constexpr std::int32_t WriteVersion = 4;

    ECPerformance();
    ~ECPerformance() override;

    /// Copies only the ECWithTimeChild part (not the managers, the lock, the version or the
    /// conductor).
    ECPerformance& operator=(const ECPerformance& other);
    /// Identity.
    bool operator==(const ECPerformance& other) const { return this == &other; }
    bool operator!=(const ECPerformance& other) const { return this != &other; }

    /// The ECWithTimeChild record, with the performance locked for the whole call. Loading
    /// finds the conductor afresh.
    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    /// A performance has no parent: appends nothing, returns 0.
    int GetParentTypes(CArray<int, int>& types) override;

    std::int32_t GetVersion() const { return m_nVersion; }
    void SetVersion(std::int32_t version) { m_nVersion = version; }

    /// Makes `performance` (or none, for null) the active one and returns the previous one.
    /// A process-wide value without a lock: set it from the host's owning thread. A
    /// performance that is destroyed while active stops being active.
    static ECPerformance* SetActivePerformance(ECPerformance* performance);
    static ECPerformance* GetActivePerformance();

    /// The active performance's version, or LatestLayout when none is active.
    static std::int32_t GetActiveVersion();

    /// The conductor: the first descendant with event id 15, found once and remembered
    /// while it stays a child of this performance; null when there is none (then the next
    /// call searches again).
    ECConductor* GetConductor();

    void Lock() { m_lock.lock(); }
    void Unlock() { m_lock.unlock(); }

    MCCommandMgr& GetCommandMgr() { return m_commandMgr; }
    MCStateMgr& GetStateMgr() { return m_stateMgr; }

    /// Command handlers run after those already added (see MCCommandMgr).
    void AddCommandHandler(MCCallback handler, void* userData);
    void RemoveCommandHandlers();
    void SetCommandRate(std::uint32_t rateMs);
    int Undo(int count);
    int Redo(int count);
    int GetUndoIndex() const;
    void SetUndoIndex(int index);
    int GetUndoCount() const;
    int ClearUndo();
    int GetUndoString(CString& text, int index);
    int GetRedoString(CString& text, int index);
    void AddStateHandler(MCCallback handler, void* userData);
    void RemoveStateHandlers();

    /// Counts messages posted for this performance and not yet run (the managers use it, so
    /// that destruction can run them first).
    void NotePosted(int delta) { m_nPosted.fetch_add(delta, std::memory_order_relaxed); }

private:
    std::int32_t m_nVersion = 0;
    std::recursive_mutex m_lock;
    MCCommandMgr m_commandMgr;
    MCStateMgr m_stateMgr;
    ECConductor* m_pConductor = nullptr;
    // Other threads count the hand-overs they post.
    std::atomic<int> m_nPosted{0};
};

} // namespace clavenor
