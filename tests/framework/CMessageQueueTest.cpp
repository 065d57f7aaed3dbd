#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace clavenor::test {
namespace {

struct Inbox {
    static inline std::vector<std::pair<UINT, WPARAM>> seen;
    static inline std::vector<std::thread::id> threads;
    static LRESULT Procedure(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
        seen.emplace_back(message, wParam);
        threads.push_back(std::this_thread::get_id());
        return lParam * 2;
    }
};

class MessageQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The first performance makes this (the test runner's) thread the owner.
        Document owner;
        PumpMessages();
        Inbox::seen.clear();
        Inbox::threads.clear();
        m_window = CMessageQueue::CreateHiddenWindow("inbox", &Inbox::Procedure);
    }
    void TearDown() override { CMessageQueue::DestroyWindow(m_window); }

    HWND m_window = nullptr;
};

TEST_F(MessageQueueTest, SendOnTheOwnerRunsAtOncePostWaitsForThePump) {
    EXPECT_TRUE(CMessageQueue::IsOwnerThread());
    EXPECT_TRUE(CMessageQueue::PostMessage(m_window, 1, 10, 0));
    EXPECT_TRUE(CMessageQueue::PostMessage(m_window, 2, 20, 0));
    EXPECT_EQ(CMessageQueue::SendMessage(m_window, 3, 30, 21), 42);
    ASSERT_EQ(Inbox::seen.size(), 1u);
    EXPECT_EQ(PumpMessages(), 2);
    EXPECT_EQ(Inbox::seen[1].first, 1u);
    EXPECT_EQ(Inbox::seen[2].first, 2u);
    EXPECT_EQ(PumpMessages(), 0);
}

TEST_F(MessageQueueTest, UnknownWindowsAreRefused) {
    CMessageQueue::DestroyWindow(m_window);
    EXPECT_FALSE(CMessageQueue::PostMessage(m_window, 1, 0, 0));
    EXPECT_EQ(CMessageQueue::SendMessage(m_window, 1, 0, 5), 0);
    EXPECT_EQ(CMessageQueue::SetTimer(m_window, 1, 0), 0u);
    EXPECT_FALSE(CMessageQueue::IsWindow(m_window));
    m_window = CMessageQueue::CreateHiddenWindow("inbox", &Inbox::Procedure);
}

TEST_F(MessageQueueTest, TimerFiresOnceAfterItsDelayAndCanBeKilled) {
    EXPECT_EQ(CMessageQueue::SetTimer(m_window, 7, 0), 7u);
    EXPECT_EQ(CMessageQueue::SetTimer(m_window, 8, 60000), 8u);
    EXPECT_TRUE(PumpUntil([] { return !Inbox::seen.empty(); }));
    ASSERT_EQ(Inbox::seen.size(), 1u);
    EXPECT_EQ(Inbox::seen[0], std::make_pair(WM_TIMER, WPARAM{7}));
    EXPECT_EQ(PumpMessages(std::chrono::milliseconds(20)), 0);
    EXPECT_TRUE(CMessageQueue::KillTimer(m_window, 8));
    EXPECT_FALSE(CMessageQueue::KillTimer(m_window, 8));
}

// A handler that runs earlier in the same pump can still stop a due timer; a handler that
// throws leaves the messages behind it queued.
TEST_F(MessageQueueTest, KilledTimersStayQuietAndAThrowingHandlerLosesNothing) {
    static HWND inbox = nullptr;
    inbox = m_window;
    HWND killer =
        CMessageQueue::CreateHiddenWindow("killer", [](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
            if (m == 1) {
                CMessageQueue::KillTimer(inbox, 9);
                return 0;
            }
            throw std::runtime_error("handler failed");
        });
    ASSERT_EQ(CMessageQueue::SetTimer(m_window, 9, 0), 9u);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_TRUE(CMessageQueue::PostMessage(killer, 1, 0, 0));
    EXPECT_EQ(PumpMessages(), 1);
    EXPECT_TRUE(Inbox::seen.empty());

    ASSERT_TRUE(CMessageQueue::PostMessage(killer, 2, 0, 0));
    ASSERT_TRUE(CMessageQueue::PostMessage(m_window, 3, 0, 0));
    EXPECT_THROW(PumpMessages(), std::runtime_error);
    EXPECT_EQ(PumpMessages(), 1);
    ASSERT_EQ(Inbox::seen.size(), 1u);
    EXPECT_EQ(Inbox::seen[0].first, 3u);
    CMessageQueue::DestroyWindow(killer);
}

TEST_F(MessageQueueTest, SendFromAnotherThreadBlocksUntilTheOwnerPumps) {
    std::atomic<bool> done{false};
    LRESULT result = 0;
    std::thread sender([&] {
        EXPECT_FALSE(CMessageQueue::IsOwnerThread());
        EXPECT_EQ(CMessageQueue::PumpMessages(), 0);
        result = CMessageQueue::SendMessage(m_window, 9, 0, 4);
        done = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
    sender.join();
    EXPECT_EQ(result, 8);
    ASSERT_EQ(Inbox::threads.size(), 1u);
    EXPECT_EQ(Inbox::threads[0], std::this_thread::get_id());
}

// Functions handed over run on the owning thread, in order with the messages; the one
// run for a waiting thread passes its exception back to that thread.
TEST_F(MessageQueueTest, FunctionsRunOnTheOwnerAndTheirExceptionsGoBackToTheCaller) {
    std::vector<std::thread::id> ran;
    RunOnOwnerThread([&] { ran.push_back(std::this_thread::get_id()); });
    EXPECT_EQ(ran.size(), 1u) << "at once on the owning thread";
    std::atomic<bool> done{false};
    bool caught = false;
    std::thread worker([&] {
        PostToOwnerThread([&] { ran.push_back(std::this_thread::get_id()); });
        EXPECT_TRUE(CMessageQueue::PostMessage(m_window, 7, 0, 0));
        try {
            RunOnOwnerThread([] { throw std::runtime_error("from the task"); });
        } catch (const std::runtime_error&) {
            caught = true;
        }
        done = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_TRUE(caught);
    ASSERT_EQ(ran.size(), 2u);
    EXPECT_EQ(ran[1], std::this_thread::get_id());
    EXPECT_EQ(Inbox::seen.size(), 1u) << "the pump went on past the failing task";
    PostToOwnerThread([] { throw std::runtime_error("posted"); });
    EXPECT_THROW(PumpMessages(), std::runtime_error);
}

TEST_F(MessageQueueTest, PostsFromSeveralThreadsAllArriveInTheirOrder) {
    constexpr int kThreads = 4;
    constexpr int kEach = 50;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([this, t] {
            for (int i = 0; i < kEach; ++i) {
                EXPECT_TRUE(CMessageQueue::PostMessage(m_window, 100 + static_cast<UINT>(t),
                                                       static_cast<WPARAM>(i), 0));
            }
        });
    }
    for (std::thread& poster : posters) {
        poster.join();
    }
    EXPECT_TRUE(PumpUntil([&] { return Inbox::seen.size() == kThreads * kEach; }));
    std::vector<WPARAM> next(kThreads, 0);
    for (const auto& [message, index] : Inbox::seen) {
        EXPECT_EQ(index, next[message - 100]++);
    }
}

} // namespace
} // namespace clavenor::test
