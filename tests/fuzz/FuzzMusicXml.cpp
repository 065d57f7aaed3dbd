#include "FuzzMusicXml.h"

#include "FuzzMidi.h"

#include <clavenor/clavenor.h>
#include <clavenor/interchange/MidiFileException.h>
#include <clavenor/interchange/MidiFileReader.h>
#include <clavenor/interchange/MidiImporter.h>
#include <clavenor/interchange/MusicXmlContainer.h>
#include <clavenor/interchange/MusicXmlException.h>
#include <clavenor/interchange/MusicXmlExporter.h>
#include <clavenor/interchange/MusicXmlImporter.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace clavenor::fuzz {

namespace {

MusicXmlImporter::Options FuzzOptions() {
    MusicXmlImporter::Options options;
    options.maxStaves = 64;
    options.maxMeasures = 1024;
    options.maxStaffMeasures = 1 << 14;
    options.container.maxScoreBytes = 1 << 22;
    return options;
}

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::string Score(const std::string& attributes, const std::string& music) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<score-partwise version=\"4.0\">\n"
           "<part-list><score-part id=\"P1\"><part-name>A</part-name></score-part>"
           "<score-part id=\"P2\"><part-name>B</part-name></score-part></part-list>\n"
           "<part id=\"P1\"><measure number=\"1\"><attributes>" +
           attributes + "</attributes>" + music +
           "</measure></part>\n<part id=\"P2\"><measure number=\"1\"><attributes>"
           "<divisions>1</divisions></attributes><note><pitch><step>C</step><octave>4</octave>"
           "</pitch><duration>3</duration><voice>1</voice></note></measure></part>\n"
           "</score-partwise>\n";
}

} // namespace

int MusicXmlRoundTrip(const std::uint8_t* data, std::size_t size) {
    MusicXmlImportReport first;
    MusicXmlExportReport written;
    std::string exported;
    try {
        auto document = MusicXmlImporter::Import({data, size}, FuzzOptions(), &first);
        exported = MusicXmlExporter::Export(*document, {}, &written);
    } catch (const MusicXmlException&) {
        MCCommandMgr::OnIdle();
        return 0;
    }
    MusicXmlImportReport second;
    try {
        auto again = MusicXmlImporter::Import(
            {reinterpret_cast<const std::uint8_t*>(exported.data()), exported.size()},
            FuzzOptions(), &second);
    } catch (const MusicXmlException&) {
        std::abort(); // what the exporter writes, the importer must read
    }
    // Every note written comes back, unless the export said it approximated: times rounded
    // to its divisions may make notes of one key meet (and tie) or vanish into no length. A
    // note written as tied values comes back as tied notes: what counts is the notes that
    // sound, each tie joining two into one.
    if (written.warnings.empty() && (second.notes - second.ties != first.notes - first.ties ||
                                     second.graceNotes != first.graceNotes)) {
        std::abort();
    }
    MCCommandMgr::OnIdle();
    return 1;
}

