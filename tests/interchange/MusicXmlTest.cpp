// MusicXML import and export: what a score becomes in a document, that export and import
// give the document back, that the .mxl container holds and bounds what it carries, and that
// bad input gets a clear error with its line or a reported repair.

#include "fuzz/FuzzMidi.h"
#include "fuzz/FuzzMusicXml.h"
#include "interchange/ExternalProgram.h"
#include "support/TestSupport.h"

#include <clavenor/interchange/BarlineType.h>
#include <clavenor/interchange/ClefType.h>
#include <clavenor/interchange/MidiExporter.h>
#include <clavenor/interchange/MidiFileReader.h>
#include <clavenor/interchange/MidiImporter.h>
#include <clavenor/interchange/MusicXmlContainer.h>
#include <clavenor/interchange/MusicXmlException.h>
#include <clavenor/interchange/MusicXmlExporter.h>
#include <clavenor/interchange/MusicXmlImporter.h>
#include <clavenor/interchange/NotationType.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <numeric>
#include <unordered_set>

namespace clavenor::test {
namespace {

const std::string kEverything =
    std::string(CLAVENOR_SOURCE_DIR) + "/tests/interchange/data/everything.musicxml";

Bytes ToBytes(const std::string& text) { return {text.begin(), text.end()}; }

std::unique_ptr<ECPerformance> Import(const std::string& text,
                                      MusicXmlImportReport* report = nullptr,
                                      const MusicXmlImporter::Options& options = {}) {
    return MusicXmlImporter::Import(ToBytes(text), options, report);
}

// A one-part score around `music` (the contents of its first measure).
std::string Score(const std::string& music, const std::string& more = "") {
    return "<?xml version=\"1.0\"?>\n<score-partwise version=\"4.0\">\n<part-list>\n"
           "<score-part id=\"P1\"><part-name>Solo</part-name></score-part>\n</part-list>\n"
           "<part id=\"P1\">\n<measure number=\"1\">\n" +
           music + "</measure>\n" + more + "</part>\n</score-partwise>\n";
}

std::string NoteXml(const std::string& step, int octave, int duration,
                    const std::string& extra = "") {
    return "<note><pitch><step>" + step + "</step><octave>" + std::to_string(octave) +
           "</octave></pitch><duration>" + std::to_string(duration) + "</duration>" + extra +
           "</note>\n";
}

class MusicXml : public ::testing::Test {
protected:
    void TearDown() override { MCCommandMgr::OnIdle(); }
};

// Every element of a kind anywhere below `element`; one with several parents (a tied note)
// may be found more than once.
void Find(ECBase* element, int id, std::vector<ECBase*>& out) {
    for (ECBase* child : *element->GetChildren()) {
        if (child->GetEventId() == id) {
            out.push_back(child);
        }
        if (child->GetChildren() != nullptr) {
            Find(child, id, out);
        }
    }
}

std::vector<ECBase*> All(ECPerformance& document, int id) {
    std::vector<ECBase*> met;
    Find(&document, id, met);
    // Duplicates dropped in walk order, never address order: elements at one time and track
    // then keep the document's order, whatever the heap did.
    std::vector<ECBase*> found;
    std::unordered_set<ECBase*> seen;
    for (ECBase* element : met) {
        if (seen.insert(element).second) {
            found.push_back(element);
        }
    }
    std::stable_sort(found.begin(), found.end(), [](ECBase* a, ECBase* b) {
        return a->GetTime()->GetSeconds() != b->GetTime()->GetSeconds()
                   ? a->GetTime()->GetSeconds() < b->GetTime()->GetSeconds()
                   : a->GetTrack() < b->GetTrack();
    });
    return found;
}

int Pitch(ECBase* note) { return MCStandardRecords::FindNote(note)->GetPitch(); }

TEST_F(MusicXml, TheTestScoreBecomesTheDocumentItDescribes) {
    MusicXmlImportReport report;
    auto document = MusicXmlImporter::Import(ReadAll(kEverything), {}, &report);
    ECConductor* conductor = document->GetConductor();
    EXPECT_EQ(report.staves, 3); // the piano's two staves and the clarinet
    EXPECT_EQ(conductor->GetMaxMeasureNumber(), 4);
    // The pickup is a 1/4 measure; then 3/4, 6/8 and 3+2+2/8.
    EXPECT_EQ(conductor->GetMeterAtTime(MCTime(0.0f))->GetNumerator(), 1);
    EXPECT_EQ(conductor->GetMeasure(0, 2)->GetTime()->GetSeconds(), 1.0f);
    EXPECT_EQ(conductor->GetMeterAtTime(MCTime(1.0f))->GetNumerator(), 3);
    EXPECT_EQ(conductor->GetMeterAtTime(MCTime(4.0f))->GetDenominator(), 8);
    EXPECT_EQ(conductor->GetMeterAtTime(MCTime(7.0f))->GetMeterType(), ECMeter::TypeCompoundList);
    EXPECT_EQ(conductor->GetMaxMeasureEndTime().GetSeconds(), 10.5f);

    std::vector<ECBase*> notes = All(*document, EventId::Note);
    EXPECT_EQ(report.notes, notes.size());
    // The G5 tied over the bar line: a quarter and an eighth, one tie under the staff.
    std::vector<ECBase*> ties = All(*document, EventId::Tie);
    ASSERT_EQ(ties.size(), 1u);
    EXPECT_EQ(report.ties, 1u);
    ASSERT_EQ(ties[0]->GetChildren()->GetCount(), 2);
    ECBase* tiedFrom = ties[0]->GetChildren()->GetHead();
    ECBase* tiedTo = ties[0]->GetChildren()->GetTail();
    EXPECT_EQ(Pitch(tiedFrom), 79);
    EXPECT_EQ(tiedFrom->GetTime()->GetSeconds(), 3.0f);
    EXPECT_EQ(tiedFrom->GetDuration()->GetSeconds(), 1.0f);
    EXPECT_EQ(Pitch(tiedTo), 79);
    EXPECT_EQ(tiedTo->GetTime()->GetSeconds(), 4.0f);
    EXPECT_EQ(tiedTo->GetDuration()->GetSeconds(), 0.5f);
    EXPECT_EQ(ties[0]->GetParents()->GetHead(), conductor->GetTrack(1, 1, 0));
    // The triplet's bracket: a 3:2 tuplet of eighths in measure 2 holding its three notes.
    std::vector<ECBase*> tuplets = All(*document, EventId::Tuplet);
    ASSERT_EQ(tuplets.size(), 1u);
    auto* tuplet = static_cast<ECTuplet*>(tuplets[0]);
    EXPECT_EQ(tuplet->GetIrregular(), 3);
    EXPECT_EQ(tuplet->GetNormal(), 2);
    EXPECT_EQ(tuplet->GetUnits(), 3);
    EXPECT_EQ(tuplet->GetChildren()->GetCount(), 3);
    EXPECT_EQ(tuplet->GetParents()->GetHead(), conductor->GetMeasure(1, 2));
    EXPECT_EQ(report.tuplets, 1u);
    // The triplet's notes are a third of a quarter each, spelled as written: D sharp, then
    // E flat, the same key.
    std::vector<ECBase*> triplet;
    std::copy_if(notes.begin(), notes.end(), std::back_inserter(triplet),
                 [](ECBase* n) { return Pitch(n) == 75 && n->GetTrack() == 1; });
    ASSERT_EQ(triplet.size(), 2u);
    EXPECT_FLOAT_EQ(triplet[1]->GetDuration()->GetSeconds(), 1.0f / 3.0f);
    EXPECT_FLOAT_EQ(triplet[1]->GetTime()->GetSeconds(), 2.0f + 1.0f / 3.0f);
    EXPECT_EQ(MCStandardRecords::FindNote(triplet[0])->GetSpelling(), 1);
    EXPECT_EQ(MCStandardRecords::FindNote(triplet[1])->GetSpelling(), -1);
    // The clarinet in B flat sounds a tone below what it reads: its written D5 is a C5.
    auto clarinet =
        std::find_if(notes.begin(), notes.end(), [](ECBase* n) { return n->GetTrack() == 3; });
    ASSERT_NE(clarinet, notes.end());
    EXPECT_EQ(Pitch(*clarinet), 72);
    EXPECT_EQ(MCStandardRecords::FindNote(*clarinet)->GetSpelling(), 0);
    // The grace note ends where its note starts.
    std::vector<ECBase*> graces = All(*document, EventId::GraceNote);
    ASSERT_EQ(graces.size(), 2u);
    EXPECT_EQ(graces[0]->GetTime()->GetSeconds(), 0.75f);
    EXPECT_EQ(graces[0]->GetDuration()->GetSeconds(), 0.25f);
    EXPECT_EQ(Pitch(graces[0]), 71);
    EXPECT_EQ(report.chords, 2u);
    // Rests keep their types: the 7/8 measure rest is a double-dotted half.
    std::vector<ECBase*> rests = All(*document, EventId::Rest);
    ASSERT_FALSE(rests.empty());
    EXPECT_EQ(static_cast<ECRest*>(rests.back())->GetRestType(), ECRest::GetRestType(5, 2));
    EXPECT_EQ(report.tempi, 2u);
    EXPECT_EQ(report.lyrics, 2u);
    EXPECT_EQ(report.chordSymbols, 2u);
    std::vector<ECBase*> symbols = All(*document, EventId::ChordSymbol);
    EXPECT_EQ(static_cast<ECChordSymbol*>(symbols[1])->GetChordRoot(), 3 * 4 + 2); // F sharp
    EXPECT_EQ(static_cast<ECChordSymbol*>(symbols[1])->GetChordFlavor(), 10);
    EXPECT_EQ(static_cast<ECChordSymbol*>(symbols[1])->GetChordBass(), 1); // C
    // p, sfz, a hairpin and a pedal held from beat 1 to the next measure.
    std::vector<ECBase*> dynamics = All(*document, EventId::Dynamic);
    ASSERT_EQ(dynamics.size(), 3u);
    EXPECT_EQ(static_cast<ECDynamic*>(dynamics[0])->GetDynamicType(), 3);
    EXPECT_EQ(static_cast<ECDynamic*>(dynamics[1])->GetDynamicType(), 14);
    EXPECT_EQ(dynamics[1]->GetDuration()->GetSeconds(), 2.0f);
    EXPECT_EQ(static_cast<ECDynamic*>(dynamics[2])->GetText(), CString("sfz"));
    std::vector<ECBase*> pedals = All(*document, EventId::Pedal);
    ASSERT_EQ(pedals.size(), 2u);
    EXPECT_EQ(pedals[0]->GetDuration()->GetSeconds(), 3.0f);
    EXPECT_EQ(static_cast<ECPedal*>(pedals[1])->GetValue(), 0.0f);
    // Keys: F major on both piano staves, B minor from measure 3; G major for the clarinet.
    auto* right = static_cast<ECStaff*>(conductor->GetTrack(1, 1, 0));
    auto* left = static_cast<ECStaff*>(conductor->GetTrack(1, 2, 0));
    auto* clarinetStaff = static_cast<ECStaff*>(conductor->GetTrack(1, 3, 0));
    EXPECT_EQ(report.keys, 5u);
    EXPECT_EQ(left->GetKeyAtTime(MCTime(0.0f), 0)->GetNumFlats(), 1);
    EXPECT_EQ(left->GetKeyAtTime(MCTime(0.0f), 0)->GetMode(), 0);
    EXPECT_EQ(right->GetKeyAtTime(MCTime(4.0f), 0)->GetNumSharps(), 2);
    EXPECT_EQ(right->GetKeyAtTime(MCTime(4.0f), 0)->GetMode(), 1);
    EXPECT_EQ(clarinetStaff->GetKeyAtTime(MCTime(4.0f), 0)->GetNumSharps(), 1);
    // Clefs: treble and bass, the bass staff turning treble for the rest of measure 3.
    EXPECT_EQ(report.clefs, 4u);
    EXPECT_EQ(right->GetClefAtTime(MCTime(0.0f), 0)->GetClefType(), ClefTreble);
    EXPECT_EQ(left->GetClefAtTime(MCTime(5.0f), 0)->GetClefType(), ClefBass);
    EXPECT_EQ(left->GetClefAtTime(MCTime(5.5f), 0)->GetClefType(), ClefTreble);
    EXPECT_EQ(left->GetClefAtTime(MCTime(5.5f), 0)->GetTime()->GetSeconds(), 5.5f);
    // A repeat from measure 2 to the end of measure 3, which is the first ending; bar styles
    // of the score on the conductor's measures.
    std::vector<ECBase*> repeats = All(*document, EventId::Repeat);
    ASSERT_EQ(repeats.size(), 4u); // on both piano staves
    EXPECT_EQ(static_cast<ECRepeat*>(repeats[0])->GetRepeatType(), RepeatForward);
    EXPECT_EQ(repeats[0]->GetParents()->GetHead(), conductor->GetMeasure(1, 2));
    EXPECT_EQ(static_cast<ECRepeat*>(repeats[3])->GetRepeatType(), RepeatBackward);
    EXPECT_EQ(repeats[3]->GetParents()->GetHead(), conductor->GetMeasure(2, 3));
    std::vector<ECBase*> endings = All(*document, EventId::FlowControl);
    std::erase_if(endings, [](ECBase* flow) {
        return static_cast<ECFlowControl*>(flow)->GetFlowControlType() != FlowEnding;
    });
    ASSERT_EQ(endings.size(), 1u);
    EXPECT_EQ(static_cast<ECFlowControl*>(endings[0])->GetFlowControlType(), FlowEnding);
    EXPECT_EQ(static_cast<ECFlowControl*>(endings[0])->GetEndingNumber(), 1);
    EXPECT_EQ(endings[0]->GetTime()->GetSeconds(), 4.0f);
    std::vector<ECBase*> barlines;
    Find(conductor->GetMeasure(0, 3), EventId::Barline, barlines);
    ASSERT_EQ(barlines.size(), 1u);
    EXPECT_EQ(static_cast<ECBarline*>(barlines[0])->GetBarlineType(), BarlineFinal);
    EXPECT_EQ(static_cast<ECBarline*>(barlines[0])->GetBarlinePos(), BarlineAtEnd);
    EXPECT_EQ(report.barlines, 3u);
    EXPECT_EQ(report.warnings,
              std::vector<std::string>(
                  {"measures whose music does not fill their time signature (or overfills it), "
                   "given a meter of their own length: 1, the first at line 34"}));
}

// The modifiers below `element` (its own children only), as (event id, type).
std::vector<std::pair<int, int>> Marks(ECBase* element) {
    std::vector<std::pair<int, int>> marks;
    for (ECBase* child : *element->GetChildren()) {
        switch (child->GetEventId()) {
        case EventId::Accent:
            marks.emplace_back(EventId::Accent, static_cast<ECAccent*>(child)->GetAccentType());
            break;
        case EventId::Trill:
            marks.emplace_back(EventId::Trill, static_cast<ECTrill*>(child)->GetTrillType());
            break;
        case EventId::Turn:
            marks.emplace_back(EventId::Turn, static_cast<ECTurn*>(child)->GetTurnType());
            break;
        case EventId::Mordent:
            marks.emplace_back(EventId::Mordent, static_cast<ECMordent*>(child)->GetMordentType());
            break;
        case EventId::Tremolo:
            marks.emplace_back(EventId::Tremolo, static_cast<ECTremolo*>(child)->GetTremoloType());
            break;
        case EventId::Arpeggio:
            marks.emplace_back(EventId::Arpeggio,
                               static_cast<ECArpeggio*>(child)->GetArpeggioType());
            break;
        default:
            break;
        }
    }
    return marks;
}

ECBase* NoteAt(ECPerformance& document, float time, int track, int pitch) {
    for (ECBase* note : All(document, EventId::Note)) {
        if (note->GetTime()->GetSeconds() == time && note->GetTrack() == track &&
            Pitch(note) == pitch) {
            return note;
        }
    }
    return nullptr;
}

using MarkList = std::vector<std::pair<int, int>>;

// Each allocation of an import failing in turn: the import fails whole (std::bad_alloc) and
// nothing it made stays behind.
TEST_F(MusicXml, AnImportThatRunsOutOfMemoryLeavesNothingBehind) {
    const Bytes bytes = ReadAll(kEverything);
    // Registration of the standard records stays for the program's life: done before counting.
    EXPECT_NE(MusicXmlImporter::Import(bytes, {}), nullptr);
    EXPECT_GT(ExpectEachAllocationFailureLeavesNothing(
                  [&] { static_cast<void>(MusicXmlImporter::Import(bytes, {})); }),
              0);
}

TEST_F(MusicXml, SlursBeamsGlissandiAndNoteMarksBecomeTheDocumentsOwn) {
    MusicXmlImportReport report;
    auto document = MusicXmlImporter::Import(ReadAll(kEverything), {}, &report);
    ECConductor* conductor = document->GetConductor();
    // Slurs told apart by the grace notes they start or end on.
    std::vector<ECBase*> slurs = All(*document, EventId::Slur);
    ASSERT_EQ(slurs.size(), 3u);
    EXPECT_EQ(report.slurs, 3u);
    auto slur = [&](std::uint8_t graces) {
        return *std::find_if(slurs.begin(), slurs.end(), [&](ECBase* line) {
            return (static_cast<ECGroup*>(line)->GetGroupType() & (SlurFromGrace | SlurToGrace)) ==
                   graces;
        });
    };
    // From the C-E chord to the tied G: the chord, the triplet and the G, under the staff.
    ECBase* plain = slur(0);
    EXPECT_EQ(plain->GetParents()->GetHead(), conductor->GetTrack(1, 1, 0));
    ASSERT_EQ(plain->GetChildren()->GetCount(), 5);
    EXPECT_EQ(plain->GetChildren()->GetHead()->GetEventId(), EventId::Chord);
    EXPECT_EQ(plain->GetChildren()->GetTail(), NoteAt(*document, 3.0f, 1, 79));
    // From the grace B to the triplet's first note: the chord and that note.
    ECBase* fromGrace = slur(SlurFromGrace);
    ASSERT_EQ(fromGrace->GetChildren()->GetCount(), 2);
    EXPECT_EQ(fromGrace->GetChildren()->GetHead(), plain->GetChildren()->GetHead());
    EXPECT_EQ(fromGrace->GetChildren()->GetTail(), NoteAt(*document, 2.0f, 1, 75));
    // The clarinet's, from its C to the grace note before its E.
    ECBase* toGrace = slur(SlurToGrace);
    EXPECT_EQ(toGrace->GetParents()->GetHead(), conductor->GetTrack(1, 3, 0));
    ASSERT_EQ(toGrace->GetChildren()->GetCount(), 3);
    EXPECT_EQ(toGrace->GetChildren()->GetHead(), NoteAt(*document, 1.0f, 3, 72));
    EXPECT_EQ(toGrace->GetChildren()->GetTail(), NoteAt(*document, 3.0f, 3, 76));
    // Beams in their measures: the triplet's; the clarinet's sixteenths under a second beam
    // inside the first, and a hook on the sixteenth after a dotted eighth.
    std::vector<ECBase*> beams = All(*document, EventId::Beam);
    ASSERT_EQ(beams.size(), 5u);
    EXPECT_EQ(report.beams, 5u);
    EXPECT_EQ(beams[0]->GetParents()->GetHead(), conductor->GetMeasure(1, 2));
    EXPECT_EQ(beams[0]->GetChildren()->GetCount(), 3);
    EXPECT_EQ(beams[0]->GetChildren()->GetHead(), NoteAt(*document, 2.0f, 1, 75));
    std::vector<int> sizes;
    for (ECBase* beam : *conductor->GetMeasure(3, 4)->GetChildren()) {
        if (beam->GetEventId() == EventId::Beam) {
            sizes.push_back(beam->GetChildren()->GetCount());
        }
    }
    EXPECT_EQ(sizes, std::vector<int>({3, 2, 2, 1}));
    ECBase* hook = beams.back();
    ASSERT_EQ(hook->GetChildren()->GetCount(), 1);
    EXPECT_EQ(hook->GetChildren()->GetHead(), NoteAt(*document, 8.75f, 3, 86));
    // The clarinet's glissando, between its sounding C and D.
    std::vector<ECBase*> glissandi = All(*document, EventId::Glissando);
    ASSERT_EQ(glissandi.size(), 1u);
    EXPECT_EQ(report.glissandi, 1u);
    EXPECT_EQ(glissandi[0]->GetParents()->GetHead(), conductor->GetTrack(1, 3, 0));
    EXPECT_EQ(glissandi[0]->GetChildren()->GetHead(), NoteAt(*document, 1.0f, 3, 72));
    EXPECT_EQ(glissandi[0]->GetChildren()->GetTail(), NoteAt(*document, 2.5f, 3, 74));
    // Modifiers on their notes, the arpeggio on its chord, an accent on the grace note.
    const struct {
        float time;
        int track;
        int pitch;
        MarkList marks;
    } noted[] = {
        {0.0f, 1, 67, {{EventId::Accent, AccentAccent}, {EventId::Accent, AccentStaccato}}},
        {4.5f, 1, 81, {{EventId::Trill, TrillMark}}},
        {5.5f, 1, 83, {{EventId::Mordent, MordentUpper}}},
        {4.0f, 2, 48, {{EventId::Tremolo, 3}}},
        {7.0f, 1, 71, {{EventId::Accent, AccentFermata}}},
        {2.5f, 3, 74, {{EventId::Turn, TurnNormal}}},
        {4.0f, 3, 77, {{EventId::Tremolo, TremoloToNext + 3}}},
        {5.5f, 3, 81, {{EventId::Tremolo, TremoloFromPrevious + 3}}},
    };
    for (const auto& expected : noted) {
        ECBase* note = NoteAt(*document, expected.time, expected.track, expected.pitch);
        ASSERT_NE(note, nullptr) << expected.time;
        EXPECT_EQ(Marks(note), expected.marks) << expected.time;
    }
    ECBase* arpeggiated = NoteAt(*document, 1.0f, 2, 48)->GetParents()->GetHead();
    ASSERT_EQ(arpeggiated->GetEventId(), EventId::Chord);
    EXPECT_EQ(Marks(arpeggiated), MarkList({{EventId::Arpeggio, ArpeggioPlain}}));
    std::vector<ECBase*> graces = All(*document, EventId::GraceNote);
    ASSERT_EQ(graces.size(), 2u);
    EXPECT_EQ(Marks(graces[0]), MarkList({{EventId::Accent, AccentAccent}}));
    EXPECT_EQ(report.modifiers, 11u);
}

TEST_F(MusicXml, TranspositionsOctaveSignsAndJumpsBecomeTheDocumentsOwn) {
    MusicXmlImportReport report;
    auto document = MusicXmlImporter::Import(ReadAll(kEverything), {}, &report);
    // The clarinet's transposition over the whole part, and the 8va over the last measure.
    std::vector<ECBase*> marks = All(*document, EventId::Transpose);
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(report.transpositions, 2u);
    auto* clarinet = static_cast<ECTranspose*>(marks[0]);
    EXPECT_EQ(clarinet->GetTransposeType(), TransposeInstrument);
    EXPECT_EQ(clarinet->GetValue(), -2.0f);
    EXPECT_EQ(clarinet->GetTrack(), 3);
    EXPECT_EQ(clarinet->GetDuration()->GetSeconds(), 10.5f);
    auto* octave = static_cast<ECTranspose*>(marks[1]);
    EXPECT_EQ(octave->GetTransposeType(), TransposeOctaveUp);
    EXPECT_EQ(octave->GetValue(), 12.0f);
    EXPECT_EQ(octave->GetTime()->GetSeconds(), 7.0f);
    EXPECT_EQ(octave->GetDuration()->GetSeconds(), 3.5f);
    // The notes under the 8va keep the pitch MusicXML gives.
    EXPECT_NE(NoteAt(*document, 7.0f, 1, 71), nullptr);
    // Segno, Fine and D.S. al Fine, of the conductor.
    std::vector<std::pair<int, float>> flows;
    for (ECBase* flow : All(*document, EventId::FlowControl)) {
        flows.emplace_back(static_cast<ECFlowControl*>(flow)->GetFlowControlType(),
                           flow->GetTime()->GetSeconds());
    }
    std::sort(flows.begin(), flows.end());
    EXPECT_EQ(flows, (std::vector<std::pair<int, float>>{{FlowEnding, 4.0f},
                                                         {FlowSegno, 1.0f},
                                                         {FlowFine, 4.0f},
                                                         {FlowDalSegnoAlFine, 7.0f},
                                                         {FlowToCoda, 4.0f}}));
    EXPECT_EQ(report.flowControls, 4u);
    // Written back, the clarinet reads a tone above what it plays.
    const std::string xml = MusicXmlExporter::Export(*document, {});
    EXPECT_NE(xml.find("<transpose>\n"
                       "          <diatonic>-1</diatonic>\n"
                       "          <chromatic>-2</chromatic>"),
              std::string::npos);
    EXPECT_NE(xml.find("<step>D</step>\n          <octave>5</octave>"), std::string::npos);
    EXPECT_NE(xml.find("<words>To Coda</words>"), std::string::npos);
}

TEST_F(MusicXml, JumpsWithoutWordsAreTheirSound) {
    MusicXmlImportReport report;
    auto document =
        Import(Score("<attributes><divisions>1</divisions></attributes>\n" + NoteXml("C", 4, 4) +
                     "<direction><direction-type><words>to the top</words>"
                     "</direction-type><sound dacapo=\"yes\"/></direction>\n"),
               &report);
    std::vector<ECBase*> flows = All(*document, EventId::FlowControl);
    ASSERT_EQ(flows.size(), 1u);
    EXPECT_EQ(static_cast<ECFlowControl*>(flows[0])->GetFlowControlType(), FlowDaCapo);
    EXPECT_EQ(flows[0]->GetTime()->GetSeconds(), 4.0f);
    EXPECT_EQ(All(*document, EventId::Text).size(), 2u); // the words, and the part's name
}

// The values of the elements named `name` in `xml`, in their order, with their number.
std::vector<std::string> Values(const std::string& xml, const std::string& name) {
    std::vector<std::string> values;
    for (std::size_t at = xml.find("<" + name + " "); at != std::string::npos;
         at = xml.find("<" + name + " ", at + 1)) {
        values.push_back(xml.substr(at, xml.find('\n', at) - at));
    }
    return values;
}

TEST_F(MusicXml, OverlappingOctaveSignsOfOneStaffKeepTheirNumbers) {
    const std::string shift = "<direction><direction-type><octave-shift type=\"";
    auto document = Import(Score(
        "<attributes><divisions>1</divisions></attributes>\n" + shift +
        "down\" size=\"8\" number=\"1\"/></direction-type></direction>\n" + NoteXml("C", 5, 1) +
        shift + "up\" size=\"15\" number=\"2\"/></direction-type></direction>\n" +
        NoteXml("D", 5, 1) + shift + "stop\" size=\"8\" number=\"1\"/></direction-type>" +
        "</direction>\n" + NoteXml("E", 5, 1) + shift +
        "stop\" size=\"15\" number=\"2\"/></direction-type></direction>\n" + NoteXml("F", 5, 1)));
    std::vector<std::tuple<int, float, float>> signs;
    for (ECBase* mark : All(*document, EventId::Transpose)) {
        signs.emplace_back(static_cast<ECTranspose*>(mark)->GetTransposeType(),
                           mark->GetTime()->GetSeconds(), mark->GetDuration()->GetSeconds());
    }
    EXPECT_EQ(signs, (std::vector<std::tuple<int, float, float>>{
                         {TransposeOctaveUp, 0.0f, 2.0f}, {TransposeTwoOctavesDown, 1.0f, 2.0f}}));
    const std::string xml = MusicXmlExporter::Export(*document, {});
    EXPECT_EQ(
        Values(xml, "octave-shift"),
        std::vector<std::string>({"<octave-shift type=\"down\" size=\"8\" number=\"1\" />",
                                  "<octave-shift type=\"up\" size=\"15\" number=\"2\" />",
                                  "<octave-shift type=\"stop\" size=\"8\" number=\"1\" />",
                                  "<octave-shift type=\"stop\" size=\"15\" number=\"2\" />"}));
    EXPECT_EQ(MusicXmlExporter::Export(*Import(xml), {}), xml);
}

TEST_F(MusicXml, AnInstrumentsTranspositionEndsInTheFileWhereItEnds) {
    // A clarinet in B flat that plays at concert pitch from the second beat of measure 2.
    auto document = Import(Score(
        "<attributes><divisions>1</divisions><transpose><diatonic>-1</diatonic><chromatic>-2"
        "</chromatic></transpose></attributes>\n" +
            NoteXml("D", 5, 4),
        "<measure number=\"2\">\n" + NoteXml("D", 5, 1) +
            "<attributes><transpose><diatonic>0</diatonic><chromatic>0</chromatic></transpose>"
            "</attributes>\n" +
            NoteXml("C", 5, 3) + "</measure>\n"));
    std::vector<ECBase*> marks = All(*document, EventId::Transpose);
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0]->GetDuration()->GetSeconds(), 5.0f);
    EXPECT_NE(NoteAt(*document, 5.0f, 1, 72), nullptr);
    const std::string xml = MusicXmlExporter::Export(*document, {});
    EXPECT_NE(xml.find("<chromatic>0</chromatic>"), std::string::npos);
    EXPECT_EQ(MusicXmlExporter::Export(*Import(xml), {}), xml);
}

