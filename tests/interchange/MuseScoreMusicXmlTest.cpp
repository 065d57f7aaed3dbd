// Our MusicXML checked against MuseScore 3: it opens every file we export without an error
// (MuseScore checks each file it imports against its MusicXML schema and says when one
// fails) and plays the notes our MIDI export plays; its demo scores, converted by MuseScore
// to MusicXML, import and play as MuseScore plays them, and our export of them plays so
// again in MuseScore. Skipped, saying so, when MuseScore is not installed (scripts/test-all
// installs it).
//
// How MuseScore's MIDI is compared with ours:
//  - MuseScore ends every note one tick early (at its 480 ticks per quarter note), so that
//    repeated notes never touch: its lengths get that tick back;
//  - MuseScore's MIDI plays its own reading of the score, beyond the notes: articulations
//    shorten notes, arpeggios spread chords, swing moves off-beats, repeats and jumps are
//    played out, grace notes take their time from the note they ornament, notes marked not to
//    play stay silent, and small notes play (MuseScore writes them as cue notes, which
//    MusicXML does not play). The document keeps the written notes, so the reference is
//    MuseScore's MIDI of a copy of the demo without that reading (no articulations,
//    arpeggios, swing, repeats, jumps, grace notes, small notes or silenced notes), made in
//    the test; the MusicXML imported is MuseScore's export of the demo itself, whole.
//  - Notes of one key struck together on one channel are one note in MIDI (the longest), on
//    both sides.
//  - Grace notes are compared apart: our MIDI plays them before their note, MuseScore's
//    takes time from it.

#include "interchange/ExternalProgram.h"
#include "support/TestSupport.h"

#include <clavenor/interchange/MidiExporter.h>
#include <clavenor/interchange/MidiFileReader.h>
#include <clavenor/interchange/MidiImporter.h>
#include <clavenor/interchange/MusicXmlExporter.h>
#include <clavenor/interchange/MusicXmlImporter.h>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <sstream>

