#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace clavenor::test {
namespace {

namespace fs = std::filesystem;

TEST(FilterRegistry, TheFirstRegistrationOfAKeyWinsAndRecordsLeaveWhenRemovedOrDestroyed) {
    CPluginFilter first(RUNTIME_CLASS(LCBase), "abc");
    first.SetFilterCode(77);
    CPluginFilter second(RUNTIME_CLASS(DCBase), "abc");
    CPluginFilter notAFilter(RUNTIME_CLASS(DCBase), "data");
    notAFilter.SetFilterCode(78);
    EXPECT_EQ(CPluginFilter::AddPlugin(&first), 1);
    EXPECT_EQ(CPluginFilter::AddPlugin(&second), 0);
    EXPECT_EQ(CPluginFilter::AddPlugin(&notAFilter), 1);

    EXPECT_EQ(CPluginFilter::FindPlugin("abc"), &first);
    EXPECT_EQ(CPluginFilter::FindPlugin("ABC"), nullptr);
    EXPECT_EQ(CPluginFilter::FindPlugin(77u), &first);
    EXPECT_EQ(CPluginFilter::FindPlugin(RUNTIME_CLASS(DCBase)), &notAFilter);
    std::unique_ptr<LCBase> filter(CPluginFilter::CreateFilter("abc"));
    ASSERT_NE(filter, nullptr);
    EXPECT_EQ(filter->GetRuntimeClass(), RUNTIME_CLASS(LCBase));
    EXPECT_EQ(CPluginFilter::CreateFilter(78u), nullptr) << "its class makes no filter";
    EXPECT_EQ(CPluginFilter::CreateFilter("none"), nullptr);

    EXPECT_EQ(CPluginFilter::RemovePlugin(&first), 1);
    EXPECT_EQ(CPluginFilter::RemovePlugin(&first), 0);
    EXPECT_EQ(CPluginFilter::FindPlugin("abc"), nullptr);
    {
        CPluginFilter scoped(nullptr, std::string(60, 'k').c_str());
        EXPECT_EQ(std::string(scoped.GetFilterClassKey()), std::string(51, 'k'));
        EXPECT_EQ(1, CPluginFilter::AddPlugin(&scoped));
        EXPECT_EQ(CPluginFilter::FindPlugin(std::string(51, 'k').c_str()), &scoped);
    }
    EXPECT_EQ(CPluginFilter::FindPlugin(std::string(51, 'k').c_str()), nullptr);
    EXPECT_EQ(1, CPluginFilter::RemovePlugin(&notAFilter));
    EXPECT_EQ(CPluginFilter::GetPlugins().GetCount(), 0);
}

TEST(FilterBase, ADefaultFilterIsEnabledWithPriorityZeroAndArchivesTwoBytes) {
    LCBase filter;
    EXPECT_EQ(filter.IsEnabled(), 1);
    EXPECT_EQ(filter.GetPriority(), 0);
    EXPECT_EQ(Store([&](CArchive& ar) { ar << &filter; }), X("@LCBase 01 00"));
    LCBase other;
    other.SetPriority(300);
    EXPECT_EQ(other.GetPriority(), 44) << "one byte";
    EXPECT_NE(other, filter);
    filter.Copy(&other);
    EXPECT_EQ(other, filter);
    LCBase read;
    Load(X("00 07"), [&](CArchive& ar) { read.Serialize(ar); });
    EXPECT_EQ(read.IsEnabled(), 0);
    EXPECT_EQ(read.GetPriority(), 7);
}

class RecordingSink : public CMessageSink {
public:
    void Show(const CString& text, Icon icon, const CString& detail) override {
        lines.push_back((icon == IconStop ? "stop: " : "info: ") + text.str());
        details.push_back(detail.str());
    }
    std::vector<std::string> lines;
    std::vector<std::string> details;
};

bool IsLoaded(const fs::path& library) {
    void* handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle != nullptr) {
        ::dlclose(handle);
    }
    return handle != nullptr;
}

// A plug-in folder of the test's own, with the messages the loader shows.
class PluginFolder : public ::testing::Test {
protected:
    PluginFolder() : m_previous(CMessageSink::SetActive(&m_sink)) {
        CPlugin::SetPluginFolder(m_folder.path().string());
    }
    ~PluginFolder() override {
        CPlugin::UnInitialize();
        CPlugin::SetPluginFolder("");
        CMessageSink::SetActive(m_previous);
    }

    fs::path Add(const char* built, const char* name) {
        fs::copy_file(built, m_folder / name);
        return m_folder / name;
    }
    fs::path AddTestPlugin(const char* name) {
        return Add((std::string(CLAVENOR_TEST_PLUGINS) + "/" + name).c_str(), name);
    }
    std::string Path(const char* name) const { return (m_folder / name).string(); }

    TempFolder m_folder;
    RecordingSink m_sink;
    CMessageSink* m_previous;
};

