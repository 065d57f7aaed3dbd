#include "support/Score.h"

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
                EXPECT_EQ((new CCProbe(&journal, std::to_string(t)))->Apply(doc.get()), 1);
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
    PumpUntil([&] { return sent.load() && seen.threads.size() == 2; });
    worker.join();
    EXPECT_TRUE(sent.load());
    EXPECT_EQ(seen.threads.size(), 2u);
    for (const std::thread::id& id : seen.threads) {
        EXPECT_EQ(id, std::this_thread::get_id());
    }
}

// Regression: a worker that built a command took references on elements through a plain
// counter while the owning thread changed the same elements. Workers now hand their edits
// over, waiting or not, while the owner undoes, redoes, idles and saves between pumps; the
// thread sanitizer build runs this too.
TEST(ThreadedCommandsTest, WorkersEditThroughTheOwnerWhileItUndoesRedoesIdlesAndSaves) {
    Document doc;
    auto* staff = new ECStaff;
    ASSERT_EQ(doc->GetChildren()->GetHead()->AddChild(staff, 1), 1);
    std::vector<ECMeasure*> bars;
    for (int m = 0; m < 4; ++m) {
        bars.push_back(NewBar(static_cast<float>(4 * m), 4));
        ASSERT_EQ(staff->AddChild(bars.back(), 1), 1);
    }
    constexpr int kWorkers = 3;
    constexpr int kEdits = 40;
    std::atomic<int> running{kWorkers};
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([&, w] {
            for (int i = 0; i < kEdits; ++i) {
                ECMeasure* bar = bars[static_cast<std::size_t>((w + i) % 4)];
                const float at = static_cast<float>(i % 4);
                auto add = [&doc, bar, at] {
                    Edit(doc.get(), new CCAdd(NewNote(at), bar, FCMidi::MidiNull()));
                };
                auto remove = [&doc, bar] {
                    if (ECBase* note = bar->GetChildren()->GetHead()) {
                        Edit(doc.get(), new CCRemove(note));
                    }
                };
                if (i % 3 == 0) {
                    PostToOwnerThread(remove);
                } else {
                    RunOnOwnerThread(add);
                }
                // A command that holds no element may still be applied from here.
                EXPECT_EQ((new CCProbe(nullptr, "probe"))->Apply(doc.get()), 1);
            }
            --running;
        });
    }
    int rounds = 0;
    while (running.load() > 0 || CMessageQueue::GetQueuedCount() > 0) {
        PumpMessages(std::chrono::milliseconds(1));
        switch (rounds++ % 4) {
        // While the other threads' commands come in there may be nothing to undo or redo.
        case 0:
            (void)doc->Undo(1);
            break;
        case 1:
            (void)doc->Redo(1);
            break;
        case 2:
            MCCommandMgr::OnIdle();
            break;
        default:
            fuzz::Save(doc.get());
        }
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    PumpMessages();
    EXPECT_GT(doc->GetUndoCount(), 0);
    const std::vector<std::uint8_t> saved = fuzz::Save(doc.get());
    ECPerformance* copy = fuzz::Load(saved.data(), saved.size(), ECPerformance::WriteVersion);
    EXPECT_EQ(fuzz::Save(copy), saved);
    delete copy;
}

#if !defined(NDEBUG) && !defined(__SANITIZE_THREAD__)
// Where a worker would race with the owning thread, builds without NDEBUG stop at once.
TEST(ThreadedCommandsDeathTest, BuildingACommandOnElementsOffTheOwnerStops) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Document doc;
    ECNote* note = NewNote(0.0f);
    note->Ref();
    EXPECT_DEATH(std::thread([note] { CCRemove remove(note); }).join(),
                 "other than the one that owns the documents");
    note->Unref(1);
}
#endif

} // namespace
} // namespace clavenor::test
