// The lists and maps: event lists (order, references, sorting, records), object lists, the
// string map, bit arrays and handler lists.

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <limits>
#include <random>
#include <string>

using namespace clavenor;
using namespace clavenor::test;

namespace {

using Elements = std::vector<ECBase*>;

void Fill(MCEventList& list, const Elements& items) {
    for (ECBase* e : items) {
        EXPECT_NE(list.AddTail(e), nullptr);
    }
}

// The exchange sort as the list defines it, on a plain array.
Elements ReferenceSort(Elements items) {
    auto after = [](ECBase* a, ECBase* b) {
        MCTime *ta = a->GetTime(), *tb = b->GetTime();
        return ta == nullptr || tb == nullptr ? ta != nullptr && tb == nullptr : *ta > *tb;
    };
    for (std::size_t i = 0; i < items.size(); ++i) {
        for (std::size_t j = i + 1; j < items.size(); ++j) {
            if (after(items[i], items[j])) {
                std::swap(items[i], items[j]);
            }
        }
    }
    return items;
}

TEST(MCEventList, EveryNodeHoldsOneReference) {
    auto* e = new TLeaf(1.0f);
    auto* other = new TLeaf(2.0f);
    int gone = 0, otherGone = 0;
    e->Watch(&gone);
    other->Watch(&otherGone);
    {
        MCEventList a, b;
        ASSERT_NE(a.AddTail(e), nullptr);
        b.AddTail(&a); // one more reference per element copied
        EXPECT_EQ(e->GetRefCount(), 2);
        EXPECT_EQ(a.RemoveEvent(e), 1);
        EXPECT_EQ(gone, 0);
        EXPECT_EQ(e->GetRefCount(), 1);
        b.SetAt(b.GetHeadPosition(), other);
        EXPECT_NE(gone, 0) << "SetAt released the last reference";
        EXPECT_EQ(b.RemoveEvent(e), 0);
        b.SetAt(b.GetHeadPosition(), other);
        ASSERT_NE(a.AddTail(other), nullptr);
        a.Sort();
        EXPECT_EQ(other->GetRefCount(), 2);
    }
    EXPECT_NE(otherGone, 0) << "destroying the lists released the element";
}

TEST(MCEventList, SortedAddEventAndTimeSearches) {
    auto *t1 = new TLeaf(1.0f), *t2 = new TLeaf(2.0f), *t2b = new TLeaf(2.0f);
    auto *t3 = new TLeaf(3.0f), *early = new TLeaf(0.5f);
    auto* untimed = new ECWithChild;
    MCEventList list;
    for (ECBase* e : Elements{t2, t1, t3, t2b, untimed, early}) {
        EXPECT_NE(list.AddEvent(e, 1), nullptr);
    }
    // Equal times keep their order; the untimed element and then the earliest go to the head.
    EXPECT_EQ(Items(&list), (Elements{early, untimed, t1, t2, t2b, t3}));
    EXPECT_NE(list.AddEvent(t1, 0), nullptr);
    EXPECT_EQ(list.GetTail(), t1);
    list.RemoveTail();

    // The first element after a time, the last before it, from a position when given.
    const MCTime two(2.0f), half(0.5f), three(3.0f);
    EXPECT_EQ(list.GetAt(list.FindTime(&two)), t3);
    EXPECT_EQ(list.FindTime(&three), nullptr);
    EXPECT_EQ(list.GetAt(list.FindTimeReverse(&two)), t2b);
    EXPECT_EQ(list.FindTimeReverse(&MCTime::TimeNull()), nullptr);
    EXPECT_EQ(list.FindTime(&half, list.GetHeadPosition()), list.Find(t1)) << "skips untimed";
    EXPECT_EQ(list.FindTimeReverse(&three, list.Find(t2)), list.Find(t1));
}

TEST(MCEventList, EventTypeQueriesAndRemoveDuplicates) {
    MCEventList list;
    EXPECT_EQ(list.GetEventType(), -1);
    auto *a = new TLeaf(1.0f, 37), *b = new TLeaf(2.0f, 37);
    Fill(list, {a, b});
    EXPECT_EQ(list.GetEventType(), 37);
    auto* rest = new TLeaf(3.0f, 49);
    Fill(list, {rest, new TLeaf(4.0f, 37)});
    EXPECT_EQ(list.GetEventType(), -2);
    CArray<int, int> types;
    types.Add(49);
    EXPECT_EQ(list.GetEventTypes(types), 2);
    EXPECT_EQ(types[1], 37);
    EXPECT_EQ(list.ContainsEventType(49), 1);
    EXPECT_EQ(list.ContainsEventType(12), 0);
    EXPECT_EQ(list.FindEvent(49, list.Find(rest)), nullptr);
    EXPECT_EQ(list.FindEventReverse(37, list.Find(rest)), list.FindIndex(1));

    // RemoveDuplicates keeps the last occurrence.
    MCEventList dups;
    Fill(dups, {a, b, a, b, rest, a});
    dups.RemoveDuplicates();
    EXPECT_EQ(Items(&dups), (Elements{b, rest, a}));
    EXPECT_EQ(a->GetRefCount(), 2) << "the two lists hold it once each";
}

// Lists of elements with few distinct times (many ties), some without time, some in seconds
// mode, some at -0.0, NaN, or bar/pulse/tick times of two resolutions (which compare so that
// x <= y and y <= z yet x > z): Sort matches the plain exchange sort, which compares pairs
// only. Sizes cross the point where the list stops using the exchange sort itself.
TEST(MCEventList, SortMatchesTheExchangeSortOnRandomLists) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 400; ++round) {
        const int size = round < 350 ? static_cast<int>(random() % 120)
                                     : 200 + static_cast<int>(random() % 1500);
        const int distinct = 1 + static_cast<int>(random() % 12);
        const bool weird = round % 10 == 9;
        MCEventList list;
        for (int i = 0; i < size; ++i) {
            const unsigned pick = random() % 16;
            if (pick == 0) {
                ASSERT_NE(list.AddTail(new Untimed), nullptr);
                continue;
            }
            const float t = static_cast<float>(static_cast<int>(random() % distinct) - 2);
            auto* note = Make<Note>(t == 0.0f && pick == 1 ? -0.0f : t);
            if (pick == 2) {
                note->GetTime()->SetMode(MCTime::ModeClock);
            }
            MCTime bar(1, 1, 300 + static_cast<int>(random() % 3) * 100,
                       random() % 2 != 0 ? 480 : 960);
            MCTime nan(std::numeric_limits<float>::quiet_NaN());
            if (weird && (pick == 3 || pick == 4)) {
                note->SetTime(pick == 3 ? &bar : &nan);
            }
            ASSERT_NE(list.AddTail(note), nullptr);
        }
        const Elements expected = ReferenceSort(Items(&list));
        list.Sort();
        ASSERT_EQ(Items(&list), expected) << "round " << round << ", size " << size;
        for (ECBase* e : expected) {
            ASSERT_EQ(e->GetRefCount(), 1);
        }
    }
}

