#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace clavenor::test {
namespace {

// Other threads dispatch; the test runner's thread owns the queue and pumps. Nothing may run
// off the owning thread.
TEST(ThreadedCommandsTest, SynchronousCommandsFromAnotherThreadRunOnTheOwner) {
    Document doc;
    std::vector<std::thread::id> ran;
    std::atomic<int> finished{0};
    std::thread worker([&] {
        for (int i = 0; i < 20; ++i) {
            auto* probe = new CCProbe(nullptr, "w");
            probe->SetSynchronous(1);
            probe->Ref();
            EXPECT_EQ(probe->Apply(doc.get()), 1);
            // A synchronous command has run once Apply returns.
            ran.push_back(probe->ProcessThread());
            probe->Unref(1);
            ++finished;
        }
    });
    EXPECT_TRUE(PumpUntil([&] { return finished.load() == 20; }));
    worker.join();
    ASSERT_EQ(ran.size(), 20u);
    for (const std::thread::id& id : ran) {
        EXPECT_EQ(id, std::this_thread::get_id());
    }
}

TEST(ThreadedCommandsTest, AsynchronousCommandsFromSeveralThreadsAllRun) {
    Document doc;
    Journal journal;
    MCCommandMgr::BeginNotify(doc.get());
    std::vector<std::thread> workers;
    for (int t = 0; t < 3; ++t) {
        workers.emplace_back([&doc, &journal, t] {
            for (int i = 0; i < 10; ++i) {
                (new CCProbe(&journal, std::to_string(t)))->Apply(doc.get());
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    EXPECT_TRUE(PumpUntil([&] { return journal.lines.size() == 90; }));
    MCCommandMgr::EndNotify(doc.get());
}

TEST(ThreadedCommandsTest, RecordsFromAnotherThreadAreDeliveredOnTheOwner) {
    Document doc;
    struct Seen {
        std::vector<std::thread::id> threads;
        static int Call(ECBase*, int, void*, void* user) {
            static_cast<Seen*>(user)->threads.push_back(std::this_thread::get_id());
            return 0;
        }
    } seen;
    doc->AddStateHandler(&Seen::Call, &seen);
    std::atomic<bool> sent{false};
    std::thread worker([&] {
        (new SCStatus(1, "posted"))->Apply(doc.get());
        auto* sync = new SCFile(2);
        sync->Apply(doc.get());
        sent = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return sent.load() && seen.threads.size() == 2; }));
    worker.join();
    for (const std::thread::id& id : seen.threads) {
        EXPECT_EQ(id, std::this_thread::get_id());
    }
}

} // namespace
} // namespace clavenor::test