TEST_F(MusicXml, EveryTiedValueOfABeamedNoteIsBeamed) {
    auto document = Import(Score("<attributes><divisions>2</divisions></attributes>\n"
                                 "<note><rest/><duration>6</duration></note>\n" +
                                     NoteXml("C", 5, 1, "<beam number=\"1\">begin</beam>") +
                                     NoteXml("D", 5, 1, "<beam number=\"1\">end</beam>"),
                                 "<measure number=\"2\">\n" + NoteXml("E", 5, 8) + "</measure>\n"));
    // The D grows over the bar line, an eighth in each measure, and the E makes room.
    ECBase* d = NoteAt(*document, 3.5f, 1, 74);
    ECBase* e = NoteAt(*document, 4.0f, 1, 76);
    ASSERT_NE(d, nullptr);
    ASSERT_NE(e, nullptr);
    MCTime quarter(1.0f);
    d->SetDuration(&quarter);
    MCTime later(4.5f);
    e->SetTime(&later);
    MCTime shorter(3.5f);
    e->SetDuration(&shorter);
    const std::string xml = MusicXmlExporter::Export(*document, {});
    EXPECT_EQ(Values(xml, "beam"), std::vector<std::string>({"<beam number=\"1\">begin</beam>",
                                                             "<beam number=\"1\">continue</beam>",
                                                             "<beam number=\"1\">end</beam>"}))
        << xml;
}

