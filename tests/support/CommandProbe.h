#pragma once

#include <clavenor/clavenor.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace clavenor::test {

/// What the probes and handlers of one test saw, in order.
struct Journal {
    std::vector<std::string> lines;
    void Add(std::string line) { lines.push_back(std::move(line)); }
    std::string Joined() const {
        std::string all;
        for (const std::string& line : lines) {
            all += all.empty() ? "" : " ";
            all += line;
        }
        return all;
    }
};

/// A command that writes its phases into a journal and can be told to fail one of them.
class CCProbe : public CCBase {
public:
    enum FailAt { Never, AtPrepare, AtProcess, AtFinish };

    CCProbe(Journal* journal, std::string name, FailAt fail = Never)
        : m_journal(journal), m_name(std::move(name)), m_fail(fail) {
        ++s_alive;
    }
    ~CCProbe() override { --s_alive; }

    int Prepare() override {
        Log("prepare");
        return m_fail == AtPrepare ? 0 : CCBase::Prepare();
    }
    int Process() override {
        Log("process");
        m_processThread = std::this_thread::get_id();
        return m_fail == AtProcess ? 0 : CCBase::Process();
    }
    int Finish() override {
        Log("finish");
        return m_fail == AtFinish ? 0 : 1;
    }
    void Abort() override { Log("abort"); }
    void Undo() override { Log("undo"); }

    const std::string& Name() const { return m_name; }
    std::thread::id ProcessThread() const { return m_processThread; }

    /// Probes not yet deleted, across all tests.
    static int Alive() { return s_alive; }

private:
    void Log(const char* phase) {
        if (m_journal != nullptr) {
            m_journal->Add(m_name + ":" + phase);
        }
    }

    Journal* m_journal;
    std::string m_name;
    FailAt m_fail;
    std::thread::id m_processThread;
    static inline std::atomic<int> s_alive{0};
};

/// A performance with a conductor, as every command's Prepare needs; deleted (after its
/// queued work and the trash) when the fixture ends.
class Document {
public:
    Document() : m_performance(new ECPerformance) { m_performance->AddChild(new ECConductor, 0); }
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

/// Pumps the owning thread's queue until `done()` holds (or a generous time passes).
template <class Done>
bool PumpUntil(Done done) {
    for (int i = 0; i < 20000 && !done(); ++i) {
        PumpMessages(std::chrono::milliseconds(5));
    }
    return done();
}

} // namespace clavenor::test
