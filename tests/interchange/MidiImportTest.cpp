#include "fuzz/FuzzMidi.h"
#include "support/TestSupport.h"

#include <clavenor/interchange/MidiExporter.h>
#include <clavenor/interchange/MidiFileException.h>
#include <clavenor/interchange/MidiFileReader.h>
#include <clavenor/interchange/MidiFileWriter.h>
#include <clavenor/interchange/MidiImporter.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace clavenor::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string kScore = std::string(CLAVENOR_SOURCE_DIR) + "/examples/midi/score.mid";

Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::unique_ptr<ECPerformance> Import(const Bytes& bytes, MidiImportReport* report = nullptr) {
    return MidiImporter::Import(MidiFileReader::Read(bytes), {}, report);
}

Bytes Export(ECPerformance& document, MidiExportReport* report = nullptr, int division = 0) {
    MidiExporter::Options options;
    options.division = division;
    return MidiFileWriter::Write(MidiExporter::Export(document, options, report));
}

// A format-1 file of a conductor track and the given instrument tracks, 96 ticks per
// quarter note; every track ends at `end`.
Bytes Smf(const std::vector<std::vector<MidiEvent>>& tracks, std::uint64_t end = 384) {
    MidiFile file;
    file.division = 96;
    file.tracks.emplace_back().endTick = end;
    for (const auto& events : tracks) {
        MidiTrack& track = file.tracks.emplace_back();
        track.events = events;
        track.endTick = end;
    }
    return MidiFileWriter::Write(file);
}

MidiEvent On(std::uint64_t tick, int key, int velocity = 100, int channel = 0) {
    return MidiFile::MakeChannel(tick, static_cast<std::uint8_t>(0x90 | channel),
                                 static_cast<std::uint8_t>(key),
                                 static_cast<std::uint8_t>(velocity));
}
MidiEvent Off(std::uint64_t tick, int key, int velocity = 0, int channel = 0) {
    return MidiFile::MakeChannel(tick, static_cast<std::uint8_t>(0x80 | channel),
                                 static_cast<std::uint8_t>(key),
                                 static_cast<std::uint8_t>(velocity));
}

// The descendants of `root` with event id `eventId`, in walk order, each once.
void FindInto(ECBase* root, int eventId, std::vector<ECBase*>& found) {
    if (MCEventList* children = root->GetChildren()) {
        for (ECBase* child : *children) {
            if (child->GetParents()->GetHead() != root) {
                continue;
            }
            if (child->GetEventId() == eventId) {
                found.push_back(child);
            }
            FindInto(child, eventId, found);
        }
    }
}

std::vector<ECBase*> Find(ECBase* root, int eventId) {
    std::vector<ECBase*> found;
    FindInto(root, eventId, found);
    return found;
}

class MidiImport : public ::testing::Test {
protected:
    ~MidiImport() override { MCCommandMgr::OnIdle(); }
};

