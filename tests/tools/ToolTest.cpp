// The clavenor tool as a user runs it: the README's road from a MIDI file to a document and
// back, and one clear line with the right exit status for each kind of failure.

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sys/wait.h>

namespace clavenor::test {
namespace {

#ifdef CLAVENOR_TOOL
const std::string kTool = CLAVENOR_TOOL;
#else
const std::string kTool;
#endif
const std::string kScore = std::string(CLAVENOR_SOURCE_DIR) + "/examples/midi/score.mid";

struct Result {
    int status;
    std::string out;
    std::string err;
};

class Tool : public ::testing::Test {
protected:
    void SetUp() override {
        if (kTool.empty()) {
            GTEST_SKIP() << "the clavenor tool was not built (CLI11 or nlohmann-json missing)";
        }
    }

    Result Run(const std::string& arguments) {
        const std::string err = (m_folder / "stderr").string();
        std::string out;
        const std::string command = "'" + kTool + "' " + arguments + " 2>'" + err + "'";
        std::FILE* pipe = ::popen(command.c_str(), "r");
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            out.append(buffer, got);
        }
        const int status = ::pclose(pipe);
        std::ifstream in(err);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out,
                std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())};
    }

    std::string Path(const std::string& name) { return (m_folder / name).string(); }

    TempFolder m_folder;
};

std::size_t CountOf(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

TEST_F(Tool, TheReadmeRoadFromMidiToDocumentAndBack) {
    const Result imported = Run("import-midi '" + kScore + "' '" + Path("score.clv") + "'");
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_NE(imported.out.find("3 staves, 8 measures, 68 notes"), std::string::npos)
        << imported.out;
    EXPECT_NE(imported.out.find("3 keys, 1 raw messages"), std::string::npos) << imported.out;
    EXPECT_EQ(imported.err.find("warning"), std::string::npos) << imported.err;

    const Result info = Run("info '" + Path("score.clv") + "'");
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("title:    Clavenor example"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("length:   8 bars, 30 quarter notes, 0:16.6 (16.6 seconds)"),
              std::string::npos)
        << info.out;

    const Result verify = Run("verify '" + Path("score.clv") + "'");
    EXPECT_EQ(verify.status, 0) << verify.err;
    EXPECT_NE(verify.out.find(": ok:"), std::string::npos);

    const Result render = Run("render '" + Path("score.clv") + "' '" + Path("score.svg") + "'");
    ASSERT_EQ(render.status, 0) << render.err;
    std::ifstream svgFile(Path("score.svg"));
    const std::string svg((std::istreambuf_iterator<char>(svgFile)),
                          std::istreambuf_iterator<char>());
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_EQ(CountOf(svg, "fill-opacity"), 68u); // a bar for every note
    EXPECT_NE(svg.find("3/4"), std::string::npos);
    EXPECT_NE(svg.find("Piano right hand"), std::string::npos);

    const Result exported =
        Run("export-midi '" + Path("score.clv") + "' '" + Path("back.mid") + "'");
    ASSERT_EQ(exported.status, 0) << exported.err;
    const Result again = Run("import-midi '" + Path("back.mid") + "' '" + Path("again.clv") + "'");
    ASSERT_EQ(again.status, 0) << again.err;
    std::ifstream a(Path("score.clv"), std::ios::binary);
    std::ifstream b(Path("again.clv"), std::ios::binary);
    EXPECT_TRUE(std::equal(std::istreambuf_iterator<char>(a), std::istreambuf_iterator<char>(),
                           std::istreambuf_iterator<char>(b), std::istreambuf_iterator<char>()));

    const Result json = Run("dump --json '" + Path("score.clv") + "'");
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out.rfind("{\n  \"class\": \"ECPerformance\"", 0), 0u) << json.out.substr(0, 80);
    EXPECT_EQ(CountOf(json.out, "\"class\": \"ECNote\""), 68u);
    const Result text = Run("dump '" + kScore + "'");
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("ECNote time=0 duration=1 voice=0 track=1 pitch=67 name=\"G4\""),
              std::string::npos);
}

TEST_F(Tool, FailuresSayWhatAndWhereInOneLineWithTheirExitStatus) {
    std::ifstream in(kScore, std::ios::binary);
    std::string midi((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream(Path("cut.mid"), std::ios::binary) << midi.substr(0, 100);
    const Result cut = Run("import-midi '" + Path("cut.mid") + "' '" + Path("x.clv") + "'");
    EXPECT_EQ(cut.status, 1);
    EXPECT_EQ(cut.err, "clavenor: error: " + Path("cut.mid") +
                           ": offset 18: chunk of 124 bytes runs past the end of the file (78 "
                           "left)\n");

    ASSERT_EQ(Run("import-midi '" + kScore + "' '" + Path("score.clv") + "'").status, 0);
    std::ifstream docIn(Path("score.clv"), std::ios::binary);
    std::string document((std::istreambuf_iterator<char>(docIn)), std::istreambuf_iterator<char>());
    // The performance's flag byte with its selected bit set: it loads, but is not saved so.
    std::string selected = document;
    selected[35] = static_cast<char>(selected[35] | 0x04);
    std::ofstream(Path("selected.clv"), std::ios::binary) << selected;
    const Result differs = Run("verify '" + Path("selected.clv") + "'");
    EXPECT_EQ(differs.status, 1);
    EXPECT_EQ(differs.err, "clavenor: error: " + Path("selected.clv") +
                               ": saving it again differs from the file at offset 35 (" +
                               std::to_string(document.size()) + " bytes against " +
                               std::to_string(document.size()) + ")\n");

    std::ofstream(Path("short.clv"), std::ios::binary) << document.substr(0, 200);
    const Result damaged = Run("info '" + Path("short.clv") + "'");
    EXPECT_EQ(damaged.status, 1);
    EXPECT_EQ(CountOf(damaged.err, "\n"), 1u) << damaged.err;
    EXPECT_NE(damaged.err.find(Path("short.clv") + ": at offset 200: endOfFile"), std::string::npos)
        << damaged.err;

    const Result usage = Run("import-midi only-one-argument");
    EXPECT_EQ(usage.status, 2);
    const Result missing = Run("info '" + Path("missing.clv") + "'");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("No such file"), std::string::npos) << missing.err;
    const Result unwritable =
        Run("render '" + kScore + "' '" + Path("no-such-folder/out.svg") + "'");
    EXPECT_EQ(unwritable.status, 3);
    EXPECT_NE(unwritable.err.find("no-such-folder"), std::string::npos) << unwritable.err;
}

} // namespace
} // namespace clavenor::test
