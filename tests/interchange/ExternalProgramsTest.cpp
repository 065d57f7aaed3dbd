// Our Standard MIDI Files checked against programs this project did not write: midicsv
// must list our exports event for event as we meant them, and the MIDI files of Debian's
// planetblupi-music-midi and those MuseScore 3 writes from its demo scores must import and
// round-trip. Each test skips, saying so, when its program or files are not installed
// (scripts/test-all installs them).

#include "fuzz/FuzzMidi.h"
#include "interchange/ExternalProgram.h"
#include "support/TestSupport.h"

#include <clavenor/interchange/MidiExporter.h>
#include <clavenor/interchange/MidiFileReader.h>
#include <clavenor/interchange/MidiFileWriter.h>
#include <clavenor/interchange/MidiImporter.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace clavenor::test {
namespace {

// The lines midicsv prints for a file, made from the events we meant to write.
std::vector<std::string> ExpectedCsv(const MidiFile& file) {
    std::vector<std::string> lines;
    auto line = [&](std::size_t track, std::uint64_t tick, const std::string& rest) {
        lines.push_back(std::to_string(track) + ", " + std::to_string(tick) + ", " + rest);
    };
    auto quoted = [](std::string_view text) {
        std::string out(1, '"');
        out += text;
        out += '"';
        return out;
    };
    line(0, 0,
         "Header, " + std::to_string(file.format) + ", " + std::to_string(file.tracks.size()) +
             ", " + std::to_string(file.division));
    static const char* const kTexts[] = {
        "",        "Text_t",   "Copyright_t", "Title_t", "Instrument_name_t",
        "Lyric_t", "Marker_t", "Cue_point_t"};
    for (std::size_t t = 0; t < file.tracks.size(); ++t) {
        const std::size_t n = t + 1;
        line(n, 0, "Start_track");
        std::uint64_t last = 0;
        for (const MidiEvent& e : file.tracks[t].events) {
            last = e.tick;
            const std::string ch = std::to_string(e.Channel());
            const std::string d1 = std::to_string(e.data1);
            const std::string d2 = std::to_string(e.data2);
            const auto bytes = file.GetBytes(e);
            if (e.IsChannel()) {
                switch (e.Kind()) {
                case 0x80:
                    line(n, e.tick, "Note_off_c, " + ch + ", " + d1 + ", " + d2);
                    break;
                case 0x90:
                    line(n, e.tick, "Note_on_c, " + ch + ", " + d1 + ", " + d2);
                    break;
                case 0xA0:
                    line(n, e.tick, "Poly_aftertouch_c, " + ch + ", " + d1 + ", " + d2);
                    break;
                case 0xB0:
                    line(n, e.tick, "Control_c, " + ch + ", " + d1 + ", " + d2);
                    break;
                case 0xC0:
                    line(n, e.tick, "Program_c, " + ch + ", " + d1);
                    break;
                case 0xD0:
                    line(n, e.tick, "Channel_aftertouch_c, " + ch + ", " + d1);
                    break;
                default:
                    line(n, e.tick,
                         "Pitch_bend_c, " + ch + ", " + std::to_string((e.data2 << 7) | e.data1));
                    break;
                }
            } else if (e.IsSysEx()) {
                std::string text = e.status == MidiEvent::SysEx ? "System_exclusive, "
                                                                : "System_exclusive_packet, ";
                text += std::to_string(bytes.size());
                for (const std::uint8_t b : bytes) {
                    text += ", " + std::to_string(b);
                }
                line(n, e.tick, text);
            } else if (e.data1 >= 1 && e.data1 <= 7) {
                line(n, e.tick, std::string(kTexts[e.data1]) + ", " + quoted(file.GetText(e)));
            } else if (e.data1 == MidiEvent::MetaTempo) {
                line(n, e.tick,
                     "Tempo, " + std::to_string((bytes[0] << 16) | (bytes[1] << 8) | bytes[2]));
            } else if (e.data1 == MidiEvent::MetaTimeSignature) {
                line(n, e.tick,
                     "Time_signature, " + std::to_string(bytes[0]) + ", " +
                         std::to_string(bytes[1]) + ", " + std::to_string(bytes[2]) + ", " +
                         std::to_string(bytes[3]));
            } else if (e.data1 == MidiEvent::MetaKeySignature) {
                line(n, e.tick,
                     "Key_signature, " + std::to_string(static_cast<std::int8_t>(bytes[0])) + ", " +
                         quoted(bytes[1] != 0 ? "minor" : "major"));
            } else if (e.data1 == MidiEvent::MetaPort) {
                line(n, e.tick, "MIDI_port, " + std::to_string(bytes[0]));
            } else {
                ADD_FAILURE() << "no midicsv form for meta event " << int(e.data1);
            }
        }
        line(n, std::max(last, file.tracks[t].endTick), "End_track");
    }
    line(0, 0, "End_of_file");
    return lines;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) {
        if (!l.empty() && l.back() == '\r') {
            l.pop_back();
        }
        lines.push_back(l);
    }
    return lines;
}