TEST_F(MidiImport, TheExampleScoreLandsWhereAReaderExpectsIt) {
    MidiImportReport report;
    auto document = Import(ReadAll(kScore), &report);
    ECConductor* conductor = document->GetConductor();
    ASSERT_NE(conductor, nullptr);
    EXPECT_EQ(conductor->GetMaxTrackNumber(1), 3);
    EXPECT_EQ(conductor->GetMaxMeasureNumber(), 8);
    EXPECT_EQ(conductor->GetMaxMeasureEndTime().GetSeconds(), 30.0f);
    EXPECT_EQ(report.notes, 68u);
    EXPECT_EQ(report.chords, 8u);
    EXPECT_EQ(report.meters, 2u);
    EXPECT_EQ(report.tempi, 2u);
    MCTime bar7(24.0f);
    ASSERT_NE(conductor->GetMeterAtTime(bar7), nullptr);
    EXPECT_EQ(conductor->GetMeterAtTime(bar7)->GetNumerator(), 3);
    EXPECT_EQ(conductor->GetTempoAtTime(bar7)->GetValue(), 120.0f);
    EXPECT_EQ(conductor->GetTempoAtTime(MCTime::TimeZero())->GetValue(), 100.0f);
    // Eight bars: 16 quarters at 100 per minute and 14 at 120.
    MCTime end(30.0f);
    conductor->GetConductorStaff()->GetTempoEnv()->GetClockTime(end);
    EXPECT_NEAR(end.GetSeconds(), 9.6 + 7.0, 1e-4);

    auto* bass = static_cast<ECStaff*>(conductor->GetTrack(1, 3, 0));
    ASSERT_NE(MCStandardRecords::FindTrack(bass), nullptr);
    EXPECT_EQ(MCStandardRecords::FindTrack(bass)->GetChannel(), 2);
    std::vector<ECBase*> names = Find(bass, EventId::Text);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(std::string(static_cast<ECText*>(names[0])->GetText().GetString()), "Bass");

    // The right hand's first note, spelled by the key (G major) where it is a black key.
    auto* right = static_cast<ECStaff*>(conductor->GetTrack(1, 1, 0));
    std::vector<ECBase*> notes = Find(right, EventId::Note);
    ASSERT_EQ(notes.size(), 29u);
    DCNote* first = MCStandardRecords::FindNote(notes[0]);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetPitch(), 67);
    EXPECT_EQ(first->GetVelocity(), 70);
    EXPECT_EQ(first->GetReleaseVelocity(), 64);
    EXPECT_EQ(notes[0]->GetDuration()->GetSeconds(), 1.0f);
    EXPECT_EQ(MCStandardRecords::FindNote(notes[7])->GetPitch(), 66); // F sharp
    EXPECT_EQ(MCStandardRecords::FindNote(notes[7])->GetSpelling(), 1);
    EXPECT_EQ(Find(right, EventId::Lyric).size(), 1u);

    // The conductor's G major is every staff's key.
    EXPECT_EQ(report.keys, 3u);
    for (int n = 1; n <= 3; ++n) {
        auto* staff = static_cast<ECStaff*>(conductor->GetTrack(1, n, 0));
        ECKey* key = staff->GetKeyAtTime(bar7, 0);
        ASSERT_NE(key, nullptr) << n;
        EXPECT_EQ(key->GetNumSharps(), 1) << n;
        EXPECT_EQ(key->GetMode(), 0) << n;
    }

    // What the model holds no element for travels as a raw message: the bass's General MIDI
    // reset.
    std::vector<ECBase*> raw = Find(conductor->GetConductorStaff(), EventId::SystemMessage);
    EXPECT_EQ(raw.size(), 1u);
    EXPECT_TRUE(report.warnings.empty());
}

// Each allocation of an import failing in turn: the import fails whole (std::bad_alloc) and
// nothing it made stays behind.
TEST_F(MidiImport, AnImportThatRunsOutOfMemoryLeavesNothingBehind) {
    const MidiFile file = MidiFileReader::Read(ReadAll(kScore));
    // Registration of the standard records stays for the program's life: done before counting.
    EXPECT_NE(MidiImporter::Import(file, {}), nullptr);
    EXPECT_GT(ExpectEachAllocationFailureLeavesNothing(
                  [&] { static_cast<void>(MidiImporter::Import(file, {})); }),
              0);
}

TEST_F(MidiImport, RestsFillWhatNoNoteSounds) {
    // A 4/4 bar with a quarter note at its start and a dotted eighth on beat 3; a second
    // bar of silence; a 3/4 bar of silence, and one with a triplet eighth on its first beat.
    MidiFile file;
    file.division = 96;
    file.tracks.emplace_back().events.push_back(
        file.MakeEvent(768, MidiEvent::Meta, MidiEvent::MetaTimeSignature, Bytes{3, 2, 24, 8}));
    file.tracks.emplace_back().events = {On(0, 60),    Off(96, 60),  On(192, 62),
                                         Off(264, 62), On(1056, 64), Off(1088, 64)};
    for (MidiTrack& track : file.tracks) {
        track.endTick = 1344;
    }
    auto document = MidiImporter::Import(file, {});
    auto* staff = document->GetConductor()->GetTrack(1, 1, 0);
    std::vector<ECBase*> rests = Find(staff, EventId::Rest);
    std::vector<std::pair<float, int>> found;
    for (ECBase* rest : rests) {
        found.emplace_back(rest->GetTime()->GetSeconds(),
                           static_cast<ECRest*>(rest)->GetRestType());
        EXPECT_EQ(MCStandardRecords::FindRest(rest)->GetRestType(),
                  static_cast<ECRest*>(rest)->GetRestType());
    }
    EXPECT_EQ(found,
              (std::vector<std::pair<float, int>>{{1.0f, 8},   // a quarter after the quarter note
                                                  {2.75f, 14}, // a sixteenth up to beat 4
                                                  {3.0f, 8},   // and a quarter
                                                  {4.0f, 2},   // a whole bar of 4/4: a whole rest
                                                  {8.0f, 6},   // a whole bar of 3/4: a dotted half
                                                  {12.0f, 8},  // after the triplet, from beat 2
                                                  {13.0f, 8}}));
}

