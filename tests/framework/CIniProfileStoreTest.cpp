#include "clavenor/framework/CIniProfileStore.h"

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

class IniProfileStore : public ::testing::Test {
protected:
    IniProfileStore() {
        fs::create_directories(folder);
        store.SetPath(path);
    }
    ~IniProfileStore() override { fs::remove_all(folder); }

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

    fs::path folder = fs::temp_directory_path() /
                      ("clavenor-ini-" + std::to_string(::getpid()) + "-" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
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