TEST_F(MusicXml, ExportAndImportGiveTheDocumentBack) {
    auto first = MusicXmlImporter::Import(ReadAll(kEverything), {});
    const Bytes saved = WriteDocument(*first);
    MusicXmlExportReport exported;
    const std::string xml = MusicXmlExporter::Export(*first, {}, &exported);
    EXPECT_EQ(exported.warnings, std::vector<std::string>());
    EXPECT_EQ(exported.divisions, 12); // the clarinet's sixteenths
    // The saved document holds all of it: read back, it saves and exports the same.
    auto reread = ReadDocument(saved.data(), saved.size(), "everything");
    EXPECT_EQ(WriteDocument(*reread), saved);
    EXPECT_EQ(MusicXmlExporter::Export(*reread, {}), xml);
    MusicXmlImportReport report;
    auto second = Import(xml, &report);
    EXPECT_EQ(WriteDocument(*second), saved) << xml;
    // And once more: the export of the export is the export.
    EXPECT_EQ(MusicXmlExporter::Export(*second, {}, &exported), xml);
    EXPECT_EQ(exported.warnings, std::vector<std::string>());
    // Reports given again are filled afresh, not added to.
    const std::size_t notes = report.notes;
    Import(xml, &report);
    EXPECT_EQ(report.notes, notes);
}