TEST_F(MidiImport, RepairsAreMadeAndReported) {
    const std::vector<MidiEvent> events = {
        Off(0, 50), // a note-off without a note-on
        On(0, 60),  // never released
        MidiFile::MakeChannel(96, 0xB0, 7, 10),
        MidiFile::MakeChannel(96, 0xB0, 7, 90), // the same controller, same tick
        On(192, 64),
        On(192, 64, 50),
        Off(288, 64, 20),
        Off(300, 64, 30), // first on, first off
    };
    MidiImportReport report;
    auto document = Import(Smf({events}), &report);
    ASSERT_EQ(report.warnings.size(), 3u);
    EXPECT_NE(report.warnings[0].find(
                  "note-offs without a note-on, ignored: 1, the first in track 1 at tick 0"),
              std::string::npos)
        << report.warnings[0];
    EXPECT_NE(report.warnings[1].find("end of their track"), std::string::npos);
    EXPECT_NE(report.warnings[2].find("later value kept"), std::string::npos);
    auto* staff = document->GetConductor()->GetTrack(1, 1, 0);
    std::vector<ECBase*> notes = Find(staff, EventId::Note);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0]->GetDuration()->GetSeconds(), 4.0f); // to the track's end
    EXPECT_EQ(notes[1]->GetDuration()->GetSeconds(), 1.0f);
    EXPECT_EQ(MCStandardRecords::FindNote(notes[1])->GetVelocity(), 100);
    EXPECT_EQ(MCStandardRecords::FindNote(notes[1])->GetReleaseVelocity(), 20);
    EXPECT_EQ(MCStandardRecords::FindNote(notes[2])->GetReleaseVelocity(), 30);
    std::vector<ECBase*> points = Find(staff, EventId::ControlChange);
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(static_cast<ECEnvPoint*>(points[0])->GetValue(), 90.0f);
}

TEST_F(MidiImport, AnSmpteDivisionCountsClockTimeThroughTheTempoMap) {
    // 25 frames of 40 ticks: a tick is a millisecond. At 120 per minute a quarter lasts 500.
    MidiFile file;
    file.division = 0xE728;
    auto& conductor = file.tracks.emplace_back();
    conductor.events.push_back(file.MakeEvent(1000, MidiEvent::Meta, MidiEvent::MetaTempo,
                                              Bytes{0x0F, 0x42, 0x40})); // 60 per minute
    auto& track = file.tracks.emplace_back();
    track.events = {On(500, 60), Off(2000, 60)};
    auto document = MidiImporter::Import(file, {});
    std::vector<ECBase*> notes = Find(document.get(), EventId::Note);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0]->GetTime()->GetSeconds(), 1.0f);
    EXPECT_EQ(notes[0]->GetDuration()->GetSeconds(), 2.0f); // 1 at 120, then 1 at 60
}

TEST_F(MidiImport, ImportExportImportGivesTheSameDocument) {
    std::vector<Bytes> files = fuzz::MakeMidiSeeds();
    files.push_back(ReadAll(kScore));
    for (const Bytes& bytes : files) {
        auto first = Import(bytes);
        const Bytes firstBytes = WriteDocument(*first);
        const Bytes exported = Export(*first);
        auto second = Import(exported);
        if (MidiFileReader::Read(bytes).IsSmpte()) {
            // Clock-time ticks come back as musical ones: the same music, other numbers.
            EXPECT_EQ(WriteDocument(*Import(Export(*second))), WriteDocument(*second));
        } else {
            EXPECT_EQ(WriteDocument(*second), firstBytes);
        }
        EXPECT_EQ(fuzz::ImportRoundTrip(bytes.data(), bytes.size()), 1);
    }
}

