#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace clavenor::test {

// A record that refuses to be written, so that a save fails half way through the stream.
class DCRefusing : public DCBase {
    DECLARE_SERIAL(DCRefusing)

public:
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            throw CArchiveException(CArchiveException::genericException, "refused");
        }
        DCBase::Serialize(ar);
    }
};
IMPLEMENT_SERIAL(DCRefusing, DCBase, 2 | CRuntimeClass::VersionableSchema)

namespace {

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// A document of one staff, one measure and one note, and a folder to save it in.
class Files : public ::testing::Test {
protected:
    Files() {
        EXPECT_EQ(m_doc->GetChildren()->GetHead()->AddChild(m_staff, 1), 1);
        SetSeconds(m_measure, 0.0f);
        EXPECT_EQ(m_staff->AddChild(m_measure, 1), 1);
        EXPECT_EQ(m_measure->AddChild(new ECNote(MCTime(0.5f), MCTime(2.0f)), 1), 1);
    }

    // What loading `bytes` throws; fails the test when it loads.
    CFileException LoadFailure(const std::vector<std::uint8_t>& bytes) {
        const std::filesystem::path path = m_folder / "bad.clv";
        WriteBytes(path, bytes);
        ECPerformance* active = ECPerformance::GetActivePerformance();
        try {
            LoadDocument(path);
        } catch (const CFileException& e) {
            EXPECT_EQ(ECPerformance::GetActivePerformance(), active);
            EXPECT_EQ(e.GetFileName(), path.string());
            EXPECT_NE(std::string(e.what()).find(path.string()), std::string::npos);
            return e;
        }
        ADD_FAILURE() << "loaded";
        return CFileException(CFileException::genericException, "", "");
    }

    Document m_doc;
    ECStaff* m_staff = new ECStaff;
    ECMeasure* m_measure = new ECMeasure;
    TempFolder m_folder;
};

TEST_F(Files, SaveAndLoadKeepTheDocumentAndItsBytes) {
    const std::filesystem::path path = m_folder / "song.clv";
    SaveDocument(*m_doc.get(), path);
    const std::vector<std::uint8_t> bytes = ReadBytes(path);
    ASSERT_GE(bytes.size(), DocumentFile::HeaderSize);
    EXPECT_TRUE(std::equal(std::begin(DocumentFile::Signature), std::end(DocumentFile::Signature),
                           bytes.begin()));
    EXPECT_EQ(bytes[8], 1);  // framing version
    EXPECT_EQ(bytes[12], 4); // document version
    // The root is an object reference: a new class, then its name.
    EXPECT_EQ(bytes[16], 0xFF);
    EXPECT_EQ(bytes[17], 0xFF);
    EXPECT_EQ(std::string(bytes.begin() + 22, bytes.begin() + 35), "ECPerformance");

    ECPerformance* active = ECPerformance::GetActivePerformance();
    std::unique_ptr<ECPerformance> loaded = LoadDocument(path);
    EXPECT_EQ(ECPerformance::GetActivePerformance(), active);
    EXPECT_EQ(loaded->GetVersion(), ECPerformance::WriteVersion);
    ASSERT_NE(loaded->GetConductor(), nullptr);
    auto* note = static_cast<ECNote*>(loaded->GetDescendant(EventId::Note, -1));
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->GetTime()->GetSeconds(), 0.5f);
    EXPECT_EQ(note->GetDuration()->GetSeconds(), 2.0f);
    EXPECT_EQ(WriteDocument(*loaded), bytes);
}

TEST_F(Files, TheFramedVersionIsTheLoadedDocumentsVersion) {
    std::vector<std::uint8_t> bytes = WriteDocument(*m_doc.get());
    bytes[12] = 3; // nothing in this document reads differently at version 3
    std::unique_ptr<ECPerformance> loaded = ReadDocument(bytes.data(), bytes.size(), "v3");
    EXPECT_EQ(loaded->GetVersion(), 3);
}