TEST_F(MusicXml, MidiMusicComesBackNoteForNoteThroughMusicXml) {
    std::vector<Bytes> sources = fuzz::MakeMidiSeeds();
    sources.push_back(ReadAll(std::string(CLAVENOR_SOURCE_DIR) + "/examples/midi/score.mid"));
    for (std::size_t i = 0; i < sources.size(); ++i) {
        SCOPED_TRACE("MIDI source " + std::to_string(i));
        auto document = MidiImporter::Import(MidiFileReader::Read(sources[i]), {});
        const MidiFile before = MidiExporter::Export(*document, {});
        MusicXmlExportReport exported;
        auto back = Import(MusicXmlExporter::Export(*document, {}, &exported));
        // At the division the first export chose: the document that comes back may hold
        // times that division has (1/50 of a quarter) without those that made it choose it.
        const MidiFile after = MidiExporter::Export(*back, {before.TicksPerQuarter(), {}});
        const long long grid = before.TicksPerQuarter();
        const std::vector<PlayedNote> expected = NotesOf(before, grid);
        std::vector<PlayedNote> notes = NotesOf(after, grid);
        // MusicXML has no note of no length: one comes back a division long, reported.
        const long long division = (grid + exported.divisions - 1) / exported.divisions;
        for (PlayedNote& note : notes) {
            if (note.length <= division &&
                std::binary_search(expected.begin(), expected.end(),
                                   PlayedNote{note.onset, note.key, 0})) {
                EXPECT_NE(std::find(exported.warnings.begin(), exported.warnings.end(),
                                    "notes of no length, written with the shortest length: 1"),
                          exported.warnings.end());
                note.length = 0;
            }
        }
        std::sort(notes.begin(), notes.end());
        EXPECT_EQ(NoteDifference(expected, notes, grid), "");
    }
}

