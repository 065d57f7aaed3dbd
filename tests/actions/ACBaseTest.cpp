#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

using namespace clavenor;
using namespace clavenor::test;

namespace {

using Visits = std::vector<ECBase*>;

// Records the elements it is applied to and answers a chosen code for some of them.
template <class Base>
class Recording : public Base {
public:
    using Base::Base;
    int BeginAction() override {
        ++begins;
        Base::BeginAction();
        return beginResult;
    }
    int DoAction(ECBase* e) override {
        visited.push_back(e);
        auto it = results.find(e);
        return it != results.end() ? it->second : 0;
    }
    void EndAction() override { ++ends; }

    Visits visited;
    std::map<ECBase*, int> results;
    int begins = 0, ends = 0, beginResult = 1;
};
using Recorder = Recording<ACBase>;
using PostOrder = Recording<ACRelativesFirst>;

// measure: a (a1, a2), b (b1), c (c1)
class WalkTest : public ::testing::Test {
protected:
    std::unique_ptr<Measure> root{new Measure};
    ECBase* a = Make<Chord>(1, root.get());
    ECBase* a1 = Make<Note>(1, a);
    ECBase* a2 = Make<Note>(1, a);
    ECBase* b = Make<Chord>(2, root.get());
    ECBase* b1 = Make<Note>(2, b);
    ECBase* c = Make<Chord>(3, root.get());
    ECBase* c1 = Make<Note>(3, c);
    ECBase* m = root.get();
};

TEST_F(WalkTest, DefaultWalkIsDepthFirstInListOrderWithOneBeginAndOneEnd) {
    Recorder r;
    EXPECT_EQ(r.GetDepth(), 255);
    EXPECT_EQ(r.Apply(m), 0);
    EXPECT_EQ(r.visited, (Visits{m, a, a1, a2, b, b1, c, c1}));
    EXPECT_TRUE(r.begins == 1 && r.ends == 1);
}

TEST_F(WalkTest, DepthLimitCountsLevelsBelowTheStartAndIsRestoredAfterAStop) {
    Recorder only, one, two;
    only.SetDepth(0);
    EXPECT_EQ(only.Apply(m), 1);
    EXPECT_TRUE(only.visited == Visits{m} && only.ends == 0);
    one.SetDepth(1);
    one.results[a] = 2;
    EXPECT_EQ(one.Apply(m), 2);
    one.results.clear();
    one.visited.clear();
    EXPECT_EQ(one.Apply(m), 0) << "the same action starts at depth 0 again";
    EXPECT_EQ(one.visited, (Visits{m, a, b, c}));
    two.SetDepth(2);
    two.Apply(m);
    EXPECT_EQ(two.visited.size(), 8u);
}

TEST_F(WalkTest, ResultCodesBelowTheStart) {
    struct Case {
        ECBase* at;
        int code, result;
        Visits visited;
    };
    const Case cases[] = {
        {a, 1, 0, {m, a, b, b1, c, c1}},      // skips the children only
        {b, 2, 2, {m, a, a1, a2, b}},         // ends the whole walk
        {a1, 2, 2, {m, a, a1}},               //
        {a1, 3, 0, {m, a, a1, b, b1, c, c1}}, // ends the sibling group
        {a2, -1, -1, {m, a, a1, a2}},         // aborts
        {a, -5, 0, {m, a, a1, a2, b, b1, c, c1}},
        {c1, 9, 9, {m, a, a1, a2, b, b1, c, c1}}, // other codes are carried as the result
        {m, 7, 0, {m, a, a1, a2, b, b1, c, c1}},  // ... and replaced by later ones
    };
    for (const Case& k : cases) {
        Recorder r;
        r.results[k.at] = k.code;
        EXPECT_EQ(r.Apply(m), k.result) << k.code;
        EXPECT_EQ(r.visited, k.visited) << k.code;
        EXPECT_EQ(r.ends, 1) << k.code;
    }
}

TEST_F(WalkTest, TheStartElementsOwnStopCodesReturnAtOnceWithoutEnd) {
    for (int code : {-1, 1, 2, 3}) {
        Recorder r;
        r.results[m] = code;
        EXPECT_EQ(r.Apply(m), code);
        EXPECT_TRUE(r.visited == Visits{m} && r.ends == 0) << code;
    }
    Recorder leaf;
    leaf.results[c1] = 4;
    EXPECT_EQ(leaf.Apply(c1), 4);
    EXPECT_EQ(leaf.ends, 1);
}

TEST_F(WalkTest, BeginActionRunsOnceUntilResetAndARefusalVisitsNothing) {
    Recorder r;
    r.Apply(a);
    r.Apply(b);
    EXPECT_TRUE(r.begins == 1 && r.ends == 2);
    r.Reset();
    r.Apply(c);
    EXPECT_EQ(r.begins, 2);

    Recorder refused;
    refused.beginResult = 0;
    EXPECT_EQ(refused.Apply(m), -1);
    EXPECT_EQ(refused.Apply(m), -1);
    EXPECT_TRUE(refused.visited.empty() && refused.begins == 2 && refused.ends == 0);
}

TEST_F(WalkTest, AnElementMayDetachItselfWhileVisited) {
    struct Detacher : Recorder {
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
    r.Apply(m);
    EXPECT_EQ(r.visited, (Visits{m, a, a1, a2, b, b1, c, c1}));
    EXPECT_EQ(a->GetChildren()->GetCount(), 1);
    a1->Unref(1);
}

TEST(ACBaseFilters, DefaultClipActsOnSpanningMarksButDoesNotEnterThem) {
    auto measure = std::make_unique<Measure>();
    ECBase* m = measure.get();
    auto* chord = Make<Chord>(1, m);
    auto* note = Make<Note>(1, chord);
    auto* beam = Make<Beam>(1, m);
    beam->AddChild(chord, 0);

    Recorder byDefault, clipped, unclipped, minusOne, chords, stop;
    EXPECT_EQ(byDefault.ShouldClip(beam), 1);
    byDefault.Apply(m);
    EXPECT_EQ(byDefault.visited, (Visits{m, chord, note, beam}));
    EXPECT_EQ(clipped.Apply(beam), 1);
    EXPECT_EQ(clipped.ends, 0);
    unclipped.ClipNone();
    EXPECT_EQ(unclipped.ShouldClip(beam), 0);
    unclipped.Apply(m);
    EXPECT_EQ(unclipped.visited, (Visits{m, chord, note, beam, chord, note}));
    minusOne.ClipEvtType(-1);
    minusOne.Apply(m);
    EXPECT_EQ(minusOne.visited.size(), 6u);
    chords.ClipNone();
    chords.ClipEvtType(EventId::Chord);
    chords.Apply(m);
    EXPECT_EQ(chords.visited, (Visits{m, chord, beam, chord}));
    stop.results[beam] = 2;
    EXPECT_EQ(stop.Apply(beam), 2) << "a clipped element's own stop code wins";
}

TEST(ACBaseFilters, DefaultBypassWalksThroughEnvelopesWithoutActingOnThem) {
    auto measure = std::make_unique<Measure>();
    ECBase* m = measure.get();
    auto* envelope = Make<Envelope>(0, m);
    auto* p1 = Make<EnvPoint>(0, envelope);
    auto* p2 = Make<EnvPoint>(1, envelope);
    auto* chord = Make<Chord>(1, m);
    auto* note = Make<Note>(1, chord);

    Recorder byDefault, shallow, start, none, custom;
    EXPECT_EQ(byDefault.ShouldBypass(envelope), 1);
    byDefault.Apply(m);
    EXPECT_EQ(byDefault.visited, (Visits{m, p1, p2, chord, note}));
    // A bypassed element is no level: with depth 1 its points are visited, the note is not.
    shallow.SetDepth(1);
    shallow.Apply(m);
    EXPECT_EQ(shallow.visited, (Visits{m, p1, p2, chord}));
    start.SetDepth(0);
    start.Apply(envelope);
    EXPECT_EQ(start.visited, (Visits{p1, p2}));
    none.BypassNone();
    none.Apply(m);
    EXPECT_EQ(none.visited, (Visits{m, envelope, p1, p2, chord, note}));
    custom.BypassNone();
    custom.BypassEvtType(EventId::Chord);
    custom.Apply(m);
    EXPECT_EQ(custom.visited, (Visits{m, envelope, p1, p2, note}));
}

TEST(ACBaseReverse, WalksParentsInListOrderDepthFirst) {
    auto staffOfMeasure = std::make_unique<Staff>(), staffOfBeam = std::make_unique<Staff>();
    ECBase* s1 = staffOfMeasure.get();
    auto* measure = Make<Measure>(0, s1);
    auto* chord = Make<Chord>(0, measure);
    auto* beam = Make<Beam>(0, measure);
    beam->AddChild(chord, 0);
    staffOfBeam->AddChild(beam, 0);

    Recorder up(1), all(1), flags;
    EXPECT_EQ(up.IsReverse(), 1);
    up.Apply(chord);
    // The measure's ancestors come before the beam; the beam is clipped, so its own parent
    // is not reached.
    EXPECT_EQ(up.visited, (Visits{chord, measure, s1, beam}));
    all.ClipNone();
    all.Apply(chord);
    EXPECT_EQ(all.visited, (Visits{chord, measure, s1, beam, measure, s1, staffOfBeam.get()}));
    flags.SetReverse(3);
    EXPECT_EQ(flags.IsReverse(), 1);
    flags.SetReverse(2);
    EXPECT_EQ(flags.IsReverse(), 0);
}

TEST_F(WalkTest, ListWalkStopsAtTheFirstStopUnlessTold) {
    MCEventList list;
    for (ECBase* e : {a, b, c}) {
        list.AddTail(e);
    }
    Recorder stops, goesOn;
    stops.results[b] = 2;
    EXPECT_EQ(stops.Apply(&list, 0), 2);
    EXPECT_TRUE(stops.visited == (Visits{a, a1, a2, b}) && stops.ends == 1);
    for (int code : {-1, 3}) {
        Recorder other;
        other.results[a] = code;
        EXPECT_EQ(other.Apply(&list, 0), 2) << code;
        EXPECT_EQ(other.visited, (Visits{a})) << code;
    }
    goesOn.results[b] = 2;
    goesOn.results[c1] = 5;
    EXPECT_EQ(goesOn.Apply(&list, 1), 5);
    EXPECT_EQ(goesOn.visited, (Visits{a, a1, a2, b, c, c1}));
    EXPECT_TRUE(goesOn.ends == 1 && goesOn.begins == 1);
    goesOn.Apply(a);
    EXPECT_EQ(goesOn.ends, 1) << "list mode stays: a later single walk does not end";

    MCEventList holes, empty;
    holes.AddTail(static_cast<CObject*>(nullptr));
    holes.AddTail(b);
    Recorder r, e;
    EXPECT_EQ(r.Apply(&holes, 0), 0);
    EXPECT_EQ(r.visited, (Visits{b, b1}));
    EXPECT_EQ(e.Apply(&empty, 0), 0);
    EXPECT_EQ(e.ends, 1);
    EXPECT_EQ(e.Apply(static_cast<MCEventList*>(nullptr), 0), 0);
}

// ACRelativesFirst: measure (chord (n1, n2), beam (beamed)).
class RelativesFirstTest : public ::testing::Test {
protected:
    std::unique_ptr<Measure> measure{new Measure};
    ECBase* m = measure.get();
    ECBase* chord = Make<Chord>(0, m);
    ECBase* n1 = Make<Note>(0, chord);
    ECBase* n2 = Make<Note>(0, chord);
    ECBase* beam = Make<Beam>(0, m);
    ECBase* beamed = Make<Chord>(1, beam);
};

TEST_F(RelativesFirstTest, ChildrenComeBeforeTheirParentAndEveryLevelEnds) {
    PostOrder walk, beamOnly;
    EXPECT_EQ(walk.Apply(m), 0);
    // A clipped beam's children are walked all the same.
    EXPECT_EQ(walk.visited, (Visits{n1, n2, chord, beamed, beam, m}));
    EXPECT_EQ(walk.ends, 6);
    EXPECT_EQ(beamOnly.Apply(beam), 1);

    const std::tuple<ECBase*, int, int, Visits> stops[] = {
        {n1, 2, 2, {n1}}, {n2, -1, -1, {n1, n2}}, {n1, 3, 0, {n1, chord, beamed, beam, m}}};
    for (const auto& [at, code, result, visited] : stops) {
        PostOrder r;
        r.results[at] = code;
        EXPECT_EQ(r.Apply(m), result) << code;
        EXPECT_EQ(r.visited, visited) << code;
    }
}

TEST_F(RelativesFirstTest, DepthBypassReverseAndListMode) {
    PostOrder shallow, bypassed, up, listed, stopped;
    shallow.SetDepth(1);
    shallow.Apply(m);
    EXPECT_EQ(shallow.visited, (Visits{chord, beam, m}));
    auto* envelope = Make<Envelope>(2, m);
    auto* point = Make<EnvPoint>(2, envelope);
    bypassed.SetDepth(1);
    bypassed.Apply(m);
    EXPECT_EQ(bypassed.visited, (Visits{chord, beam, point, envelope, m}));
    up.SetReverse(1);
    up.Apply(n1);
    EXPECT_EQ(up.visited, (Visits{m, chord, n1}));

    MCEventList list;
    list.AddTail(chord);
    list.AddTail(beam);
    EXPECT_EQ(listed.Apply(&list, 0), 1);
    EXPECT_EQ(listed.visited, (Visits{n1, n2, chord, beamed, beam}));
    EXPECT_EQ(listed.ends, 1);
    stopped.results[chord] = 3;
    EXPECT_EQ(stopped.Apply(&list, 0), 2);
    EXPECT_EQ(stopped.visited, (Visits{n1, n2, chord}));
}

} // namespace
