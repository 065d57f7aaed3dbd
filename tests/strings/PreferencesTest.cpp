// Preferences: the stores (the contract both honour, and the INI file store's handling of
// hand-written, broken and unwritable files) and the typed values kept in them.

#include <clavenor/clavenor.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

#include <unistd.h>

namespace clavenor {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// Each test works in a folder of its own, removed afterwards.
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
                      ("clavenor-prefs-" + std::to_string(::getpid()) + "-" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::path path = folder / "user.ini";
    CIniProfileStore store;
};

TEST_F(IniProfileStore, BothStoresRoundTripValuesAndGiveTheDefaultForAbsentKeysOrNonIntegers) {
    CMemProfileStore memory;
    for (CProfileStore* each :
         {static_cast<CProfileStore*>(&memory), static_cast<CProfileStore*>(&store)}) {
        CProfileStore& s = *each;
        SCOPED_TRACE(each == &memory ? "memory" : "file");
        EXPECT_EQ(s.GetProfileString("Settings", "Name", "none"), "none");
        ASSERT_TRUE(s.WriteProfileInt("A", "min", INT32_MIN));
        ASSERT_TRUE(s.WriteProfileInt("A", "max", INT32_MAX));
        ASSERT_TRUE(s.WriteProfileInt("A", "max", 5));
        ASSERT_TRUE(s.WriteProfileString("Settings\\Tempo", "Text", "  quoted \"x\" "));
        ASSERT_TRUE(s.WriteProfileString("A", "empty", ""));
        EXPECT_EQ(s.GetProfileInt("A", "min", 0), INT32_MIN);
        EXPECT_EQ(s.GetProfileInt("A", "max", 0), 5);
        EXPECT_EQ(s.GetProfileString("Settings\\Tempo", "Text", ""), "  quoted \"x\" ");
        EXPECT_EQ(s.GetProfileString("A", "empty", "default"), "");
        EXPECT_EQ(s.GetProfileString("A", "min", ""), "-2147483648") << "integers are text";
        EXPECT_EQ(s.GetProfileInt("A", "other", -1), -1);
        EXPECT_EQ(s.GetProfileInt("B", "min", -1), -1);
        // Names ignore ASCII case.
        ASSERT_TRUE(s.WriteProfileInt("settings\\TEMPO", "TEXT", 8));
        EXPECT_EQ(s.GetProfileInt("Settings\\Tempo", "text", 0), 8);
        const char* bad[] = {"", "abc", "12abc", "1 2", "+-3", "0x10", "2147483648", "-2147483649"};
        for (const char* text : bad) {
            ASSERT_TRUE(s.WriteProfileString("S", "k", text));
            EXPECT_EQ(s.GetProfileInt("S", "k", 99), 99) << '"' << text << '"';
        }
        ASSERT_TRUE(s.WriteProfileString("S", "k", " +42\t"));
        EXPECT_EQ(s.GetProfileInt("S", "k", 0), 42);
    }
}

TEST_F(IniProfileStore, WritesCreateAFileAndKeepWhatTheyDoNotUnderstand) {
    EXPECT_EQ(store.GetProfileInt("Settings", "UndoLevels", 10), 10);
    EXPECT_FALSE(fs::exists(path)) << "reading must not create the file";

    ASSERT_TRUE(store.WriteProfileInt("Settings", "UndoLevels", 25));
    ASSERT_TRUE(store.WriteProfileString("Settings\\Tempo", "Name", " padded "));
    ASSERT_TRUE(store.WriteProfileInt("Settings", "Other", 1));
    EXPECT_EQ(ReadFile(), "[Settings]\nUndoLevels=25\nOther=1\n\n"
                          "[Settings\\Tempo]\nName=\" padded \"\n");
    EXPECT_EQ(FilesInFolder(), 1u) << "no temporary file may be left behind";

    EXPECT_EQ(CIniProfileStore(path).GetProfileString("Settings\\Tempo", "Name", ""), " padded ");
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

TEST_F(IniProfileStore, UnreadableFilesAndFailedWritesChangeNothing) {
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
    fs::remove(path);
    ASSERT_TRUE(store.WriteProfileInt("Settings", "UndoLevels", 1));
    store.SetPath(folder / "missing-folder" / "user.ini");
    EXPECT_FALSE(store.WriteProfileInt("Settings", "UndoLevels", 2));
    EXPECT_EQ(store.GetProfileInt("Settings", "UndoLevels", 10), 10);

    CIniProfileStore detached;
    EXPECT_FALSE(detached.WriteProfileInt("Settings", "UndoLevels", 2));
    EXPECT_EQ(detached.GetProfileInt("Settings", "UndoLevels", 10), 10);
}

TEST_F(IniProfileStore, RefusesWhatTheFileCannotHoldAndLeavesItUnchanged) {
    ASSERT_TRUE(store.WriteProfileInt("Settings", "UndoLevels", 1));
    const std::string before = ReadFile();
    const CString refused[][3] = {{"Settings", "Text", "two\nlines"},
                                  {"Settings", "Text", CString("nul\0byte", 8)},
                                  {"Set]tings", "k", "1"},
                                  {"", "k", "1"},
                                  {" Settings", "k", "1"},
                                  {"Settings", "a=b", "1"},
                                  {"Settings", "", "1"},
                                  {"Settings", ";comment", "1"},
                                  {"Settings", "key ", "1"}};
    for (const auto& r : refused) {
        EXPECT_FALSE(store.WriteProfileString(r[0], r[1], r[2])) << r[0] << '/' << r[1];
    }
    EXPECT_EQ(ReadFile(), before);
    EXPECT_EQ(store.GetProfileString("Settings", "Text", "none"), "none");
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

// Every test works on a store and screen of its own.
class Preferences : public ::testing::Test {
protected:
    Preferences() : m_previous(CProfileStore::SetActiveStore(&store)) {}
    ~Preferences() override {
        CProfileStore::SetActiveStore(m_previous);
        MCScreenMetrics::Set(m_metrics);
    }

    CMemProfileStore store;

private:
    CProfileStore* m_previous;
    MCScreenMetrics m_metrics = MCScreenMetrics::Get();
};

TEST_F(Preferences, FloatsAreFixedTextInTheActiveStoreReadLikeAtof) {
    const std::pair<float, const char*> saved[] = {
        {2.5f, "2.500000"}, {-0.125f, "-0.125000"}, {1e20f, "100000002004087734272.000000"}};
    for (auto [value, text] : saved) {
        ASSERT_TRUE(SaveFloatPreference("S", "f", value));
        EXPECT_EQ(store.GetProfileString("S", "f", ""), text);
        EXPECT_EQ(LoadFloatPreference("S", "f", 9.0f), value);
    }
    const float kInf = std::numeric_limits<float>::infinity();
    const std::pair<const char*, float> read[] = {
        {"", 7.0f},      {"abc", 0.0f},     {"  3.25xyz", 3.25f}, {"-1e2", -100.0f},
        {"1e300", kInf}, {"-1e300", -kInf}, {"1e-300", 0.0f}};
    for (auto [text, value] : read) {
        ASSERT_TRUE(store.WriteProfileString("S", "f", text));
        EXPECT_EQ(LoadFloatPreference("S", "f", 7.0f), value) << '"' << text << '"';
    }
    EXPECT_EQ(LoadFloatPreference("S", "absent", 7.0f), 7.0f);
    ASSERT_TRUE(store.WriteProfileString("S", "f", "nan"));
    EXPECT_TRUE(std::isnan(LoadFloatPreference("S", "f", 7.0f)));
}

// Fonts are kept as "face, height, bold, italic, underline, charset"; stored fields apply by
// position and only switch flags on; only exactly 700 is bold.
TEST_F(Preferences, FontsRoundTripInTheirFixedTextFormat) {
    MCLogFont font = LoadFontPreference("Fonts", "Body", "Times", -20, 1, 1, 0, 300);
    EXPECT_EQ(font, (MCLogFont{-20, 0, 0, 0, 700, 1, 0, 0, 300 & 0xFF, 4, 0, 0, 0, "Times"}));
    font.faceName = "Courier New";
    font.height = -13;
    font.italic = 0;
    font.underline = 1;
    font.charSet = 238;
    ASSERT_TRUE(SaveFontPreference("Fonts", "Body", font));
    EXPECT_EQ(store.GetProfileString("Fonts", "Body", ""), "Courier New, -13, 1, 0, 1, 238");
    EXPECT_EQ(LoadFontPreference("Fonts", "Body", "Arial", 12, 0, 0, 0, 0), font);
    font.weight = 600;
    ASSERT_TRUE(SaveFontPreference("Fonts", "Body", font));
    EXPECT_EQ(LoadFontPreference("Fonts", "Body", "Arial", 12, 0, 0, 0, 0).weight, 400);

    const std::tuple<const char*, int, MCLogFont> cases[] = {
        {"Serif, 10, 0, 0, 0", 1, {10, 0, 0, 0, 700, 1, 1, 0, 77, 4, 0, 0, 0, "Serif"}},
        {"Serif, 10, 2, 1x, 01, ", 0, {10, 0, 0, 0, 400, 1, 1, 0, 0, 4, 0, 0, 0, "Serif"}},
        {",abc,,99999999999999", 0, {0, 0, 0, 0, 400, 0, 0, 0, 77, 4, 0, 0, 0, ""}},
        {"A, 99999999999, 1, 1, 1, -1, x",
         0,
         {INT32_MAX, 0, 0, 0, 700, 1, 1, 0, 255, 4, 0, 0, 0, "A"}}};
    for (const auto& [text, on, expected] : cases) {
        ASSERT_TRUE(store.WriteProfileString("Fonts", "F", text));
        EXPECT_EQ(LoadFontPreference("Fonts", "F", "Arial", 12, on, on, on, 77), expected) << text;
    }
}

TEST_F(Preferences, WindowWithoutStoredSizeGetsTheWorkArea) {
    MCScreenMetrics::Set({800, 600, 3, 4});
    MCWindowPlacement placement;
    placement.showCmd = 9;
    placement.flags = 9;
    EXPECT_EQ(LoadWindowPrefs("Main", placement), 0);
    EXPECT_EQ(placement.length, 44);
    EXPECT_EQ(placement.showCmd, MCWindowPlacement::ShowNormal);
    EXPECT_EQ(placement.flags, 0);
    EXPECT_EQ(placement.normalPosition, (RECT{0, 0, 800, 600}));
    EXPECT_EQ(placement.minPosition, (POINT{0, 0}));
    EXPECT_EQ(placement.maxPosition, (POINT{-3, -4}));

    // A zero height discards the stored width too, but not the position.
    ASSERT_TRUE(SaveIntPreference("Main", "x", 10));
    ASSERT_TRUE(SaveIntPreference("Main", "y", 20));
    ASSERT_TRUE(SaveIntPreference("Main", "Width", 300));
    EXPECT_EQ(LoadWindowPrefs("Main", placement), 0);
    EXPECT_EQ(placement.normalPosition, (RECT{10, 20, 810, 620}));
}

TEST_F(Preferences, WindowPlacementsRoundTrip) {
    // show command, flags, flags loaded back, iconic, maximized
    const std::uint32_t cases[][5] = {{MCWindowPlacement::ShowNormal, 0, 0, 0, 0},
                                      {MCWindowPlacement::ShowMaximized, 0, 0, 0, 1},
                                      {MCWindowPlacement::ShowMinimized, 2, 2, 1, 1},
                                      {MCWindowPlacement::ShowMinimized, 1, 2, 1, 1},
                                      {MCWindowPlacement::ShowMinimized, 0, 0, 1, 0}};
    for (const auto& c : cases) {
        MCWindowPlacement saved, loaded;
        saved.showCmd = c[0];
        saved.flags = c[1];
        saved.normalPosition = {INT32_MAX - 5, -40, INT32_MIN + 94, 560};
        SaveWindowPrefs("Main", saved);
        EXPECT_EQ(LoadIntPreference("Main", "Width", 0), 100) << "the width wraps";
        EXPECT_EQ(LoadIntPreference("Main", "Iconic", -1), static_cast<int>(c[3]));
        EXPECT_EQ(LoadIntPreference("Main", "Maximized", -1), static_cast<int>(c[4]));
        EXPECT_EQ(LoadWindowPrefs("Main", loaded), 1);
        EXPECT_EQ(loaded.showCmd, c[0]);
        EXPECT_EQ(loaded.flags, c[2]);
        EXPECT_EQ(loaded.normalPosition, saved.normalPosition);
    }
}

} // namespace
} // namespace clavenor
