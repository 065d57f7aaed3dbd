#include "clavenor/actions/ACFindEvents.h"

#include "support/KindElement.h"

#include <gtest/gtest.h>

#include <memory>

using namespace clavenor;
using namespace clavenor::test;

namespace {

class ACFindEventsTest : public ::testing::Test {
protected:
    ACFindEventsTest() : measure(new Measure) {
        chord = Make<Chord>(0, measure.get());
        n1 = Make<Note>(0, chord);
        n2 = Make<Note>(0, chord);
        rest = Make<Chord>(1, measure.get());
        n3 = Make<Note>(1, rest);
    }
    std::unique_ptr<Measure> measure;
    ECBase *chord, *n1, *n2, *rest, *n3;
};

TEST_F(ACFindEventsTest, CollectsMatchesInWalkOrder) {
    ACFindEvents find;
    find.AddEvtType(EventId::Note);
    EXPECT_EQ(find.GetMaxEventCount(), 0x7FFFFFFF);
    EXPECT_EQ(find.Apply(measure.get()), 0);
    EXPECT_EQ(find.GetEventCount(), 3);
    MCEventList* found = find.GetEvents();
    ASSERT_EQ(found->GetCount(), 3);
    EXPECT_EQ(found->GetHead(), n1);
    EXPECT_EQ(found->GetTail(), n3);
}

TEST_F(ACFindEventsTest, StopsAtTheMaximum) {
    ACFindEvents find;
    find.AddEvtType(EventId::Note);
    find.SetMaxEventCount(1);
    EXPECT_EQ(find.Apply(measure.get()), 2);
    EXPECT_EQ(find.GetEventCount(), 1);
    EXPECT_EQ(find.GetEvents()->GetHead(), n1);

    ACFindEvents two;
    two.SetMaxEventCount(2);
    two.Apply(measure.get());
    EXPECT_EQ(two.GetEvents()->GetTail(), chord);
}

TEST_F(ACFindEventsTest, AppendsUntilResetAndThenStartsEmpty) {
    ACFindEvents find;
    find.AddEvtType(EventId::Note);
    find.Apply(chord);
    find.Apply(rest);
    EXPECT_EQ(find.GetEventCount(), 3);
    EXPECT_EQ(find.GetEvents()->GetCount(), 3);
    find.Reset();
    find.Apply(rest);
    EXPECT_EQ(find.GetEventCount(), 1);
    EXPECT_EQ(find.GetEvents()->GetHead(), n3);
}

TEST_F(ACFindEventsTest, FoundElementsAreHeldUntilTheActionLetsGo) {
    const auto before = n3->GetRefCount();
    {
        ACFindEvents find;
        find.AddEvtType(EventId::Note);
        find.Apply(rest);
        EXPECT_EQ(n3->GetRefCount(), before + 1);
        // Leaving the graph does not destroy it while the result list holds it.
        rest->RemoveChild(n3, 1);
        EXPECT_EQ(find.GetEvents()->GetHead()->GetRefCount(), 1);
    }
    // Released (and destroyed) with the action: the sanitizer build would report a leak.
    EXPECT_EQ(rest->GetChildren()->GetCount(), 0);
}

TEST_F(ACFindEventsTest, AnElementReachedTwiceIsCollectedTwice) {
    rest->AddChild(n1, 0);
    ACFindEvents find;
    find.AddEvtType(EventId::Note);
    find.Apply(measure.get());
    EXPECT_EQ(find.GetEventCount(), 4);
}

} // namespace
