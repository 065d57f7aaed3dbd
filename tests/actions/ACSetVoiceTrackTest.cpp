#include "clavenor/actions/ACSetVoiceTrack.h"

#include "support/KindElement.h"

#include <gtest/gtest.h>

#include <memory>

using namespace clavenor;
using namespace clavenor::test;

namespace {

// Applies the action to one element at voice/track (voice, track) and returns the word.
MCVoiceTrack After(ACSetVoiceTrack& action, unsigned voice, unsigned track) {
    Note note;
    note.SetVoiceTrack(static_cast<int>(voice), static_cast<int>(track));
    action.Apply(&note);
    return *note.GetVoiceTrack();
}

TEST(ACSetVoiceTrack, MovesTracksWithinTheRangeAndLeavesAllTracksAlone) {
    ACSetVoiceTrack toFive(5, 15);
    EXPECT_EQ(After(toFive, 2, 3), MCVoiceTrack(2, 5));
    EXPECT_EQ(After(toFive, 2, 2047), MCVoiceTrack(2, 5));
    EXPECT_EQ(After(toFive, 2, 2046), MCVoiceTrack(2, 2046));
    EXPECT_EQ(After(toFive, 2, 0), MCVoiceTrack(2, 0)) << "below the default range 1..2045";

    ACSetVoiceTrack both(5, 3);
    EXPECT_EQ(After(both, 2, 2046), MCVoiceTrack(2, 2046)) << "the voice stays too";
    EXPECT_EQ(After(both, 2, 0), MCVoiceTrack(2, 0));

    ACSetVoiceTrack narrow(5, 15);
    narrow.SetTrackRange(3, 4);
    EXPECT_EQ(After(narrow, 0, 4), MCVoiceTrack(0, 5));
    EXPECT_EQ(After(narrow, 0, 6), MCVoiceTrack(0, 6));

    ACSetVoiceTrack clamped(5000, 15);
    EXPECT_EQ(After(clamped, 1, 3), MCVoiceTrack(1, 2045));
}

TEST(ACSetVoiceTrack, SetsClampedVoicesWithinTheRangeOrUnset) {
    ACSetVoiceTrack nine(2047, 9);
    for (unsigned voice : {0u, 4u, 8u, 14u, 15u}) {
        EXPECT_EQ(After(nine, voice, 3), MCVoiceTrack(7, 3)) << voice;
    }
    EXPECT_EQ(After(nine, 12, 3), MCVoiceTrack(12, 3));

    ACSetVoiceTrack narrow(2047, 2);
    narrow.SetVoiceRange(4, 5);
    EXPECT_EQ(After(narrow, 5, 3), MCVoiceTrack(2, 3));
    EXPECT_EQ(After(narrow, 3, 3), MCVoiceTrack(3, 3));

    ACSetVoiceTrack nothing;
    EXPECT_EQ(After(nothing, 3, 3), MCVoiceTrack(3, 3));
}

TEST(ACSetVoiceTrack, ADeviceChannelWordCountsAsUnsetAndBecomesAVoiceTrack) {
    Note note;
    note.GetVoiceTrack()->SetDevice(2);
    ACSetVoiceTrack action(6, 1);
    action.Apply(&note);
    EXPECT_EQ(note.GetVoiceTrack()->IsConverted(), 0u);
    EXPECT_EQ(note.GetVoiceTrack()->GetTrack(), 6u);
    EXPECT_EQ(note.GetVoiceTrack()->GetVoice(), 1u);
}

TEST(ACSetVoiceTrack, WalksTheSubtreeAndSkipsElementsWithoutVoiceTrack) {
    auto root = std::make_unique<Untimed>();
    auto* chord = Make<Chord>(0, root.get());
    auto* note = Make<Note>(0, chord);
    ACSetVoiceTrack action(4, 15);
    action.Apply(root.get());
    EXPECT_EQ(chord->GetTrack(), 4);
    EXPECT_EQ(note->GetTrack(), 4);
}

} // namespace
