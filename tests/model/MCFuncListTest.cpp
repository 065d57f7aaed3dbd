#include "clavenor/model/MCFuncList.h"

#include <gtest/gtest.h>

#include <string>

using namespace clavenor;

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
