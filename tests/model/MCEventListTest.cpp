#include "clavenor/model/MCEventList.h"

#include "clavenor/model/ECWithChild.h"
#include "support/ArchiveBytes.h"
#include "support/TestElements.h"

#include <gtest/gtest.h>

#include <vector>

using namespace clavenor;
using test::TLeaf;
using Elements = std::vector<ECBase*>;

namespace {

Elements Items(const MCEventList& list) {
    Elements items;
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
        items.push_back(list.GetNext(pos));
    }
    return items;
}

void Fill(MCEventList& list, const Elements& items) {
    for (ECBase* e : items) {
        list.AddTail(e);
    }
}

TLeaf* Bpt(std::int32_t tick, std::int32_t ppq) {
    auto* e = new TLeaf;
    MCTime t(1, 1, tick, ppq);
    e->SetTime(&t);
    return e;
}

} // namespace

TEST(MCEventListReferences, EveryNodeHoldsOneReference) {
    auto* e = new TLeaf(1.0f);
    auto* other = new TLeaf(2.0f);
    int gone = 0, otherGone = 0;
    e->Watch(&gone);
    other->Watch(&otherGone);
    {
        MCEventList a, b;
        a.AddTail(e);
        b.AddTail(&a); // one more reference per element copied
        EXPECT_EQ(e->GetRefCount(), 2);
        EXPECT_EQ(a.RemoveEvent(e), 1);
        EXPECT_TRUE(gone == 0 && e->GetRefCount() == 1);
        b.SetAt(b.GetHeadPosition(), other);
        EXPECT_NE(gone, 0) << "SetAt released the last reference";
        EXPECT_EQ(b.RemoveEvent(e), 0);
        b.SetAt(b.GetHeadPosition(), other);
        a.AddTail(other);
        a.Sort();
        EXPECT_EQ(other->GetRefCount(), 2);
    }
    EXPECT_NE(otherGone, 0) << "destroying the lists released the element";
}

TEST(MCEventListOrder, SortedAddEventAndTimeSearches) {
    auto* t1 = new TLeaf(1.0f);
    auto* t2 = new TLeaf(2.0f);
    auto* t2b = new TLeaf(2.0f);
    auto* t3 = new TLeaf(3.0f);
    auto* untimed = new ECWithChild;
    auto* early = new TLeaf(0.5f);
    MCEventList list;
    for (ECBase* e : Elements{t2, t1, t3, t2b, untimed, early}) {
        list.AddEvent(e, 1);
    }
    // Equal times keep their order; the untimed element and then the earliest go to the head.
    EXPECT_EQ(Items(list), (Elements{early, untimed, t1, t2, t2b, t3}));
    list.AddEvent(t1, 0);
    EXPECT_EQ(list.GetTail(), t1);
    list.RemoveTail();

    const MCTime two(2.0f), half(0.5f), three(3.0f);
    EXPECT_EQ(list.GetAt(list.FindTime(&two)), t3);
    EXPECT_EQ(list.GetAt(list.FindTimeReverse(&two)), t2b);
    EXPECT_EQ(list.FindTime(&three), nullptr);
    EXPECT_EQ(list.FindTimeReverse(&MCTime::TimeNull()), nullptr);
    EXPECT_EQ(list.FindTime(&half, list.GetHeadPosition()), list.Find(t1)) << "skips untimed";
    EXPECT_EQ(list.FindTimeReverse(&three, list.Find(t2)), list.Find(t1));
}

TEST(MCEventListTypes, EventTypeQueries) {
    MCEventList list;
    EXPECT_EQ(list.GetEventType(), -1);
    Fill(list, {new TLeaf(1.0f, 37), new TLeaf(2.0f, 37)});
    EXPECT_EQ(list.GetEventType(), 37);
    auto* rest = new TLeaf(3.0f, 49);
    Fill(list, {rest, new TLeaf(4.0f, 37)});
    EXPECT_EQ(list.GetEventType(), -2);
    CArray<int, int> types;
    types.Add(49);
    EXPECT_TRUE(list.GetEventTypes(types) == 2 && types[1] == 37);
    EXPECT_TRUE(list.ContainsEventType(49) == 1 && list.ContainsEventType(12) == 0);
    EXPECT_EQ(list.FindEvent(49, list.Find(rest)), nullptr);
    EXPECT_EQ(list.FindEventReverse(37, list.Find(rest)), list.FindIndex(1));
}

TEST(MCEventListOrder, RemoveDuplicatesKeepsTheLastOccurrence) {
    auto* a = new TLeaf(1.0f);
    auto* b = new TLeaf(2.0f);
    auto* c = new TLeaf(3.0f);
    MCEventList keep;
    Fill(keep, {a, b, c});
    MCEventList list;
    Fill(list, {a, b, a});
    list.RemoveDuplicates();
    EXPECT_EQ(Items(list), (Elements{b, a}));
    EXPECT_EQ(a->GetRefCount(), 2);
    list.RemoveAll();
    Fill(list, {a, b, a, b, c, a});
    list.RemoveDuplicates();
    EXPECT_EQ(Items(list), (Elements{b, c, a}));
}

TEST(MCEventListOrder, ExchangeSortIsNotStableAndComparesPairs) {
    auto* two = new TLeaf(2.0f);
    auto* twoB = new TLeaf(2.0f);
    auto* one = new TLeaf(1.0f);
    auto* untimed = new ECWithChild;
    MCEventList list;
    Fill(list, {two, twoB, one});
    list.Sort();
    EXPECT_EQ(Items(list), (Elements{one, twoB, two}));
    list.AddTail(untimed);
    list.Sort();
    list.Sort();
    EXPECT_EQ(Items(list), (Elements{untimed, one, two, twoB}));

    // x <= y and y <= z, yet x > z: a list in neighbour order may still need exchanges.
    TLeaf* x = Bpt(400, 480);
    TLeaf* y = Bpt(500, 960);
    TLeaf* z = Bpt(300, 480);
    list.RemoveAll();
    Fill(list, {x, y, z});
    list.Sort();
    EXPECT_EQ(Items(list), (Elements{z, y, x}));
}

TEST(MCEventListArchive, ListsRoundTripAndHoldOnlyElements) {
    auto* a = new TLeaf(1.0f);
    MCEventList list;
    Fill(list, {a, new TLeaf(2.0f), a});
    test::Load(test::Store([&](CArchive& ar) { ar << &list; }), [](CArchive& ar) {
        auto* back = static_cast<MCEventList*>(ar.ReadObject(RUNTIME_CLASS(MCEventList)));
        EXPECT_TRUE(back->GetCount() == 3 && back->GetHead() == back->GetTail());
        EXPECT_EQ(back->GetHead()->GetRefCount(), 3) << "two nodes and the archive";
        delete back;
    });
    for (const char* item : {"@DCBase", "@MCObList"}) {
        EXPECT_EQ(test::LoadCause(test::X(std::string("@MCEventList/1 0100 ") + item +
                                          " 01000000 01000000 0000"),
                                  [](CArchive& ar) { delete ar.ReadObject(nullptr); }),
                  CArchiveException::badClass)
            << item;
    }
}
