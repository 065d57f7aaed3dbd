#pragma once

// What the tests share: stand-in elements, hand-written archive streams, and commands and
// documents for the command and state tests.

#include "support/AllocationFailure.h"

#include <clavenor/clavenor.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace clavenor::test {

/// Live Counted objects, so that tests see exactly what a removal or a release destroyed;
/// and the sequence numbers handed to watched ones as they die.
inline int g_liveElements = 0;
inline int g_deaths = 0;

template <class T>
class Counted : public T {
public:
    template <class... Args>
    explicit Counted(Args&&... args) : T(std::forward<Args>(args)...) {
        ++g_liveElements;
    }
    Counted(const Counted& other) : T(other) { ++g_liveElements; }
    Counted& operator=(const Counted& other) {
        T::operator=(other);
        return *this;
    }
    ~Counted() override {
        --g_liveElements;
        if (m_slot != nullptr) {
            *m_slot = ++g_deaths;
        }
    }
    /// `*slot` receives this object's death sequence number.
    void Watch(int* slot) { m_slot = slot; }

private:
    int* m_slot = nullptr;
};

/// A test that must leave no counted element and no allocation behind; Live() counts the
/// counted elements made since it began.
class LeakChecked : public ::testing::Test {
protected:
    void SetUp() override {
        m_live = g_liveElements;
        m_allocations = LiveAllocations();
    }
    void TearDown() override {
        EXPECT_EQ(g_liveElements, m_live);
        EXPECT_EQ(LiveAllocations(), m_allocations);
    }
    int Live() const { return g_liveElements - m_live; }

private:
    int m_live = 0;
    std::int64_t m_allocations = 0;
};

/// A stand-in for an element class: a base class that answers a chosen event id, so that
/// walks can be tested on graphs of notes, chords, beams and envelopes.
template <int Id, class Base = ECWithTimeChild>
class KindElement : public Base {
public:
    int GetEventId() const override { return Id; }
};

using Staff = KindElement<EventId::Staff>;
using Measure = KindElement<EventId::Measure>;
using Chord = KindElement<EventId::Chord>;
using Note = KindElement<EventId::Note>;
using Beam = KindElement<EventId::Beam>;
using Envelope = KindElement<EventId::Envelope>;
using EnvPoint = KindElement<EventId::EnvPoint, ECWithTime>;
using Clef = KindElement<EventId::Clef, ECWithTime>;
/// An element without a time or a voice/track.
using Untimed = KindElement<EventId::Group, ECWithChild>;

/// Links `child` under `parent` (AddChild, sorted by time when `sorted`) and returns it. A
/// builder only makes links the model must take, so a refusal fails the running test
/// instead of leaving a smaller score behind the test's back.
template <class T>
T* LinkOrFail(ECBase* parent, T* child, int sorted = 0) {
    if (parent->AddChild(child, sorted) == 0) {
        ADD_FAILURE() << "a " << parent->GetRuntimeClass()->m_lpszClassName << " refused a "
                      << child->GetRuntimeClass()->m_lpszClassName;
    }
    return child;
}

/// `e`, added to `parent`'s children (sorted by time when `sorted`) when given; a refused
/// link fails the running test (LinkOrFail).
template <class T>
T* Put(T* e, ECBase* parent, int sorted = 0) {
    if (parent != nullptr) {
        LinkOrFail(parent, e, sorted);
    }
    return e;
}

/// A new counted T, added to `parent` (sorted by time) when given.
template <class T, class... Args>
Counted<T>* MakeCounted(ECBase* parent, Args&&... args) {
    return Put(new Counted<T>(std::forward<Args>(args)...), parent, 1);
}

inline void SetSeconds(ECBase* e, float seconds) {
    MCTime t(seconds);
    e->SetTime(&t);
}

/// `e`, now at `seconds`.
template <class T>
T* AtSeconds(T* e, float seconds) {
    SetSeconds(e, seconds);
    return e;
}

/// The parent types `e` lists, in order (and GetParentTypes answering whether it listed any).
std::vector<int> ParentTypes(ECBase* e);

/// A new T at `time`, appended to `parent`'s children when given.
template <class T>
T* Make(float time, ECBase* parent = nullptr) {
    auto* e = new T;
    SetSeconds(e, time);
    return Put(e, parent);
}

