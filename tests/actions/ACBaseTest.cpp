#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>

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
        if (e == detach) {
            e->RemoveFromParents();
        }
        auto it = results.find(e);
        return it != results.end() ? it->second : 0;
    }
    void EndAction() override { ++ends; }

    Visits visited;
    std::map<ECBase*, int> results;
    int begins = 0, ends = 0, beginResult = 1;
    ECBase* detach = nullptr; // taken out of its parents when visited
};
using Recorder = Recording<ACBase>;
using PostOrder = Recording<ACRelativesFirst>;

// measure: a (a1, a2), b (b1), c (c1)
class WalkTest : public ::testing::Test {
protected:
    Measure root;
    ECBase* m = &root;
    ECBase* a = Make<Chord>(1, m);
    ECBase* a1 = Make<Note>(1, a);
    ECBase* a2 = Make<Note>(1, a);
    ECBase* b = Make<Chord>(2, m);
    ECBase* b1 = Make<Note>(2, b);
    ECBase* c = Make<Chord>(3, m);
    ECBase* c1 = Make<Note>(3, c);
};

// Depth counts levels below the start (255 by default). Below the start, 1 skips the
// children, 2 ends the walk, 3 ends the sibling group, -1 aborts, and other codes are carried
// as the result until replaced; the start's own stop codes return at once without EndAction.
TEST_F(WalkTest, DepthAndResultCodes) {
    const Visits all{m, a, a1, a2, b, b1, c, c1};
    struct Case {
        int depth;
        ECBase *at, *start;
        int code, result;
        Visits visited;
        int ends;
    };
    const Case cases[] = {{255, nullptr, m, 0, 0, all, 1},
                          {0, nullptr, m, 0, 1, {m}, 0},
                          {1, nullptr, m, 0, 0, {m, a, b, c}, 1},
                          {2, nullptr, m, 0, 0, all, 1},
                          {255, a, m, 1, 0, {m, a, b, b1, c, c1}, 1},
                          {255, b, m, 2, 2, {m, a, a1, a2, b}, 1},
                          {255, a1, m, 2, 2, {m, a, a1}, 1},
                          {255, a1, m, 3, 0, {m, a, a1, b, b1, c, c1}, 1},
                          {255, a2, m, -1, -1, {m, a, a1, a2}, 1},
                          {255, c1, m, 9, 9, all, 1},
                          {255, m, m, 7, 0, all, 1},
                          {255, m, m, -1, -1, {m}, 0},
                          {255, m, m, 1, 1, {m}, 0},
                          {255, m, m, 2, 2, {m}, 0},
                          {255, m, m, 3, 3, {m}, 0},
                          {255, c1, c1, 4, 4, {c1}, 1}};
    for (const Case& k : cases) {
        Recorder r;
        EXPECT_EQ(r.GetDepth(), 255);
        r.SetDepth(k.depth);
        r.results[k.at] = k.code;
        EXPECT_EQ(r.Apply(k.start), k.result) << k.depth << " " << k.code;
        EXPECT_EQ(r.visited, k.visited) << k.depth << " " << k.code;
        EXPECT_EQ(r.begins, 1) << k.depth << " " << k.code;
        EXPECT_EQ(r.ends, k.ends) << k.depth << " " << k.code;
    }

    Recorder stopped;
    stopped.SetDepth(1);
    stopped.results[a] = 2;
    EXPECT_EQ(stopped.Apply(m), 2);
    stopped.results.clear();
    stopped.visited.clear();
    EXPECT_EQ(stopped.Apply(m), 0) << "the same action starts at depth 0 again";
    EXPECT_EQ(stopped.visited, (Visits{m, a, b, c}));
}

TEST_F(WalkTest, BeginActionRunsOnceUntilResetAndARefusalVisitsNothing) {
    Recorder r;
    r.Apply(a);
    r.Apply(b);
    EXPECT_EQ(r.begins, 1);
    EXPECT_EQ(r.ends, 2);
    r.Reset();
    r.Apply(c);
    EXPECT_EQ(r.begins, 2);

    Recorder refused;
    refused.beginResult = 0;
    EXPECT_EQ(refused.Apply(m), -1);
    EXPECT_EQ(refused.Apply(m), -1);
    EXPECT_TRUE(refused.visited.empty());
    EXPECT_EQ(refused.begins, 2);
    EXPECT_EQ(refused.ends, 0);
}

