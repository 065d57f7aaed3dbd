#include "clavenor/model/MCMapStringToPtr.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace clavenor;

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
