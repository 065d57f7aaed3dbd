#include "clavenor/model/MCEventList.h"

#include "support/KindElement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

using namespace clavenor;
using namespace clavenor::test;

namespace {

// The exchange sort as the list defines it, on a plain array.
bool SortsAfter(ECBase* a, ECBase* b) {
    MCTime* ta = a->GetTime();
    MCTime* tb = b->GetTime();
    if (ta == nullptr || tb == nullptr) {
        return ta != nullptr && tb == nullptr;
    }
    return *ta > *tb;
}

std::vector<ECBase*> ReferenceSort(std::vector<ECBase*> items) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        for (std::size_t j = i + 1; j < items.size(); ++j) {
            if (SortsAfter(items[i], items[j])) {
                std::swap(items[i], items[j]);
            }
        }
    }
    return items;
}

std::vector<ECBase*> Contents(const MCEventList& list) {
    std::vector<ECBase*> items;
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
        items.push_back(list.GetNext(pos));
    }
    return items;
}

TEST(MCEventListSort, EqualTimesMoveAsTheExchangeSortMovesThem) {
    MCEventList list;
    auto* two = Make<Note>(2);
    auto* twoPrime = Make<Note>(2);
    auto* one = Make<Note>(1);
    list.AddTail(two);
    list.AddTail(twoPrime);
    list.AddTail(one);
    list.Sort();
    EXPECT_EQ(Contents(list), (std::vector<ECBase*>{one, twoPrime, two}));
    EXPECT_EQ(two->GetRefCount(), 1);

    auto* untimed = MakeUntimed<Untimed>();
    list.AddTail(untimed);
    list.Sort();
    EXPECT_EQ(list.GetHead(), untimed);
}

// Builds lists of elements with few distinct times (many ties), some without time, some in
// seconds mode and some at -0.0, and compares Sort with the plain exchange sort. Sizes cross
// the point where the list stops using the exchange sort itself.
TEST(MCEventListSort, MatchesTheExchangeSortOnRandomLists) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 400; ++round) {
        const int size = round < 350 ? static_cast<int>(random() % 120)
                                     : 200 + static_cast<int>(random() % 1500);
        const int distinct = 1 + static_cast<int>(random() % 12);
        const bool weird = round % 10 == 9;
        MCEventList list;
        for (int i = 0; i < size; ++i) {
            const unsigned pick = random() % 16;
            ECBase* e = nullptr;
            if (pick == 0) {
                e = MakeUntimed<Untimed>();
            } else {
                const float t = static_cast<float>(static_cast<int>(random() % distinct) - 2);
                auto* note = Make<Note>(t == 0.0f && pick == 1 ? -0.0f : t);
                if (pick == 2) {
                    note->GetTime()->SetMode(3);
                }
                if (weird && pick == 3) {
                    MCTime bar(1, 0, static_cast<int>(random() % 3), 480);
                    note->SetTime(&bar);
                }
                if (weird && pick == 4) {
                    MCTime nan(std::numeric_limits<float>::quiet_NaN());
                    note->SetTime(&nan);
                }
                e = note;
            }
            list.AddTail(e);
        }
        const std::vector<ECBase*> expected = ReferenceSort(Contents(list));
        list.Sort();
        ASSERT_EQ(Contents(list), expected) << "round " << round << ", size " << size;
        for (ECBase* e : expected) {
            ASSERT_EQ(e->GetRefCount(), 1);
        }
    }
}

TEST(MCEventListSort, OrderedAndReversedLongLists) {
    MCEventList list;
    for (int i = 0; i < 300; ++i) {
        list.AddTail(Make<Note>(static_cast<float>(i / 3)));
    }
    std::vector<ECBase*> before = Contents(list);
    list.Sort();
    EXPECT_EQ(Contents(list), before);

    MCEventList reversed;
    for (auto it = before.rbegin(); it != before.rend(); ++it) {
        reversed.AddTail(*it);
    }
    const std::vector<ECBase*> expected = ReferenceSort(Contents(reversed));
    reversed.Sort();
    EXPECT_EQ(Contents(reversed), expected);
}

} // namespace