TEST_F(Files, BrokenFilesNameTheFileTheCauseAndTheOffset) {
    const std::vector<std::uint8_t> good = WriteDocument(*m_doc.get());

    EXPECT_EQ(LoadFailure({'h', 'e', 'l', 'l', 'o'}).m_cause, CFileException::invalidFile);

    std::vector<std::uint8_t> newer = good;
    newer[12] = 5;
    const CFileException tooNew = LoadFailure(newer);
    EXPECT_EQ(tooNew.m_cause, CFileException::newerVersion);
    EXPECT_EQ(tooNew.GetOffset(), 12u);
    newer = good;
    newer[8] = 2;
    EXPECT_EQ(LoadFailure(newer).m_cause, CFileException::newerVersion);

    std::vector<std::uint8_t> negative = good;
    negative[15] = 0x80;
    EXPECT_EQ(LoadFailure(negative).m_cause, CFileException::damaged);

    const std::vector<std::uint8_t> cut(good.begin(), good.end() - 3);
    const CFileException truncated = LoadFailure(cut);
    EXPECT_EQ(truncated.m_cause, CFileException::damaged);
    EXPECT_EQ(truncated.GetOffset(), cut.size());
    EXPECT_NE(truncated.GetDetail().find("endOfFile"), std::string::npos) << truncated.what();

    std::vector<std::uint8_t> longer = good;
    longer.push_back(0);
    const CFileException stray = LoadFailure(longer);
    EXPECT_EQ(stray.m_cause, CFileException::damaged);
    EXPECT_EQ(stray.GetOffset(), good.size());

    std::vector<std::uint8_t> renamed = good;
    renamed[22] = 'X'; // "XCPerformance" is no class
    const CFileException unknown = LoadFailure(renamed);
    EXPECT_EQ(unknown.GetOffset(), 35u); // just past the unknown name
    EXPECT_NE(unknown.GetDetail().find("XCPerformance"), std::string::npos) << unknown.what();

    try {
        LoadDocument(m_folder / "missing.clv");
        FAIL();
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
        EXPECT_EQ(e.GetOffset(), CFileException::NoOffset);
    }
    try {
        LoadDocument(m_folder.path());
        FAIL();
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::invalidFile);
    }
}

TEST_F(Files, SavingReplacesAtomicallyAndAFailureLeavesThePreviousFile) {
    const std::filesystem::path path = m_folder / "song.clv";
    WriteBytes(path, {'o', 'l', 'd'});
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    SaveDocument(*m_doc.get(), path);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    const std::vector<std::uint8_t> saved = ReadBytes(path);
    EXPECT_EQ(saved, WriteDocument(*m_doc.get()));

    constexpr int kView = 4;
    CPluginData refusing(RUNTIME_CLASS(DCRefusing), kView, EventId::Measure);
    EXPECT_EQ(1, CPluginData::AddPlugin(&refusing));
    ASSERT_NE(m_measure->GetData(kView, 1), nullptr);
    EXPECT_EQ(1, CPluginData::RemovePlugin(&refusing));
    try {
        SaveDocument(*m_doc.get(), path);
        FAIL() << "saved a record that refuses";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::damaged);
        EXPECT_NE(e.GetDetail().find("refused"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadBytes(path), saved);
    m_measure->RemoveData(kView);

    try {
        SaveDocument(*m_doc.get(), m_folder / "no-such-folder" / "song.clv");
        FAIL();
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
    }
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder.path())) {
        names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{"song.clv"}); // no temporary file left
}

TEST(FileFormatDocument, TheHexExampleIsWhatTheLibraryWrites) {
    std::ifstream doc(std::string(CLAVENOR_SOURCE_DIR) + "/docs/file-format.md");
    std::vector<std::uint8_t> quoted;
    for (std::string line; std::getline(doc, line);) {
        // Dump lines: eight hex digits of offset, then the bytes.
        if (line.size() > 10 && line.find_first_not_of("0123456789abcdef") == 8 && line[8] == ' ') {
            std::istringstream bytes(line.substr(8));
            for (unsigned value = 0; bytes >> std::hex >> value;) {
                quoted.push_back(static_cast<std::uint8_t>(value));
            }
        }
    }
    Document document;
    EXPECT_EQ(WriteDocument(*document.get()), quoted);
}

} // namespace
} // namespace clavenor::test
