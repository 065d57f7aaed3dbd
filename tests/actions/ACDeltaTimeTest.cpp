#include "clavenor/actions/ACDeltaTime.h"

#include "clavenor/actions/ACFindTime.h"

#include "support/KindElement.h"

#include <gtest/gtest.h>

#include <memory>

using namespace clavenor;
using namespace clavenor::test;

namespace {

float TimeOf(ECBase* e) { return e->GetTime()->GetSeconds(); }

TEST(ACDeltaTime, MovesByTheDeltaAndClampsAtZero) {
    auto root = std::make_unique<Untimed>();
    auto* one = Make<Note>(1, root.get());
    auto* five = Make<Note>(5, root.get());

    ACDeltaTime back(MCTime(-2.0f), MCTime::TimeZero(), MCTime::TimeMax(), ACFindTime::StartOnly);
    back.Apply(root.get());
    EXPECT_EQ(TimeOf(one), 0.0f);
    EXPECT_EQ(TimeOf(five), 3.0f);
}

TEST(ACDeltaTime, DefaultsMoveNothing) {
    auto root = std::make_unique<Untimed>();
    auto* note = Make<Note>(2, root.get());
    ACDeltaTime none;
    none.Apply(root.get());
    EXPECT_EQ(TimeOf(note), 2.0f);
    none.Reset();
    none.SetTimeDelta(MCTime(1.0f));
    none.Apply(root.get());
    EXPECT_EQ(TimeOf(note), 3.0f);
}

TEST(ACDeltaTime, StructuralElementsAtZeroStayButNotesAtZeroMove) {
    auto root = std::make_unique<Untimed>();
    auto* clef = Make<Clef>(0, root.get());
    auto* point = Make<EnvPoint>(0, root.get());
    auto* note = Make<Note>(0, root.get());
    auto* laterClef = Make<Clef>(1, root.get());

    ACDeltaTime shift(MCTime(2.0f), MCTime::TimeZero(), MCTime::TimeMax(), ACFindTime::StartOnly);
    shift.Apply(root.get());
    EXPECT_EQ(TimeOf(clef), 0.0f);
    EXPECT_EQ(TimeOf(point), 0.0f);
    EXPECT_EQ(TimeOf(note), 2.0f);
    EXPECT_EQ(TimeOf(laterClef), 3.0f);
}

TEST(ACDeltaTime, TheRangeEndIsHonouredAndEndsTheSiblingGroup) {
    auto root = std::make_unique<Untimed>();
    auto* three = Make<Note>(3, root.get());
    auto* four = Make<Note>(4, root.get());
    auto* five = Make<Chord>(5, root.get());
    auto* inFive = Make<Note>(3, five);
    auto* afterFive = Make<Note>(3, root.get());

    ACDeltaTime shift(MCTime(10.0f), MCTime::TimeZero(), MCTime(4.0f), ACFindTime::StartOnly);
    shift.Apply(root.get());
    EXPECT_EQ(TimeOf(three), 13.0f);
    EXPECT_EQ(TimeOf(four), 4.0f);
    EXPECT_EQ(TimeOf(five), 5.0f);
    EXPECT_EQ(TimeOf(inFive), 3.0f);
    EXPECT_EQ(TimeOf(afterFive), 3.0f);

    ACDeltaTime later(MCTime(1.0f), MCTime(3.5f), MCTime(20.0f), ACFindTime::NeitherEnd);
    later.Apply(root.get());
    EXPECT_EQ(TimeOf(three), 14.0f);
    EXPECT_EQ(TimeOf(four), 5.0f);
    EXPECT_EQ(TimeOf(five), 6.0f);
    EXPECT_EQ(TimeOf(inFive), 3.0f) << "before the range start";
}

} // namespace
