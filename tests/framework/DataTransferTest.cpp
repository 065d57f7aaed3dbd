#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include <sys/stat.h>
#include <unistd.h>

namespace clavenor::test {
namespace {

namespace fs = std::filesystem;

CTransferData::Payload BytesOf(std::string_view text) {
    return std::make_shared<const CTransferData::Bytes>(text.begin(), text.end());
}

std::string TextOf(const CTransferData::Payload& payload) {
    return payload != nullptr ? std::string(payload->begin(), payload->end()) : "(none)";
}

std::shared_ptr<const CTransferData>
Transfer(std::initializer_list<std::pair<std::string_view, std::string_view>> formats) {
    auto data = std::make_shared<CTransferData>();
    for (const auto& [name, bytes] : formats) {
        data->SetFormat(name, BytesOf(bytes));
    }
    return data;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Selects a service for the library while it lives.
class ScopedService {
public:
    explicit ScopedService(CDataTransfer* service)
        : m_previous(CDataTransfer::SetActive(service)) {}
    ~ScopedService() { CDataTransfer::SetActive(m_previous); }

private:
    CDataTransfer* m_previous;
};

TEST(ClipboardFormats, NamesRegisterOnceAndIdsNameThemBack) {
    const std::uint16_t a = RegisterClipboardFormat("test format A");
    const std::uint16_t b = RegisterClipboardFormat("test format B");
    EXPECT_GE(a, FirstRegisteredFormat);
    EXPECT_NE(a, b);
    EXPECT_EQ(RegisterClipboardFormat("test format A"), a);
    EXPECT_NE(RegisterClipboardFormat("TEST FORMAT A"), a) << "names are case-sensitive";
    EXPECT_EQ(GetClipboardFormatName(b), "test format B");
    EXPECT_EQ(RegisterClipboardFormat(""), 0);
    EXPECT_EQ(GetClipboardFormatName(0), "");
    EXPECT_EQ(GetClipboardFormatName(0xFFFF), "");
}

TEST(TransferData, FormatsKeepTheirOfferOrderWhenReplacedAndLeaveWhenNull) {
    CTransferData data;
    data.SetFormat("one", BytesOf("1"));
    data.SetFormat("two", BytesOf("2"));
    data.SetFormat("one", BytesOf("1b"));
    data.SetFormat("", BytesOf("ignored"));
    ASSERT_EQ(data.GetFormatCount(), 2u);
    EXPECT_EQ(data.GetFormatName(0), "one");
    EXPECT_EQ(TextOf(data.GetFormat("one")), "1b");
    EXPECT_FALSE(data.HasFormat("One"));
    data.SetFormat("one", nullptr);
    EXPECT_EQ(data.GetFormatName(0), "two");
}

TEST(DataTransfer, TheBuiltInClipboardIsActiveUntilAHostChoosesAnother) {
    CDataTransfer* builtIn = &CDataTransfer::GetActive();
    EXPECT_NE(dynamic_cast<CMemDataTransfer*>(builtIn), nullptr);
    {
        CMemDataTransfer mine;
        EXPECT_EQ(CDataTransfer::SetActive(&mine), builtIn);
        EXPECT_EQ(&CDataTransfer::GetActive(), &mine);
        // Destroyed while active: the built-in one takes over.
    }
    EXPECT_EQ(&CDataTransfer::GetActive(), builtIn);
    EXPECT_EQ(CDataTransfer::SetActive(nullptr), builtIn);
}

TEST(DataTransfer, SourcesOfferByIdAndObjectsReadASnapshotOfTheClipboard) {
    CMemDataTransfer clipboard;
    ScopedService active(&clipboard);
    const std::uint16_t format = RegisterClipboardFormat("test snapshot");

    COleDataSource source;
    EXPECT_EQ(source.CacheData(0xFFF0, {1}), 0) << "an id nobody registered";
    ASSERT_EQ(source.CacheData(format, {'a', 'b'}), 1);
    EXPECT_EQ(source.IsDataAvailable(format), 1);
    ASSERT_EQ(source.SetClipboard(), 1);
    EXPECT_EQ(source.IsDataAvailable(format), 0) << "the clipboard took the offers";

    COleDataObject reader;
    ASSERT_EQ(reader.AttachClipboard(), 1);
    clipboard.SetClipboard(Transfer({{"test snapshot", "later"}}));
    EXPECT_EQ(TextOf(reader.GetData(format)), "ab");
    std::unique_ptr<CFile> file = reader.GetFileData(format);
    ASSERT_NE(file, nullptr);
    char bytes[3] = {};
    EXPECT_EQ(file->Read(bytes, sizeof bytes), 2u);
    EXPECT_STREQ(bytes, "ab");
    EXPECT_THROW(file->Write("x", 1), CArchiveException);

    std::shared_ptr<const CTransferData> lent = reader.Detach();
    EXPECT_FALSE(reader.IsAttached());
    EXPECT_EQ(reader.IsDataAvailable(format), 0);
    reader.Attach(lent);
    EXPECT_EQ(reader.IsDataAvailable(format), 1);

    clipboard.SetClipboard(std::make_shared<CTransferData>());
    EXPECT_EQ(reader.AttachClipboard(), 0) << "an empty transfer empties the clipboard";
}

TEST(DataTransfer, WithoutAWindowSystemNothingIsDraggedOrDetected) {
    COleDataSource source;
    EXPECT_EQ(source.DoDragDrop(DROPEFFECT_COPY), DROPEFFECT_NONE);
    EXPECT_EQ(CDataTransfer::GetActive().DragDetect(nullptr, 0, 0), 0);
    EXPECT_EQ(CDataTransfer::GetActive().GetDragDelay(), 200u);
    COleDropSource drop;
    EXPECT_EQ(drop.QueryContinueDrag(false, MK_LBUTTON), 1);
    EXPECT_EQ(drop.QueryContinueDrag(false, 0), 0);
    EXPECT_EQ(drop.QueryContinueDrag(false, MK_LBUTTON | MK_RBUTTON), -1);
    EXPECT_EQ(drop.QueryContinueDrag(true, MK_LBUTTON), -1);
}

class SharedClipboard : public ::testing::Test {
protected:
    fs::path File() const { return m_folder / "clipboard" / CSharedDataTransfer::FileName; }

    TempFolder m_folder;
    CSharedDataTransfer m_writer{m_folder / "clipboard"};
    CSharedDataTransfer m_reader{m_folder / "clipboard"};
};

TEST_F(SharedClipboard, ATransferWrittenByOneIsReadWholeByAnother) {
    EXPECT_EQ(m_reader.GetClipboard(), nullptr);
    EXPECT_TRUE(m_reader.GetLastError().IsEmpty()) << "no file yet is no error";
    ASSERT_EQ(m_writer.SetClipboard(Transfer({{"A", "xy"}, {"Bee", ""}})), 1);
    EXPECT_EQ(fs::status(m_folder / "clipboard").permissions(), fs::perms::owner_all);
    using namespace std::string_literals;
    EXPECT_EQ(ReadFile(File()), "CLVXFER1\x02\0\0\0"s
                                "\x01\0\0\0A\x02\0\0\0\0\0\0\0xy"s
                                "\x03\0\0\0Bee\0\0\0\0\0\0\0\0"s);
    std::shared_ptr<const CTransferData> read = m_reader.GetClipboard();
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(TextOf(read->GetFormat("A")), "xy");
    EXPECT_EQ(TextOf(read->GetFormat("Bee")), "");

    ASSERT_EQ(m_writer.SetClipboard(Transfer({{"A", "new"}})), 1);
    EXPECT_EQ(TextOf(m_reader.GetClipboard()->GetFormat("A")), "new");
    EXPECT_EQ(TextOf(read->GetFormat("A")), "xy") << "a snapshot stays as it was";
    EXPECT_EQ(std::distance(fs::directory_iterator(m_folder / "clipboard"), {}), 1)
        << "no temporary file is left behind";

    ASSERT_EQ(m_writer.SetClipboard(nullptr), 1);
    EXPECT_FALSE(fs::exists(File()));
    EXPECT_EQ(m_reader.GetClipboard(), nullptr);
}

TEST_F(SharedClipboard, DamagedFilesReadAsAnEmptyClipboardWithAReason) {
    ASSERT_EQ(m_writer.SetClipboard(Transfer({{"A", "xy"}, {"B", "z"}})), 1);
    const std::string good = ReadFile(File());
    std::vector<std::string> damaged;
    for (std::size_t n = 0; n < good.size(); ++n) {
        damaged.push_back(good.substr(0, n));
    }
    damaged.push_back(good + "!");
    damaged.push_back("CLVXFER2" + good.substr(8));
    std::string noName = good;
    noName[12] = '\0';
    damaged.push_back(noName);
    std::string hugeName = good;
    hugeName[15] = '\x7f';
    damaged.push_back(hugeName);
    std::string hugePayload = good;
    hugePayload[24] = '\xff';
    damaged.push_back(hugePayload);
    for (const std::string& bytes : damaged) {
        SCOPED_TRACE(bytes.size());
        WriteFile(File(), bytes);
        EXPECT_EQ(m_reader.GetClipboard(), nullptr);
        EXPECT_FALSE(m_reader.GetLastError().IsEmpty());
    }
    WriteFile(File(), good);
    EXPECT_NE(m_reader.GetClipboard(), nullptr);
    EXPECT_TRUE(m_reader.GetLastError().IsEmpty());
}

TEST_F(SharedClipboard, FoldersAndFilesOthersCouldControlAreRefused) {
    const fs::path shared = m_folder / "shared";
    fs::create_directory(shared);
    fs::permissions(shared, fs::perms::owner_all | fs::perms::group_all);
    const fs::path link = m_folder / "link";
    fs::create_directory_symlink(m_folder / "clipboard", link);
    const fs::path plain = m_folder / "plain";
    WriteFile(plain, "");
    for (const fs::path& folder : {shared, link, plain, fs::path()}) {
        SCOPED_TRACE(folder);
        CSharedDataTransfer refused(folder);
        EXPECT_EQ(refused.SetClipboard(Transfer({{"A", "x"}})), 0);
        EXPECT_FALSE(refused.GetLastError().IsEmpty());
    }

    // The clipboard file as a link to a file elsewhere.
    ASSERT_EQ(m_writer.SetClipboard(Transfer({{"A", "x"}})), 1);
    fs::rename(File(), m_folder / "elsewhere");
    fs::create_symlink(m_folder / "elsewhere", File());
    EXPECT_EQ(m_reader.GetClipboard(), nullptr);
    EXPECT_FALSE(m_reader.GetLastError().IsEmpty());
}

TEST(SharedClipboardFolder, TheRuntimeFolderIsPreferredAndTmpIsTheFallback) {
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string previous = saved != nullptr ? saved : "";
    ::setenv("XDG_RUNTIME_DIR", "/run/user/4242", 1);
    EXPECT_EQ(CSharedDataTransfer::DefaultFolder(), fs::path("/run/user/4242/clavenor"));
    ::setenv("XDG_RUNTIME_DIR", "relative", 1);
    const fs::path fallback = "/tmp/clavenor-" + std::to_string(::geteuid());
    EXPECT_EQ(CSharedDataTransfer::DefaultFolder(), fallback);
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(CSharedDataTransfer().GetFolder(), fallback);
    if (saved != nullptr) {
        ::setenv("XDG_RUNTIME_DIR", previous.c_str(), 1);
    }
}

struct Shown {
    std::string text;
    CMessageSink::Icon icon;
    std::string detail;
};

class RecordingSink : public CMessageSink {
public:
    void Show(const CString& text, Icon icon, const CString& detail) override {
        shown.push_back({text.str(), icon, detail.str()});
    }
    std::vector<Shown> shown;
};

TEST(MessageSink, MessagesGoToStandardErrorUntilTheHostSetsASink) {
    ::testing::internal::CaptureStderr();
    CMessageSink::Message("Something failed", CMessageSink::IconStop, "because");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "clavenor: error: Something failed - because\n");
    {
        RecordingSink sink;
        CMessageSink* builtIn = CMessageSink::SetActive(&sink);
        CMessageSink::Message("Note", CMessageSink::IconInformation);
        ASSERT_EQ(sink.shown.size(), 1u);
        EXPECT_EQ(sink.shown[0].text, "Note");
        EXPECT_EQ(sink.shown[0].icon, CMessageSink::IconInformation);
        EXPECT_EQ(CMessageSink::SetActive(builtIn), &sink);
    }
}

} // namespace
} // namespace clavenor::test