/// The elements of `list` in order, and the seconds of their times.
inline std::vector<ECBase*> Items(const MCEventList* list) {
    std::vector<ECBase*> items;
    for (POSITION pos = list->GetHeadPosition(); pos != nullptr;) {
        items.push_back(list->GetNext(pos));
    }
    return items;
}
inline std::vector<float> Times(const MCEventList* list) {
    std::vector<float> times;
    for (ECBase* e : Items(list)) {
        times.push_back(e->GetTime()->GetSeconds());
    }
    return times;
}

/// Archivable counted elements whose event id the test chooses (it is not archived), so
/// that one class plays notes, chords and measures.
class TLeaf : public Counted<ECWithTime> {
    DECLARE_SERIAL(TLeaf)
public:
    explicit TLeaf(float time = 0.0f, int eventId = 37) : m_nId(eventId) { SetSeconds(this, time); }
    int GetEventId() const override { return m_nId; }
    int m_nId;
};

class TNode : public Counted<ECWithTimeChild> {
    DECLARE_SERIAL(TNode)
public:
    explicit TNode(int eventId = 12, float time = 0.0f) : m_nId(eventId) { SetSeconds(this, time); }
    int GetEventId() const override { return m_nId; }
    int m_nId;
};

/// The score-shaped graph that the graph tests share: a root (id 44) over two measures (id
/// 32), each of `chords` chords (id 12) of two TLeaf notes, and a beam-like container that
/// also holds the first measure's chords.
struct ScoreShape {
    int chords = 2;
    /// Measures 4 apart and chords 1 apart, linked in time order; otherwise all at 0, linked
    /// in the order made.
    bool timed = false;
    /// An uncounted container (ECWithChild) under every measure, linked before its chords;
    /// otherwise a counted beam (id 7) under the first measure only, linked after them.
    bool containerPerMeasure = false;
};
/// Builds the graph; its root is held only by its measures' parents lists.
TNode* BuildScore(const ScoreShape& shape = {});

/// Runs `operation` with each of its allocations failing in turn (after a first run the caller
/// made, so that what it keeps for the program's life is there) and expects each failed run,
/// once the idle work has run, to leave no allocation behind; a failure names the allocation.
/// Returns the number of failing runs.
template <class Operation>
int ExpectEachAllocationFailureLeavesNothing(Operation operation) {
    MCCommandMgr::OnIdle();
    const std::int64_t live = LiveAllocations();
    int failing = 0;
    return ForEachAllocationFailure(operation, [&] {
        MCCommandMgr::OnIdle();
        ++failing;
        EXPECT_EQ(LiveAllocations(), live) << "allocation " << failing << " failing";
    });
}

/// An archivable attached data record, and one whose class is not archivable.
class TData : public DCBase {
    DECLARE_SERIAL(TData)
};
class TTransient : public DCBase {
    DECLARE_DYNCREATE(TTransient)
};

/// Registers `cls` for (viewCode, eventType) with the data registry while it lives.
class ScopedDataPlugin {
public:
    ScopedDataPlugin(const CRuntimeClass* cls, int viewCode, int eventType)
        : m_plugin(cls, viewCode, eventType) {
        EXPECT_EQ(1, CPluginData::AddPlugin(&m_plugin));
    }
    ~ScopedDataPlugin() { EXPECT_EQ(1, CPluginData::RemovePlugin(&m_plugin)); }

private:
    CPluginData m_plugin;
};

/// Makes a performance of document version `version` the active one while it lives.
class ScopedVersion {
public:
    explicit ScopedVersion(std::int32_t version) {
        m_document.SetVersion(version);
        m_previous = ECPerformance::SetActivePerformance(&m_document);
    }
    ~ScopedVersion() { ECPerformance::SetActivePerformance(m_previous); }

private:
    ECPerformance m_document;
    ECPerformance* m_previous = nullptr;
};

using Bytes = std::vector<std::uint8_t>;

/// A stream written by hand. Tokens, separated by spaces: hex digits are bytes in the order
/// written (so the word 0x0102 is "0201"); 'text stands for the bytes of text; @Name and
/// @Name/schema for a new-class tag with its class record (schema 2 by default, decimal).
Bytes X(std::string_view text);