TEST(MCEventList, AListInNeighbourOrderMayStillNeedExchanges) {
    // x <= y and y <= z, yet x > z.
    MCEventList list;
    const std::pair<int, int> ticks[] = {{400, 480}, {500, 960}, {300, 480}};
    for (auto [tick, ppq] : ticks) {
        MCTime t(1, 1, tick, ppq);
        ASSERT_NE(list.AddTail(new TLeaf), nullptr);
        list.GetTail()->SetTime(&t);
    }
    const Elements before = Items(&list);
    list.Sort();
    EXPECT_EQ(Items(&list), (Elements{before[2], before[1], before[0]}));
}

TEST(MCEventList, ListsRoundTripAndHoldOnlyElements) {
    auto* a = new TLeaf(1.0f);
    MCEventList list;
    Fill(list, {a, new TLeaf(2.0f), a});
    Load(Store([&](CArchive& ar) { ar << &list; }), [](CArchive& ar) {
        auto* back = static_cast<MCEventList*>(ar.ReadObject(RUNTIME_CLASS(MCEventList)));
        EXPECT_EQ(back->GetCount(), 3);
        EXPECT_EQ(back->GetHead(), back->GetTail());
        EXPECT_EQ(back->GetHead()->GetRefCount(), 3) << "two nodes and the archive";
        delete back;
    });
    for (const char* item : {"@DCBase", "@MCObList"}) {
        EXPECT_EQ(
            LoadCause(X(std::string("@MCEventList/1 0100 ") + item + " 01000000 01000000 0000"),
                      [](CArchive& ar) { delete ar.ReadObject(nullptr); }),
            CArchiveException::badClass)
            << item;
    }
}

