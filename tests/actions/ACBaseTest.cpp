#include "clavenor/actions/ACBase.h"

#include "support/KindElement.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

using namespace clavenor;
using namespace clavenor::test;

namespace {

// Records the elements it is applied to and answers a chosen code for some of them.
class Recorder : public ACBase {
public:
    using ACBase::ACBase;
    int BeginAction() override {
        ++begins;
        ACBase::BeginAction();
        return beginResult;
    }
    int DoAction(ECBase* e) override {
        visited.push_back(e);
        auto it = results.find(e);
        return it != results.end() ? it->second : 0;
    }
    void EndAction() override { ++ends; }

    std::vector<ECBase*> visited;
    std::map<ECBase*, int> results;
    int begins = 0;
    int ends = 0;
    int beginResult = 1;
};

// measure: a (a1, a2), b (b1), c (c1)
class WalkTest : public ::testing::Test {
protected:
    WalkTest() : root(new Measure) {
        a = Make<Chord>(1, root.get());
        a1 = Make<Note>(1, a);
        a2 = Make<Note>(1, a);
        b = Make<Chord>(2, root.get());
        b1 = Make<Note>(2, b);
        c = Make<Chord>(3, root.get());
        c1 = Make<Note>(3, c);
    }

    std::unique_ptr<Measure> root;
    ECBase *a, *a1, *a2, *b, *b1, *c, *c1;
};

using Visits = std::vector<ECBase*>;

TEST_F(WalkTest, DefaultWalkIsDepthFirstInListOrderWithOneBeginAndOneEnd) {
    Recorder r;
    EXPECT_EQ(r.GetDepth(), 255);
    EXPECT_EQ(r.Apply(root.get()), 0);
    EXPECT_EQ(r.visited, (Visits{root.get(), a, a1, a2, b, b1, c, c1}));
    EXPECT_EQ(r.begins, 1);
    EXPECT_EQ(r.ends, 1);
}

TEST_F(WalkTest, DepthLimitCountsLevelsBelowTheStart) {
    Recorder only;
    only.SetDepth(0);
    EXPECT_EQ(only.Apply(root.get()), 1);
    EXPECT_EQ(only.visited, (Visits{root.get()}));
    EXPECT_EQ(only.ends, 0);

    Recorder one;
    one.SetDepth(1);
    EXPECT_EQ(one.Apply(root.get()), 0);
    EXPECT_EQ(one.visited, (Visits{root.get(), a, b, c}));
    EXPECT_EQ(one.ends, 1);

    Recorder two;
    two.SetDepth(2);
    two.Apply(root.get());
    EXPECT_EQ(two.visited.size(), 8u);
}

TEST_F(WalkTest, DepthIsRestoredWhenAWalkStopsPartway) {
    Recorder r;
    r.SetDepth(1);
    r.results[a] = 2;
    EXPECT_EQ(r.Apply(root.get()), 2);
    r.results.clear();
    r.visited.clear();
    // The same action, not reset: the second walk starts at depth 0 again.
    EXPECT_EQ(r.Apply(root.get()), 0);
    EXPECT_EQ(r.visited, (Visits{root.get(), a, b, c}));
}

TEST_F(WalkTest, ResultOneSkipsTheChildrenOnly) {
    Recorder r;
    r.results[a] = 1;
    EXPECT_EQ(r.Apply(root.get()), 0);
    EXPECT_EQ(r.visited, (Visits{root.get(), a, b, b1, c, c1}));
}

TEST_F(WalkTest, ResultTwoEndsTheWholeWalkAndStillEnds) {
    Recorder r;
    r.results[b] = 2;
    EXPECT_EQ(r.Apply(root.get()), 2);
    EXPECT_EQ(r.visited, (Visits{root.get(), a, a1, a2, b}));
    EXPECT_EQ(r.ends, 1);

    Recorder deep;
    deep.results[a1] = 2;
    EXPECT_EQ(deep.Apply(root.get()), 2);
    EXPECT_EQ(deep.visited, (Visits{root.get(), a, a1}));
}

TEST_F(WalkTest, ResultThreeEndsTheSiblingGroupAndTheWalkGoesOnAbove) {
    Recorder r;
    r.results[a1] = 3;
    EXPECT_EQ(r.Apply(root.get()), 0);
    EXPECT_EQ(r.visited, (Visits{root.get(), a, a1, b, b1, c, c1}));
    EXPECT_EQ(r.ends, 1);
}

TEST_F(WalkTest, AbortBelowTheStartStopsEverythingAndReportsFailure) {
    Recorder r;
    r.results[a2] = -1;
    EXPECT_EQ(r.Apply(root.get()), -1);
    EXPECT_EQ(r.visited, (Visits{root.get(), a, a1, a2}));
    EXPECT_EQ(r.ends, 1);
}

TEST_F(WalkTest, TheStartElementsOwnStopCodesReturnAtOnceWithoutEnd) {
    for (int code : {-1, 1, 2, 3}) {
        Recorder r;
        r.results[root.get()] = code;
        EXPECT_EQ(r.Apply(root.get()), code);
        EXPECT_EQ(r.visited, (Visits{root.get()}));
        EXPECT_EQ(r.ends, 0) << code;
    }
}

TEST_F(WalkTest, OtherCodesDescendAndAreCarriedAsTheResult) {
    Recorder own;
    own.results[root.get()] = 7;
    // Descends, and the children's 0 replace the start's code.
    EXPECT_EQ(own.Apply(root.get()), 0);
    EXPECT_EQ(own.visited.size(), 8u);

    Recorder last;
    last.results[c1] = 9;
    EXPECT_EQ(last.Apply(root.get()), 9);

    Recorder middle;
    middle.results[a] = -5;
    EXPECT_EQ(middle.Apply(root.get()), 0);
    EXPECT_EQ(middle.visited.size(), 8u);

    Recorder leaf;
    leaf.results[c1] = 4;
    EXPECT_EQ(leaf.Apply(c1), 4);
    EXPECT_EQ(leaf.ends, 1);
}

TEST_F(WalkTest, BeginActionRunsOnceUntilReset) {
    Recorder r;
    r.Apply(a);
    r.Apply(b);
    EXPECT_EQ(r.begins, 1);
    EXPECT_EQ(r.ends, 2);
    r.Reset();
    r.Apply(c);
    EXPECT_EQ(r.begins, 2);
}

TEST_F(WalkTest, RefusedBeginActionReturnsMinusOneWithoutVisiting) {
    Recorder r;
    r.beginResult = 0;
    EXPECT_EQ(r.Apply(root.get()), -1);
    EXPECT_EQ(r.Apply(root.get()), -1);
    EXPECT_TRUE(r.visited.empty());
    EXPECT_EQ(r.begins, 2);
    EXPECT_EQ(r.ends, 0);
}

TEST_F(WalkTest, AnElementMayDetachItselfWhileVisited) {
    class Detacher : public Recorder {
    public:
        int DoAction(ECBase* e) override {
            Recorder::DoAction(e);
            if (e == victim) {
                victim->RemoveFromParents();
            }
            return 0;
        }
        ECBase* victim = nullptr;
    } r;
    r.victim = a1;
    a1->Ref();
    r.Apply(root.get());
    EXPECT_EQ(r.visited, (Visits{root.get(), a, a1, a2, b, b1, c, c1}));
    EXPECT_EQ(a->GetChildren()->GetCount(), 1);
    a1->Unref(1);
}

TEST(ACBaseFilters, DefaultClipActsOnSpanningMarksButDoesNotEnterThem) {
    auto measure = std::make_unique<Measure>();
    auto* chord = Make<Chord>(1, measure.get());
    auto* note = Make<Note>(1, chord);
    auto* beam = Make<Beam>(1, measure.get());
    beam->AddChild(chord, 0);

    Recorder byDefault;
    EXPECT_EQ(byDefault.ShouldClip(beam), 1);
    byDefault.Apply(measure.get());
    EXPECT_EQ(byDefault.visited, (Visits{measure.get(), chord, note, beam}));

    Recorder clipped;
    EXPECT_EQ(clipped.Apply(beam), 1);
    EXPECT_EQ(clipped.ends, 0);

    Recorder unclipped;
    unclipped.ClipNone();
    EXPECT_EQ(unclipped.ShouldClip(beam), 0);
    unclipped.Apply(measure.get());
    EXPECT_EQ(unclipped.visited, (Visits{measure.get(), chord, note, beam, chord, note}));

    Recorder minusOne;
    minusOne.ClipEvtType(-1);
    minusOne.Apply(measure.get());
    EXPECT_EQ(minusOne.visited.size(), 6u);

    Recorder chords;
    chords.ClipNone();
    chords.ClipEvtType(EventId::Chord);
    chords.Apply(measure.get());
    EXPECT_EQ(chords.visited, (Visits{measure.get(), chord, beam, chord}));

    // A clipped element's own stop code wins over the clip.
    Recorder stop;
    stop.results[beam] = 2;
    EXPECT_EQ(stop.Apply(beam), 2);
}

TEST(ACBaseFilters, DefaultBypassWalksThroughEnvelopesWithoutActingOnThem) {
    auto measure = std::make_unique<Measure>();
    auto* envelope = Make<Envelope>(0, measure.get());
    auto* p1 = Make<EnvPoint>(0, envelope);
    auto* p2 = Make<EnvPoint>(1, envelope);
    auto* chord = Make<Chord>(1, measure.get());
    Make<Note>(1, chord);

    Recorder byDefault;
    EXPECT_EQ(byDefault.ShouldBypass(envelope), 1);
    byDefault.Apply(measure.get());
    EXPECT_EQ(byDefault.visited,
              (Visits{measure.get(), p1, p2, chord, chord->GetChildren()->GetHead()}));

    // A bypassed element is no level: with depth 1 its points are visited, the note under
    // the chord is not.
    Recorder shallow;
    shallow.SetDepth(1);
    shallow.Apply(measure.get());
    EXPECT_EQ(shallow.visited, (Visits{measure.get(), p1, p2, chord}));

    Recorder start;
    start.SetDepth(0);
    start.Apply(envelope);
    EXPECT_EQ(start.visited, (Visits{p1, p2}));

    Recorder none;
    none.BypassNone();
    none.Apply(measure.get());
    EXPECT_EQ(none.visited.size(), 6u);
    EXPECT_EQ(none.visited[1], envelope);

    Recorder custom;
    custom.BypassNone();
    custom.BypassEvtType(EventId::Chord);
    custom.Apply(measure.get());
    EXPECT_EQ(custom.visited.size(), 5u);
    EXPECT_EQ(custom.visited.back(), chord->GetChildren()->GetHead());
}

TEST(ACBaseReverse, WalksParentsInListOrderDepthFirst) {
    auto staffOfMeasure = std::make_unique<Staff>();
    auto* measure = Make<Measure>(0, staffOfMeasure.get());
    auto* chord = Make<Chord>(0, measure);
    auto* beam = Make<Beam>(0, measure);
    beam->AddChild(chord, 0);
    auto staffOfBeam = std::make_unique<Staff>();
    staffOfBeam->AddChild(beam, 0);

    Recorder up(1);
    EXPECT_EQ(up.IsReverse(), 1);
    up.Apply(chord);
    // The measure's ancestors come before the beam; the beam is clipped, so its own parent
    // is not reached.
    EXPECT_EQ(up.visited, (Visits{chord, measure, staffOfMeasure.get(), beam}));

    Recorder all(1);
    all.ClipNone();
    all.Apply(chord);
    EXPECT_EQ(all.visited, (Visits{chord, measure, staffOfMeasure.get(), beam, measure,
                                   staffOfMeasure.get(), staffOfBeam.get()}));

    Recorder flags;
    flags.SetReverse(3);
    EXPECT_EQ(flags.IsReverse(), 1);
    flags.SetReverse(2);
    EXPECT_EQ(flags.IsReverse(), 0);
}

TEST_F(WalkTest, ListWalkStopsAtTheFirstStopUnlessTold) {
    MCEventList list;
    list.AddTail(a);
    list.AddTail(b);
    list.AddTail(c);

    Recorder stops;
    stops.results[b] = 2;
    EXPECT_EQ(stops.Apply(&list, 0), 2);
    EXPECT_EQ(stops.visited, (Visits{a, a1, a2, b}));
    EXPECT_EQ(stops.ends, 1);

    for (int code : {-1, 3}) {
        Recorder other;
        other.results[a] = code;
        EXPECT_EQ(other.Apply(&list, 0), 2) << code;
        EXPECT_EQ(other.visited, (Visits{a})) << code;
    }

    Recorder goesOn;
    goesOn.results[b] = 2;
    goesOn.results[c1] = 5;
    EXPECT_EQ(goesOn.Apply(&list, 1), 5);
    EXPECT_EQ(goesOn.visited, (Visits{a, a1, a2, b, c, c1}));
    EXPECT_EQ(goesOn.ends, 1);
    EXPECT_EQ(goesOn.begins, 1);

    // List mode stays: a later single walk of the same action does not end.
    goesOn.Apply(a);
    EXPECT_EQ(goesOn.ends, 1);
}

TEST_F(WalkTest, ListWalkSkipsNullsAndEndsEvenWhenEmpty) {
    MCEventList list;
    list.AddTail(static_cast<CObject*>(nullptr));
    list.AddTail(b);
    Recorder r;
    EXPECT_EQ(r.Apply(&list, 0), 0);
    EXPECT_EQ(r.visited, (Visits{b, b1}));

    MCEventList empty;
    Recorder e;
    EXPECT_EQ(e.Apply(&empty, 0), 0);
    EXPECT_EQ(e.ends, 1);
    EXPECT_EQ(e.Apply(static_cast<MCEventList*>(nullptr), 0), 0);
}

} // namespace
