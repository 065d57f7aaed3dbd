#include "clavenor/actions/ACCount.h"

#include "support/KindElement.h"

#include <gtest/gtest.h>

#include <memory>

using namespace clavenor;
using namespace clavenor::test;

namespace {

TEST(ACCount, CountsTheStartAndEveryActedOnElementButNotBypassedOnes) {
    auto measure = std::make_unique<Measure>();
    auto* envelope = Make<Envelope>(0, measure.get());
    Make<EnvPoint>(0, envelope);
    Make<EnvPoint>(1, envelope);
    auto* chord = Make<Chord>(0, measure.get());
    Make<Note>(0, chord);

    ACCount all;
    EXPECT_EQ(all.Apply(measure.get()), 0);
    EXPECT_EQ(all.GetEventCount(), 5);

    ACCount notes;
    notes.AddEvtType(EventId::Note);
    notes.Apply(measure.get());
    EXPECT_EQ(notes.GetEventCount(), 1);
}

TEST(ACCount, AccumulatesOverWalksUntilReset) {
    auto chord = std::make_unique<Chord>();
    Make<Note>(0, chord.get());
    ACCount count;
    count.Apply(chord.get());
    count.Apply(chord.get());
    EXPECT_EQ(count.GetEventCount(), 4);
    count.Reset();
    count.Apply(chord.get());
    EXPECT_EQ(count.GetEventCount(), 2);
}

} // namespace