// Import, export, import: the same document; and the export reads.
void ExpectRoundTrip(const Bytes& bytes, const std::string& name) {
    MidiImportReport report;
    auto first = MidiImporter::Import(MidiFileReader::Read(bytes), {}, &report);
    EXPECT_GT(report.notes, 0u) << name;
    const Bytes document = WriteDocument(*first);
    const Bytes exported = MidiFileWriter::Write(MidiExporter::Export(*first, {}));
    first.reset();
    auto second = MidiImporter::Import(MidiFileReader::Read(exported), {});
    EXPECT_EQ(WriteDocument(*second), document) << name << " changed on its way through MIDI";
    auto reloaded = ReadDocument(document.data(), document.size(), name);
    EXPECT_EQ(WriteDocument(*reloaded), document) << name;
    MCCommandMgr::OnIdle();
}

TEST(ExternalPrograms, MidicsvListsOurExportsEventForEventAsWeMeantThem) {
    if (!Installed("midicsv")) {
        GTEST_SKIP() << "midicsv is not installed (Debian package midicsv): our exports are not "
                        "checked against it";
    }
    TempFolder folder;
    std::vector<Bytes> sources = fuzz::MakeMidiSeeds();
    sources.push_back(ReadAll(std::string(CLAVENOR_SOURCE_DIR) + "/examples/midi/score.mid"));
    int index = 0;
    for (const Bytes& source : sources) {
        auto document = MidiImporter::Import(MidiFileReader::Read(source), {});
        const MidiFile meant = MidiExporter::Export(*document, {});
        const std::filesystem::path path = folder / ("export-" + std::to_string(index++) + ".mid");
        WriteAll(path, MidiFileWriter::Write(meant));
        int status = 0;
        const std::vector<std::string> listed =
            Lines(Shell("midicsv '" + path.string() + "'", status));
        EXPECT_EQ(status, 0) << path;
        EXPECT_EQ(listed, ExpectedCsv(meant)) << path;
    }
    MCCommandMgr::OnIdle();
}

TEST(ExternalPrograms, PlanetBlupiMusicImportsAndRoundTrips) {
    const std::filesystem::path folder = "/usr/share/planetblupi/music";
    if (!std::filesystem::is_directory(folder)) {
        GTEST_SKIP() << "planetblupi-music-midi is not installed: its MIDI files are not checked";
    }
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".mid") {
            ExpectRoundTrip(ReadAll(entry.path()), entry.path().string());
            ++files;
        }
    }
    EXPECT_GT(files, 0);
}

TEST(ExternalPrograms, MuseScoreMidiFromItsDemoScoresImportsAndRoundTrips) {
    std::vector<std::filesystem::path> scores;
    for (const auto& share : std::filesystem::directory_iterator("/usr/share")) {
        const std::filesystem::path demos = share.path() / "demos";
        if (share.path().filename().string().rfind("mscore3", 0) == 0 &&
            std::filesystem::is_directory(demos)) {
            for (const auto& entry : std::filesystem::directory_iterator(demos)) {
                const std::string extension = entry.path().extension().string();
                if (extension == ".mscz" || extension == ".mscx") {
                    scores.push_back(entry.path());
                }
            }
        }
    }
    if (!Installed("mscore3") || scores.empty()) {
        GTEST_SKIP() << "MuseScore 3 (musescore3, musescore3-common) is not installed: MIDI "
                        "from its demo scores is not checked";
    }
    std::sort(scores.begin(), scores.end());
    TempFolder folder;
    for (const std::filesystem::path& score : scores) {
        const std::filesystem::path midi = folder / (score.stem().string() + ".mid");
        int status = 0;
        // MuseScore keeps settings in the home folder: give it one of its own.
        Shell("HOME='" + folder.path().string() +
                  "' QT_QPA_PLATFORM=offscreen timeout 300 mscore3 "
                  "-platform offscreen -o '" +
                  midi.string() + "' '" + score.string() + "' 2>&1",
              status);
        ASSERT_EQ(status, 0) << "mscore3 could not convert " << score;
        ExpectRoundTrip(ReadAll(midi), score.string());
    }
}

} // namespace
} // namespace clavenor::test