TEST_F(MusicXml, LengthsNoValueHasAreWrittenAsTiedValuesOrTupletsAndPlayTheSameBack) {
    // A quarter tied to a sixteenth (5/4 of a quarter), a quintuplet sixteenth, and a note
    // over the bar line.
    const std::string xml =
        Score("<attributes><divisions>20</divisions></attributes>" + NoteXml("C", 4, 25) +
                  NoteXml("D", 4, 4) + NoteXml("E", 4, 31) + NoteXml("F", 4, 20),
              "<measure number=\"2\">" + NoteXml("G", 4, 80) + "</measure>");
    MusicXmlImportReport report;
    auto document = Import(xml, &report);
    EXPECT_EQ(report.ties, 0u);
    const std::string out = MusicXmlExporter::Export(*document, {});
    EXPECT_NE(out.find("<actual-notes>5</actual-notes>"), std::string::npos) << out;
    EXPECT_NE(out.find("<tie type=\"start\""), std::string::npos) << out;
    // The values come back as tied notes, which play as the notes they were written for.
    MusicXmlImportReport back;
    auto again = Import(out, &back);
    EXPECT_GT(back.ties, 0u);
    EXPECT_EQ(back.notes, report.notes + back.ties);
    const MidiFile before = MidiExporter::Export(*document, {});
    const MidiFile after = MidiExporter::Export(*again, {before.TicksPerQuarter(), {}});
    const long long grid = before.TicksPerQuarter();
    EXPECT_EQ(NoteDifference(NotesOf(before, grid), NotesOf(after, grid), grid), "");
    EXPECT_EQ(NotesOf(after, grid).size(), 5u);
    // And they are written again as they were read.
    EXPECT_EQ(MusicXmlExporter::Export(*again, {}), out);
}

TEST_F(MusicXml, TiedNotesPlayAsOneNoteWhenTheyMeet) {
    const std::string divisions = "<attributes><divisions>1</divisions></attributes>\n";
    auto tied = Import(Score(divisions + NoteXml("C", 4, 2, "<tie type=\"start\"/>") +
                             NoteXml("C", 4, 2, "<tie type=\"stop\"/>")));
    const MidiFile file = MidiExporter::Export(*tied, {});
    std::vector<PlayedNote> played = NotesOf(file, file.TicksPerQuarter());
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0].length, 4 * file.TicksPerQuarter()); // two half notes
    // A tie whose notes lie apart, as a host may make: both play.
    auto apart = Import(Score(divisions + NoteXml("C", 4, 1) +
                              "<forward><duration>1</duration></forward>\n" + NoteXml("C", 4, 2)));
    std::vector<ECBase*> notes = All(*apart, EventId::Note);
    ASSERT_EQ(notes.size(), 2u);
    auto* tie = new ECTie;
    auto* staff = static_cast<ECStaff*>(apart->GetConductor()->GetTrack(1, 1, 0));
    ASSERT_EQ(staff->AddChild(tie, 1), 1);
    ASSERT_EQ(tie->AddChild(notes[0], 1), 1);
    ASSERT_EQ(tie->AddChild(notes[1], 1), 1);
    const MidiFile both = MidiExporter::Export(*apart, {});
    EXPECT_EQ(NotesOf(both, both.TicksPerQuarter()).size(), 2u);
    // MusicXML writes the tie all the same; read back, its notes stay apart and untied.
    MusicXmlImportReport report;
    Import(MusicXmlExporter::Export(*apart, {}), &report);
    EXPECT_EQ(report.ties, 0u);
    EXPECT_EQ(
        report.warnings,
        std::vector<std::string>(
            {"ties whose notes do not meet, kept as separate notes: 1, the first at line 56"}));
}