TEST(MCEventList, CollapseToAncestorsKeepsOnlyElementsNotBelowOthersOfTheList) {
    Staff staff;
    auto* measure = Make<Measure>(0, &staff);
    auto* chord = Make<Chord>(0, measure);
    auto* note = Make<Note>(0, chord);
    auto* beam = Make<Beam>(0, measure);
    auto* beamedOnly = Make<Note>(0, beam);
    auto* envelope = Make<Envelope>(0, measure);
    auto* point = Make<EnvPoint>(0, envelope);
    auto* otherMeasure = Make<Measure>(1, &staff);

    MCEventList list;
    Fill(list, {note, chord, beamedOnly, envelope, point, measure, otherMeasure});
    list.CollapseToAncestors();
    // The envelope is passed through, not collected, so it stays; what lies below it and
    // below the beam does not.
    EXPECT_EQ(Items(&list), (Elements{envelope, measure, otherMeasure}));
    EXPECT_EQ(note->GetRefCount(), 1);

    // One occurrence of a repeated element goes; a list of one is left alone.
    list.RemoveAll();
    Fill(list, {chord, measure, chord});
    list.CollapseToAncestors();
    EXPECT_EQ(Items(&list), (Elements{measure, chord}));
    MCEventList one;
    ASSERT_NE(one.AddTail(new Untimed), nullptr); // released with the list
    one.CollapseToAncestors();
    EXPECT_EQ(one.GetCount(), 1);
}

TEST(MCObList, GetNextAndGetPrevWithAClassSkipOthersAndEndPastTheFind) {
    ECWithTime timed;
    ECWithChild container;
    ECWithTimeChild both;
    MCObList list;
    for (CObject* o : std::initializer_list<CObject*>{&timed, &container, &both, &timed}) {
        ASSERT_NE(list.AddTail(o), nullptr);
    }
    const CRuntimeClass *withChild = RUNTIME_CLASS(ECWithChild),
                        *withTime = RUNTIME_CLASS(ECWithTime);
    POSITION pos = list.GetHeadPosition();
    EXPECT_EQ(list.GetNext(pos, withChild), &container);
    EXPECT_EQ(pos, list.FindIndex(2));
    EXPECT_EQ(list.GetNext(pos, withChild), &both);
    EXPECT_EQ(list.GetNext(pos, withChild), nullptr);
    EXPECT_EQ(pos, nullptr);
    pos = list.GetTailPosition();
    EXPECT_EQ(list.GetPrev(pos, withTime), &timed);
    EXPECT_EQ(list.GetPrev(pos, withTime), &timed);
    EXPECT_EQ(pos, nullptr);
    pos = list.FindIndex(1);
    EXPECT_EQ(list.GetNext(pos, nullptr), &container);
    EXPECT_EQ(pos, list.FindIndex(2));
}

std::vector<std::string> Keys(const MCMapStringToPtr& map) {
    std::vector<std::string> keys;
    for (POSITION pos = map.GetStartPosition(); pos != nullptr;) {
        CString key;
        void* value = nullptr;
        map.GetNextAssoc(pos, key, value);
        keys.push_back(key.str());
    }
    return keys;
}

