#include "clavenor/actions/ACFindTime.h"

#include "support/KindElement.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace clavenor;
using namespace clavenor::test;

namespace {

class VisitingFindTime : public ACFindTime {
public:
    using ACFindTime::ACFindTime;
    int DoAction(ECBase* e) override {
        visited.push_back(e);
        return ACFindTime::DoAction(e);
    }
    std::vector<ECBase*> visited;
};

std::vector<float> FoundTimes(ACFindTime& find) {
    std::vector<float> times;
    MCEventList* found = find.GetEvents();
    for (POSITION pos = found->GetHeadPosition(); pos != nullptr;) {
        times.push_back(found->GetNext(pos)->GetTime()->GetSeconds());
    }
    return times;
}

TEST(ACFindTime, EachRangeModeTakesItsEnds) {
    auto measure = std::make_unique<Untimed>();
    for (float t : {0.0f, 1.0f, 2.0f, 3.0f}) {
        Make<Note>(t, measure.get());
    }
    const MCTime start(1.0f);
    const MCTime end(3.0f);
    struct Case {
        int mode;
        std::vector<float> times;
    };
    for (const Case& c : {Case{0, {1, 2, 3}}, Case{1, {2}}, Case{2, {2, 3}}, Case{3, {1, 2}},
                          Case{4, {}}, Case{-1, {}}}) {
        ACFindTime find(start, end, c.mode);
        find.Apply(measure.get());
        EXPECT_EQ(FoundTimes(find), c.times) << c.mode;
        EXPECT_EQ(find.GetEventCount(), 0);
    }
}

TEST(ACFindTime, TheFirstLaterElementEndsItsSiblingGroup) {
    auto measure = std::make_unique<Untimed>();
    Make<Note>(1, measure.get());
    Make<Note>(2, measure.get());
    auto* late = Make<Chord>(4, measure.get());
    auto* inLate = Make<Note>(2, late);
    auto* after = Make<Note>(2, measure.get());

    VisitingFindTime find(MCTime(1.0f), MCTime(3.0f), ACFindTime::StartOnly);
    find.Apply(measure.get());
    EXPECT_EQ(FoundTimes(find), (std::vector<float>{1, 2}));
    ASSERT_EQ(find.visited.size(), 4u);
    EXPECT_EQ(find.visited.back(), late);
    EXPECT_NE(find.visited.back(), inLate);
    EXPECT_NE(find.visited.back(), after);
}

TEST(ACFindTime, UntimedElementsAreEnteredAndFilterAndMaximumApply) {
    auto root = std::make_unique<Untimed>();
    auto* group = MakeUntimed<Untimed>(root.get());
    auto* chord = Make<Chord>(1, group);
    Make<Note>(1, chord);
    Make<Note>(1, chord);

    ACFindTime notes(MCTime(0.0f), MCTime(5.0f), ACFindTime::BothEnds);
    notes.AddEvtType(EventId::Note);
    notes.SetMaxEventCount(1);
    notes.Apply(root.get());
    EXPECT_EQ(notes.GetEvents()->GetCount(), 2);

    notes.Reset();
    notes.SetTimeRange(MCTime(1.5f), MCTime(5.0f), ACFindTime::BothEnds);
    notes.Apply(root.get());
    EXPECT_EQ(notes.GetEvents()->GetCount(), 0);
}

} // namespace
