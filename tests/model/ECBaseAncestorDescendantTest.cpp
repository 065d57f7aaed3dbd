#include "clavenor/model/ECBase.h"

#include "support/KindElement.h"

#include <gtest/gtest.h>

#include <memory>

using namespace clavenor;
using namespace clavenor::test;

namespace {

TEST(ECBaseGetDescendant, SearchesFromTheElementItselfWithinTheDepth) {
    auto measure = std::make_unique<Measure>();
    auto* chord = Make<Chord>(1, measure.get());
    auto* first = Make<Note>(1, chord);
    Make<Note>(1, chord);

    EXPECT_EQ(first->GetDescendant(EventId::Note, -1), first);
    EXPECT_EQ(first->GetDescendant(EventId::Note, 0), first);
    EXPECT_EQ(chord->GetDescendant(EventId::Note, 0), nullptr);
    EXPECT_EQ(chord->GetDescendant(EventId::Note, 1), first);
    EXPECT_EQ(measure->GetDescendant(EventId::Note, 1), nullptr);
    EXPECT_EQ(measure->GetDescendant(EventId::Note, 2), first);
    EXPECT_EQ(measure->GetDescendant(EventId::Rest, -1), nullptr);
}

TEST(ECBaseGetDescendant, IsDepthFirstKeepsOutOfBeamsAndFindsEnvelopes) {
    auto measure = std::make_unique<Measure>();
    auto* beam = Make<Beam>(0, measure.get());
    auto* beamed = Make<Note>(0, beam);
    auto* chord = Make<Chord>(0, measure.get());
    auto* deep = Make<Clef>(0, Make<Note>(0, chord));
    auto* later = Make<Clef>(1, measure.get());
    auto* envelope = Make<Envelope>(2, measure.get());

    // A note that only a beam holds is not found; the beam itself is.
    EXPECT_EQ(measure->GetDescendant(EventId::Note, -1), chord->GetChildren()->GetHead());
    EXPECT_NE(measure->GetDescendant(EventId::Note, -1), beamed);
    EXPECT_EQ(measure->GetDescendant(EventId::Beam, -1), beam);
    // The chord's subtree comes before the chord's next sibling.
    EXPECT_EQ(measure->GetDescendant(EventId::Clef, -1), deep);
    EXPECT_NE(deep, later);
    EXPECT_EQ(measure->GetDescendant(EventId::Envelope, -1), envelope);
}

TEST(ECBaseGetAncestor, WalksParentsWithoutClippingWithinTheDepth) {
    // chord's parents: the beam (listed first), then the measure; each has its own staff.
    auto beamStaff = std::make_unique<Staff>();
    auto measureStaff = std::make_unique<Staff>();
    auto* beam = Make<Beam>(0, beamStaff.get());
    auto* measure = Make<Measure>(0, measureStaff.get());
    auto* chord = Make<Chord>(0, beam);
    measure->AddChild(chord, 0);
    auto* note = Make<Note>(0, chord);

    EXPECT_EQ(note->GetAncestor(EventId::Note, 0), note);
    EXPECT_EQ(note->GetAncestor(EventId::Chord, 0), nullptr);
    EXPECT_EQ(note->GetAncestor(EventId::Chord, 1), chord);
    EXPECT_EQ(note->GetAncestor(EventId::Measure, 1), nullptr);
    EXPECT_EQ(note->GetAncestor(EventId::Measure, 2), measure);
    // Through the beam, which a default walk would not leave.
    EXPECT_EQ(note->GetAncestor(EventId::Staff, -1), beamStaff.get());
    EXPECT_EQ(measure->GetAncestor(EventId::Staff, -1), measureStaff.get());
    EXPECT_EQ(note->GetAncestor(EventId::Performance, -1), nullptr);
}

TEST(ECBaseGetAncestor, PassesThroughAndFindsEnvelopes) {
    auto measure = std::make_unique<Measure>();
    auto* envelope = Make<Envelope>(0, measure.get());
    auto* point = Make<EnvPoint>(0, envelope);
    EXPECT_EQ(point->GetAncestor(EventId::Envelope, 1), envelope);
    // Not bypassed, so the envelope counts as a level.
    EXPECT_EQ(point->GetAncestor(EventId::Measure, 1), nullptr);
    EXPECT_EQ(point->GetAncestor(EventId::Measure, 2), measure.get());
}

} // namespace
