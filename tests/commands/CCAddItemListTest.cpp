#include "support/AllocationFailure.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace clavenor::test {
namespace {

std::vector<CCAddItem*> Items(const CCAddItemList& list) { return {list.begin(), list.end()}; }

CCAddItem* EmplaceEmpty(CCAddItemList& list) {
    return list.Emplace(nullptr, nullptr, FCMidi::MidiNull());
}

TEST(CCAddItemListTest, TheFirstPlainItemNeedsNoMemory) {
    CCAddItemList list;
    {
        FailNthAllocation failure(1);
        EXPECT_NE(EmplaceEmpty(list), nullptr);
        EXPECT_FALSE(failure.Triggered());
    }
    {
        FailNthAllocation failure(1);
        EXPECT_THROW(EmplaceEmpty(list), std::bad_alloc);
    }
    EXPECT_EQ(list.size(), 1u);
}

// Items keep their order and their addresses whichever storage holds them; the first place,
// once given up, serves the first item of an empty list again.
TEST(CCAddItemListTest, ItemsKeepOrderAndPlaceAcrossErasure) {
    CCAddItemList list;
    CCAddItem* a = EmplaceEmpty(list);
    CCAddItem* b = EmplaceEmpty(list);
    CCAddItem* c =
        list.Append(std::make_unique<CCAddSysExItem>(nullptr, nullptr, FCMidi::MidiNull()));
    EXPECT_EQ(Items(list), (std::vector<CCAddItem*>{a, b, c}));
    list.Erase(0);
    CCAddItem* d = EmplaceEmpty(list);
    EXPECT_EQ(Items(list), (std::vector<CCAddItem*>{b, c, d}));
    EXPECT_EQ(list.back(), d);
    while (!list.empty()) {
        list.Erase(list.size() - 1);
    }
    {
        FailNthAllocation failure(1);
        EXPECT_EQ(EmplaceEmpty(list), a);
        EXPECT_FALSE(failure.Triggered());
    }
}

} // namespace
} // namespace clavenor::test