std::vector<std::vector<std::uint8_t>> MakeMusicXmlSeeds() {
    std::vector<std::vector<std::uint8_t>> seeds;
    {
        std::ifstream in(std::string(CLAVENOR_SOURCE_DIR) +
                             "/tests/interchange/data/everything.musicxml",
                         std::ios::binary);
        seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    for (const auto& midi : MakeMidiSeeds()) {
        try {
            auto document = MidiImporter::Import(MidiFileReader::Read(midi), {});
            seeds.push_back(Bytes(MusicXmlExporter::Export(*document, {})));
        } catch (const MidiFileException&) {
        }
    }
    const std::string note = "<note><pitch><step>D</step><alter>1</alter><octave>5</octave>"
                             "</pitch><duration>2</duration><voice>1</voice><type>half</type>"
                             "</note>";
    seeds.push_back(Bytes(Score("<divisions>1</divisions><time><beats>3+2</beats><beat-type>8"
                                "</beat-type></time>",
                                note + "<backup><duration>5</duration></backup>" + note)));
    seeds.push_back(Bytes(
        Score("<divisions>3</divisions><staves>2</staves>",
              "<note><grace/><pitch><step>E</step><octave>4</octave></pitch><voice>1</voice>"
              "<type>16th</type></note><note><pitch><step>F</step><octave>4</octave></pitch>"
              "<duration>1</duration><tie type=\"start\"/><voice>1</voice><staff>2</staff>"
              "<time-modification><actual-notes>3</actual-notes><normal-notes>2</normal-notes>"
              "</time-modification><lyric><text>la</text></lyric></note><note><pitch><step>F</step>"
              "<octave>4</octave></pitch><duration>2</duration><tie type=\"stop\"/><voice>1</voice>"
              "<staff>2</staff></note><forward><duration>7</duration></forward>"
              "<direction><direction-type><wedge type=\"crescendo\"/></direction-type>"
              "<offset>-2</offset><sound tempo=\"90\"/></direction><harmony><root><root-step>G"
              "</root-step></root><kind>dominant</kind></harmony>")));
    seeds.push_back(Bytes(Score("<divisions>480</divisions>",
                                "<note><rest measure=\"yes\"/><duration>2400</duration>"
                                "<voice>1</voice></note>")));
    // Lines and marks on notes, through chords, grace notes and voices, and transpositions,
    // octave signs and jumps that come and go.
    auto marked = [](const std::string& step, const std::string& more) {
        return "<note><pitch><step>" + step +
               "</step><octave>5</octave></pitch><duration>1"
               "</duration><voice>1</voice><type>eighth</type>" +
               more + "</note>";
    };
    seeds.push_back(Bytes(Score(
        "<divisions>2</divisions><transpose><diatonic>-1</diatonic><chromatic>-2</chromatic>"
        "</transpose>",
        "<direction><direction-type><segno/></direction-type><sound segno=\"s\"/></direction>"
        "<direction><direction-type><octave-shift type=\"down\" size=\"15\"/>"
        "</direction-type></direction>"
        "<note><grace/><pitch><step>B</step><octave>4</octave></pitch><voice>1</voice>"
        "<notations><slur type=\"start\" number=\"2\"/><articulations><accent/>"
        "</articulations></notations></note>" +
            marked("C", "<beam number=\"1\">begin</beam><notations><slur type=\"stop\" "
                        "number=\"2\"/><slur type=\"start\"/><glissando type=\"start\"/>"
                        "<articulations><staccato/><tenuto/><scoop/></articulations>"
                        "<arpeggiate direction=\"up\"/></notations>") +
            marked("E", "<chord/><notations><arpeggiate/><fermata>square</fermata></notations>") +
            marked("D", "<beam number=\"1\">continue</beam><notations><glissando "
                        "type=\"stop\"/><ornaments><trill-mark/><wavy-line type=\"start\"/>"
                        "<tremolo type=\"single\">2</tremolo><haydn/></ornaments></notations>") +
            marked("F", "<beam number=\"1\">end</beam><notations><slur type=\"stop\"/>"
                        "<ornaments><inverted-turn/><mordent/></ornaments><slide "
                        "type=\"start\"/></notations>") +
            "<attributes><transpose><chromatic>0</chromatic></transpose></attributes>" +
            marked("G", "<notations><slide type=\"stop\"/><technical><fingering>2"
                        "</fingering></technical></notations>") +
            "<direction><direction-type><octave-shift type=\"stop\" size=\"15\"/>"
            "</direction-type></direction><direction><direction-type><words>D.S. al Fine"
            "</words></direction-type><sound dalsegno=\"s\"/></direction>")));
    // Beams of several levels and hooks, tremolos between two notes, slurs from and to grace
    // notes, overlapping octave signs told apart by number, and a To Coda.
    seeds.push_back(Bytes(Score(
        "<divisions>4</divisions>",
        "<direction><direction-type><octave-shift type=\"down\" size=\"8\" number=\"1\"/>"
        "</direction-type></direction><direction><direction-type><octave-shift type=\"up\" "
        "size=\"15\" number=\"2\"/></direction-type></direction>" +
            marked("C", "<beam number=\"1\">begin</beam><beam number=\"2\">begin</beam>"
                        "<notations><slur type=\"start\"/><ornaments><tremolo type=\"start\">2"
                        "</tremolo></ornaments></notations>") +
            marked("D", "<beam number=\"1\">continue</beam><beam number=\"2\">end</beam>"
                        "<beam number=\"3\">backward hook</beam><notations><ornaments>"
                        "<tremolo type=\"stop\">2</tremolo></ornaments></notations>") +
            "<note><grace/><pitch><step>B</step><octave>4</octave></pitch><voice>1</voice>"
            "<notations><slur type=\"stop\"/><slur type=\"start\" number=\"3\"/></notations>"
            "</note>" +
            marked("E", "<beam number=\"1\">end</beam><beam number=\"2\">forward hook</beam>") +
            "<direction><direction-type><octave-shift type=\"stop\" size=\"8\" "
            "number=\"1\"/></direction-type></direction>" +
            marked("F", "<notations><slur type=\"stop\" number=\"3\"/></notations>") +
            "<direction><direction-type><words>To Coda</words></direction-type><sound "
            "tocoda=\"coda\"/></direction><direction><direction-type><octave-shift "
            "type=\"stop\" size=\"15\" number=\"2\"/></direction-type></direction>")));
    const std::string& plain = std::string(seeds.front().begin(), seeds.front().end());
    seeds.push_back(MusicXmlContainer::Pack(plain, "score.musicxml"));
    return seeds;
}

} // namespace clavenor::fuzz