struct ExportLoss {
    const char* name;
    std::function<void(ECPerformance&)> add;
    const char* warning;
};

template <class T>
T* At(T* element, float time, int track) {
    MCTime at(time);
    element->SetTime(&at);
    element->SetVoiceTrack(15, track);
    return element;
}

TEST_F(MusicXml, NotationMusicXmlCannotWriteIsReportedOncePerKind) {
    const std::string xml =
        Score("<attributes><divisions>1</divisions></attributes>\n" + NoteXml("C", 4, 4));
    auto bar = [](ECPerformance& document) { return document.GetConductor()->GetMeasure(1, 1); };
    const ExportLoss cases[] = {
        {"a key of the second hand",
         [&](ECPerformance& d) {
             auto* key = At(new ECKey(1, 0, 0), 0.0f, 1);
             key->SetHand(1);
             ASSERT_EQ(bar(d)->AddChild(key, 1), 1);
         },
         "keys and clefs of a staff's second hand (MusicXML holds none), left out: 1"},
        {"a clef type no clef has",
         [&](ECPerformance& d) { EXPECT_EQ(bar(d)->AddChild(At(new ECClef(99), 0.0f, 1), 1), 1); },
         "clef types ClefType does not name, written as treble clefs: 1"},
        {"a key of sharps and flats",
         [&](ECPerformance& d) {
             EXPECT_EQ(bar(d)->AddChild(At(new ECKey(2, 3, 0), 0.0f, 1), 1), 1);
         },
         "keys with both sharps and flats, written with their sharps: 1"},
        {"a clef inside a note",
         [&](ECPerformance& d) {
             EXPECT_EQ(bar(d)->AddChild(At(new ECClef(ClefBass), 2.0f, 1), 1), 1);
         },
         "keys and clefs inside a note or rest, written at its start: 1"},
        {"a repeat of no known type",
         [&](ECPerformance& d) { EXPECT_EQ(bar(d)->AddChild(At(new ECRepeat(7), 0.0f, 1), 1), 1); },
         "repeat types RepeatType does not name (MusicXML holds none), left out: 1"},
        {"an accent of no known type",
         [&](ECPerformance& d) {
             EXPECT_EQ(All(d, EventId::Note)[0]->AddChild(new ECAccent(99), 1), 1);
         },
         "accent types NotationType.h does not name, left out: 1"},
        {"a slur from a note to a rest",
         [&](ECPerformance& d) {
             auto* rest = At(new ECRest(8), 3.0f, 1); // a quarter
             ASSERT_EQ(bar(d)->AddChild(rest, 1), 1);
             auto* slur = At(new ECSlur, 0.0f, 1);
             ASSERT_EQ(d.GetConductor()->GetTrack(1, 1, 0)->AddChild(slur, 1), 1);
             ASSERT_EQ(slur->AddChild(All(d, EventId::Note)[0], 0), 1);
             ASSERT_EQ(slur->AddChild(rest, 0), 1);
         },
         "slurs not joining two notes or chords of one staff, left out: 1"},
        {"a flow control of no known type",
         [&](ECPerformance& d) {
             ASSERT_EQ(d.GetConductor()->GetConductorStaff()->AddChild(
                           At(new ECFlowControl(99), 4.0f, 0), 1),
                       1);
         },
         "flow controls of types NotationType.h does not name, not written: 1"},
        {"a transposition of no known type",
         [&](ECPerformance& d) {
             auto* envelope = At(new ECEnvelope, 0.0f, 1);
             ASSERT_EQ(d.GetConductor()->GetTrack(1, 1, 0)->AddChild(envelope, 1), 1);
             ASSERT_EQ(envelope->AddChild(At(new ECTranspose(99, MCTime(1.0f)), 0.0f, 1), 1), 1);
         },
         "transposition types NotationType.h does not name, left out: 1"},
    };
    for (const ExportLoss& loss : cases) {
        auto document = Import(xml);
        loss.add(*document);
        MusicXmlExportReport report;
        MusicXmlExporter::Export(*document, {}, &report);
        EXPECT_EQ(report.warnings, std::vector<std::string>({loss.warning})) << loss.name;
    }
}

TEST_F(MusicXml, CompressedScoresReadAsTheirXml) {
    const Bytes plain = ReadAll(kEverything);
    const Bytes packed =
        MusicXmlContainer::Pack(std::string(plain.begin(), plain.end()), "everything.musicxml");
    EXPECT_TRUE(MusicXmlContainer::IsCompressed(packed));
    EXPECT_EQ(MusicXmlContainer::Unpack(packed, {}), std::string(plain.begin(), plain.end()));
    auto fromPlain = MusicXmlImporter::Import(plain, {});
    auto fromPacked = MusicXmlImporter::Import(packed, {});
    EXPECT_EQ(WriteDocument(*fromPacked), WriteDocument(*fromPlain));
}

TEST_F(MusicXml, ContainersThatAskTooMuchOrHoldNoScoreAreRefused) {
    const std::string big(3 << 20, ' ');
    const Bytes packed = MusicXmlContainer::Pack("<score-partwise/>" + big, "big.musicxml");
    MusicXmlContainer::Limits limits;
    limits.maxScoreBytes = 1 << 20;
    try {
        MusicXmlContainer::Unpack(packed, limits);
        FAIL() << "unpacked past the bound";
    } catch (const MusicXmlException& e) {
        EXPECT_EQ(e.GetLine(), MusicXmlException::NoLine);
        EXPECT_NE(e.GetDetail().find("more than the 1048576"), std::string::npos) << e.what();
    }
    // A central directory that understates the size: the inflating itself stops at the
    // bound. The declared size lives at offset 24 of the local header and 24 of the central
    // entry; 3 MiB of spaces deflate to a few kilobytes.
    Bytes lying = packed;
    for (std::size_t at = 0; at + 46 <= lying.size(); ++at) {
        if (lying[at] == 'P' && lying[at + 1] == 'K' && lying[at + 2] == 1 && lying[at + 3] == 2) {
            const std::size_t nameLength = lying[at + 28] | (lying[at + 29] << 8);
            const std::string name(lying.begin() + static_cast<long>(at) + 46,
                                   lying.begin() + static_cast<long>(at + 46 + nameLength));
            if (name == "big.musicxml") {
                lying[at + 24] = 0x10; // 16 bytes
                lying[at + 25] = lying[at + 26] = lying[at + 27] = 0;
            }
        }
    }
    EXPECT_THROW(MusicXmlContainer::Unpack(lying, limits), MusicXmlException);
    // The score its container names renamed to something no score is called.
    Bytes empty = MusicXmlContainer::Pack("<x/>", "readme.txt");
    const std::string named = "readme.txt";
    for (auto at = std::search(empty.begin(), empty.end(), named.begin(), named.end());
         at != empty.end(); at = std::search(at, empty.end(), named.begin(), named.end())) {
        at[named.size() - 1] = 'u';
    }
    try {
        MusicXmlContainer::Unpack(empty, {});
        FAIL() << "found a score";
    } catch (const MusicXmlException& e) {
        EXPECT_NE(e.GetDetail().find("no readme.txt"), std::string::npos) << e.what();
    }
    const Bytes broken = {'P', 'K', 3, 4, 0, 0, 0};
    EXPECT_THROW(MusicXmlContainer::Unpack(broken, {}), MusicXmlException);
}

struct BadScore {
    const char* name;
    std::string xml;
    std::size_t line;
    const char* says;
};

