// The plain collections: object lists, the string map, bit arrays and handler lists.

#include <clavenor/clavenor.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace clavenor;

TEST(MCObListNext, WithAClassSkipsOthersAndEndsPastTheFind) {
    ECWithTime timed;
    ECWithChild container;
    ECWithTimeChild timedContainer;
    MCObList list;
    for (CObject* o : {static_cast<CObject*>(&timed), static_cast<CObject*>(&container),
                       static_cast<CObject*>(&timedContainer), static_cast<CObject*>(&timed)}) {
        list.AddTail(o);
    }
    POSITION pos = list.GetHeadPosition();
    EXPECT_EQ(list.GetNext(pos, RUNTIME_CLASS(ECWithChild)), &container);
    EXPECT_EQ(pos, list.FindIndex(2));
    EXPECT_EQ(list.GetNext(pos, RUNTIME_CLASS(ECWithChild)), &timedContainer);
    EXPECT_EQ(list.GetNext(pos, RUNTIME_CLASS(ECWithChild)), nullptr);
    EXPECT_EQ(pos, nullptr);
    pos = list.GetTailPosition();
    EXPECT_EQ(list.GetPrev(pos, RUNTIME_CLASS(ECWithTime)), &timed);
    EXPECT_EQ(list.GetPrev(pos, RUNTIME_CLASS(ECWithTime)), &timed);
    EXPECT_EQ(pos, nullptr);
    pos = list.FindIndex(1);
    EXPECT_EQ(list.GetNext(pos, nullptr), &container);
    EXPECT_EQ(pos, list.FindIndex(2));
}

namespace {

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

} // namespace

TEST(MCMapStringToPtr, HashBucketsAndIterationOrder) {
    EXPECT_EQ(MCMapStringToPtr::HashKey("AB"), 2211u);
    EXPECT_EQ(MCMapStringToPtr::HashKey("AB") % 71, 10u);
    EXPECT_EQ(MCMapStringToPtr::HashKey("\xE9"), 0xFFFFFFE9u) << "bytes are signed";
    MCMapStringToPtr map;
    EXPECT_EQ(map.GetStartPosition(), nullptr);
    // "AB", "Bh" and "CG" share bucket 10; "AA" is in bucket 9, "A" in 65.
    for (const char* key : {"A", "AB", "Bh", "AA", "CG"}) {
        EXPECT_EQ(map[key], nullptr);
    }
    EXPECT_EQ(Keys(map), (std::vector<std::string>{"AA", "CG", "Bh", "AB", "A"}));
}

TEST(MCMapStringToPtr, LookupRemoveAndLongKeys) {
    MCMapStringToPtr map;
    int one = 1, two = 2;
    void* value = &one;
    EXPECT_TRUE(map.Lookup("AB", value) == 0 && value == &one);
    map.SetAt("AB", &two);
    map.SetAt("ab", &one);
    EXPECT_TRUE(map.Lookup("AB", value) == 1 && value == &two);
    EXPECT_EQ(map.RemoveKey("AB"), 1);
    EXPECT_EQ(map.RemoveKey("AB"), 0);
    // Keys keep 51 characters: longer ones still find their entry, and share it.
    const std::string longKey(60, 'k'), sameStart = std::string(51, 'k') + "other";
    map.SetAt(longKey.c_str(), &two);
    EXPECT_TRUE(map.Lookup(sameStart.c_str(), value) == 1 && value == &two);
    EXPECT_EQ(map.Lookup(std::string(50, 'k').c_str(), value), 0);
    EXPECT_EQ(Keys(map).size(), 2u);
}

TEST(MCBitArray, WordsBitsAndSizes) {
    MCBitArray bits(17);
    EXPECT_TRUE(bits.GetWordCount() == 2 && bits.GetAll() == 0);
    bits.Set(16);
    bits.Set(5);
    EXPECT_NE(bits.Get(16), 0u);
    EXPECT_EQ(bits.Get(5), 32u) << "the masked bit, not 1";
    bits.Clear(16);
    EXPECT_TRUE(bits.Get(16) == 0 && bits.Get(4) == 0 && bits.GetAll() == 1);
    bits.ClearAll();
    EXPECT_EQ(bits.GetAll(), 0);
    bits.Set(3);
    bits.SetSize(16);
    EXPECT_TRUE(bits.GetWordCount() == 1 && bits.Get(3) == 0) << "a new size starts cleared";
    bits.SetSize(0);
    EXPECT_TRUE(bits.GetWordCount() == 0 && bits.GetAll() == 0);
}

namespace {

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
        g_list->AddCallback(B, const_cast<char*>("d"));
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

} // namespace

TEST_F(MCFuncListTest, CallsEveryCallbackInOrderWithItsArguments) {
    static int seenCode;
    static void *seenData, *seenUser;
    list.AddCallback(B, b);
    list.InsertCallback(A, a, nullptr);
    list.InsertCallback(
        [](ECBase*, int code, void* data, void* user) {
            seenCode = code, seenData = data, seenUser = user;
            return 0;
        },
        c, list.GetTailPosition());
    EXPECT_EQ(list.AddCallback(nullptr, c), 0);
    EXPECT_EQ(Call(501, &seenCode), "ab");
    EXPECT_TRUE(seenCode == 501 && seenData == &seenCode && seenUser == c);
    list.AddCallback(A, c);
    list.RemoveCallback(A);
    EXPECT_EQ(Call(), "bc") << "only the first record of a function goes";
}

TEST_F(MCFuncListTest, CallbacksChangingTheListDuringACall) {
    list.AddCallback(Acting, a);
    list.AddCallback(B, b);
    list.AddCallback(A, c);
    g_remove = Acting;
    EXPECT_EQ(Call(), "abcbc");
    EXPECT_EQ(list.GetCount(), 2);
    list.InsertCallback(Acting, a, nullptr);
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
