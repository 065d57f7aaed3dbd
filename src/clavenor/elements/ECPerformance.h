#pragma once

#include "clavenor/framework/CString.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/ECWithTimeChild.h"
#include "clavenor/model/MCFuncList.h"

#include <cstdint>
#include <memory>
#include <mutex>

namespace clavenor {

class ECConductor;
class MCCommandMgr;
class MCStateMgr;

/// The root of a document (event id 44). The host owns each performance: it creates it
/// with `new` (or the archive does) and deletes it on the owning thread of the message
/// queue (see CMessageQueue) when no other thread uses it any more.
///
/// Dispatched commands and queued change records hold a reference on their performance
/// while they wait, so that its count shows the work still pending; giving those references
/// back never destroys the performance, which stays the host's to delete.
///
/// A performance owns its command manager, its state manager and its lock. The managers are
/// built on the document, so this header knows them only by name: include
/// commands/MCCommandMgr.h or state/MCStateMgr.h (or clavenor.h) to use GetCommandMgr or
/// GetStateMgr, and the forwarding calls below work without either. The lock is recursive;
/// every command batch and every Serialize of the performance holds it, so a save never sees
/// a half-executed command.
///
/// The document version decides which record layouts older documents are read with. The
/// host keeps the version in its own file framing; before loading it sets the version on
/// the performance it loads into and makes that performance the active one. Storing always
/// writes the current layout.
class CLAVENOR_API ECPerformance : public ECWithTimeChild {
    DECLARE_SERIAL(ECPerformance)

public:
    /// The version GetActiveVersion answers when no performance is active: the current
    /// layout.
    static constexpr std::int32_t LatestLayout = 0x7FFFFFFF;

    /// The version of the layout this library writes: what a host records in its framing
    /// for a document it saves, and sets again before loading it.
    static constexpr std::int32_t WriteVersion = 4;

    ECPerformance();
    /// Runs the commands and change records still waiting in the message queue for this
    /// performance (the batching timer's too), and only those: work queued for other
    /// documents, and the host's own functions, stay queued for the host's next pump. A
    /// handler's exception there is swallowed (a destructor cannot pass it on) and the rest
    /// still runs. Then removes the handlers, clears the undo history and releases the whole
    /// graph (see ECBase on releasing graphs). On a thread other than the owning one nothing
    /// queued can run, and none must be waiting.
    ~ECPerformance() override;

    /// Copies only the ECWithTimeChild part (not the managers, the lock, the version or the
    /// conductor).
    ECPerformance& operator=(const ECPerformance& other);
    /// Identity.
    bool operator==(const ECPerformance& other) const { return this == &other; }
    /// The negation of ==.
    bool operator!=(const ECPerformance& other) const { return this != &other; }

    /// The ECWithTimeChild record, with the performance locked for the whole call. Loading
    /// finds the conductor afresh.
    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    /// A performance has no parent: appends nothing, returns 0.
    int GetParentTypes(CArray<int, int>& types) override;

    /// The document version older layouts are read with (see the class comment); 0 for a
    /// new performance.
    std::int32_t GetVersion() const { return m_nVersion; }
    /// Sets the document version before loading (stored as given; storing ignores it).
    void SetVersion(std::int32_t version) { m_nVersion = version; }

    /// Makes `performance` (or none, for null) the active one and returns the previous one.
    /// A process-wide value without a lock: set it from the host's owning thread. A
    /// performance that is destroyed while active stops being active.
    static ECPerformance* SetActivePerformance(ECPerformance* performance);
    /// The active performance, or null.
    static ECPerformance* GetActivePerformance();

    /// The active performance's version, or LatestLayout when none is active.
    static std::int32_t GetActiveVersion();

    /// The conductor: the first descendant with event id 15, found once and remembered
    /// while it stays a child of this performance; null when there is none (then the next
    /// call searches again).
    ECConductor* GetConductor();

    /// Takes the performance's recursive lock, waiting for another thread's command batch or
    /// save to end; pair each call with Unlock on the same thread.
    void Lock() { m_lock.lock(); }
    /// Gives back one Lock of the calling thread.
    void Unlock() { m_lock.unlock(); }

    /// The performance's own command manager; valid while the performance lives.
    MCCommandMgr& GetCommandMgr() { return *m_pCommandMgr; }
    /// The performance's own state manager; valid while the performance lives.
    MCStateMgr& GetStateMgr() { return *m_pStateMgr; }

    ///@{
    /// The document's calls to its managers. They are defined with the managers
    /// (MCCommandMgr.cpp, MCStateMgr.cpp), which are built on the document. Command handlers
    /// run after those already added (see MCCommandMgr).
    /// Each is the same call of GetCommandMgr() or GetStateMgr(), with its contract.
    void AddCommandHandler(MCCallback handler, void* userData);
    void RemoveCommandHandlers();
    void SetCommandRate(std::uint32_t rateMs);
    [[nodiscard]] int Undo(int count);
    [[nodiscard]] int Redo(int count);
    int GetUndoIndex() const;
    void SetUndoIndex(int index);
    int GetUndoCount() const;
    int ClearUndo();
    int GetUndoString(CString& text, int index);
    int GetRedoString(CString& text, int index);
    void AddStateHandler(MCCallback handler, void* userData);
    void RemoveStateHandlers();
    ///@}

private:
    // Made and destroyed by the managers' own sources, like the forwarding calls.
    struct ManagerDeleter {
        void operator()(MCCommandMgr* manager) const;
        void operator()(MCStateMgr* manager) const;
    };
    using CommandMgrPtr = std::unique_ptr<MCCommandMgr, ManagerDeleter>;
    using StateMgrPtr = std::unique_ptr<MCStateMgr, ManagerDeleter>;
    static CommandMgrPtr MakeCommandMgr(ECPerformance* owner);
    static StateMgrPtr MakeStateMgr(ECPerformance* owner);

    std::int32_t m_nVersion = 0;
    std::recursive_mutex m_lock;
    CommandMgrPtr m_pCommandMgr;
    StateMgrPtr m_pStateMgr;
    ECConductor* m_pConductor = nullptr;
};

} // namespace clavenor