/// The bytes `write(CArchive&)` stores.
template <class F>
Bytes Store(F write) {
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        write(ar);
        ar.Close();
    }
    return file.Detach();
}

/// Runs `read(CArchive&)` over the first `size` bytes (all by default); the archive closes
/// when it returns or throws.
template <class F>
void Load(const Bytes& bytes, F read, std::size_t size = ~std::size_t{0}) {
    CMemFile file(bytes.data(), std::min(size, bytes.size()));
    CArchive ar(&file, CArchive::load);
    read(ar);
    ar.Close();
}

/// `e` (deleted here) stores exactly the bytes `expected` stands for (see X), and the object
/// loaded from them stores them again; `check` looks at that object.
void ExpectRecord(ECBase* e, std::string_view expected,
                  const std::function<void(CObject*)>& check = {});

/// The cause `read` throws over `bytes`, or none.
template <class F>
CArchiveException::Cause LoadCause(const Bytes& bytes, F read) {
    try {
        Load(bytes, read);
    } catch (const CArchiveException& e) {
        return e.m_cause;
    }
    return CArchiveException::none;
}

/// What the probes and handlers of one test saw, in order.
struct Journal {
    std::vector<std::string> lines;
    void Add(std::string line) { lines.push_back(std::move(line)); }
    std::string Joined() const;
};

/// A command that writes its phases into a journal and can be told to fail one of them.
class CCProbe : public CCBase {
public:
    enum FailAt { Never, AtPrepare, AtProcess };

    CCProbe(Journal* journal, std::string name, FailAt fail = Never)
        : m_journal(journal), m_name(std::move(name)), m_fail(fail) {
        ++s_alive;
    }
    ~CCProbe() override { --s_alive; }

    int Prepare() override { return Log("prepare", m_fail == AtPrepare ? 0 : CCBase::Prepare()); }
    int Process() override {
        m_processThread = std::this_thread::get_id();
        return Log("process", m_fail == AtProcess ? 0 : CCBase::Process());
    }
    int Finish() override { return Log("finish", 1); }
    void Abort() override { Log("abort", 0); }
    void Undo() override { Log("undo", 0); }

    const std::string& Name() const { return m_name; }
    std::thread::id ProcessThread() const { return m_processThread; }

    /// Probes not yet deleted, across all tests.
    static int Alive() { return s_alive; }

private:
    int Log(const char* phase, int result) {
        if (m_journal != nullptr) {
            m_journal->Add(m_name + ":" + phase);
        }
        return result;
    }

    Journal* m_journal;
    std::string m_name;
    FailAt m_fail;
    std::thread::id m_processThread;
    static inline std::atomic<int> s_alive{0};
};

/// A command or state handler that writes each call into a journal and answers scripted
/// results (in order, the last one repeating). A command call reads "name:phase/count"; a
/// state call "name:code", then ":command" for each command of a command record (a probe's
/// name, else the command id). A trailing "!" marks a call without owner.
struct Handler {
    Journal* journal;
    std::string name;
    std::vector<int> results{1};
    int calls = 0;

    static int Command(ECBase* owner, int phase, void* data, void* user);
    static int State(ECBase* owner, int phase, void* data, void* user);
};

/// A performance with a conductor, as every command's Prepare needs; deleted (after its
/// queued work and the trash) when the fixture ends.
class Document {
public:
    Document() : m_performance(new ECPerformance) { LinkOrFail(m_performance, new ECConductor); }
    ~Document() {
        delete m_performance;
        MCCommandMgr::OnIdle();
    }
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    ECPerformance* operator->() const { return m_performance; }
    ECPerformance* get() const { return m_performance; }

private:
    ECPerformance* m_performance;
};

/// A new, empty folder of its own under the system's temporary folder (mode 0700), removed
/// with everything in it when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::filesystem::path& name) const {
        return m_path / name;
    }

private:
    std::filesystem::path m_path;
};

/// Pumps the owning thread's queue until `done()` holds (or a generous time passes).
template <class Done>
bool PumpUntil(Done done) {
    for (int i = 0; i < 20000 && !done(); ++i) {
        PumpMessages(std::chrono::milliseconds(5));
    }
    return done();
}

} // namespace clavenor::test