TEST_F(MusicXml, BadScoresAreRefusedWithTheirLine) {
    const std::string divisions = "<attributes><divisions>1</divisions></attributes>\n";
    const BadScore cases[] = {
        {"unclosed element", "<?xml version=\"1.0\"?>\n<score-partwise>\n<part-list>\n</x>\n", 4,
         "malformed XML"},
        {"not a score", "<?xml version=\"1.0\"?>\n<html/>\n", 2, "root element is <html>"},
        {"timewise", "<score-timewise/>", 1, "only partwise"},
        {"no part list", "<score-partwise>\n<part id=\"P1\"/>\n</score-partwise>", 1,
         "no part list"},
        {"duration before divisions", Score(NoteXml("C", 4, 1)), 8, "before any divisions"},
        {"negative duration", Score(divisions + NoteXml("C", 4, -1)), 9, "negative duration"},
        {"overflowing duration",
         Score(divisions + "<note><rest/><duration>99999999999999999999999</duration></note>\n"), 9,
         "not a number this import can count"},
        {"zero divisions",
         Score("<attributes><divisions>0</divisions></attributes>\n" + NoteXml("C", 4, 1)), 8,
         "above 0"},
        {"measure longer than a meter", Score(divisions + NoteXml("C", 4, 65)), 7,
         "more than the 64 a meter holds"},
        {"too many staves", Score("<attributes><staves>1000</staves></attributes>\n"), 8,
         "1000 staves"},
    };
    for (const BadScore& bad : cases) {
        try {
            Import(bad.xml);
            ADD_FAILURE() << bad.name << " imported";
        } catch (const MusicXmlException& e) {
            EXPECT_EQ(e.GetLine(), bad.line) << bad.name << ": " << e.what();
            EXPECT_NE(e.GetDetail().find(bad.says), std::string::npos)
                << bad.name << ": " << e.what();
        }
    }
}

TEST_F(MusicXml, ScoresBeyondTheBoundsAreRefusedBeforeAnythingIsBuilt) {
    MusicXmlImporter::Options options;
    options.maxMeasures = 2;
    const std::string three = Score("<attributes><divisions>1</divisions></attributes>",
                                    "<measure number=\"2\"/>\n<measure number=\"3\"/>\n");
    EXPECT_THROW(Import(three, nullptr, options), MusicXmlException);
    options.maxMeasures = 3;
    options.maxStaffMeasures = 2;
    EXPECT_THROW(Import(three, nullptr, options), MusicXmlException);
    options.maxStaffMeasures = 3;
    EXPECT_NO_THROW(Import(three, nullptr, options));
}

struct Repair {
    const char* name;
    std::string xml;
    const char* warning;
};

