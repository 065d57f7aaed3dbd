#include "clavenor/actions/ACGetVoiceTrack.h"

#include "support/KindElement.h"

#include <gtest/gtest.h>

#include <memory>

using namespace clavenor;
using namespace clavenor::test;

namespace {

TEST(ACGetVoiceTrack, TakesTheOwnValueElseTheNearestAncestorsInParentOrder) {
    auto first = std::make_unique<Untimed>();
    auto* inner = MakeUntimed<Untimed>(first.get());
    auto second = std::make_unique<Chord>();
    second->SetVoiceTrack(5, 9);
    auto outer = std::make_unique<Chord>();
    outer->SetVoiceTrack(3, 7);
    outer->AddChild(first.get(), 0);
    auto* element = MakeUntimed<Untimed>(inner);
    second->AddChild(element, 0);

    // element's parents: inner (no voice/track; its parent first, whose parent outer has
    // voice 3), then second (voice 5): depth first, so outer wins.
    ACGetVoiceTrack get;
    EXPECT_EQ(get.Apply(element), 2);
    EXPECT_EQ(get.GetVoiceTrack().GetVoice(), 3u);
    EXPECT_EQ(get.GetVoiceTrack().GetTrack(), 7u);

    auto* own = Make<Note>(0, inner);
    own->SetVoiceTrack(2, 4);
    ACGetVoiceTrack mine;
    mine.Apply(own);
    EXPECT_EQ(mine.GetVoiceTrack().GetVoice(), 2u);

    outer->RemoveChild(first.get(), 0);
}

TEST(ACGetVoiceTrack, KeepsItsValueWhenAWalkFindsNone) {
    Untimed alone;
    ACGetVoiceTrack get;
    EXPECT_EQ(get.Apply(&alone), 0);
    EXPECT_EQ(get.GetVoiceTrack().GetValue(), 0x7FFFu);

    Chord chord;
    chord.SetVoiceTrack(1, 1);
    get.Apply(&chord);
    get.Reset();
    get.Apply(&alone);
    EXPECT_EQ(get.GetVoiceTrack().GetVoice(), 1u);
}

} // namespace
