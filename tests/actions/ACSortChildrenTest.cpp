#include "clavenor/actions/ACSortChildren.h"

#include "support/KindElement.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace clavenor;
using namespace clavenor::test;

namespace {

std::vector<float> ChildTimes(ECBase* e) {
    std::vector<float> times;
    MCEventList* children = e->GetChildren();
    for (POSITION pos = children->GetHeadPosition(); pos != nullptr;) {
        times.push_back(children->GetNext(pos)->GetTime()->GetSeconds());
    }
    return times;
}

TEST(ACSortChildren, SortsTheChildrenOfTheFilteredKindsOnly) {
    auto staff = std::make_unique<Staff>();
    Make<Chord>(3, staff.get());
    auto* measure = Make<Measure>(1, staff.get());
    Make<Note>(2, measure);
    auto* chord = Make<Chord>(1, measure);
    Make<Note>(5, chord);
    Make<Note>(4, chord);

    ACSortChildren measures;
    measures.AddEvtType(EventId::Measure);
    measures.Apply(staff.get());
    EXPECT_EQ(ChildTimes(staff.get()), (std::vector<float>{3, 1}));
    EXPECT_EQ(ChildTimes(measure), (std::vector<float>{1, 2}));
    EXPECT_EQ(ChildTimes(chord), (std::vector<float>{5, 4}));

    ACSortChildren all;
    all.Apply(staff.get());
    EXPECT_EQ(ChildTimes(staff.get()), (std::vector<float>{1, 3}));
    EXPECT_EQ(ChildTimes(chord), (std::vector<float>{4, 5}));
}

} // namespace