TEST_F(WalkTest, AnElementMayDetachItselfWhileVisited) {
    Recorder r;
    r.detach = a1;
    a1->Ref();
    r.Apply(m);
    EXPECT_EQ(r.visited, (Visits{m, a, a1, a2, b, b1, c, c1}));
    EXPECT_EQ(a->GetChildren()->GetCount(), 1);
    a1->Unref(1);
}

// A host's own element types, beyond those the library knows, and negative ones filter as
// the library's own do, and a filter on one of them catches no other type.
TEST(ACBaseFilters, TypesBeyondTheLibrarysOwnFilterToo) {
    constexpr int HostKind = 200;
    constexpr int NegativeKind = -5;
    Measure root;
    auto* own = Make<KindElement<HostKind>>(1, &root);
    auto* inside = Make<Note>(1, own);
    auto* odd = Make<KindElement<NegativeKind>>(2, &root);
    auto* note = Make<Note>(3, &root);

    using Setup = void (*)(Recorder&);
    const std::pair<Setup, Visits> cases[] = {
        {[](Recorder& r) { r.ClipEvtType(HostKind); }, {&root, own, odd, note}},
        {[](Recorder& r) { r.BypassEvtType(HostKind); }, {&root, inside, odd, note}},
        {[](Recorder& r) { r.BypassEvtType(NegativeKind); }, {&root, own, inside, note}},
        {[](Recorder& r) { r.ClipEvtType(HostKind + 64), r.BypassEvtType(NegativeKind - 1); },
         {&root, own, inside, odd, note}},
    };
    for (const auto& [setup, visits] : cases) {
        Recorder r;
        setup(r);
        r.Apply(&root);
        EXPECT_EQ(r.visited, visits);
    }
}

// By default a beam is clipped (acted on, not entered) and an envelope bypassed (walked
// through, not acted on, and no level of depth). A reverse walk goes up the parents lists.
TEST(ACBaseFilters, ClipBypassAndReverseDecideWhatIsActedOnAndEntered) {
    Staff top, beamStaff;
    auto* m = Make<Measure>(0, &top);
    auto* envelope = Make<Envelope>(0, m);
    auto* p1 = Make<EnvPoint>(0, envelope);
    auto* p2 = Make<EnvPoint>(1, envelope);
    auto* chord = Make<Chord>(1, m);
    auto* note = Make<Note>(1, chord);
    auto* beam = Make<Beam>(1, m);
    ASSERT_EQ(beam->AddChild(chord, 0), 1);
    ASSERT_EQ(beamStaff.AddChild(beam, 0), 1);

    using Setup = void (*)(Recorder&);
    const std::tuple<Setup, ECBase*, int, Visits> cases[] = {
        {[](Recorder&) {}, m, 0, {m, p1, p2, chord, note, beam}},
        {[](Recorder&) {}, beam, 1, {beam}},
        {[](Recorder& r) { r.ClipNone(); }, m, 0, {m, p1, p2, chord, note, beam, chord, note}},
        {[](Recorder& r) { r.ClipEvtType(-1); }, m, 0, {m, p1, p2, chord, note, beam, chord, note}},
        {[](Recorder& r) { r.ClipNone(), r.ClipEvtType(EventId::Chord); },
         m,
         0,
         {m, p1, p2, chord, beam, chord}},
        {[](Recorder& r) { r.BypassNone(); }, m, 0, {m, envelope, p1, p2, chord, note, beam}},
        {[](Recorder& r) { r.BypassNone(), r.BypassEvtType(EventId::Chord); },
         m,
         0,
         {m, envelope, p1, p2, note, beam}},
        {[](Recorder& r) { r.SetDepth(1); }, m, 0, {m, p1, p2, chord, beam}},
        {[](Recorder& r) { r.SetDepth(0); }, envelope, 0, {p1, p2}},
        // The measure's ancestors come before the beam, whose own parent a clip keeps out.
        {[](Recorder& r) { r.SetReverse(1); }, chord, 0, {chord, m, &top, beam}},
        {[](Recorder& r) { r.SetReverse(1), r.ClipNone(); },
         chord,
         0,
         {chord, m, &top, beam, m, &top, &beamStaff}},
    };
    for (const auto& [setup, start, result, visits] : cases) {
        Recorder r;
        setup(r);
        EXPECT_EQ(r.Apply(start), result);
        EXPECT_EQ(r.visited, visits);
    }
    Recorder r, unclipped, reverse(1);
    EXPECT_EQ(r.ShouldClip(beam), 1);
    EXPECT_EQ(r.ShouldBypass(envelope), 1);
    EXPECT_EQ(r.IsReverse(), 0);
    unclipped.ClipNone();
    EXPECT_EQ(unclipped.ShouldClip(beam), 0);
    r.results[beam] = 2;
    EXPECT_EQ(r.Apply(beam), 2) << "a clipped element's own stop code wins";
    reverse.SetReverse(3);
    EXPECT_EQ(reverse.IsReverse(), 1) << "bit 0 decides";
    reverse.SetReverse(2);
    EXPECT_EQ(reverse.IsReverse(), 0);
}

