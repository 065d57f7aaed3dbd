#include "clavenor/actions/ACRelativesFirst.h"

#include "support/KindElement.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

using namespace clavenor;
using namespace clavenor::test;

namespace {

class PostOrder : public ACRelativesFirst {
public:
    int DoAction(ECBase* e) override {
        visited.push_back(e);
        auto it = results.find(e);
        return it != results.end() ? it->second : 0;
    }
    void EndAction() override { ++ends; }
    std::vector<ECBase*> visited;
    std::map<ECBase*, int> results;
    int ends = 0;
};

using Visits = std::vector<ECBase*>;

class ACRelativesFirstTest : public ::testing::Test {
protected:
    ACRelativesFirstTest() : measure(new Measure) {
        chord = Make<Chord>(0, measure.get());
        n1 = Make<Note>(0, chord);
        n2 = Make<Note>(0, chord);
        beam = Make<Beam>(0, measure.get());
        beamed = Make<Chord>(1, beam);
    }
    std::unique_ptr<Measure> measure;
    ECBase *chord, *n1, *n2, *beam, *beamed;
};

TEST_F(ACRelativesFirstTest, ChildrenComeBeforeTheirParentAndEveryLevelEnds) {
    PostOrder walk;
    EXPECT_EQ(walk.Apply(measure.get()), 0);
    // A clipped beam's children are walked all the same.
    EXPECT_EQ(walk.visited, (Visits{n1, n2, chord, beamed, beam, measure.get()}));
    EXPECT_EQ(walk.ends, 6);

    PostOrder beamOnly;
    EXPECT_EQ(beamOnly.Apply(beam), 1);
}

TEST_F(ACRelativesFirstTest, StopCodesOfChildren) {
    PostOrder stop;
    stop.results[n1] = 2;
    EXPECT_EQ(stop.Apply(measure.get()), 2);
    EXPECT_EQ(stop.visited, (Visits{n1}));

    PostOrder abort;
    abort.results[n2] = -1;
    EXPECT_EQ(abort.Apply(measure.get()), -1);
    EXPECT_EQ(abort.visited, (Visits{n1, n2}));

    PostOrder group;
    group.results[n1] = 3;
    EXPECT_EQ(group.Apply(measure.get()), 0);
    EXPECT_EQ(group.visited, (Visits{n1, chord, beamed, beam, measure.get()}));
}

TEST_F(ACRelativesFirstTest, DepthBypassReverseAndListMode) {
    PostOrder shallow;
    shallow.SetDepth(1);
    shallow.Apply(measure.get());
    EXPECT_EQ(shallow.visited, (Visits{chord, beam, measure.get()}));

    auto* envelope = Make<Envelope>(2, measure.get());
    auto* point = Make<EnvPoint>(2, envelope);
    PostOrder bypassed;
    bypassed.SetDepth(1);
    bypassed.Apply(measure.get());
    EXPECT_EQ(bypassed.visited, (Visits{chord, beam, point, envelope, measure.get()}));

    PostOrder up;
    up.SetReverse(1);
    up.Apply(n1);
    EXPECT_EQ(up.visited, (Visits{measure.get(), chord, n1}));

    MCEventList list;
    list.AddTail(chord);
    list.AddTail(beam);
    PostOrder listed;
    EXPECT_EQ(listed.Apply(&list, 0), 1);
    EXPECT_EQ(listed.visited, (Visits{n1, n2, chord, beamed, beam}));
    EXPECT_EQ(listed.ends, 1);

    PostOrder stopped;
    stopped.results[chord] = 3;
    EXPECT_EQ(stopped.Apply(&list, 0), 2);
    EXPECT_EQ(stopped.visited, (Visits{n1, n2, chord}));
}

} // namespace
