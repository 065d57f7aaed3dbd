#include "clavenor/actions/ACFindData.h"

#include "clavenor/model/DCBase.h"
#include "clavenor/model/MCDataArray.h"

#include "support/KindElement.h"

#include <gtest/gtest.h>

#include <memory>

using namespace clavenor;
using namespace clavenor::test;

namespace {

void Attach(ECBase* e, int viewCode) {
    e->GetData()->SetAtGrow(MCDataArray::ViewCodeToIndex(viewCode), new DCBase);
}

TEST(ACFindData, CollectsElementsWithARecordForTheViewCodeAndCreatesNone) {
    auto measure = std::make_unique<Measure>();
    auto* chord = Make<Chord>(0, measure.get());
    auto* placed = Make<Note>(0, chord);
    auto* elsewhere = Make<Note>(0, chord);
    auto* bare = Make<Note>(0, chord);
    Attach(placed, 2);
    Attach(elsewhere, 0);

    ACFindData find(2);
    EXPECT_EQ(find.GetViewCode(), 2);
    find.Apply(measure.get());
    ASSERT_EQ(find.GetEventCount(), 1);
    EXPECT_EQ(find.GetEvents()->GetHead(), placed);
    EXPECT_EQ(bare->GetData(2, 0), nullptr);

    ACFindData byDefault;
    byDefault.Apply(measure.get());
    ASSERT_EQ(byDefault.GetEventCount(), 1);
    EXPECT_EQ(byDefault.GetEvents()->GetHead(), elsewhere);

    // The type filter and the maximum apply as for any search.
    Attach(chord, 2);
    ACFindData filtered(2);
    filtered.AddEvtType(EventId::Note);
    filtered.Apply(measure.get());
    EXPECT_EQ(filtered.GetEventCount(), 1);
    filtered.Reset();
    filtered.RemoveEvtTypes();
    filtered.SetMaxEventCount(1);
    EXPECT_EQ(filtered.Apply(measure.get()), 2);
    EXPECT_EQ(filtered.GetEvents()->GetHead(), chord);
}

} // namespace