// A list walk stops at the first stop code (and reports 2) unless told to go on; it skips
// nulls, ends once even when empty, and stays in list mode.
TEST_F(WalkTest, ListWalkStopsAtTheFirstStopUnlessTold) {
    MCEventList list, holes, empty;
    for (ECBase* e : {a, b, c}) {
        ASSERT_NE(list.AddTail(e), nullptr);
    }
    const std::tuple<ECBase*, int, int, int, Visits> cases[] = {
        {b, 2, 0, 2, {a, a1, a2, b}},
        {a, -1, 0, 2, {a}},
        {a, 3, 0, 2, {a}},
        {b, 2, 1, 5, {a, a1, a2, b, c, c1}}};
    for (const auto& [at, code, goOn, result, visited] : cases) {
        Recorder r;
        r.results[at] = code;
        r.results[c1] = 5;
        EXPECT_EQ(r.Apply(&list, goOn), result) << code;
        EXPECT_EQ(r.visited, visited) << code;
        EXPECT_EQ(r.ends, 1) << code;
        EXPECT_EQ(r.begins, 1) << code;
        r.Apply(a);
        EXPECT_EQ(r.ends, 1) << "a later single walk of the action does not end";
    }
    ASSERT_NE(holes.AddTail(static_cast<CObject*>(nullptr)), nullptr);
    ASSERT_NE(holes.AddTail(b), nullptr);
    Recorder r, e;
    EXPECT_EQ(r.Apply(&holes, 0), 0);
    EXPECT_EQ(r.visited, (Visits{b, b1}));
    EXPECT_EQ(e.Apply(&empty, 0), 0);
    EXPECT_EQ(e.ends, 1);
    EXPECT_EQ(e.Apply(static_cast<MCEventList*>(nullptr), 0), 0);
}

TEST_F(WalkTest, RelativesFirstVisitsChildrenBeforeTheirParent) {
    auto* beam = Make<Beam>(4, m);
    auto* beamed = Make<Chord>(4, beam);
    PostOrder walk, beamOnly, up, listed, stopped;
    EXPECT_EQ(walk.Apply(m), 0);
    // A clipped beam's children are walked all the same; every level ends.
    EXPECT_EQ(walk.visited, (Visits{a1, a2, a, b1, b, c1, c, beamed, beam, m}));
    EXPECT_EQ(walk.ends, 10);
    EXPECT_EQ(beamOnly.Apply(beam), 1);

    const std::tuple<int, ECBase*, int, int, Visits> cases[] = {
        {255, a1, 2, 2, {a1}},
        {255, a2, -1, -1, {a1, a2}},
        {255, a1, 3, 0, {a1, a, b1, b, c1, c, beamed, beam, m}},
        {1, nullptr, 0, 0, {a, b, c, beam, m}}};
    for (const auto& [depth, at, code, result, visited] : cases) {
        PostOrder r;
        r.SetDepth(depth);
        r.results[at] = code;
        EXPECT_EQ(r.Apply(m), result) << code;
        EXPECT_EQ(r.visited, visited) << code;
    }
    up.SetReverse(1);
    up.Apply(a1);
    EXPECT_EQ(up.visited, (Visits{m, a, a1}));

    MCEventList list;
    ASSERT_NE(list.AddTail(a), nullptr);
    ASSERT_NE(list.AddTail(beam), nullptr);
    EXPECT_EQ(listed.Apply(&list, 0), 1);
    EXPECT_EQ(listed.visited, (Visits{a1, a2, a, beamed, beam}));
    EXPECT_EQ(listed.ends, 1);
    stopped.results[a] = 3;
    EXPECT_EQ(stopped.Apply(&list, 0), 2);
    EXPECT_EQ(stopped.visited, (Visits{a1, a2, a}));

    // A bypassed envelope is no level: its points come within depth 1.
    auto* envelope = Make<Envelope>(5, m);
    auto* point = Make<EnvPoint>(5, envelope);
    PostOrder shallow;
    shallow.SetDepth(1);
    shallow.Apply(m);
    EXPECT_EQ(shallow.visited, (Visits{a, b, c, beam, point, envelope, m}));
}

} // namespace