MidiEvent KeySignature(MidiFile& file, std::uint64_t tick, Bytes bytes) {
    return file.MakeEvent(tick, MidiEvent::Meta, MidiEvent::MetaKeySignature, bytes);
}

// The key signatures of each track of a file, as (tick, bytes).
std::vector<std::vector<std::pair<std::uint64_t, Bytes>>> KeySignatures(const MidiFile& file) {
    std::vector<std::vector<std::pair<std::uint64_t, Bytes>>> keys(file.tracks.size());
    for (std::size_t t = 0; t < file.tracks.size(); ++t) {
        for (const MidiEvent& event : file.tracks[t].events) {
            if (event.IsMeta() && event.data1 == MidiEvent::MetaKeySignature) {
                const auto bytes = file.GetBytes(event);
                keys[t].push_back({event.tick, Bytes(bytes.begin(), bytes.end())});
            }
        }
    }
    return keys;
}

TEST_F(MidiImport, KeySignaturesBecomeKeysOfTheirStavesAndComeBackAsTheyWere) {
    // Three flats minor for all from the conductor's track, then A major for the second staff
    // alone, and at bar 3 two signatures at one tick in the first staff's track.
    MidiFile file;
    file.division = 96;
    MidiTrack& conductor = file.tracks.emplace_back();
    conductor.events = {KeySignature(file, 0, {0xFD, 1})};
    file.tracks.emplace_back().events = {On(0, 63), Off(96, 63), KeySignature(file, 768, {2, 0}),
                                         KeySignature(file, 768, {0xF9, 0})};
    file.tracks.emplace_back().events = {KeySignature(file, 384, {3, 0}), On(384, 61, 100, 1),
                                         Off(480, 61, 0, 1)};
    for (MidiTrack& track : file.tracks) {
        track.endTick = 1152;
    }
    MidiImportReport report;
    auto document = MidiImporter::Import(file, {}, &report);
    EXPECT_EQ(report.keys, 4u);
    EXPECT_EQ(report.rawMessages, 0u);
    ECConductor* c = document->GetConductor();
    auto* first = static_cast<ECStaff*>(c->GetTrack(1, 1, 0));
    auto* second = static_cast<ECStaff*>(c->GetTrack(1, 2, 0));
    struct Case {
        ECStaff* staff;
        float time;
        int sharps;
        int flats;
        int mode;
    };
    for (const Case& k : std::vector<Case>{{first, 0.0f, 0, 3, 1},
                                           {first, 8.0f, 0, 7, 0}, // the later at one tick
                                           {second, 2.0f, 0, 3, 1},
                                           {second, 4.0f, 3, 0, 0}}) {
        ECKey* key = k.staff->GetKeyAtTime(MCTime(k.time), 0);
        ASSERT_NE(key, nullptr) << k.time;
        EXPECT_EQ(key->GetNumSharps(), k.sharps) << k.time;
        EXPECT_EQ(key->GetNumFlats(), k.flats) << k.time;
        EXPECT_EQ(key->GetMode(), k.mode) << k.time;
    }
    const bool merged =
        std::any_of(report.warnings.begin(), report.warnings.end(), [](const std::string& w) {
            return w.find("later value kept: 1, the first in track 1 at tick 768") !=
                   std::string::npos;
        });
    EXPECT_TRUE(merged);
    // Notes are spelled by the key in force, the conductor's or the staff's.
    const std::vector<ECBase*> notes = Find(first, EventId::Note);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(MCStandardRecords::FindNote(notes[0])->GetSpelling(), -1);

    const MidiFile exported = MidiFileReader::Read(Export(*document, nullptr, 96));
    using Keys = std::vector<std::pair<std::uint64_t, Bytes>>;
    const auto keys = KeySignatures(exported);
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0], (Keys{{0, {0xFD, 1}}}));
    EXPECT_EQ(keys[1], (Keys{{768, {0xF9, 0}}}));
    EXPECT_EQ(keys[2], (Keys{{384, {3, 0}}}));
    EXPECT_EQ(WriteDocument(*MidiImporter::Import(exported, {})), WriteDocument(*document));
}

