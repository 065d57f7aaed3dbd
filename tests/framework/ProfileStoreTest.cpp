// The preference stores: the contract both honour, and the INI file store's handling of
// hand-written, broken and unwritable files.

#include <clavenor/clavenor.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <unistd.h>

namespace clavenor {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// A folder of the test's own, removed afterwards.
struct TempFolder {
    TempFolder() { fs::create_directories(folder); }
    ~TempFolder() { fs::remove_all(folder); }
    fs::path folder = fs::temp_directory_path() /
                      ("clavenor-prefs-" + std::to_string(::getpid()) + "-" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
};

struct MemStore {
    CMemProfileStore store;
};

struct IniStore : TempFolder {
    CIniProfileStore store{folder / "prefs.ini"};
};

template <class T>
class ProfileStoreContract : public ::testing::Test {
protected:
    T fixture;
    CProfileStore& store = fixture.store;
};

using StoreTypes = ::testing::Types<MemStore, IniStore>;
TYPED_TEST_SUITE(ProfileStoreContract, StoreTypes);

TYPED_TEST(ProfileStoreContract, ValuesRoundTripAndAbsentKeysGiveTheDefault) {
    CProfileStore& s = this->store;
    EXPECT_EQ(s.GetProfileString("Settings", "Name", "none"), "none");
    ASSERT_TRUE(s.WriteProfileInt("A", "min", INT32_MIN));
    ASSERT_TRUE(s.WriteProfileInt("A", "max", INT32_MAX));
    ASSERT_TRUE(s.WriteProfileInt("A", "max", 5));
    ASSERT_TRUE(s.WriteProfileString("Settings\\Tempo", "Text", "  quoted \"x\" "));
    ASSERT_TRUE(s.WriteProfileString("A", "empty", ""));
    EXPECT_TRUE(s.GetProfileInt("A", "min", 0) == INT32_MIN && s.GetProfileInt("A", "max", 0) == 5);
    EXPECT_EQ(s.GetProfileString("Settings\\Tempo", "Text", ""), "  quoted \"x\" ");
    EXPECT_EQ(s.GetProfileString("A", "empty", "default"), "");
    EXPECT_EQ(s.GetProfileString("A", "min", ""), "-2147483648") << "integers are text";
    EXPECT_TRUE(s.GetProfileInt("A", "other", -1) == -1 && s.GetProfileInt("B", "min", -1) == -1);
    // Names ignore ASCII case.
    ASSERT_TRUE(s.WriteProfileInt("settings\\TEMPO", "TEXT", 8));
    EXPECT_EQ(s.GetProfileInt("Settings\\Tempo", "text", 0), 8);
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

TEST(ProfileStoreSelection, DefaultIsInMemoryNullRestoresItAndSoDoesDestroyingTheActiveOne) {
    CProfileStore& builtIn = CProfileStore::GetActiveStore();
    EXPECT_NE(dynamic_cast<CMemProfileStore*>(&builtIn), nullptr);
    {
        CMemProfileStore mine;
        EXPECT_EQ(CProfileStore::SetActiveStore(&mine), &builtIn);
        EXPECT_EQ(&CProfileStore::GetActiveStore(), &mine);
        EXPECT_EQ(CProfileStore::SetActiveStore(nullptr), &mine);
        EXPECT_EQ(&CProfileStore::GetActiveStore(), &builtIn);
        CProfileStore::SetActiveStore(&mine);
    }
    EXPECT_EQ(&CProfileStore::GetActiveStore(), &builtIn);
}

class IniProfileStore : public ::testing::Test, public TempFolder {
protected:
    IniProfileStore() { store.SetPath(path); }

    void WriteFile(const std::string& bytes) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    }
    std::string ReadFile() {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::size_t FilesInFolder() {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    }

    fs::path path = folder / "user.ini";
    CIniProfileStore store;
};

TEST_F(IniProfileStore, WritesCreateAReadableFileThatOutlivesTheStore) {
    EXPECT_EQ(store.GetProfileInt("Settings", "UndoLevels", 10), 10);
    EXPECT_FALSE(fs::exists(path)) << "reading must not create the file";

    ASSERT_TRUE(store.WriteProfileInt("Settings", "UndoLevels", 25));
    ASSERT_TRUE(store.WriteProfileString("Settings\\Tempo", "Name", " padded "));
    ASSERT_TRUE(store.WriteProfileInt("Settings", "Other", 1));
    EXPECT_EQ(ReadFile(), "[Settings]\nUndoLevels=25\nOther=1\n\n"
                          "[Settings\\Tempo]\nName=\" padded \"\n");
    EXPECT_EQ(FilesInFolder(), 1u) << "no temporary file may be left behind";

    CIniProfileStore second(path);
    EXPECT_EQ(second.GetProfileInt("settings", "undolevels", 0), 25);
    EXPECT_EQ(second.GetProfileString("Settings\\Tempo", "Name", ""), " padded ");
}

TEST_F(IniProfileStore, ReadsHandWrittenFilesAndKeepsWhatItDoesNotUnderstand) {
    const std::string original = "\xEF\xBB\xBForphan=1\r\n"
                                 "; comment\r\n"
                                 "  [ Settings ]  \r\n"
                                 "  UndoLevels =  12  \r\n"
                                 "UndoLevels=99\r\n"
                                 "no equals sign\r\n"
                                 "=no key\r\n"
                                 "Quoted=\"a b\"\r\n"
                                 "\r\n"
                                 "[Settings]\r\n"
                                 "Late=3";
    WriteFile(original);
    EXPECT_EQ(store.GetProfileInt("Settings", "UndoLevels", 0), 12) << "first key wins";
    EXPECT_EQ(store.GetProfileString("Settings", "Quoted", ""), "a b");
    EXPECT_EQ(store.GetProfileInt("Settings", "Late", 0), 3) << "repeated section";
    EXPECT_EQ(store.GetProfileInt("", "orphan", 0), 0) << "keys before any header";

    ASSERT_TRUE(store.WriteProfileInt("Settings", "undolevels", 13));
    ASSERT_TRUE(store.WriteProfileInt("Settings", "New", 4));
    std::string expected = original;
    expected.replace(expected.find("  UndoLevels =  12  \r"), 21, "UndoLevels=13");
    expected.insert(expected.find("Quoted=\"a b\"\r\n") + 14, "New=4\n");
    EXPECT_EQ(ReadFile(), expected + "\n");
}

TEST_F(IniProfileStore, GarbageAndTruncatedFilesReadAsDefaultsAndStayWritable) {
    const std::string binary = "\0\xff\xfe[\x01=\n]]]\n\n\0=\0"s;
    const std::string garbage[] = {
        binary,
        "[Settings]\nUndoLevels",
        "[Sett",
        "[Settings]\nUndoLevels=\"",
        "[Settings]\nUndoLevels=3",
        std::string(100000, '['),
    };
    for (const std::string& bytes : garbage) {
        WriteFile(bytes);
        EXPECT_EQ(store.GetProfileInt("Settings", "UndoLevels", 10), bytes.ends_with('3') ? 3 : 10);
        ASSERT_TRUE(store.WriteProfileInt("Settings", "UndoLevels", 5));
        EXPECT_EQ(CIniProfileStore(path).GetProfileInt("Settings", "UndoLevels", 10), 5);
    }
    WriteFile(binary);
    ASSERT_TRUE(store.WriteProfileInt("Settings", "UndoLevels", 5));
    EXPECT_EQ(ReadFile(), binary + "\n\n[Settings]\nUndoLevels=5\n");
}

TEST_F(IniProfileStore, UnreadableFilesReadAsDefaultsAndAreNotOverwritten) {
    // A folder in place of the file.
    fs::create_directory(path);
    EXPECT_EQ(store.GetProfileInt("Settings", "UndoLevels", 10), 10);
    EXPECT_FALSE(store.WriteProfileInt("Settings", "UndoLevels", 5));
    fs::remove(path);

    // A file too large to be a preference file.
    std::string huge(CIniProfileStore::MaxFileSize + 1, ' ');
    huge.replace(0, 23, "[Settings]\nUndoLevels=7");
    WriteFile(huge);
    EXPECT_EQ(store.GetProfileInt("Settings", "UndoLevels", 10), 10);
    EXPECT_FALSE(store.WriteProfileInt("Settings", "UndoLevels", 5));
    EXPECT_EQ(fs::file_size(path), huge.size());
    EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(IniProfileStore, RefusesWhatTheFileCannotHoldAndLeavesItUnchanged) {
    ASSERT_TRUE(store.WriteProfileInt("Settings", "UndoLevels", 1));
    const std::string before = ReadFile();
    const CString refused[][3] = {
        {"Settings", "Text", "two\nlines"},
        {"Settings", "Text", CString("nul\0byte", 8)},
        {"Set]tings", "k", "1"},
        {"", "k", "1"},
        {" Settings", "k", "1"},
        {"Settings", "a=b", "1"},
        {"Settings", "", "1"},
        {"Settings", ";comment", "1"},
        {"Settings", "key ", "1"},
    };
    for (const auto& r : refused) {
        EXPECT_FALSE(store.WriteProfileString(r[0], r[1], r[2])) << r[0] << '/' << r[1];
    }
    EXPECT_EQ(ReadFile(), before);
    EXPECT_EQ(store.GetProfileString("Settings", "Text", "none"), "none");
}

TEST_F(IniProfileStore, FailedWritesChangeNothing) {
    ASSERT_TRUE(store.WriteProfileInt("Settings", "UndoLevels", 1));
    store.SetPath(folder / "missing-folder" / "user.ini");
    EXPECT_FALSE(store.WriteProfileInt("Settings", "UndoLevels", 2));
    EXPECT_EQ(store.GetProfileInt("Settings", "UndoLevels", 10), 10);

    CIniProfileStore detached;
    EXPECT_FALSE(detached.WriteProfileInt("Settings", "UndoLevels", 2));
    EXPECT_EQ(detached.GetProfileInt("Settings", "UndoLevels", 10), 10);
}

TEST_F(IniProfileStore, SeesChangesMadeByOthersAndKeepsPermissions) {
    ASSERT_TRUE(store.WriteProfileInt("Settings", "UndoLevels", 1));
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);

    WriteFile("[Settings]\nUndoLevels=2\nSize=3\n");
    EXPECT_EQ(store.GetProfileInt("Settings", "UndoLevels", 0), 2);

    // A write after an outside change builds on the file, not on the store's old copy.
    CIniProfileStore other(path);
    ASSERT_TRUE(other.WriteProfileInt("Settings", "Size", 4));
    ASSERT_TRUE(store.WriteProfileInt("Settings", "UndoLevels", 5));
    EXPECT_EQ(ReadFile(), "[Settings]\nUndoLevels=5\nSize=4\n");
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

} // namespace
} // namespace clavenor