TEST_F(PluginFolder, TheExamplePluginRegistersItsClassesUntilItIsUnloaded) {
    const fs::path library = Add(CLAVENOR_EXAMPLE_PLUGIN, "ExamplePlugin.so");
    char before[4096];
    ASSERT_NE(::getcwd(before, sizeof before), nullptr);
    ASSERT_EQ(CPlugin::Initialize(), 1);
    EXPECT_TRUE(m_sink.lines.empty());
    char after[4096];
    ASSERT_NE(::getcwd(after, sizeof after), nullptr);
    EXPECT_STREQ(after, before) << "the walk leaves the current folder alone";

    CPluginFilter* transpose = CPluginFilter::FindPlugin("Transpose");
    ASSERT_NE(transpose, nullptr);
    EXPECT_EQ(CPluginFilter::FindPlugin(0x54525350u), transpose);
    {
        std::unique_ptr<LCBase> filter(CPluginFilter::CreateFilter("Transpose"));
        ASSERT_NE(filter, nullptr);
        EXPECT_STREQ(filter->GetRuntimeClass()->m_lpszClassName, "LCTranspose");
        EXPECT_EQ(Store([&](CArchive& ar) { ar << filter.get(); }), X("@LCTranspose 01 00 0C"));

        ECNote note;
        DCBase* record = note.GetData(2, 1);
        ASSERT_NE(record, nullptr);
        EXPECT_STREQ(record->GetRuntimeClass()->m_lpszClassName, "DCPlayCount");
        EXPECT_EQ(record->GetOwner(), &note);
        EXPECT_EQ(note.GetFlags() & ECBase::FlagHasData, ECBase::FlagHasData);
    }

    ASSERT_EQ(CPlugin::UnInitialize(), 1);
    EXPECT_FALSE(IsLoaded(library));
    EXPECT_EQ(CPluginFilter::FindPlugin("Transpose"), nullptr);
    EXPECT_EQ(CPluginData::GetDataClass(2, EventId::Note), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName("LCTranspose"), nullptr);
}

TEST_F(PluginFolder, EveryFileThatFailsIsReportedAndTheRestAreLoaded) {
    Add(CLAVENOR_EXAMPLE_PLUGIN, "ExamplePlugin.so");
    for (const char* name : {"NoEntryPoints.so", "NoInit.so", "OldVersion.so", "Unresolved.so"}) {
        AddTestPlugin(name);
    }
    std::ofstream(m_folder / "Garbage.so") << "not a library";
    std::ofstream(m_folder / "ReadMe.txt") << "not even named like one";
    fs::create_directory(m_folder / "Folder.so");
    fs::create_symlink(m_folder / "gone", m_folder / "Dangling.so");
    std::ofstream(m_folder / "Locked.so") << "unreadable";
    ::chmod((m_folder / "Locked.so").c_str(), 0);
    // A superuser reads every file: the locked one then fails only as a non-library.
    const bool rootReads = ::access((m_folder / "Locked.so").c_str(), R_OK) == 0;

    ASSERT_EQ(CPlugin::Initialize(), 1);
    EXPECT_NE(CPluginFilter::FindPlugin("Transpose"), nullptr);
    EXPECT_EQ(CPluginFilter::FindPlugin("Old"), nullptr) << "an old plug-in is not initialised";
    const std::vector<std::string> expected = {
        "stop: The plugin, " + Path("Dangling.so") + ", could not be loaded (err code 2).",
        "stop: The plugin, " + Path("Folder.so") + ", could not be loaded (err code 21).",
        "stop: The plugin, " + Path("Garbage.so") + ", could not be loaded (err code 8).",
        "stop: The plugin, " + Path("Locked.so") + ", could not be loaded (err code " +
            (rootReads ? "8" : "13") + ").",
        "info: Plugin, " + Path("NoInit.so") + ", could not be initialized.",
        "stop: The plugin, " + Path("Unresolved.so") + ", could not be loaded (err code 80).",
    };
    EXPECT_EQ(m_sink.lines, expected);
    ASSERT_EQ(m_sink.details.size(), expected.size());
    EXPECT_NE(m_sink.details.back().find("ClavenorTestMissingFunction"), std::string::npos)
        << "the loader's own reason goes with the message";
}

TEST_F(PluginFolder, AFolderWithoutLibrariesReportsThatNoneWereFound) {
    std::ofstream(m_folder / "ReadMe.txt") << "nothing to load";
    EXPECT_EQ(CPlugin::Initialize(), 0);
    CPlugin::SetPluginFolder((m_folder / "missing").string());
    EXPECT_EQ(CPlugin::UnInitialize(), 0);
    EXPECT_EQ(m_sink.lines, std::vector<std::string>(2, "stop: No plugins were found!"));
    EXPECT_EQ(CPlugin::FreePlugin(Path("never-loaded.so").c_str()), 1);

    CPlugin::SetPluginFolder("");
    const fs::path exe = fs::read_symlink("/proc/self/exe");
    EXPECT_EQ(CPlugin::GetExecutableFolder(), exe.parent_path().string());
    EXPECT_EQ(CPlugin::GetPluginFolder(), (exe.parent_path() / "PlugIns").string());
}

} // namespace
} // namespace clavenor::test