TEST_F(MidiImport, KeySignaturesNoKeyHoldsStayRawAndComeBackByteForByte) {
    struct Case {
        const char* what;
        Bytes bytes;
        bool staff;
        const char* warning;
    };
    for (const Case& c : std::vector<Case>{
             {"eight sharps", {8, 0}, true, "a key cannot hold"},
             {"eight flats", {0xF8, 1}, true, "a key cannot hold"},
             {"a third mode", {1, 2}, true, "a key cannot hold"},
             {"three bytes", {1, 0, 0}, true, "a key cannot hold"},
             {"one byte", {1}, true, "a key cannot hold"},
             {"no staff to go to", {1, 0}, false, "no staff to hold them"},
         }) {
        MidiFile file;
        file.division = 96;
        MidiTrack& conductor = file.tracks.emplace_back();
        conductor.events = {KeySignature(file, 96, c.bytes)};
        conductor.endTick = 384;
        if (c.staff) {
            file.tracks.emplace_back().events = {On(0, 60), Off(96, 60)};
        }
        MidiImportReport report;
        auto document = MidiImporter::Import(file, {}, &report);
        EXPECT_EQ(report.keys, 0u) << c.what;
        EXPECT_EQ(report.rawMessages, 1u) << c.what;
        ASSERT_EQ(report.warnings.size(), 1u) << c.what;
        EXPECT_NE(report.warnings[0].find(c.warning), std::string::npos) << report.warnings[0];
        const auto keys = KeySignatures(MidiFileReader::Read(Export(*document, nullptr, 96)));
        ASSERT_EQ(keys[0].size(), 1u) << c.what;
        EXPECT_EQ(keys[0][0].first, 96u) << c.what;
        EXPECT_EQ(keys[0][0].second, c.bytes) << c.what;
    }
}

TEST_F(MidiImport, KeysOfADocumentExportAsSignaturesOfTheirHand) {
    // A key with both sharps and flats writes its sharps; a second hand's key is left out.
    Document document;
    ECConductor* c = document->GetConductor();
    c->GetTrack(1, 1, 1);
    ECMeasure* measure = c->GetMeasure(1, MCTime(0.0f), 1, 1);
    ASSERT_NE(measure, nullptr);
    auto* both = new ECKey(2, 5, 1);
    ASSERT_EQ(measure->AddChild(both, 1), 1);
    auto* left = new ECKey(0, 4, 0);
    left->SetHand(1);
    ASSERT_EQ(measure->AddChild(left, 1), 1);
    MidiExportReport report;
    const auto keys = KeySignatures(MidiFileReader::Read(Export(*document.get(), &report)));
    using Keys = std::vector<std::pair<std::uint64_t, Bytes>>;
    EXPECT_EQ(keys[0], (Keys{{0, {2, 1}}})); // the only staff's: the conductor's
    ASSERT_EQ(report.warnings.size(), 1u);
    EXPECT_NE(report.warnings[0].find("1 keys of a staff's second hand left out"),
              std::string::npos)
        << report.warnings[0];
}

TEST_F(MidiImport, ExportChoosesADivisionThatKeepsEveryTimeOrSaysSo) {
    struct Case {
        std::uint16_t division;
        std::uint64_t tick;
        int chosen;
        std::size_t warnings;
    };
    for (const Case& c : std::vector<Case>{
             {96, 1, 480, 0}, {480, 1, 480, 0}, {1000, 1, 1000, 0}, {77, 1, 960, 1}}) {
        MidiFile file;
        file.division = c.division;
        file.tracks.emplace_back();
        file.tracks.emplace_back().events = {On(c.tick, 60), Off(c.tick + 1, 60)};
        auto document = MidiImporter::Import(file, {});
        MidiExportReport report;
        Export(*document, &report);
        EXPECT_EQ(report.division, c.chosen) << c.division;
        EXPECT_EQ(report.warnings.size(), c.warnings) << c.division;
    }
    auto document = Import(ReadAll(kScore));
    MidiExportReport report;
    const MidiFile asked = MidiFileReader::Read(Export(*document, &report, 96));
    EXPECT_EQ(asked.division, 96);
}