TEST(MCMapStringToPtr, HashBucketsIterationOrderLookupAndLongKeys) {
    EXPECT_EQ(MCMapStringToPtr::HashKey("AB"), 2211u);
    EXPECT_EQ(MCMapStringToPtr::HashKey("\xE9"), 0xFFFFFFE9u) << "bytes are signed";
    MCMapStringToPtr map;
    EXPECT_EQ(map.GetStartPosition(), nullptr);
    // "AB", "Bh" and "CG" share bucket 10; "AA" is in bucket 9, "A" in 65.
    for (const char* key : {"A", "AB", "Bh", "AA", "CG"}) {
        EXPECT_EQ(map[key], nullptr);
    }
    EXPECT_EQ(Keys(map), (std::vector<std::string>{"AA", "CG", "Bh", "AB", "A"}));

    map.RemoveAll();
    int one = 1, two = 2;
    void* value = &one;
    EXPECT_EQ(map.Lookup("AB", value), 0);
    EXPECT_EQ(value, &one);
    map.SetAt("AB", &two);
    map.SetAt("ab", &one);
    EXPECT_EQ(map.Lookup("AB", value), 1);
    EXPECT_EQ(value, &two);
    EXPECT_EQ(map.RemoveKey("AB"), 1);
    EXPECT_EQ(map.RemoveKey("AB"), 0);
    // Keys keep 51 characters: longer ones still find their entry, and share it.
    const std::string longKey(60, 'k'), sameStart = std::string(51, 'k') + "other";
    map.SetAt(longKey.c_str(), &two);
    EXPECT_EQ(map.Lookup(sameStart.c_str(), value), 1);
    EXPECT_EQ(value, &two);
    EXPECT_EQ(map.Lookup(std::string(50, 'k').c_str(), value), 0);
    EXPECT_EQ(Keys(map).size(), 2u);
}

// Callbacks append their user data (a letter) to the log; Acting also changes the list.
MCFuncList* g_list;
std::string g_log;
MCCallback g_remove;
bool g_removeAll, g_add;

int A(ECBase*, int, void*, void* u) {
    g_log += *static_cast<const char*>(u);
    return 1; // ignored by the list
}
int B(ECBase* o, int c, void* d, void* u) { return A(o, c, d, u); }
int Acting(ECBase* owner, int code, void* data, void* u) {
    A(owner, code, data, u);
    if (g_remove != nullptr) {
        g_list->RemoveCallback(g_remove);
    }
    if (g_removeAll) {
        g_list->RemoveCallbacks();
    }
    if (g_add) {
        g_add = false;
        EXPECT_EQ(g_list->AddCallback(B, const_cast<char*>("d")), 1);
    }
    if (code == 0 && g_remove == Acting) {
        g_list->CallCallbacks(owner, 1, data); // nested: the removed record is skipped
    }
    return 0;
}

char a[] = "a", b[] = "b", c[] = "c";

class MCFuncListTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_list = &list;
        g_remove = nullptr;
        g_removeAll = g_add = false;
    }
    std::string Call(int code = 0, void* data = nullptr) {
        g_log.clear();
        EXPECT_EQ(list.CallCallbacks(nullptr, code, data), 0);
        return g_log;
    }
    MCFuncList list;
};

TEST_F(MCFuncListTest, CallsEveryCallbackInOrderWithItsArguments) {
    static int seenCode;
    static void *seenData, *seenUser;
    EXPECT_EQ(list.AddCallback(B, b), 1);
    EXPECT_EQ(list.InsertCallback(A, a, nullptr), 1);
    EXPECT_EQ(list.InsertCallback(
                  [](ECBase*, int code, void* data, void* user) {
                      seenCode = code, seenData = data, seenUser = user;
                      return 0;
                  },
                  c, list.GetTailPosition()),
              1);
    EXPECT_EQ(list.AddCallback(nullptr, c), 0);
    EXPECT_EQ(Call(501, &seenCode), "ab");
    EXPECT_EQ(seenCode, 501);
    EXPECT_EQ(seenData, &seenCode);
    EXPECT_EQ(seenUser, c);
    EXPECT_EQ(list.AddCallback(A, c), 1);
    list.RemoveCallback(A);
    EXPECT_EQ(Call(), "bc") << "only the first record of a function goes";
}

TEST_F(MCFuncListTest, CallbacksChangingTheListDuringACall) {
    EXPECT_EQ(list.AddCallback(Acting, a), 1);
    EXPECT_EQ(list.AddCallback(B, b), 1);
    EXPECT_EQ(list.AddCallback(A, c), 1);
    g_remove = Acting;
    EXPECT_EQ(Call(), "abcbc");
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.InsertCallback(Acting, a, nullptr), 1);
    g_remove = A;
    EXPECT_EQ(Call(), "ab") << "a removed later callback is not called";
    g_remove = nullptr;
    list.RemoveCallback(B);
    g_add = true;
    EXPECT_EQ(Call(), "ad") << "one appended by the last callback is";
    g_removeAll = true;
    EXPECT_EQ(Call(), "a");
    EXPECT_TRUE(list.IsEmpty());
    g_removeAll = false;
}

} // namespace
