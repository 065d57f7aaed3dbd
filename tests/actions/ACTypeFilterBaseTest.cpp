#include "clavenor/actions/ACCount.h"

#include "support/KindElement.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace clavenor;
using namespace clavenor::test;

namespace {

std::vector<int> Types(ACTypeFilterBase& filter) {
    CArray<int, int>& types = filter.GetEventTypes();
    return std::vector<int>(types.GetData(), types.GetData() + types.GetSize());
}

int CountIn(ECBase* root, ACCount& count) {
    count.Reset();
    count.Apply(root);
    return count.GetEventCount();
}

TEST(ACTypeFilterBase, EntriesStartUnusedAndFillInOrder) {
    ACCount filter(3);
    EXPECT_EQ(Types(filter), (std::vector<int>{-1, -1, -1}));
    filter.AddEvtType(37);
    filter.AddEvtType(12);
    EXPECT_EQ(Types(filter), (std::vector<int>{37, 12, -1}));
    filter.AddEvtType(51);
    filter.AddEvtType(32);
    EXPECT_EQ(Types(filter), (std::vector<int>{37, 12, 51, 32}));

    filter.RemoveEvtType(12);
    EXPECT_EQ(Types(filter), (std::vector<int>{37, 51, 32}));
    filter.RemoveEvtType(99);
    EXPECT_EQ(Types(filter).size(), 3u);

    filter.RemoveEvtTypes();
    EXPECT_EQ(Types(filter), (std::vector<int>{-1, -1, -1}));
}

TEST(ACTypeFilterBase, AddingAListReplacesUnusedEntriesAndCountsEveryId) {
    CArray<int, int> ids;
    ids.Add(37);
    ids.Add(12);

    ACCount fresh(4);
    fresh.AddEvtTypes(ids);
    EXPECT_EQ(Types(fresh), (std::vector<int>{37, 12}));

    ACCount partly(4);
    partly.AddEvtType(51);
    partly.AddEvtTypes(ids);
    EXPECT_EQ(Types(partly), (std::vector<int>{51, 37, 12, -1}));

    auto measure = std::make_unique<Measure>();
    auto* chord = Make<Chord>(0, measure.get());
    Make<Note>(0, chord);
    EXPECT_EQ(CountIn(measure.get(), partly), 2);
}

TEST(ACTypeFilterBase, FilterDecidesWhatIsCounted) {
    auto measure = std::make_unique<Measure>();
    auto* chord = Make<Chord>(0, measure.get());
    Make<Note>(0, chord);
    Make<Note>(0, chord);

    ACCount count(1);
    EXPECT_EQ(CountIn(measure.get(), count), 4);
    count.AddEvtType(EventId::Note);
    EXPECT_EQ(CountIn(measure.get(), count), 2);
    count.AddEvtType(EventId::Chord);
    EXPECT_EQ(CountIn(measure.get(), count), 3);
    count.RemoveEvtType(EventId::Note);
    EXPECT_EQ(CountIn(measure.get(), count), 1);
    count.RemoveEvtTypes();
    EXPECT_EQ(CountIn(measure.get(), count), 4);
}

} // namespace