namespace clavenor::test {
namespace {

constexpr int kMuseScoreEarlyTicks = 1;

std::string ReadText(const std::filesystem::path& path) {
    const Bytes bytes = ReadAll(path);
    return {bytes.begin(), bytes.end()};
}

// Elements of a MuseScore score whose playback goes beyond the written notes.
bool PlaysBeyondTheNotes(pugi::xml_node node) {
    static const char* const kNames[] = {"Articulation", "Arpeggio",  "Jump",  "Marker",
                                         "startRepeat",  "endRepeat", "swing", "swingUnit",
                                         "Tremolo",      "play"};
    const char* name = node.name();
    for (const char* known : kNames) {
        if (std::strcmp(name, known) == 0) {
            return true;
        }
    }
    if (std::strcmp(name, "Spanner") == 0) {
        const std::string type = node.attribute("type").as_string();
        return type == "Volta" || type == "Glissando" || type == "Trill";
    }
    if (std::strcmp(name, "Chord") == 0) {
        for (pugi::xml_node child : node.children()) {
            const std::string kind = child.name();
            if (kind == "acciaccatura" || kind == "appoggiatura" || kind.rfind("grace", 0) == 0) {
                return true;
            }
            // MuseScore plays its small notes, and writes them as cue notes, which MusicXML
            // does not play.
            if (kind == "small" && std::strcmp(child.child_value(), "1") == 0) {
                return true;
            }
        }
    }
    return false;
}

void Collect(pugi::xml_node node, std::vector<pugi::xml_node>& out) {
    for (pugi::xml_node child : node.children()) {
        if (child.type() != pugi::node_element) {
            continue;
        }
        if (PlaysBeyondTheNotes(child)) {
            out.push_back(child);
        } else {
            Collect(child, out);
        }
    }
}

std::string PlainPlayback(const std::string& mscx) {
    pugi::xml_document document;
    EXPECT_TRUE(document.load_buffer(mscx.data(), mscx.size(),
                                     pugi::parse_default | pugi::parse_declaration));
    std::vector<pugi::xml_node> doomed;
    Collect(document, doomed);
    for (pugi::xml_node node : doomed) {
        node.parent().remove_child(node);
    }
    std::ostringstream out;
    document.save(out, "  ");
    return out.str();
}

void Gather(ECBase* element, long long grid, std::vector<PlayedNote>& graces,
            std::vector<ECGraceNote*>& found) {
    for (ECBase* child : *element->GetChildren()) {
        if (child->GetEventId() == EventId::GraceNote) {
            auto* grace = static_cast<ECGraceNote*>(child);
            // A tied note, and its grace notes, are reached through its tie too.
            if (std::find(found.begin(), found.end(), grace) != found.end()) {
                continue;
            }
            found.push_back(grace);
            const DCNote* record = MCStandardRecords::FindNote(grace);
            graces.push_back(
                {std::llround(grace->GetTime()->GetSeconds() * static_cast<double>(grid)),
                 record != nullptr ? record->GetPitch() : 60,
                 std::llround(grace->GetDuration()->GetSeconds() * static_cast<double>(grid))});
        }
        if (child->GetChildren() != nullptr) {
            Gather(child, grid, graces, found);
        }
    }
}

// Our MIDI export of `document`, without its grace notes, which it takes out.
std::vector<PlayedNote> OurNotesWithoutGraces(ECPerformance& document, long long& grid,
                                              std::size_t& graceCount) {
    const MidiFile ours = MidiExporter::Export(document, {});
    grid = std::lcm(static_cast<long long>(ours.TicksPerQuarter()), 480LL);
    std::vector<PlayedNote> notes = NotesOf(ours, grid);
    std::vector<PlayedNote> graces;
    std::vector<ECGraceNote*> found;
    Gather(&document, grid, graces, found);
    std::sort(graces.begin(), graces.end());
    std::vector<PlayedNote> kept;
    std::set_difference(notes.begin(), notes.end(), graces.begin(), graces.end(),
                        std::back_inserter(kept));
    graceCount = found.size();
    for (ECGraceNote* grace : found) {
        // Deep: a grace note's accents go with it.
        EXPECT_EQ(grace->GetParents()->GetHead()->RemoveChild(grace, 1), 1);
    }
    return kept;
}

std::vector<PlayedNote> MuseScoreNotes(const std::filesystem::path& midi, long long grid) {
    return NotesOf(MidiFileReader::Read(ReadAll(midi)), grid, kMuseScoreEarlyTicks);
}

// MuseScore's complaints about a file it imported: a schema failure or an error it names.
// One is MuseScore's own: it takes an arpeggio without a direction, which MusicXML allows
// and MuseScore writes itself, for an error, and reads it as the plain arpeggio it is.
void ExpectOpenedCleanly(const std::string& said, const std::string& name) {
    std::istringstream lines(said);
    std::string complaints;
    for (std::string line; std::getline(lines, line);) {
        if (line.find("unknown arpeggio type none") == std::string::npos) {
            complaints += line + "\n";
        }
    }
    EXPECT_EQ(complaints.find("is not a valid MusicXML file"), std::string::npos) << name << "\n"
                                                                                  << said;
    EXPECT_EQ(complaints.find("Error at line"), std::string::npos) << name << "\n" << said;
}

// Exports `document` to MusicXML, has MuseScore play it, and compares with our MIDI.
void ExpectMuseScorePlaysOurExport(ECPerformance& document, const std::string& name,
                                   const TempFolder& folder) {
    long long grid = 0;
    std::size_t graces = 0;
    const std::vector<PlayedNote> ours = OurNotesWithoutGraces(document, grid, graces);
    const std::filesystem::path xml = folder / (name + ".musicxml");
    const std::filesystem::path midi = folder / (name + "-back.mid");
    const std::string exported = MusicXmlExporter::Export(document, {});
    WriteAll(xml, exported);
    int status = 0;
    const std::string said = MuseScore::Convert(xml, midi, folder.path(), status);
    ASSERT_EQ(status, 0) << name << "\n" << said;
    ExpectOpenedCleanly(said, name);
    static const char* const kPlayedBeyondTheNotes[] = {
        "<repeat ",    "<articulations>", "<ornaments>", "<arpeggiate",
        "<glissando ", "dacapo=\"",       "dalsegno=\"", "fine=\""};
    if (std::any_of(std::begin(kPlayedBeyondTheNotes), std::end(kPlayedBeyondTheNotes),
                    [&](const char* mark) { return exported.find(mark) != std::string::npos; })) {
        // MuseScore plays repeats, endings and jumps out, shortens notes it articulates, rolls
        // arpeggios and slides glissandi: its MIDI then comes from its own format with those
        // taken out, as for the demos. Only then, as MuseScore's own format moves notes after
        // lengths no note value has by a few ticks.
        const std::filesystem::path mscx = folder / (name + "-back.mscx");
        std::string again = MuseScore::Convert(xml, mscx, folder.path(), status);
        ASSERT_EQ(status, 0) << name << "\n" << again;
        const std::filesystem::path plain = folder / (name + "-back-plain.mscx");
        WriteAll(plain, PlainPlayback(ReadText(mscx)));
        again = MuseScore::Convert(plain, midi, folder.path(), status);
        ASSERT_EQ(status, 0) << name << "\n" << again;
    }
    const std::vector<PlayedNote> theirs = MuseScoreNotes(midi, grid);
    EXPECT_EQ(NoteDifference(ours, theirs, grid), "") << name;
    EXPECT_EQ(theirs.size(), ours.size()) << name;
}

class MuseScoreMusicXml : public ::testing::Test {
protected:
    void SetUp() override {
        if (!MuseScore::Available()) {
            GTEST_SKIP() << "MuseScore 3 (Debian package musescore3) is not installed: our "
                            "MusicXML is not checked against it";
        }
    }
    TempFolder m_folder;
};

TEST_F(MuseScoreMusicXml, OpensOurExportOfTheExampleScoreAndPlaysItsNotes) {
    const std::string source = std::string(CLAVENOR_SOURCE_DIR) + "/examples/midi/score.mid";
    auto document = MidiImporter::Import(MidiFileReader::Read(ReadAll(source)), {});
    ExpectMuseScorePlaysOurExport(*document, "score", m_folder);
    document.reset();
    MCCommandMgr::OnIdle();
}

TEST_F(MuseScoreMusicXml, OpensOurExportOfEveryKindOfMarkAndPlaysItsNotes) {
    const std::string source =
        std::string(CLAVENOR_SOURCE_DIR) + "/tests/interchange/data/everything.musicxml";
    MusicXmlImportReport report;
    auto document = MusicXmlImporter::Import(ReadAll(source), {}, &report);
    ExpectMuseScorePlaysOurExport(*document, "everything", m_folder);
    document.reset();
    MCCommandMgr::OnIdle();
}

TEST_F(MuseScoreMusicXml, DemoScoresImportAndPlayAsMuseScorePlaysThem) {
    const std::vector<std::filesystem::path> demos = MuseScore::DemoScores();
    if (demos.empty()) {
        GTEST_SKIP() << "musescore3-common's demo scores are not installed";
    }
    std::size_t totalNotes = 0;
    for (const std::filesystem::path& demo : demos) {
        SCOPED_TRACE(demo.string());
        const std::string stem = demo.stem().string();
        int status = 0;
        std::filesystem::path source = demo;
        if (demo.extension() == ".mscz") {
            source = m_folder / (stem + ".mscx");
            const std::string said = MuseScore::Convert(demo, source, m_folder.path(), status);
            ASSERT_EQ(status, 0) << said;
        }
        const std::filesystem::path xml = m_folder / (stem + ".musicxml");
        std::string said = MuseScore::Convert(source, xml, m_folder.path(), status);
        ASSERT_EQ(status, 0) << said;
        const std::filesystem::path plain = m_folder / (stem + "-plain.mscx");
        WriteAll(plain, PlainPlayback(ReadText(source)));
        const std::filesystem::path reference = m_folder / (stem + "-plain.mid");
        said = MuseScore::Convert(plain, reference, m_folder.path(), status);
        ASSERT_EQ(status, 0) << said;

        MusicXmlImportReport report;
        std::unique_ptr<ECPerformance> document;
        ASSERT_NO_THROW(document = MusicXmlImporter::Import(ReadAll(xml), {}, &report));
        long long grid = 0;
        std::size_t graces = 0;
        const std::vector<PlayedNote> ours = OurNotesWithoutGraces(*document, grid, graces);
        const std::vector<PlayedNote> theirs = MuseScoreNotes(reference, grid);
        EXPECT_EQ(NoteDifference(ours, theirs, grid), "") << "imported from " << stem;
        EXPECT_EQ(ours.size(), theirs.size()) << stem;
        EXPECT_EQ(report.graceNotes, graces) << stem;
        totalNotes += ours.size();

        ExpectMuseScorePlaysOurExport(*document, stem + "-ours", m_folder);
        std::printf("[ MuseScore ] %s: %zu notes and %zu grace notes imported, MuseScore plays "
                    "the same notes\n",
                    stem.c_str(), ours.size(), graces);
        document.reset();
        MCCommandMgr::OnIdle();
    }
    EXPECT_GT(totalNotes, 0u);
}

} // namespace
} // namespace clavenor::test
