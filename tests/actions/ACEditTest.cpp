// The actions that move, sort or change the voice/track of what they walk.

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace clavenor;
using namespace clavenor::test;

namespace {

// Structural elements at zero stay; others move by the delta, clamped at zero, within the
// range, whose end also ends the sibling group.
TEST(ACDeltaTime, MovesWithinTheRangeClampsAtZeroAndLeavesStructureAtZero) {
    Untimed root;
    Make<Note>(1, &root);
    Make<Clef>(0, &root);
    Make<EnvPoint>(0, &root);
    Make<Note>(0, &root);
    Make<Clef>(1, &root);
    ACDeltaTime none,
        back(MCTime(-2.0f), MCTime::TimeZero(), MCTime::TimeMax(), ACFindTime::BothEnds);
    none.Apply(&root);
    EXPECT_EQ(Times(root.GetChildren()), (std::vector<float>{1, 0, 0, 0, 1})) << "defaults";
    back.Apply(&root);
    EXPECT_EQ(Times(root.GetChildren()), (std::vector<float>{0, 0, 0, 0, 0}));
    back.Reset();
    back.SetTimeDelta(MCTime(2.0f));
    back.Apply(&root);
    EXPECT_EQ(Times(root.GetChildren()), (std::vector<float>{2, 0, 0, 2, 0}));

    Untimed other;
    Make<Note>(3, &other);
    Make<Note>(4, &other);
    auto* inFive = Make<Note>(3, Make<Chord>(5, &other));
    Make<Note>(3, &other);
    ACDeltaTime shift(MCTime(10.0f), MCTime::TimeZero(), MCTime(4.0f), ACFindTime::StartOnly);
    shift.Apply(&other);
    EXPECT_EQ(Times(other.GetChildren()), (std::vector<float>{13, 4, 5, 3}));
    ACDeltaTime later(MCTime(1.0f), MCTime(3.5f), MCTime(20.0f), ACFindTime::NeitherEnd);
    later.Apply(&other);
    EXPECT_EQ(Times(other.GetChildren()), (std::vector<float>{14, 5, 6, 3}));
    EXPECT_EQ(inFive->GetTime()->GetSeconds(), 3.0f);
}

TEST(ACSortChildren, SortsTheChildrenOfTheFilteredKindsOnly) {
    Staff staff;
    Make<Chord>(3, &staff);
    auto* measure = Make<Measure>(1, &staff);
    Make<Note>(2, measure);
    auto* chord = Make<Chord>(1, measure);
    Make<Note>(5, chord);
    Make<Note>(4, chord);

    ACSortChildren measures, all;
    measures.AddEvtType(EventId::Measure);
    measures.Apply(&staff);
    EXPECT_EQ(Times(staff.GetChildren()), (std::vector<float>{3, 1}));
    EXPECT_EQ(Times(measure->GetChildren()), (std::vector<float>{1, 2}));
    EXPECT_EQ(Times(chord->GetChildren()), (std::vector<float>{5, 4}));
    all.Apply(&staff);
    EXPECT_EQ(Times(staff.GetChildren()), (std::vector<float>{1, 3}));
    EXPECT_EQ(Times(chord->GetChildren()), (std::vector<float>{4, 5}));
}

// Applies the action to one element at voice/track (voice, track) and returns the word.
MCVoiceTrack After(ACSetVoiceTrack& action, unsigned voice, unsigned track) {
    Note note;
    note.SetVoiceTrack(static_cast<int>(voice), static_cast<int>(track));
    action.Apply(&note);
    return *note.GetVoiceTrack();
}

TEST(ACSetVoiceTrack, MovesTracksWithinTheRangeAndLeavesAllTracksAlone) {
    ACSetVoiceTrack toFive(5, 15), both(5, 3), narrow(5, 15), clamped(5000, 15);
    EXPECT_EQ(After(toFive, 2, 3), MCVoiceTrack(2, 5));
    EXPECT_EQ(After(toFive, 2, 2047), MCVoiceTrack(2, 5));
    EXPECT_EQ(After(toFive, 2, 2046), MCVoiceTrack(2, 2046));
    EXPECT_EQ(After(toFive, 2, 0), MCVoiceTrack(2, 0)) << "below the default range 1..2045";
    EXPECT_EQ(After(both, 2, 2046), MCVoiceTrack(2, 2046)) << "the voice stays too";
    narrow.SetTrackRange(3, 4);
    EXPECT_EQ(After(narrow, 0, 4), MCVoiceTrack(0, 5));
    EXPECT_EQ(After(narrow, 0, 6), MCVoiceTrack(0, 6));
    EXPECT_EQ(After(clamped, 1, 3), MCVoiceTrack(1, 2045));
}

TEST(ACSetVoiceTrack, SetsClampedVoicesWithinTheRangeOrUnset) {
    ACSetVoiceTrack nine(2047, 9), narrow(2047, 2), nothing;
    for (unsigned voice : {0u, 4u, 8u, 14u, 15u}) {
        EXPECT_EQ(After(nine, voice, 3), MCVoiceTrack(7, 3)) << voice;
    }
    EXPECT_EQ(After(nine, 12, 3), MCVoiceTrack(12, 3));
    narrow.SetVoiceRange(4, 5);
    EXPECT_EQ(After(narrow, 5, 3), MCVoiceTrack(2, 3));
    EXPECT_EQ(After(narrow, 3, 3), MCVoiceTrack(3, 3));
    EXPECT_EQ(After(nothing, 3, 3), MCVoiceTrack(3, 3));
}

TEST(ACSetVoiceTrack, ADeviceChannelWordBecomesAVoiceTrackAndTheSubtreeIsWalked) {
    Untimed root;
    auto* chord = Make<Chord>(0, &root);
    auto* note = Make<Note>(0, chord);
    note->GetVoiceTrack()->SetDevice(2);
    ACSetVoiceTrack action(6, 1);
    action.Apply(&root);
    EXPECT_EQ(*note->GetVoiceTrack(), MCVoiceTrack(1, 6));
    EXPECT_EQ(note->GetVoiceTrack()->IsConverted(), 0u);
    EXPECT_EQ(chord->GetTrack(), 6);
}

TEST(ACGetVoiceTrack, TakesTheOwnValueElseTheNearestAncestorsInParentOrder) {
    Untimed first;
    auto* inner = Put(new Untimed, &first);
    Chord second, outer;
    second.SetVoiceTrack(5, 9);
    outer.SetVoiceTrack(3, 7);
    outer.AddChild(&first, 0);
    auto* element = Put(new Untimed, inner);
    second.AddChild(element, 0);

    // element's parents: inner (no voice/track; its parent first, whose parent outer has
    // voice 3), then second (voice 5): depth first, so outer wins.
    ACGetVoiceTrack get, mine;
    EXPECT_EQ(get.Apply(element), 2);
    EXPECT_EQ(get.GetVoiceTrack(), MCVoiceTrack(3, 7));
    auto* own = Make<Note>(0, inner);
    own->SetVoiceTrack(2, 4);
    mine.Apply(own);
    EXPECT_EQ(mine.GetVoiceTrack().GetVoice(), 2u);
    outer.RemoveChild(&first, 0);

    // A walk that finds none keeps the value.
    Untimed alone;
    ACGetVoiceTrack kept;
    EXPECT_EQ(kept.Apply(&alone), 0);
    EXPECT_EQ(kept.GetVoiceTrack().GetValue(), 0x7FFFu);
    kept.Apply(&second);
    kept.Reset();
    kept.Apply(&alone);
    EXPECT_EQ(kept.GetVoiceTrack().GetVoice(), 5u);
}

} // namespace