TEST_F(MidiImport, DocumentsWithoutRecordsExportWithDefaults) {
    Document document;
    auto* staff = static_cast<ECStaff*>(document->GetConductor()->GetTrack(1, 1, 1));
    ECMeasure* measure = document->GetConductor()->GetMeasure(1, MCTime(0.0f), 1, 1);
    ASSERT_NE(measure, nullptr);
    // No length, no record.
    ASSERT_EQ(measure->AddChild(new ECNote(MCTime(0.0f), MCTime(0.0f)), 1), 1);
    MidiExportReport report;
    const MidiFile file = MidiFileReader::Read(Export(*document.get(), &report));
    ASSERT_EQ(file.tracks.size(), 2u);
    ASSERT_EQ(file.tracks[1].events.size(), 2u);
    EXPECT_TRUE(file.tracks[1].events[0].IsNoteOn()); // on before off, even at one tick
    EXPECT_EQ(file.tracks[1].events[0].data1, 60);
    EXPECT_TRUE(file.tracks[1].events[1].IsNoteOff());
    ASSERT_EQ(report.warnings.size(), 1u);
    EXPECT_NE(report.warnings[0].find("middle C"), std::string::npos);
    (void)staff;
}

TEST_F(MidiImport, FilesAskingForTooMuchAreRefusedBeforeAnythingIsBuilt) {
    // Four bytes of delta time can put a track's end a century away.
    Bytes far = Smf({{On(0, 60), Off(96, 60)}}, 0x0FFFFFFF);
    try {
        Import(far);
        FAIL() << "imported a file of millions of bars";
    } catch (const MidiFileException& e) {
        EXPECT_EQ(e.GetOffset(), 14u); // the conductor's track, the first to end that late
        EXPECT_NE(e.GetDetail().find("bars, more than the 65536"), std::string::npos) << e.what();
    }
    MidiFile wide;
    wide.division = 96;
    wide.tracks.emplace_back();
    for (int channel = 0; channel < 16; ++channel) {
        wide.tracks[0].events.push_back(On(0, 60, 100, channel));
    }
    wide.tracks.push_back(wide.tracks[0]);
    MidiImporter::Options options;
    options.maxStaves = 20;
    try {
        MidiImporter::Import(MidiFileReader::Read(MidiFileWriter::Write(wide)), options);
        FAIL() << "imported 32 staves";
    } catch (const MidiFileException& e) {
        EXPECT_EQ(e.GetOffset(), 14u + 8 + 16 * 4 + 4); // the second track's chunk
        EXPECT_NE(e.GetDetail().find("32 staves"), std::string::npos) << e.what();
    }
    options.maxStaves = 32;
    options.maxStaffMeasures = 31;
    EXPECT_THROW(MidiImporter::Import(MidiFileReader::Read(MidiFileWriter::Write(wide)), options),
                 MidiFileException);
    options.maxStaffMeasures = 32;
    EXPECT_NE(MidiImporter::Import(MidiFileReader::Read(MidiFileWriter::Write(wide)), options),
              nullptr);
}

TEST_F(MidiImport, TimeSignaturesNoMeterHoldsAreCountedAsTheBarsTheyBecome) {
    // 89/4 is longer than any meter: the map keeps 4/4, so 400 quarters are 100 bars, not
    // the five that 89/4 would make.
    MidiFile file;
    file.division = 96;
    MidiTrack& conductor = file.tracks.emplace_back();
    conductor.events.push_back(
        file.MakeEvent(0, MidiEvent::Meta, MidiEvent::MetaTimeSignature, Bytes{89, 2, 24, 8}));
    conductor.endTick = 400 * 96;
    file.tracks.emplace_back().events = {On(0, 60), Off(400 * 96, 60)};
    const Bytes bytes = MidiFileWriter::Write(file);
    MidiImporter::Options options;
    options.maxBars = 50;
    EXPECT_THROW(MidiImporter::Import(MidiFileReader::Read(bytes), options), MidiFileException);

    MidiImportReport report;
    auto document = Import(bytes, &report);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(report.meters, 1u); // the 4/4 the map starts with
    const bool warned =
        std::any_of(report.warnings.begin(), report.warnings.end(), [](const std::string& w) {
            return w.find("time signatures") != std::string::npos;
        });
    EXPECT_TRUE(warned);
}

TEST_F(MidiImport, FuzzRegressionsAndSeedsReadOrFailCleanly) {
    const std::filesystem::path folder =
        std::filesystem::path(CLAVENOR_SOURCE_DIR) / "tests/fuzz/midi-regressions";
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const Bytes bytes = ReadAll(entry.path().string());
        fuzz::ImportRoundTrip(bytes.data(), bytes.size());
    }
}

} // namespace
} // namespace clavenor::test