TEST_F(MusicXml, RepairsAndLossesAreReportedOncePerKindWithTheirFirstLine) {
    const std::string divisions = "<attributes><divisions>1</divisions></attributes>\n";
    const Repair cases[] = {
        {"unknown elements",
         Score(divisions + "<note><pitch><step>C</step><octave>4</octave></pitch>"
                           "<duration>4</duration><stem>up</stem></note>\n<bogus/>\n<bogus/>\n"),
         "not held by the document, left out: <bogus> in <measure>: 2, the first at line 10"},
        {"a part the list does not name",
         Score(divisions + NoteXml("C", 4, 4))
             .replace(Score(divisions + NoteXml("C", 4, 4)).rfind("</score-partwise>"), 0,
                      "<part id=\"P9\"><measure number=\"1\">" + divisions + NoteXml("D", 4, 4) +
                          "</measure></part>\n"),
         "parts the part list does not name, imported under their id: 1, the first at line 12"},
        {"a measure that does not add up", Score(divisions + NoteXml("C", 4, 3)),
         "given a meter of their own length: 1, the first at line 7"},
        {"a backup past the start",
         Score(divisions + NoteXml("C", 4, 4) + "<backup><duration>9</duration></backup>\n"),
         "backups past the start of their measure, stopped there: 1, the first at line 10"},
        {"a tie whose notes do not meet",
         Score(divisions + NoteXml("C", 4, 1, "<tie type=\"start\"/>") +
               "<forward><duration>1</duration></forward>\n" +
               NoteXml("C", 4, 2, "<tie type=\"stop\"/>")),
         "ties whose notes do not meet, kept as separate notes: 1, the first at line 11"},
        {"technical marks",
         Score(divisions + NoteXml("C", 4, 4,
                                   "<notations><technical><fingering>1</fingering></technical>"
                                   "</notations>")),
         "not held by the document, left out: <technical> in <notations>: 1, the first at line "
         "9"},
        {"a slur stop without a start",
         Score(divisions + NoteXml("C", 4, 4, "<notations><slur type=\"stop\"/></notations>")),
         "slur, glissando or beam ends without their other end, ignored: 1, the first at line 9"},
        {"a slur that never ends",
         Score(divisions + NoteXml("C", 4, 4, "<notations><slur type=\"start\"/></notations>")),
         "slur, glissando or beam ends without their other end, ignored: 1, the first at line 9"},
        {"a beam of one note",
         Score(divisions + NoteXml("C", 4, 4, "<beam>begin</beam>") +
               "<note><chord/><pitch><step>E</step><octave>4</octave></pitch><duration>4"
               "</duration><beam>end</beam></note>\n"),
         "slur, glissando or beam ends without their other end, ignored: 1, the first at line 9"},
        {"a slur within a chord",
         Score(divisions + NoteXml("C", 4, 4, "<notations><slur type=\"start\"/></notations>") +
               "<note><chord/><pitch><step>E</step><octave>4</octave></pitch><duration>4"
               "</duration><notations><slur type=\"stop\"/></notations></note>\n"),
         "slurs, glissandi or beams that join a note with itself, left out: 1, the first at "
         "line 10"},
        {"a glissando from a grace note",
         Score(divisions +
               "<note><grace/><pitch><step>D</step><octave>4</octave></pitch><notations>"
               "<glissando type=\"start\"/></notations></note>\n" +
               NoteXml("C", 4, 4, "<notations><glissando type=\"stop\"/></notations>")),
         "glissandi from or to grace notes, left out: 1, the first at line 9"},
        {"a slur from a second grace note",
         Score(divisions +
               "<note><grace/><pitch><step>D</step><octave>4</octave></pitch></note>\n"
               "<note><grace/><pitch><step>E</step><octave>4</octave></pitch>"
               "<notations><slur type=\"start\"/></notations></note>\n" +
               NoteXml("C", 4, 4, "<notations><slur type=\"stop\"/></notations>")),
         "slurs from a grace note after the first of its note, or to one before the last, moved "
         "to the first or the last: 1, the first at line 10"},
        {"a slur from a grace note to its own note",
         Score(divisions +
               "<note><grace/><pitch><step>D</step><octave>4</octave></pitch><notations><slur "
               "type=\"start\"/></notations></note>\n" +
               NoteXml("C", 4, 4, "<notations><slur type=\"stop\"/></notations>")),
         "slurs from a grace note to its own note (a slur of the document joins two notes or "
         "chords), left out: 1, the first at line 10"},
        {"a slur between two chords",
         Score(divisions + NoteXml("C", 4, 2, "<notations><slur type=\"start\"/></notations>") +
               "<note><chord/><pitch><step>E</step><octave>4</octave></pitch><duration>2"
               "</duration></note>\n" +
               NoteXml("D", 4, 2, "<notations><slur type=\"stop\"/></notations>") +
               "<note><chord/><pitch><step>F</step><octave>4</octave></pitch><duration>2"
               "</duration></note>\n"),
         "slurs joining chords and rests only (a slur of the document holds a note), left out: "
         "1, the first at line 11"},
        {"a hook forward from a beam's last note",
         Score(divisions + NoteXml("C", 4, 1, "<beam number=\"1\">begin</beam>") +
               NoteXml("D", 4, 1,
                       "<beam number=\"1\">end</beam><beam number=\"2\">forward hook</beam>")),
         "beam hooks pointing away from where their place in the beam draws them, turned: 1, the "
         "first at line 10"},
        {"a rest under a beam",
         Score(divisions + NoteXml("C", 4, 1, "<beam number=\"1\">begin</beam>") +
               "<note><rest/><duration>1</duration><beam number=\"1\">continue</beam></note>\n" +
               NoteXml("D", 4, 1, "<beam number=\"1\">end</beam>")),
         "rests under beams, left out of them (the beams join the notes): 1, the first at line "
         "10"},
        {"a hook of the first level",
         Score(divisions + NoteXml("C", 4, 1, "<beam number=\"1\">forward hook</beam>")),
         "not held by the document, left out: <beam> hook of level 1: 1, the first at line 9"},
        {"a beam of the ninth level",
         Score(divisions + NoteXml("C", 4, 1, "<beam number=\"9\">begin</beam>")),
         "not held by the document, left out: <beam> of a level beyond 8: 1, the first at line "
         "9"},
        {"a trill on a grace note",
         Score(divisions +
               "<note><grace/><pitch><step>D</step><octave>4</octave></pitch><notations>"
               "<ornaments><trill-mark/></ornaments></notations></note>\n" +
               NoteXml("C", 4, 4)),
         "marks on grace notes other than accents, left out: 1, the first at line 9"},
        {"an arpeggio on one note",
         Score(divisions + NoteXml("C", 4, 4, "<notations><arpeggiate/></notations>")),
         "arpeggios on single notes, left out (the document rolls chords): 1, the first at "
         "line 9"},
        {"a tremolo of nine strokes between two notes",
         Score(divisions + NoteXml("C", 4, 4,
                                   "<notations><ornaments><tremolo type=\"start\">9</tremolo>"
                                   "</ornaments></notations>")),
         "not held by the document, left out: <tremolo> start of 9 strokes: 1, the first at "
         "line 9"},
        {"a key of nine sharps",
         Score("<attributes><divisions>1</divisions><key><fifths>9</fifths></key></attributes>\n"),
         "key signatures of more than 7 sharps or flats, left out: 1, the first at line 8"},
        {"a key spelled note by note",
         Score("<attributes><divisions>1</divisions><key><key-step>C</key-step><key-alter>1"
               "</key-alter></key></attributes>\n"),
         "not held by the document, left out: <key> without <fifths> (a key spelled note by "
         "note): 1, the first at line 8"},
        {"a dorian key",
         Score("<attributes><divisions>1</divisions><key><fifths>0</fifths><mode>dorian</mode>"
               "</key></attributes>\n"),
         "keys in modes other than major and minor, kept as major: 1, the first at line 8"},
        {"a clef no type names",
         Score("<attributes><divisions>1</divisions><clef><sign>G</sign><line>4</line></clef>"
               "</attributes>\n"),
         "clefs no clef type names (see ClefType), left out: 1, the first at line 8"},
        {"a tuplet bracket inside another",
         Score(divisions +
               NoteXml("C", 4, 2,
                       "<type>eighth</type><time-modification><actual-notes>3</actual-notes>"
                       "<normal-notes>2"
                       "</normal-notes></time-modification><notations><tuplet type=\"start\"/>"
                       "</notations>") +
               NoteXml("C", 4, 2,
                       "<type>eighth</type><time-modification><actual-notes>3</actual-notes>"
                       "<normal-notes>2"
                       "</normal-notes></time-modification><notations><tuplet type=\"start\"/>"
                       "</notations>")),
         "tuplet brackets inside another, left out (their notes keep their lengths): 1, the "
         "first at line 10"},
        {"a tuplet bracket without a ratio",
         Score(divisions + NoteXml("C", 4, 4, "<notations><tuplet type=\"start\"/></notations>")),
         "tuplet brackets without a ratio and unit value the document holds, left out (their "
         "notes keep their lengths): 1, the first at line 9"},
        {"an ending for two passes",
         Score(divisions + "<barline location=\"left\"><ending number=\"1, 2\" type=\"start\"/>"
                           "</barline>\n"),
         "endings for several passes, kept with their first pass: 1, the first at line 9"},
        {"an ending over two measures",
         Score(divisions + "<barline location=\"left\"><ending number=\"1\" type=\"start\"/>"
                           "</barline>\n",
               "<measure number=\"2\"><barline><ending number=\"1\" type=\"stop\"/></barline>"
               "</measure>\n"),
         "endings over more than one measure, kept as their first measure: 1, the first at line "
         "11"},
        {"a repeat played three times",
         Score(divisions + "<barline><repeat direction=\"backward\" times=\"3\"/></barline>\n"),
         "repeats played other than twice, kept as plain repeats: 1, the first at line 9"},
        {"a grace note with nothing after it",
         Score(divisions + NoteXml("C", 4, 4) +
               "<note><grace/><pitch><step>D</step><octave>4</octave></pitch></note>\n"),
         "grace notes with no note after them, left out: 1, the first at line 10"},
    };
    for (const Repair& repair : cases) {
        MusicXmlImportReport report;
        ASSERT_NO_THROW(Import(repair.xml, &report)) << repair.name;
        // The warning ends as given: the start of a long one is left out here.
        EXPECT_NE(std::find_if(report.warnings.begin(), report.warnings.end(),
                               [&](const std::string& warning) {
                                   return warning.ends_with(repair.warning);
                               }),
                  report.warnings.end())
            << repair.name << ": " << ::testing::PrintToString(report.warnings);
    }
}

TEST_F(MusicXml, ExportIsValidAgainstTheMusicXmlSchema) {
    // No Debian package ships the MusicXML 4.0 schema, and its files are not in this
    // repository; the MuseScore tests check every export against MuseScore's own MusicXML
    // schema instead. Point CLAVENOR_MUSICXML_SCHEMA at musicxml.xsd to check here too.
    const char* schema = std::getenv("CLAVENOR_MUSICXML_SCHEMA");
    if (schema == nullptr || !std::filesystem::exists(schema) || !Installed("xmllint")) {
        GTEST_SKIP() << "the MusicXML 4.0 schema is not at hand (set CLAVENOR_MUSICXML_SCHEMA "
                        "to its musicxml.xsd; xmllint from libxml2-utils): exports are not "
                        "validated here";
    }
    TempFolder folder;
    auto document = MusicXmlImporter::Import(ReadAll(kEverything), {});
    const std::filesystem::path path = folder / "everything.musicxml";
    WriteAll(path, MusicXmlExporter::Export(*document, {}));
    int status = 0;
    const std::string said = Shell("xmllint --noout --nonet --schema '" + std::string(schema) +
                                       "' '" + path.string() + "' 2>&1",
                                   status);
    EXPECT_EQ(status, 0) << said;
}

TEST_F(MusicXml, FuzzRegressionsAndSeedsImportOrFailCleanly) {
    for (const auto& seed : fuzz::MakeMusicXmlSeeds()) {
        EXPECT_EQ(fuzz::MusicXmlRoundTrip(seed.data(), seed.size()), 1);
    }
    const std::filesystem::path folder =
        std::filesystem::path(CLAVENOR_SOURCE_DIR) / "tests/fuzz/musicxml-regressions";
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const Bytes bytes = ReadAll(entry.path());
        fuzz::MusicXmlRoundTrip(bytes.data(), bytes.size());
    }
}

} // namespace
} // namespace clavenor::test
