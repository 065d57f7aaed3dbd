#include "clavenor/framework/CIniProfileStore.h"
#include "clavenor/framework/CMemProfileStore.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

namespace clavenor {
namespace {

namespace fs = std::filesystem;

// Both stores must honour the same contract; the INI store works on a file of its own.
struct MemStore {
    CMemProfileStore store;
};

struct IniStore {
    fs::path folder = fs::temp_directory_path() /
                      ("clavenor-store-" + std::to_string(::getpid()) + "-" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    CIniProfileStore store;
    IniStore() {
        fs::create_directories(folder);
        store.SetPath(folder / "prefs.ini");
    }
    ~IniStore() { fs::remove_all(folder); }
};

template <class T>
class ProfileStoreContract : public ::testing::Test {
protected:
    T fixture;
    CProfileStore& store = fixture.store;
};

using StoreTypes = ::testing::Types<MemStore, IniStore>;
TYPED_TEST_SUITE(ProfileStoreContract, StoreTypes);

TYPED_TEST(ProfileStoreContract, AbsentKeysGiveTheDefault) {
    EXPECT_EQ(this->store.GetProfileInt("Settings", "UndoLevels", 10), 10);
    EXPECT_EQ(this->store.GetProfileString("Settings", "Name", "none"), "none");
    ASSERT_TRUE(this->store.WriteProfileInt("Settings", "UndoLevels", 3));
    EXPECT_EQ(this->store.GetProfileInt("Settings", "Other", -1), -1);
    EXPECT_EQ(this->store.GetProfileInt("Elsewhere", "UndoLevels", -1), -1);
}

TYPED_TEST(ProfileStoreContract, ValuesRoundTripAndOverwrite) {
    CProfileStore& s = this->store;
    ASSERT_TRUE(s.WriteProfileInt("A", "min", INT32_MIN));
    ASSERT_TRUE(s.WriteProfileInt("A", "max", INT32_MAX));
    ASSERT_TRUE(s.WriteProfileString("Settings\\Tempo\\Allegro", "Text", "  quoted \"x\" "));
    ASSERT_TRUE(s.WriteProfileString("A", "empty", ""));
    ASSERT_TRUE(s.WriteProfileString("A", "quotes", "\"q\""));
    ASSERT_TRUE(s.WriteProfileInt("A", "max", 5));

    EXPECT_EQ(s.GetProfileInt("A", "min", 0), INT32_MIN);
    EXPECT_EQ(s.GetProfileInt("A", "max", 0), 5);
    EXPECT_EQ(s.GetProfileString("Settings\\Tempo\\Allegro", "Text", ""), "  quoted \"x\" ");
    EXPECT_EQ(s.GetProfileString("A", "empty", "default"), "");
    EXPECT_EQ(s.GetProfileString("A", "quotes", ""), "\"q\"");
    // Integers are text: readable as strings.
    EXPECT_EQ(s.GetProfileString("A", "min", ""), "-2147483648");
}

TYPED_TEST(ProfileStoreContract, NamesIgnoreAsciiCase) {
    ASSERT_TRUE(this->store.WriteProfileInt("Settings\\Color", "Selection", 7));
    EXPECT_EQ(this->store.GetProfileInt("SETTINGS\\color", "selection", 0), 7);
    ASSERT_TRUE(this->store.WriteProfileInt("settings\\COLOR", "SELECTION", 8));
    EXPECT_EQ(this->store.GetProfileInt("Settings\\Color", "Selection", 0), 8);
}

TYPED_TEST(ProfileStoreContract, TextThatIsNoIntegerGivesTheDefault) {
    CProfileStore& s = this->store;
    const char* bad[] = {"", "abc", "12abc", "1 2", "+-3", "0x10", "2147483648", "-2147483649"};
    for (const char* text : bad) {
        ASSERT_TRUE(s.WriteProfileString("S", "k", text));
        EXPECT_EQ(s.GetProfileInt("S", "k", 99), 99) << '"' << text << '"';
    }
    ASSERT_TRUE(s.WriteProfileString("S", "k", " +42\t"));
    EXPECT_EQ(s.GetProfileInt("S", "k", 0), 42);
}

TEST(ProfileStoreSelection, DefaultIsInMemoryAndNullRestoresIt) {
    CProfileStore& builtIn = CProfileStore::GetActiveStore();
    EXPECT_NE(dynamic_cast<CMemProfileStore*>(&builtIn), nullptr);

    CMemProfileStore mine;
    EXPECT_EQ(CProfileStore::SetActiveStore(&mine), &builtIn);
    EXPECT_EQ(&CProfileStore::GetActiveStore(), &mine);
    EXPECT_EQ(CProfileStore::SetActiveStore(nullptr), &mine);
    EXPECT_EQ(&CProfileStore::GetActiveStore(), &builtIn);
}

TEST(ProfileStoreSelection, DestroyingTheActiveStoreFallsBackToTheBuiltInOne) {
    CProfileStore& builtIn = CProfileStore::GetActiveStore();
    {
        auto mine = std::make_unique<CMemProfileStore>();
        CProfileStore::SetActiveStore(mine.get());
    }
    EXPECT_EQ(&CProfileStore::GetActiveStore(), &builtIn);
}

} // namespace
} // namespace clavenor
