#include "support/AllocationFailure.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string>

namespace clavenor::test {
namespace {

// The probes' names, head to tail.
std::string Names(const MCCommandList& list) {
    std::string names;
    for (CCBase* command : list) {
        names += static_cast<CCProbe*>(command)->Name();
    }
    return names;
}

// Runs `insert` while every allocation fails: whether it needed none.
template <class Insert>
bool NeedsNoMemory(Insert insert) {
    FailNthAllocation failure(1);
    insert();
    return !failure.Triggered();
}

class CommandListTest : public ::testing::Test {
protected:
    CCProbe* Probe(const char* name) { return new CCProbe(nullptr, name); }
};

// The list's own node serves one command at a time, wherever it stands in the list.
TEST_F(CommandListTest, TheOwnNodeServesWhicheverCommandFindsItFree) {
    MCCommandList list;
    CCProbe* a = Probe("a");
    CCProbe* c = Probe("c");
    EXPECT_TRUE(NeedsNoMemory([&] { ASSERT_NE(list.AddTail(a), nullptr); }));
    ASSERT_NE(list.AddTail(Probe("b")), nullptr);
    list.RemoveHead();
    EXPECT_TRUE(NeedsNoMemory([&] { ASSERT_NE(list.AddTail(c), nullptr); }));
    EXPECT_EQ(Names(list), "bc");
    EXPECT_EQ(list.GetCount(), 2);
}

// Reservations add up: the own node counts once, and a reservation made while it is promised
// sets a heap node aside, so every promised insertion still needs no memory.
TEST_F(CommandListTest, ReservationsCountTheOwnNodeOnce) {
    MCCommandList list;
    EXPECT_TRUE(NeedsNoMemory([&] { ASSERT_TRUE(list.Reserve(1)); }));
    {
        FailNthAllocation failure(1);
        EXPECT_FALSE(list.Reserve(1));
    }
    ASSERT_TRUE(list.Reserve(1));
    CCProbe* a = Probe("a");
    CCProbe* b = Probe("b");
    EXPECT_TRUE(NeedsNoMemory([&] {
        ASSERT_NE(list.AddTail(a), nullptr);
        ASSERT_NE(list.AddTail(b), nullptr);
    }));
    EXPECT_EQ(Names(list), "ab");
}

TEST_F(CommandListTest, AReservationGivenBackFreesTheOwnNodeForAnyone) {
    MCCommandList list;
    ASSERT_TRUE(list.Reserve(2));
    list.Unreserve(2);
    CCProbe* a = Probe("a");
    auto b = std::make_unique<CCProbe>(nullptr, "b");
    EXPECT_TRUE(NeedsNoMemory([&] { ASSERT_NE(list.AddTail(a), nullptr); }));
    EXPECT_FALSE(NeedsNoMemory([&] { EXPECT_EQ(list.AddTail(b.get()), nullptr); }));
}

// The command in the source's own node moves into the destination's free own node, or into a
// new node; without memory for that, nothing moves.
TEST_F(CommandListTest, TakeAllMovesTheCommandOfTheSourcesOwnNode) {
    CCProbe* a = Probe("a");
    MCCommandList source;
    ASSERT_NE(source.AddTail(a), nullptr);
    ASSERT_NE(source.AddTail(Probe("b")), nullptr);
    {
        MCCommandList empty;
        EXPECT_TRUE(NeedsNoMemory([&] { empty.TakeAll(source); }));
        EXPECT_EQ(Names(empty), "ab");
        EXPECT_TRUE(source.IsEmpty());
        source.TakeAll(empty);
    }
    MCCommandList busy;
    ASSERT_NE(busy.AddTail(Probe("z")), nullptr);
    {
        FailNthAllocation failure(1);
        EXPECT_THROW(busy.TakeAll(source), std::bad_alloc);
    }
    EXPECT_EQ(Names(busy), "z");
    EXPECT_EQ(Names(source), "ab");
    busy.TakeAll(source);
    EXPECT_EQ(Names(busy), "zab");
    EXPECT_EQ(a->GetRefCount(), 1);
    CCProbe* c = Probe("c");
    EXPECT_TRUE(NeedsNoMemory([&] { ASSERT_NE(source.AddTail(c), nullptr); }));
}

} // namespace
} // namespace clavenor::test
