#include "clavenor/interchange/MusicXmlImporter.h"

#include "clavenor/interchange/BarlineType.h"
#include "clavenor/interchange/ClefType.h"
#include "clavenor/interchange/MusicXmlException.h"
#include "clavenor/interchange/NotationType.h"
#include "clavenor/interchange/detail/LooseElements.h"
#include "clavenor/interchange/detail/MusicXmlValues.h"

#include <clavenor/clavenor.h>

#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <set>
#include <tuple>
#include <unordered_map>

namespace clavenor {

namespace {

using musicxml::Rational;

constexpr int kMaxVoice = 13;
constexpr int kBeamLevels = 8;
constexpr std::uint8_t kDefaultVelocity = 80;
constexpr double kFullDynamics = 90.0;
constexpr int kSustainController = 64;
constexpr float kPedalDown = 127.0f;
constexpr float kPedalUp = 0.0f;
constexpr int kNoBass = 28;
constexpr int kNoFlavor = 28;
constexpr int kFlavorCount = 28;
constexpr int kMaxStaffNumber = 64;
constexpr double kDefaultTempo = 120.0;
constexpr float kLowestTempo = 1.0f;
constexpr int kMostFifths = 7;
constexpr std::uint8_t kMajor = 0;
constexpr std::uint8_t kMinor = 1;

// Text types (GetTextString's numbering) the importer makes.
constexpr std::uint8_t kTextFree = 0;
constexpr std::uint8_t kTextCopyright = 1;
constexpr std::uint8_t kTextTrackName = 3;
constexpr std::uint8_t kTextInstrument = 4;
constexpr std::uint8_t kTextTitle = 8;
constexpr std::uint8_t kTextSubtitle = 9;
constexpr std::uint8_t kTextComposer = 10;
constexpr std::uint8_t kTextArranger = 11;
constexpr std::uint8_t kTextAuthor = 12;
constexpr std::uint8_t kTextOpus = 13;
constexpr std::uint8_t kTextRehearsal = 15;
constexpr std::uint8_t kLastTextType = 20;

// Dynamic types.
constexpr std::uint8_t kLastLevel = 9;
constexpr std::uint8_t kCrescendoWords = 11;
constexpr std::uint8_t kDecrescendoWords = 12;
constexpr std::uint8_t kDiminuendoWords = 13;
constexpr std::uint8_t kCrescendoWedge = 14;
constexpr std::uint8_t kDiminuendoWedge = 15;
constexpr std::uint8_t kUserDynamic = 16;

// Undotted rest types (ECRest's numbering) of the note values from the 1024th up; 0 for a
// value no rest type has.
constexpr std::uint8_t kRestTypes[musicxml::kNoteValues] = {0,  0, 0, 22, 20, 17, 14,
                                                            11, 8, 5, 2,  1,  0,  0};

std::string Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

// Where each line of the text starts, to name the line of a node from its offset.
class LineIndex {
public:
    explicit LineIndex(std::span<const std::uint8_t> text) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n') {
                m_breaks.push_back(i);
            }
        }
    }
    std::size_t LineOf(std::ptrdiff_t offset) const {
        if (offset < 0) {
            return MusicXmlException::NoLine;
        }
        return static_cast<std::size_t>(std::lower_bound(m_breaks.begin(), m_breaks.end(),
                                                         static_cast<std::size_t>(offset)) -
                                        m_breaks.begin()) +
               1;
    }

private:
    std::vector<std::size_t> m_breaks;
};

// Counts one kind of repair or loss and remembers where it first happened.
struct Issue {
    std::size_t count = 0;
    std::size_t line = 0;
};

struct Instrument {
    int unpitched = -1; // the MIDI key, or -1
};

struct PartInfo {
    std::string name;
    std::string instrumentName;
    int channel = -1;
    int program = -1;
    std::map<std::string, Instrument> instruments;
};

struct TimeSignature {
    std::vector<int> numerators;
    std::vector<int> denominators;
    std::size_t line = 0;

    bool operator==(const TimeSignature& other) const {
        return numerators == other.numerators && denominators == other.denominators;
    }
    Rational Length() const {
        Rational total{0, 1};
        for (std::size_t i = 0; i < numerators.size(); ++i) {
            const int d = denominators.size() == 1 ? denominators[0] : denominators[i];
            total = *Rational::Add(total, *Rational::Make(std::int64_t{numerators[i]} * 4, d));
        }
        return total;
    }
};

struct MeasureInfo {
    Rational length{0, 1};
    std::optional<TimeSignature> time;
    std::size_t line = 0;
};

// What a note's notations ask of it and of the lines through it.
struct NoteMarks {
    std::size_t line = 0;
    // Modifiers: event id and type.
    std::vector<std::pair<int, std::uint8_t>> modifiers;
    std::optional<std::uint8_t> arpeggio;
    // Slurs and glissandi: number, and whether the note starts (else ends) one.
    std::vector<std::pair<int, bool>> slurs;
    std::vector<std::pair<int, bool>> glissandi;
    // The note's beams: level (1 to kBeamLevels) and value ("begin", "continue", "end",
    // "forward hook", "backward hook").
    std::vector<std::pair<int, std::string>> beams;
};

struct NoteRecord {
    Rational start;
    Rational duration;
    std::size_t measure;
    int staff;
    int voice;
    int key;
    int alter;
    std::uint8_t velocity;
    bool chord;
    std::vector<std::size_t> graces;
    // The note tied on to this one, or kNoNote.
    std::size_t tiedFrom;
    // The tuplet bracket the note is under (an index into the part's), or kNoNote.
    std::size_t tuplet;
    NoteMarks marks;
};

// A slur or glissando from one note of a part to another (indices into the part's notes),
// for a slur perhaps from the first grace note of the first or to the last of the last.
struct LineRecord {
    std::size_t first;
    std::size_t last;
    std::size_t line;
    bool fromGrace = false;
    bool toGrace = false;
};

// A beam of one level over notes of a part, in their order.
struct BeamRecord {
    int level;
    std::vector<std::size_t> notes;
};

// A tuplet bracket: `actual` notes of the unit value in the time of `normal`.
struct TupletRecord {
    int actual;
    int normal;
    std::uint8_t units;
    std::size_t line;
};

constexpr std::size_t kNoNote = static_cast<std::size_t>(-1);

struct GraceRecord {
    std::size_t line;
    int key;
    int alter;
    std::uint8_t velocity;
    Rational length;
    bool chord;
    std::vector<std::uint8_t> accents;
};

struct TempoRecord {
    double perMinute = 0.0; // quarters per minute
    double beat = 1.0;
    std::string words;
    bool valued = false;
};

struct StaffState {
    ECStaff* staff = nullptr;
    int number = 0;
    std::map<std::string, int> voices;
    ECEnvelope* dynamics = nullptr;
    ECEnvelope* hairpins = nullptr;
    ECControllerEnv* pedals = nullptr;
    std::optional<std::uint8_t> level;
    std::optional<Rational> pedalStart;
    std::map<std::string, std::pair<Rational, std::uint8_t>> wedges;
    // Transpositions: the envelope, and the open ones, that last until the next of theirs:
    // the instrument's (0) and the octave signs by number (from 1).
    ECEnvelope* transpositions = nullptr;
    std::map<int, std::pair<ECTranspose*, Rational>> openTranspositions;
};

class Importer {
public:
    Importer(std::span<const std::uint8_t> bytes, const MusicXmlImporter::Options& options,
             MusicXmlImportReport& report)
        : m_bytes(bytes), m_options(options), m_report(report) {}

    std::unique_ptr<ECPerformance> Run() {
        std::string unpacked;
        std::span<const std::uint8_t> text = m_bytes;
        if (MusicXmlContainer::IsCompressed(m_bytes)) {
            unpacked = MusicXmlContainer::Unpack(m_bytes, m_options.container);
            text = {reinterpret_cast<const std::uint8_t*>(unpacked.data()), unpacked.size()};
        }
        m_lines = std::make_unique<LineIndex>(text);
        const pugi::xml_parse_result parsed =
            m_xml.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_auto);
        if (!parsed) {
            throw MusicXmlException(m_lines->LineOf(parsed.offset),
                                    std::string("malformed XML: ") + parsed.description());
        }
        pugi::xml_node root = m_xml.document_element();
        if (std::strcmp(root.name(), "score-partwise") != 0) {
            if (std::strcmp(root.name(), "score-timewise") == 0) {
                Fail(root, "a timewise score; only partwise MusicXML is read");
            }
            Fail(root,
                 std::string("not a MusicXML score: the root element is <") + root.name() + ">");
        }
        MCStandardRecords::Register(m_options.viewCode);
        ReadPartList(root);
        MeasureParts(root);
        LayOutMeasures();

        auto document = std::make_unique<ECPerformance>();
        m_document = document.get();
        m_conductor = m_loose.Hold(new ECConductor);
        m_loose.Link(m_document, m_conductor, 0);
        m_conductorStaff = m_conductor->GetConductorStaff();
        if (m_conductorStaff == nullptr) {
            throw std::bad_alloc(); // the conductor found no memory for its staff
        }
        MakeStaves();
        AddMeters();
        CoverWithMeasures();
        ReadHeader(root);
        std::size_t part = 0;
        for (pugi::xml_node node : root.children()) {
            if (std::strcmp(node.name(), "part") == 0) {
                ReadPart(node, m_parts[part++]);
            }
        }
        AddTempi();
        m_report.measures = m_conductor->GetMaxMeasureNumber();
        m_report.staves = static_cast<int>(m_staves.size());
        Summarise();
        if (m_options.progress) {
            m_options.progress(m_progressTotal, m_progressTotal);
        }
        return document;
    }

private:
    std::size_t Line(pugi::xml_node node) const { return m_lines->LineOf(node.offset_debug()); }

    [[noreturn]] void Fail(pugi::xml_node node, const std::string& what) const {
        throw MusicXmlException(Line(node), what);
    }

    void Note(Issue& issue, pugi::xml_node node) {
        if (issue.count++ == 0) {
            issue.line = Line(node);
        }
    }

    // An element the document has no place for.
    void Lost(pugi::xml_node node) {
        Note(m_lost[std::string("<") + node.name() + "> in <" + node.parent().name() + ">"], node);
    }

    Rational Number(pugi::xml_node node, const char* what) const {
        auto value = Rational::Parse(node.child_value());
        if (!value) {
            Fail(node, std::string(what) + " \"" + Trim(node.child_value()) +
                           "\" is not a number this import can count");
        }
        return *value;
    }

    static int Int(pugi::xml_node node, int fallback) {
        const std::string text = Trim(node.child_value());
        if (text.empty() || text.size() > 9) {
            return fallback;
        }
        char* end = nullptr;
        const long value = std::strtol(text.c_str(), &end, 10);
        return end != nullptr && *end == '\0' ? static_cast<int>(value) : fallback;
    }

    Rational Add(const Rational& a, const Rational& b, pugi::xml_node at) const {
        auto sum = Rational::Add(a, b);
        if (!sum) {
            Fail(at, "times that overflow what this import can count");
        }
        return *sum;
    }

    Rational Sub(const Rational& a, const Rational& b, pugi::xml_node at) const {
        auto difference = Rational::Sub(a, b);
        if (!difference) {
            Fail(at, "times that overflow what this import can count");
        }
        return *difference;
    }

    // A duration in quarter notes: the element's divisions over the part's divisions.
    Rational Duration(pugi::xml_node node, const std::optional<Rational>& divisions) const {
        if (!divisions) {
            Fail(node, "a duration before any divisions were given");
        }
        const Rational value = Number(node, "the duration");
        if (value.num < 0) {
            Fail(node, "a negative duration");
        }
        auto quarters = Rational::Div(value, *divisions);
        if (!quarters) {
            Fail(node, "the duration \"" + Trim(node.child_value()) +
                           "\" overflows what this import can count");
        }
        return *quarters;
    }

    // ------------------------------------------------------------------ part list

    void ReadPartList(pugi::xml_node root) {
        pugi::xml_node list = root.child("part-list");
        if (!list) {
            Fail(root, "the score has no part list");
        }
        for (pugi::xml_node node : list.children()) {
            if (std::strcmp(node.name(), "score-part") == 0) {
                PartInfo info;
                info.name = Trim(node.child_value("part-name"));
                for (pugi::xml_node child : node.children()) {
                    const std::string_view name = child.name();
                    if (name == "score-instrument") {
                        if (info.instrumentName.empty()) {
                            info.instrumentName = Trim(child.child_value("instrument-name"));
                        }
                        info.instruments[child.attribute("id").as_string()];
                    } else if (name == "midi-instrument") {
                        Instrument& instrument =
                            info.instruments[child.attribute("id").as_string()];
                        const int unpitched = Int(child.child("midi-unpitched"), 0);
                        if (unpitched >= 1 && unpitched <= 128) {
                            instrument.unpitched = unpitched - 1;
                        }
                        const int channel = Int(child.child("midi-channel"), 0);
                        if (info.channel < 0 && channel >= 1 && channel <= 16) {
                            info.channel = channel - 1;
                        }
                        const int program = Int(child.child("midi-program"), 0);
                        if (info.program < 0 && program >= 1 && program <= 128) {
                            info.program = program - 1;
                        }
                    } else if (name != "part-name" && name != "midi-device" &&
                               child.type() == pugi::node_element) {
                        Lost(child);
                    }
                }
                m_partInfo[node.attribute("id").as_string()] = info;
            } else if (node.type() == pugi::node_element) {
                Lost(node);
            }
        }
    }

    // ------------------------------------------------------------------ the first pass

    // Walks every part once for the length of each measure, its time signature and the
    // staves each part needs, before anything is built.
    void MeasureParts(pugi::xml_node root) {
        for (pugi::xml_node node : root.children()) {
            if (std::strcmp(node.name(), "part") != 0) {
                continue;
            }
            Part part;
            part.id = node.attribute("id").as_string();
            part.line = Line(node);
            if (m_partInfo.find(part.id) == m_partInfo.end()) {
                Note(m_unlistedParts, node);
                m_partInfo[part.id].name = part.id;
            }
            MeasurePart(node, part);
            m_parts.push_back(std::move(part));
        }
        if (m_parts.empty()) {
            Fail(root, "the score has no part");
        }
        std::size_t staves = 0;
        for (Part& part : m_parts) {
            part.firstStaff = static_cast<int>(staves) + 1;
            staves += static_cast<std::size_t>(part.staves);
            if (staves > static_cast<std::size_t>(m_options.maxStaves)) {
                throw MusicXmlException(part.line, "the score needs " + std::to_string(staves) +
                                                       " staves or more, more than the " +
                                                       std::to_string(m_options.maxStaves) +
                                                       " an import makes");
            }
            m_progressTotal += part.measures.size();
        }
        m_staffCount = staves;
    }

    struct Part {
        std::string id;
        std::size_t line = 0;
        int staves = 1;
        int firstStaff = 1;
        std::vector<MeasureInfo> measures;
    };

    void MeasurePart(pugi::xml_node node, Part& part) {
        std::optional<Rational> divisions;
        for (pugi::xml_node measure : node.children("measure")) {
            if (part.measures.size() >= m_options.maxMeasures) {
                Fail(measure, "the part has more than the " +
                                  std::to_string(m_options.maxMeasures) +
                                  " measures an import makes");
            }
            MeasureInfo info;
            info.line = Line(measure);
            Rational cursor{0, 1};
            Rational last{0, 1};
            for (pugi::xml_node item : measure.children()) {
                const std::string_view name = item.name();
                if (name == "attributes") {
                    if (pugi::xml_node d = item.child("divisions")) {
                        const Rational value = Number(d, "the divisions");
                        if (value.num <= 0) {
                            Fail(d, "divisions must be above 0");
                        }
                        divisions = value;
                    }
                    if (pugi::xml_node staves = item.child("staves")) {
                        const int count = Int(staves, 1);
                        if (count < 1 || count > kMaxStaffNumber) {
                            Fail(staves, "a part of " + Trim(staves.child_value()) +
                                             " staves (1 to " + std::to_string(kMaxStaffNumber) +
                                             " are read)");
                        }
                        part.staves = std::max(part.staves, count);
                    }
                    if (pugi::xml_node time = item.child("time"); time && !info.time) {
                        info.time = ReadTime(time);
                    }
                } else if (name == "note") {
                    if (item.child("grace")) {
                        continue;
                    }
                    const int staff = Int(item.child("staff"), 1);
                    if (staff >= 1 && staff <= kMaxStaffNumber) {
                        part.staves = std::max(part.staves, staff);
                    }
                    pugi::xml_node d = item.child("duration");
                    const Rational length = d ? Duration(d, divisions) : Rational{0, 1};
                    if (item.child("chord")) {
                        info.length = std::max(info.length, Add(last, length, d));
                        continue;
                    }
                    last = cursor;
                    cursor = Add(cursor, length, item);
                } else if (name == "backup" || name == "forward") {
                    pugi::xml_node d = item.child("duration");
                    if (!d) {
                        continue;
                    }
                    const Rational length = Duration(d, divisions);
                    cursor = name == "forward" ? Add(cursor, length, d)
                                               : std::max(Rational{0, 1}, Sub(cursor, length, d));
                }
                info.length = std::max(info.length, cursor);
            }
            if (info.length > Rational{ECMeter::MaxMeasureQuarters, 1}) {
                Fail(measure, "the measure lasts " + Describe(info.length) +
                                  " quarter notes, more than the " +
                                  std::to_string(ECMeter::MaxMeasureQuarters) + " a meter holds");
            }
            part.measures.push_back(std::move(info));
        }
    }

    static std::string Describe(const Rational& value) {
        return value.den == 1 ? std::to_string(value.num)
                              : std::to_string(value.num) + "/" + std::to_string(value.den);
    }

    std::optional<TimeSignature> ReadTime(pugi::xml_node time) {
        TimeSignature signature;
        signature.line = Line(time);
        std::vector<std::string> beats;
        std::vector<int> types;
        for (pugi::xml_node child : time.children()) {
            const std::string_view name = child.name();
            if (name == "beats") {
                beats.push_back(Trim(child.child_value()));
            } else if (name == "beat-type") {
                types.push_back(Int(child, 0));
            } else if (child.type() == pugi::node_element) {
                Lost(child);
            }
        }
        if (beats.empty() || beats.size() != types.size()) {
            Note(m_badTimes, time);
            return std::nullopt;
        }
        for (std::size_t i = 0; i < beats.size(); ++i) {
            const int type = types[i];
            if (type < 1 || type > 128 || (type & (type - 1)) != 0) {
                Note(m_badTimes, time);
                return std::nullopt;
            }
            // "3+2+2" over one beat type: the parts share it.
            const std::string& text = beats[i];
            for (std::size_t at = 0; at <= text.size();) {
                const std::size_t plus = std::min(text.find('+', at), text.size());
                const std::string piece = Trim(std::string_view(text).substr(at, plus - at));
                char* end = nullptr;
                const long value =
                    piece.empty() || piece.size() > 3 ? 0 : std::strtol(piece.c_str(), &end, 10);
                if (value < 1 || value > 255 || end == nullptr || *end != '\0') {
                    Note(m_badTimes, time);
                    return std::nullopt;
                }
                signature.numerators.push_back(static_cast<int>(value));
                signature.denominators.push_back(type);
                at = plus + 1;
            }
        }
        if (std::all_of(signature.denominators.begin(), signature.denominators.end(),
                        [&](int d) { return d == signature.denominators.front(); })) {
            signature.denominators.resize(1);
        }
        if (signature.denominators.size() != 1 &&
            signature.denominators.size() != signature.numerators.size()) {
            Note(m_badTimes, time);
            return std::nullopt;
        }
        if (signature.Length() > Rational{ECMeter::MaxMeasureQuarters, 1}) {
            Note(m_badTimes, time);
            return std::nullopt;
        }
        return signature;
    }

    // The measure map: every measure as long as the longest of its parts (or its time
    // signature when empty), a meter for each.
    void LayOutMeasures() {
        std::size_t count = 0;
        for (const Part& part : m_parts) {
            count = std::max(count, part.measures.size());
        }
        if (count == 0) {
            count = 1;
        }
        if (count * std::max<std::size_t>(1, m_staffCount) > m_options.maxStaffMeasures) {
            throw MusicXmlException(
                m_parts.front().line,
                std::to_string(count) + " measures on " + std::to_string(m_staffCount) +
                    " staves make " + std::to_string(count * m_staffCount) +
                    " staff measures, more than the " + std::to_string(m_options.maxStaffMeasures) +
                    " an import makes");
        }
        TimeSignature current;
        current.numerators = {4};
        current.denominators = {4};
        Rational at{0, 1};
        for (std::size_t m = 0; m < count; ++m) {
            Rational length{0, 1};
            std::optional<TimeSignature> signature;
            std::size_t line = 0;
            for (const Part& part : m_parts) {
                if (m >= part.measures.size()) {
                    continue;
                }
                const MeasureInfo& info = part.measures[m];
                length = std::max(length, info.length);
                if (line == 0) {
                    line = info.line;
                }
                if (info.time) {
                    if (!signature) {
                        signature = info.time;
                    } else if (!(*signature == *info.time)) {
                        if (m_polymeter.count++ == 0) {
                            m_polymeter.line = info.time->line;
                        }
                    }
                }
            }
            if (signature) {
                current = *signature;
            }
            Layout layout;
            layout.start = at;
            layout.signature = current;
            if (length.num == 0 || length == current.Length()) {
                length = current.Length();
            } else {
                if (m_irregular.count++ == 0) {
                    m_irregular.line = line;
                }
                layout.own = true;
            }
            if (layout.own && !MeterFor(length, current.denominators.front(), layout.numerator,
                                        layout.denominator)) {
                // A length no meter has (a measure of tuplets that do not add up): the measure
                // lasts on to the next pulse of the finest meter that holds it.
                for (const int d : {128, 64, 32, 16, 8, 4}) {
                    const Rational pulses = *Rational::Mul(length, {d, 4});
                    const std::int64_t n = (pulses.num + pulses.den - 1) / pulses.den;
                    if (n <= 255) {
                        layout.numerator = static_cast<int>(n);
                        layout.denominator = d;
                        length = *Rational::Make(n * 4, d);
                        if (m_lengthened.count++ == 0) {
                            m_lengthened.line = line;
                        }
                        break;
                    }
                }
            }
            layout.length = length;
            at = *Rational::Add(at, length);
            m_layout.push_back(layout);
        }
        m_layout.push_back({at, {0, 1}, current, false});
    }

    struct Layout {
        Rational start;
        Rational length;
        TimeSignature signature;
        // A meter of the measure's own length, numerator over denominator.
        bool own = false;
        int numerator = 0;
        int denominator = 0;
    };

    // A meter of `length` quarter notes: the signature's denominator when it fits, else
    // the first power of two from 4 that gives a whole number of pulses.
    static bool MeterFor(const Rational& length, int preferred, int& numerator, int& denominator) {
        const int candidates[] = {preferred, 4, 8, 16, 32, 64, 2, 1, 128};
        for (const int d : candidates) {
            const auto pulses = Rational::Mul(length, {d, 4});
            if (pulses && pulses->den == 1 && pulses->num >= 1 && pulses->num <= 255) {
                numerator = static_cast<int>(pulses->num);
                denominator = d;
                return true;
            }
        }
        return false;
    }

    // ------------------------------------------------------------------ the document

    void MakeStaves() {
        for (std::size_t p = 0; p < m_parts.size(); ++p) {
            const Part& part = m_parts[p];
            const PartInfo& info = m_partInfo[part.id];
            for (int s = 0; s < part.staves; ++s) {
                StaffState state;
                state.number = part.firstStaff + s;
                state.staff = static_cast<ECStaff*>(
                    imported::Made(m_conductor->GetTrack(1, state.number, 1)));
                if (DCMidiTrack* track =
                        MCStandardRecords::GetTrack(state.staff, m_options.viewCode)) {
                    if (info.channel >= 0) {
                        track->SetChannel(info.channel);
                    }
                }
                if (!info.name.empty()) {
                    auto* name = Timed(m_loose.Hold(new ECText(kTextTrackName, CString(info.name))),
                                       0.0f, 15, state.number);
                    m_loose.Link(state.staff, name, 1);
                    ++m_report.texts;
                }
                if (!info.instrumentName.empty() && info.instrumentName != info.name) {
                    auto* name = Timed(
                        m_loose.Hold(new ECText(kTextInstrument, CString(info.instrumentName))),
                        0.0f, 15, state.number);
                    m_loose.Link(state.staff, name, 1);
                    ++m_report.texts;
                }
                if (info.program >= 0) {
                    auto* patches = Timed(m_loose.Hold(new ECPatchEnv), 0.0f, 15, state.number);
                    m_loose.Link(state.staff, patches, 1);
                    auto* program = Timed(m_loose.Hold(new ECProgramChange), 0.0f, 0, state.number);
                    program->SetValue(
                        ECPatchEnv::MakePatchValue(0, 0, static_cast<std::uint8_t>(info.program)));
                    m_loose.Link(patches, program, 1);
                }
                m_staves.push_back(std::move(state));
            }
        }
    }

    void AddMeters() {
        ECMeterEnv* meters = imported::Made(m_conductorStaff->GetMeterEnv());
        std::optional<std::pair<std::vector<int>, std::vector<int>>> previous;
        for (std::size_t m = 0; m + 1 < m_layout.size(); ++m) {
            const Layout& layout = m_layout[m];
            std::vector<int> numerators = layout.signature.numerators;
            std::vector<int> denominators = layout.signature.denominators;
            if (layout.own) {
                numerators = {layout.numerator};
                denominators = {layout.denominator};
            }
            const auto key = std::make_pair(numerators, denominators);
            if (previous && *previous == key) {
                continue;
            }
            previous = key;
            auto* meter = m_loose.Hold(new ECMeter);
            int accepted = 0;
            if (numerators.size() == 1) {
                accepted = meter->SetMeter(static_cast<std::uint8_t>(numerators[0]),
                                           static_cast<std::uint8_t>(denominators[0]),
                                           ECMeter::TypeComputed);
            } else {
                ECMeter::ByteArray n;
                ECMeter::ByteArray d;
                for (const int value : numerators) {
                    n.Add(static_cast<std::uint8_t>(value));
                }
                for (const int value : denominators) {
                    d.Add(static_cast<std::uint8_t>(value));
                }
                accepted = meter->SetMeter(n, d, 1);
            }
            if (accepted == 0) {
                throw MusicXmlException(layout.signature.line,
                                        "a time signature no meter can hold");
            }
            MCTime at(static_cast<float>(layout.start.ToDouble()));
            meter->SetTime(&at);
            meter->SetVoiceTrack(meters->GetVoiceTrack());
            // One recomputation of the positions at the end, not one per meter.
            if (meters->ECEnvelope::AddChild(meter, 1) == 0) {
                m_loose.Drop(meter);
                continue;
            }
            ++m_report.meters;
        }
        meters->RecalculateBPTTimes();
    }

    void CoverWithMeasures() {
        const std::size_t count = m_layout.size() - 1;
        const Layout& last = m_layout[count - 1];
        const double middle = last.start.ToDouble() + last.length.ToDouble() / 2.0;
        static_cast<void>(
            imported::Made(m_conductor->GetMeasure(0, MCTime(static_cast<float>(middle)), 1, 1)));
        if (static_cast<std::size_t>(m_conductor->GetMaxMeasureNumber()) != count) {
            throw MusicXmlException(m_parts.front().line,
                                    "the measures cannot be laid out at the times they start");
        }
    }

    template <class T>
    static T* Timed(T* element, float time, int voice, int track) {
        MCTime at(time);
        element->SetTime(&at);
        element->SetVoiceTrack(voice, track);
        return element;
    }

    static float Float(const Rational& time) { return static_cast<float>(time.ToDouble()); }

    // ------------------------------------------------------------------ header

    void Title(std::uint8_t type, const std::string& text) {
        if (text.empty() || type > kLastTextType) {
            return;
        }
        if (!m_titleTexts.insert(text).second && type != kTextCopyright) {
            return; // a credit that repeats a title already read
        }
        auto* element = Timed(m_loose.Hold(new ECText(type, CString(text))), 0.0f, 15, 0);
        m_loose.Link(m_conductorStaff, element, 1);
        ++m_report.texts;
    }

    void ReadHeader(pugi::xml_node root) {
        for (pugi::xml_node node : root.children()) {
            const std::string_view name = node.name();
            if (name == "work") {
                for (pugi::xml_node child : node.children()) {
                    const std::string_view field = child.name();
                    if (field == "work-title") {
                        Title(kTextTitle, Trim(child.child_value()));
                    } else if (field == "work-number") {
                        Title(kTextOpus, Trim(child.child_value()));
                    } else if (child.type() == pugi::node_element) {
                        Lost(child);
                    }
                }
            } else if (name == "movement-title") {
                Title(m_titleTexts.empty() ? kTextTitle : kTextSubtitle, Trim(node.child_value()));
            } else if (name == "identification") {
                ReadIdentification(node);
            }
        }
        // Credits last: those that repeat a title or creator are the same text on the page.
        for (pugi::xml_node credit : root.children("credit")) {
            std::string type = Trim(credit.child_value("credit-type"));
            std::string words;
            for (pugi::xml_node child : credit.children("credit-words")) {
                if (!words.empty()) {
                    words += '\n';
                }
                words += Trim(child.child_value());
            }
            const std::uint8_t text = CreditType(type);
            if (words.empty()) {
                continue;
            }
            if (text == 0) {
                if (m_titleTexts.find(words) == m_titleTexts.end()) {
                    Note(m_untypedCredits, credit);
                }
                continue;
            }
            Title(text, words);
        }
        for (pugi::xml_node node : root.children()) {
            const std::string_view name = node.name();
            if (name != "work" && name != "movement-title" && name != "identification" &&
                name != "credit" && name != "part-list" && name != "part" &&
                node.type() == pugi::node_element) {
                Lost(node);
            }
        }
    }

    static std::uint8_t CreditType(const std::string& type) {
        if (type == "title") {
            return kTextTitle;
        }
        if (type == "subtitle") {
            return kTextSubtitle;
        }
        if (type == "composer") {
            return kTextComposer;
        }
        if (type == "arranger") {
            return kTextArranger;
        }
        if (type == "lyricist" || type == "poet") {
            return kTextAuthor;
        }
        if (type == "rights") {
            return kTextCopyright;
        }
        for (int t = 1; t <= kLastTextType; ++t) {
            if (!type.empty() && GetTextString(static_cast<std::uint8_t>(t)).str() == type) {
                return static_cast<std::uint8_t>(t);
            }
        }
        return 0;
    }

    void ReadIdentification(pugi::xml_node node) {
        for (pugi::xml_node child : node.children()) {
            const std::string_view name = child.name();
            if (name == "creator") {
                const std::string_view role = child.attribute("type").as_string();
                const std::uint8_t type = role == "composer"                       ? kTextComposer
                                          : role == "arranger"                     ? kTextArranger
                                          : (role == "lyricist" || role == "poet") ? kTextAuthor
                                                                                   : kTextComposer;
                Title(type, Trim(child.child_value()));
            } else if (name == "rights") {
                Title(kTextCopyright, Trim(child.child_value()));
            } else if (name != "encoding" && child.type() == pugi::node_element) {
                // Who wrote the file, and when, is not the music's.
                Lost(child);
            }
        }
    }

    // ------------------------------------------------------------------ the second pass

    struct PartState {
        std::optional<Rational> divisions;
        int transposeChromatic = 0;
        int transposeDiatonic = 0;
        std::map<std::pair<int, int>, std::size_t> openTies; // (staff, key) -> note
        // Tie ends read before their start: a tie into a voice written earlier in the measure,
        // which a backup puts first in the file. (staff, key) -> note
        std::map<std::pair<int, int>, std::size_t> earlyStops;
        std::map<std::pair<int, int>, std::vector<std::size_t>> pendingGraces; // (staff, voice)
        std::vector<NoteRecord> notes;
        std::vector<GraceRecord> graces;
        std::map<std::pair<int, int>, std::size_t> openTuplets; // (staff, voice) -> tuplet
        std::vector<TupletRecord> tuplets;
        // Lines open by number (slurs, glissandi), by voice (beams), and those made.
        std::map<int, std::size_t> openSlurs;
        std::map<int, std::size_t> openGlissandi;
        // (staff, voice, level)
        std::map<std::tuple<int, int, int>, std::vector<std::size_t>> openBeams;
        std::vector<LineRecord> slurs;
        std::vector<LineRecord> glissandi;
        std::vector<BeamRecord> beams;
        // Numbers of the glissandi a grace note started: the document's glissandi join notes,
        // and end with nothing at their stop.
        std::set<int> graceGlissandi;
        // Slur ends on the grace notes waiting for their note, per (staff, voice): number,
        // whether it starts one, which grace note of the note's it is on, and its line.
        std::map<std::pair<int, int>, std::vector<std::tuple<int, bool, std::size_t, std::size_t>>>
            graceSlurs;
        // Open slurs (by number) that started on a grace note.
        std::set<int> slursFromGraces;
    };

    void ReadPart(pugi::xml_node node, const Part& part) {
        PartState state;
        const PartInfo& info = m_partInfo[part.id];
        std::size_t index = 0;
        for (pugi::xml_node measure : node.children()) {
            if (std::strcmp(measure.name(), "measure") != 0) {
                if (measure.type() == pugi::node_element) {
                    Lost(measure);
                }
                continue;
            }
            ReadMeasure(measure, index, part, info, state);
            ++index;
            if (++m_progressDone % 64 == 0 && m_options.progress) {
                m_options.progress(m_progressDone, m_progressTotal);
            }
        }
        for (const auto& [voice, graces] : state.pendingGraces) {
            for (const std::size_t grace : graces) {
                if (m_strayGraces.count++ == 0) {
                    m_strayGraces.line = state.graces[grace].line;
                }
            }
        }
        for (const auto* open : {&state.openSlurs, &state.openGlissandi}) {
            for (const auto& [number, note] : *open) {
                Note(m_strayLines, state.notes[note].marks.line);
            }
        }
        for (const auto& [voice, beam] : state.openBeams) {
            Note(m_strayLines, state.notes[beam.front()].marks.line);
        }
        for (const auto& [voice, ends] : state.graceSlurs) {
            for (const auto& end : ends) {
                Note(m_strayLines, std::get<3>(end));
            }
        }
        BuildNotes(part, state);
        for (int s = 0; s < part.staves; ++s) {
            CloseMarks(Staff(part, s + 1));
        }
    }

    StaffState& Staff(const Part& part, int staff) {
        const int clamped = std::clamp(staff, 1, part.staves);
        return m_staves[static_cast<std::size_t>(part.firstStaff + clamped - 2)];
    }

    int StaffOf(pugi::xml_node item, const Part& part) {
        const int staff = Int(item.child("staff"), 1);
        if (staff < 1 || staff > part.staves) {
            Note(m_badStaff, item);
            return 1;
        }
        return staff;
    }

    int VoiceOf(pugi::xml_node item, StaffState& staff) {
        const std::string name = Trim(item.child_value("voice"));
        auto found = staff.voices.find(name);
        if (found != staff.voices.end()) {
            return found->second;
        }
        int voice = static_cast<int>(staff.voices.size());
        if (voice > kMaxVoice) {
            Note(m_manyVoices, item);
            voice = kMaxVoice;
        }
        staff.voices.emplace(name, voice);
        return voice;
    }

    void ReadMeasure(pugi::xml_node measure, std::size_t index, const Part& part,
                     const PartInfo& info, PartState& state) {
        const Rational start = m_layout[index].start;
        Rational cursor{0, 1};
        Rational last{0, 1};
        for (pugi::xml_node item : measure.children()) {
            const std::string_view name = item.name();
            if (name == "note") {
                ReadNote(item, index, start, cursor, last, part, info, state);
            } else if (name == "backup" || name == "forward") {
                pugi::xml_node d = item.child("duration");
                if (!d) {
                    continue;
                }
                const Rational length = Duration(d, state.divisions);
                if (name == "forward") {
                    cursor = Add(cursor, length, d);
                } else {
                    cursor = Sub(cursor, length, d);
                    if (cursor.num < 0) {
                        Note(m_earlyBackups, item);
                        cursor = {0, 1};
                    }
                }
            } else if (name == "attributes") {
                ReadAttributes(item, index, Add(start, cursor, item), part, state);
            } else if (name == "direction") {
                ReadDirection(item, Add(start, Offset(item, state, cursor), item), part);
            } else if (name == "harmony") {
                ReadHarmony(item, index, Add(start, Offset(item, state, cursor), item), part);
            } else if (name == "sound") {
                m_flowInDirection = false;
                ReadSound(item, Add(start, cursor, item), {}, part);
            } else if (name == "barline") {
                ReadBarline(item, index, part);
            } else if (item.type() == pugi::node_element) {
                Lost(item);
            }
        }
    }

    Rational Offset(pugi::xml_node item, const PartState& state, const Rational& cursor) {
        pugi::xml_node offset = item.child("offset");
        if (!offset) {
            return cursor;
        }
        if (!state.divisions) {
            Fail(offset, "an offset before any divisions were given");
        }
        auto value = Rational::Div(Number(offset, "the offset"), *state.divisions);
        if (!value) {
            Fail(offset, "an offset this import cannot count");
        }
        const Rational at = Add(cursor, *value, offset);
        return at.num < 0 ? Rational{0, 1} : at;
    }

    void ReadAttributes(pugi::xml_node node, std::size_t index, const Rational& time,
                        const Part& part, PartState& state) {
        for (pugi::xml_node child : node.children()) {
            const std::string_view name = child.name();
            if (name == "key") {
                ReadKey(child, index, time, part);
            } else if (name == "clef") {
                ReadClef(child, index, time, part);
            } else if (name == "divisions") {
                state.divisions = Number(child, "the divisions");
            } else if (name == "transpose") {
                state.transposeChromatic = Int(child.child("chromatic"), 0) +
                                           12 * Int(child.child("octave-change"), 0) -
                                           (child.child("double") ? 12 : 0);
                state.transposeDiatonic = Int(child.child("diatonic"), 0) +
                                          7 * Int(child.child("octave-change"), 0) -
                                          (child.child("double") ? 7 : 0);
                for (const int staff : StavesNamed(child, part)) {
                    Transpose(Staff(part, staff), TransposeInstrument, time,
                              state.transposeChromatic, child);
                }
            } else if (name == "staves" || name == "time") {
                // Read in the first pass.
            } else if (child.type() == pugi::node_element) {
                Lost(child);
            }
        }
    }

    // The staves of a part an attribute with a staff number names: that one, or all.
    std::vector<int> StavesNamed(pugi::xml_node node, const Part& part) {
        std::vector<int> staves;
        if (pugi::xml_attribute number = node.attribute("number")) {
            const int staff = Int(number, 0);
            if (staff < 1 || staff > part.staves) {
                Note(m_badStaff, node);
                staves.push_back(1);
            } else {
                staves.push_back(staff);
            }
        } else {
            for (int s = 1; s <= part.staves; ++s) {
                staves.push_back(s);
            }
        }
        return staves;
    }

    // The measure a mark at `time` goes to: the one it is read in, or a later one when the
    // mark stands at or after its end (a clef for the next measure, written before the
    // bar line).
    std::size_t MeasureAt(std::size_t index, const Rational& time) const {
        while (index + 2 < m_layout.size() && m_layout[index + 1].start <= time) {
            ++index;
        }
        return index;
    }

    // A key or clef for one hand of a staff at a time, held (m_loose) until a measure takes
    // it. Of several there the last read holds.
    template <class Mark>
    void PlaceMark(std::map<std::pair<int, Rational>, Mark*>& placed, Mark* mark, std::size_t index,
                   const Rational& time, const StaffState& staff) {
        Timed(mark, Float(time), 15, staff.number);
        Mark*& slot = placed[{staff.number, time}];
        if (slot != nullptr) {
            *slot = *mark; // the same time and staff: only the value changes
            m_loose.Drop(mark);
            return;
        }
        ECMeasure* measure =
            m_conductor->GetMeasure(staff.number, static_cast<int>(MeasureAt(index, time)) + 1);
        if (measure == nullptr) {
            m_loose.Drop(mark);
            return;
        }
        m_loose.Link(measure, mark, 1);
        slot = mark;
    }

    // Bar styles (the first part's: the document's barlines are the whole score's), repeats
    // (in every staff of the part, at the start of the measure whichever end they mark) and
    // the starts of endings (the first part's). An ending lasts one measure in the document.
    void ReadBarline(pugi::xml_node node, std::size_t index, const Part& part) {
        const std::string_view location = node.attribute("location").as_string("right");
        const std::uint8_t position = location == "left"     ? BarlineAtStart
                                      : location == "middle" ? BarlineInside
                                                             : BarlineAtEnd;
        const bool first = &part == &m_parts.front();
        const float start = Float(m_layout[index].start);
        for (pugi::xml_node child : node.children()) {
            const std::string_view name = child.name();
            if (name == "bar-style") {
                const int type = musicxml::BarStyleIndex(Trim(child.child_value()));
                if (type < 0) {
                    Note(m_lost["<bar-style> " + Trim(child.child_value())], child);
                } else if (first) {
                    auto* barline = m_loose.Hold(new ECBarline);
                    barline->SetBarlineType(static_cast<std::uint8_t>(type));
                    barline->SetBarlinePos(position);
                    m_loose.Link(m_conductor->GetMeasure(0, static_cast<int>(index) + 1), barline,
                                 1);
                    ++m_report.barlines;
                }
            } else if (name == "repeat") {
                const std::string_view direction = child.attribute("direction").as_string();
                if (direction != "forward" && direction != "backward") {
                    Lost(child);
                    continue;
                }
                if (child.attribute("times") && Int(child.attribute("times"), 2) != 2) {
                    Note(m_repeatTimes, child);
                }
                for (int s = 1; s <= part.staves; ++s) {
                    const StaffState& staff = Staff(part, s);
                    auto* repeat =
                        Timed(m_loose.Hold(new ECRepeat(direction == "forward" ? RepeatForward
                                                                               : RepeatBackward)),
                              start, 15, staff.number);
                    m_loose.Link(m_conductor->GetMeasure(staff.number, static_cast<int>(index) + 1),
                                 repeat, 1);
                    ++m_report.repeats;
                }
            } else if (name == "ending") {
                Ending(child, index, first);
            } else if (child.type() == pugi::node_element) {
                Lost(child);
            }
        }
    }

    void Ending(pugi::xml_node node, std::size_t index, bool first) {
        if (!first) {
            return;
        }
        const std::string_view type = node.attribute("type").as_string();
        if (type != "start") {
            if (m_openEnding && *m_openEnding != index) {
                Note(m_longEndings, node);
            }
            m_openEnding.reset();
            return;
        }
        // "1, 2": an ending for several passes; the document keeps one number.
        const std::string numbers = Trim(node.attribute("number").as_string());
        const std::size_t comma = std::min(numbers.find_first_of(", "), numbers.size());
        const std::string head = numbers.substr(0, comma);
        char* end = nullptr;
        const long number =
            head.empty() || head.size() > 9 ? 0 : std::strtol(head.c_str(), &end, 10);
        if (number < 1 || end == nullptr || *end != '\0') {
            Lost(node);
            return;
        }
        if (numbers.find_first_not_of(", ", comma) != std::string::npos) {
            Note(m_manyPassEndings, node);
        }
        auto* ending =
            Timed(m_loose.Hold(new ECFlowControl(FlowEnding)), Float(m_layout[index].start), 15, 0);
        ending->SetEndingNumber(static_cast<int>(number));
        m_loose.Link(m_conductorStaff, ending, 1);
        m_openEnding = index;
        ++m_report.endings;
    }

    // A key signature: sharps or flats, major or minor. Modes the document has no bit for
    // are kept as major; keys MusicXML spells note by note (key-step, key-alter) have no
    // sharps or flats count and are left out.
    void ReadKey(pugi::xml_node node, std::size_t index, const Rational& time, const Part& part) {
        pugi::xml_node fifths = node.child("fifths");
        if (!fifths) {
            Note(m_lost["<key> without <fifths> (a key spelled note by note)"], node);
            return;
        }
        const int value = Int(fifths, kMostFifths + 1);
        if (value < -kMostFifths || value > kMostFifths) {
            Note(m_badKeys, node);
            return;
        }
        const std::string mode = Trim(node.child_value("mode"));
        std::uint8_t bit = kMajor;
        if (mode == "minor") {
            bit = kMinor;
        } else if (!mode.empty() && mode != "major" && mode != "none") {
            Note(m_otherModes, node);
        }
        for (pugi::xml_node child : node.children()) {
            const std::string_view name = child.name();
            if (name != "fifths" && name != "mode" && name != "cancel" &&
                child.type() == pugi::node_element) {
                Lost(child);
            }
        }
        for (const int staff : StavesNamed(node, part)) {
            auto* key =
                m_loose.Hold(new ECKey(static_cast<std::uint8_t>(std::max(value, 0)),
                                       static_cast<std::uint8_t>(std::max(-value, 0)), bit));
            PlaceMark(m_keysPlaced, key, index, time, Staff(part, staff));
            ++m_report.keys;
        }
    }

    // A clef, as the type ClefType numbers it.
    void ReadClef(pugi::xml_node node, std::size_t index, const Rational& time, const Part& part) {
        const std::string sign = Trim(node.child_value("sign"));
        const int line = Int(node.child("line"), 0);
        const int octave = Int(node.child("clef-octave-change"), 0);
        const auto type = ClefTypeOf(sign.c_str(), line, octave);
        if (!type) {
            Note(m_badClefs, node);
            return;
        }
        for (pugi::xml_node child : node.children()) {
            const std::string_view name = child.name();
            if (name != "sign" && name != "line" && name != "clef-octave-change" &&
                child.type() == pugi::node_element) {
                Lost(child);
            }
        }
        for (const int staff : StavesNamed(node, part)) {
            PlaceMark(m_clefsPlaced, m_loose.Hold(new ECClef(*type)), index, time,
                      Staff(part, staff));
            ++m_report.clefs;
        }
    }

    // A written pitch, and how it sounds in a transposed part.
    bool Sounding(const PartState& state, musicxml::Spelling written, int& key, int& alter) {
        auto writtenKey = musicxml::KeyOf(written);
        if (!writtenKey) {
            return false;
        }
        key = *writtenKey + state.transposeChromatic;
        alter = written.alter;
        if (key < 0 || key > 127) {
            return false;
        }
        if (state.transposeChromatic != 0) {
            int step = written.step + state.transposeDiatonic;
            int octave = written.octave + (step >= 0 ? step / 7 : (step - 6) / 7);
            step = ((step % 7) + 7) % 7;
            auto natural = musicxml::KeyOf({step, 0, octave});
            alter = natural ? key - *natural : 99;
            if (alter < -2 || alter > 2) {
                alter = DCNote::AutoSpelling;
            }
        }
        return true;
    }

    void ReadNote(pugi::xml_node item, std::size_t index, const Rational& measureStart,
                  Rational& cursor, Rational& last, const Part& part, const PartInfo& info,
                  PartState& state) {
        const int staffNumber = StaffOf(item, part);
        StaffState& staff = Staff(part, staffNumber);
        const int voice = VoiceOf(item, staff);
        const bool grace = static_cast<bool>(item.child("grace"));
        const bool chord = static_cast<bool>(item.child("chord"));
        const bool cue = static_cast<bool>(item.child("cue"));
        pugi::xml_node d = item.child("duration");
        const Rational length = d && !grace ? Duration(d, state.divisions) : Rational{0, 1};
        Rational at = cursor;
        if (chord) {
            at = last;
        } else if (!grace) {
            last = cursor;
            cursor = Add(cursor, length, item);
        }
        const Rational start = Add(measureStart, at, item);

        // What the element names that the document keeps, and what it does not.
        bool tieStart = false;
        bool tieStop = false;
        bool tieElements = false;
        bool tupletStart = false;
        bool tupletStop = false;
        NoteMarks marks;
        marks.line = Line(item);
        for (pugi::xml_node child : item.children()) {
            const std::string_view name = child.name();
            if (name == "tie") {
                tieElements = true;
                const std::string_view type = child.attribute("type").as_string();
                tieStart = tieStart || type == "start";
                tieStop = tieStop || type == "stop";
            } else if (name == "notations") {
                for (pugi::xml_node notation : child.children()) {
                    if (std::strcmp(notation.name(), "tied") == 0) {
                        continue;
                    }
                    if (std::strcmp(notation.name(), "tuplet") == 0) {
                        const std::string_view type = notation.attribute("type").as_string();
                        tupletStart = tupletStart || type == "start";
                        tupletStop = tupletStop || type == "stop";
                        continue;
                    }
                    if (notation.type() == pugi::node_element) {
                        ReadNotation(notation, marks);
                    }
                }
            } else if (name == "beam") {
                const int level = Int(child.attribute("number"), 1);
                if (level >= 1 && level <= kBeamLevels) {
                    marks.beams.emplace_back(level, Trim(child.child_value()));
                } else {
                    Note(m_lost["<beam> of a level beyond 8"], child);
                }
            } else if (name == "lyric") {
                // Below, once the note is placed.
            } else if (name != "pitch" && name != "rest" && name != "unpitched" &&
                       name != "duration" && name != "voice" && name != "type" && name != "dot" &&
                       name != "staff" && name != "chord" && name != "grace" &&
                       name != "instrument" && name != "time-modification" && name != "cue" &&
                       name != "stem" && child.type() == pugi::node_element) {
                Lost(child);
            }
        }
        if (!tieElements) {
            for (pugi::xml_node tied : item.child("notations").children("tied")) {
                const std::string_view type = tied.attribute("type").as_string();
                tieStart = tieStart || type == "start";
                tieStop = tieStop || type == "stop";
            }
        }
        ReadLyrics(item, index, start, staff);
        const std::pair<int, int> voiceKey{staffNumber, voice};
        std::size_t tuplet = kNoNote;
        if (!grace && !cue) {
            // A chord's notes are under its first note's bracket, whatever they say.
            tuplet = Bracket(item, voiceKey, tupletStart && !chord, tupletStop && !chord, state);
        }
        if (cue) {
            // A cue note is shown, not played: the document has no silent notes.
            Note(m_cueNotes, item);
            return;
        }
        if (item.child("rest")) {
            if (!marks.beams.empty()) {
                Note(m_beamedRests, item);
            }
            if (!grace && length.num > 0) {
                AddRests(item, index, start, length, voice, staff);
            }
            return;
        }
        int key = 0;
        int alter = 0;
        if (pugi::xml_node pitch = item.child("pitch")) {
            musicxml::Spelling written;
            written.step = musicxml::StepIndex(Trim(pitch.child_value("step")));
            auto alteration = Rational::Parse(pitch.child_value("alter"));
            written.alter =
                alteration && alteration->den == 1 ? static_cast<int>(alteration->num) : 0;
            if (alteration && alteration->den != 1) {
                Note(m_microtones, pitch);
            }
            written.octave = Int(pitch.child("octave"), 99);
            if (!Sounding(state, written, key, alter)) {
                Note(m_badPitches, pitch);
                return;
            }
        } else if (pugi::xml_node unpitched = item.child("unpitched")) {
            auto instrument =
                info.instruments.find(item.child("instrument").attribute("id").as_string());
            if (instrument != info.instruments.end() && instrument->second.unpitched >= 0) {
                key = instrument->second.unpitched;
            } else if (auto first = info.instruments.begin(); first != info.instruments.end() &&
                                                              first->second.unpitched >= 0 &&
                                                              !item.child("instrument")) {
                key = first->second.unpitched;
            } else {
                musicxml::Spelling display{
                    musicxml::StepIndex(Trim(unpitched.child_value("display-step"))), 0,
                    Int(unpitched.child("display-octave"), 99)};
                auto displayed = musicxml::KeyOf(display);
                if (!displayed) {
                    Note(m_badPitches, unpitched);
                    return;
                }
                key = *displayed;
            }
            alter = DCNote::AutoSpelling;
        } else {
            Note(m_badPitches, item);
            return;
        }
        const std::uint8_t velocity = Velocity(item, staff);
        if (grace) {
            GraceRecord record{Line(item), key, alter, velocity, GraceLength(item), chord, {}};
            GraceMarks(item, marks, record, voiceKey, state);
            state.pendingGraces[voiceKey].push_back(state.graces.size());
            state.graces.push_back(record);
            return;
        }
        if (length.num == 0) {
            Note(m_lengthless, item);
            return;
        }
        const std::pair<int, int> tieKey{staffNumber, key};
        std::size_t tiedFrom = kNoNote;
        if (tieStop) {
            auto open = state.openTies.find(tieKey);
            if (open != state.openTies.end()) {
                const NoteRecord& earlier = state.notes[open->second];
                if (Add(earlier.start, earlier.duration, item) == start) {
                    tiedFrom = open->second;
                } else {
                    Note(m_looseTies, item);
                }
                state.openTies.erase(open);
            } else {
                state.earlyStops[tieKey] = state.notes.size();
            }
        }
        NoteRecord record{start,    length, index,           staffNumber, voice,
                          key,      alter,  velocity,        chord,       {},
                          tiedFrom, tuplet, std::move(marks)};
        auto pending = state.pendingGraces.find(voiceKey);
        if (pending != state.pendingGraces.end()) {
            record.graces = std::move(pending->second);
            state.pendingGraces.erase(pending);
        }
        if (tieStart) {
            // A note that both ends and starts a tie has filed its own early stop just
            // above; that entry waits for an earlier note and is not yet in the list.
            auto early = state.earlyStops.find(tieKey);
            if (early != state.earlyStops.end() && early->second < state.notes.size() &&
                state.notes[early->second].start == Add(start, length, item)) {
                state.notes[early->second].tiedFrom = state.notes.size();
                state.earlyStops.erase(early);
            } else {
                state.openTies[tieKey] = state.notes.size();
            }
        }
        Lines(record, voiceKey, state);
        state.notes.push_back(std::move(record));
    }

    // The marks of the notations element `node` of a note: modifiers, arpeggios, and the
    // ends of slurs and glissandi.
    void ReadNotation(pugi::xml_node node, NoteMarks& marks) {
        static const std::pair<const char*, AccentType> kArticulations[] = {
            {"accent", AccentAccent},
            {"strong-accent", AccentStrong},
            {"staccato", AccentStaccato},
            {"tenuto", AccentTenuto},
            {"detached-legato", AccentDetachedLegato},
            {"staccatissimo", AccentStaccatissimo},
            {"spiccato", AccentSpiccato},
            {"stress", AccentStress},
            {"unstress", AccentUnstress},
            {"soft-accent", AccentSoft}};
        static const std::tuple<const char*, int, std::uint8_t> kOrnaments[] = {
            {"turn", EventId::Turn, TurnNormal},
            {"inverted-turn", EventId::Turn, TurnInverted},
            {"delayed-turn", EventId::Turn, TurnDelayed},
            {"delayed-inverted-turn", EventId::Turn, TurnDelayedInverted},
            {"vertical-turn", EventId::Turn, TurnVertical},
            {"mordent", EventId::Mordent, MordentLower},
            {"inverted-mordent", EventId::Mordent, MordentUpper},
            {"shake", EventId::Ornament, OrnamentShake},
            {"schleifer", EventId::Ornament, OrnamentSchleifer},
            {"haydn", EventId::Ornament, OrnamentHaydn}};
        const std::string_view name = node.name();
        if (name == "slur" || name == "glissando" || name == "slide") {
            const std::string_view type = node.attribute("type").as_string();
            if (type == "start" || type == "stop") {
                (name == "slur" ? marks.slurs : marks.glissandi)
                    .emplace_back(Int(node.attribute("number"), 1), type == "start");
            }
        } else if (name == "articulations") {
            for (pugi::xml_node mark : node.children()) {
                const auto* found = std::find_if(
                    std::begin(kArticulations), std::end(kArticulations), [&](const auto& known) {
                        return mark.name() == std::string_view(known.first);
                    });
                if (found != std::end(kArticulations)) {
                    marks.modifiers.emplace_back(EventId::Accent, found->second);
                } else if (mark.type() == pugi::node_element) {
                    Lost(mark);
                }
            }
        } else if (name == "fermata") {
            const std::string shape = Trim(node.child_value());
            if (shape.empty() || shape == "normal") {
                marks.modifiers.emplace_back(EventId::Accent, AccentFermata);
            } else if (shape == "angled") {
                marks.modifiers.emplace_back(EventId::Accent, AccentFermataShort);
            } else if (shape == "square") {
                marks.modifiers.emplace_back(EventId::Accent, AccentFermataLong);
            } else {
                Note(m_lost["<fermata> of shape " + shape], node);
            }
        } else if (name == "ornaments") {
            ReadOrnaments(node, marks, kOrnaments);
        } else if (name == "arpeggiate") {
            const std::string_view direction = node.attribute("direction").as_string();
            marks.arpeggio = direction == "up"     ? ArpeggioUp
                             : direction == "down" ? ArpeggioDown
                                                   : ArpeggioPlain;
        } else if (name == "non-arpeggiate") {
            marks.arpeggio = ArpeggioNone;
        } else {
            Lost(node);
        }
    }

    template <class Table>
    void ReadOrnaments(pugi::xml_node node, NoteMarks& marks, const Table& table) {
        const bool line =
            std::any_of(node.children("wavy-line").begin(), node.children("wavy-line").end(),
                        [](pugi::xml_node wavy) {
                            return std::strcmp(wavy.attribute("type").as_string(), "start") == 0;
                        });
        bool trill = false;
        for (pugi::xml_node mark : node.children()) {
            const std::string_view kind = mark.name();
            const auto* found =
                std::find_if(std::begin(table), std::end(table),
                             [&](const auto& known) { return kind == std::get<0>(known); });
            if (found != std::end(table)) {
                marks.modifiers.emplace_back(std::get<1>(*found), std::get<2>(*found));
            } else if (kind == "trill-mark") {
                trill = true;
                marks.modifiers.emplace_back(EventId::Trill, line ? TrillWithLine : TrillMark);
            } else if (kind == "tremolo") {
                const std::string_view type = mark.attribute("type").as_string("single");
                const int strokes = Int(mark, 0);
                const bool between = type == "start" || type == "stop";
                if ((type == "single" || between) && strokes >= 1 &&
                    strokes <= TremoloMostStrokes) {
                    const int base = type == "start"  ? TremoloToNext
                                     : type == "stop" ? TremoloFromPrevious
                                                      : 0;
                    marks.modifiers.emplace_back(EventId::Tremolo,
                                                 static_cast<std::uint8_t>(base + strokes));
                } else {
                    Note(m_lost["<tremolo> " + std::string(type) + " of " +
                                Trim(mark.child_value()) + " strokes"],
                         mark);
                }
            } else if (kind != "wavy-line" && mark.type() == pugi::node_element) {
                Lost(mark);
            }
        }
        if (line && !trill) {
            Note(m_lost["<wavy-line> without <trill-mark>"], node);
        }
    }

    // A grace note keeps its accents; its other modifiers, and the lines from or to it, the
    // document has no place for.
    void GraceMarks(pugi::xml_node item, const NoteMarks& marks, GraceRecord& record,
                    const std::pair<int, int>& voiceKey, PartState& state) {
        for (const auto& [id, type] : marks.modifiers) {
            if (id == EventId::Accent) {
                record.accents.push_back(type);
            } else {
                Note(m_graceModifiers, item);
            }
        }
        if (marks.arpeggio) {
            Note(m_graceModifiers, item);
        }
        for (const auto& [number, start] : marks.glissandi) {
            if (start) {
                state.graceGlissandi.insert(number);
                Note(m_graceLines, item);
            } else if (state.openGlissandi.erase(number) != 0) {
                Note(m_graceLines, item);
            }
        }
        // A slur's end on a grace note waits for the note the grace note hangs under.
        auto waiting = state.pendingGraces.find(voiceKey);
        const std::size_t place = waiting == state.pendingGraces.end() ? 0 : waiting->second.size();
        for (const auto& [number, start] : marks.slurs) {
            state.graceSlurs[voiceKey].emplace_back(number, start, place, record.line);
        }
    }

    // The ends of slurs, glissandi and beams on a note about to be filed: first the slurs
    // its grace notes start or end, in their order, then its own. A note that ends a slur and
    // starts one ends the first.
    void Lines(const NoteRecord& record, const std::pair<int, int>& voiceKey, PartState& state) {
        const std::size_t self = state.notes.size();
        if (auto graces = state.graceSlurs.find(voiceKey); graces != state.graceSlurs.end()) {
            for (const auto& [number, start, place, line] : graces->second) {
                // The document knows a slur from its note's first grace note or to its last.
                if (start ? place != 0 : place + 1 != record.graces.size()) {
                    Note(m_movedGraceSlurs, line);
                }
                if (start) {
                    OpenSlur(number, self, true, line, state);
                } else {
                    CloseSlur(number, self, true, line, state);
                }
            }
            state.graceSlurs.erase(graces);
        }
        for (const bool start : {false, true}) {
            for (const auto& [number, starts] : record.marks.slurs) {
                if (starts != start) {
                    continue;
                }
                if (start) {
                    OpenSlur(number, self, false, record.marks.line, state);
                } else {
                    CloseSlur(number, self, false, record.marks.line, state);
                }
            }
            for (const auto& [number, starts] : record.marks.glissandi) {
                if (starts != start) {
                    continue;
                }
                auto& open = state.openGlissandi;
                if (start) {
                    if (open.count(number) != 0) {
                        Note(m_strayLines, record.marks.line); // one that never ended
                    }
                    open[number] = self;
                } else if (auto found = open.find(number); found != open.end()) {
                    state.glissandi.push_back({found->second, self, record.marks.line});
                    open.erase(found);
                } else if (state.graceGlissandi.erase(number) == 0) {
                    Note(m_strayLines, record.marks.line);
                }
            }
        }
        if (record.chord) {
            return;
        }
        const bool begins =
            std::find(record.marks.beams.begin(), record.marks.beams.end(),
                      std::make_pair(1, std::string("begin"))) != record.marks.beams.end();
        for (const auto& [level, value] : record.marks.beams) {
            const auto key = std::make_tuple(voiceKey.first, voiceKey.second, level);
            auto open = state.openBeams.find(key);
            if (value == "forward hook" || value == "backward hook") {
                if (level == 1) {
                    Note(m_lost["<beam> hook of level 1"], record.marks.line);
                    continue;
                }
                // A hook points forward from the first note of a beam and back elsewhere.
                if ((value == "forward hook") != begins) {
                    Note(m_turnedHooks, record.marks.line);
                }
                state.beams.push_back({level, {self}});
            } else if (value == "begin") {
                if (open != state.openBeams.end()) {
                    Note(m_strayLines, record.marks.line); // a beam that never ended
                }
                state.openBeams[key] = {self};
            } else if (open == state.openBeams.end()) {
                if (value == "continue" || value == "end") {
                    Note(m_strayLines, record.marks.line);
                }
            } else if (value == "continue") {
                open->second.push_back(self);
            } else if (value == "end") {
                open->second.push_back(self);
                state.beams.push_back({level, std::move(open->second)});
                state.openBeams.erase(open);
            }
        }
    }

    void OpenSlur(int number, std::size_t note, bool fromGrace, std::size_t line,
                  PartState& state) {
        if (state.openSlurs.count(number) != 0) {
            Note(m_strayLines, line); // one that never ended
        }
        state.openSlurs[number] = note;
        if (fromGrace) {
            state.slursFromGraces.insert(number);
        } else {
            state.slursFromGraces.erase(number);
        }
    }

    void CloseSlur(int number, std::size_t note, bool toGrace, std::size_t line, PartState& state) {
        auto found = state.openSlurs.find(number);
        if (found == state.openSlurs.end()) {
            Note(m_strayLines, line);
            return;
        }
        state.slurs.push_back(
            {found->second, note, line, state.slursFromGraces.erase(number) != 0, toGrace});
        state.openSlurs.erase(found);
    }

    static void Note(Issue& issue, std::size_t line) {
        if (issue.count++ == 0) {
            issue.line = line;
        }
    }

    // The tuplet bracket a note of a voice is under, opening or closing one as the note
    // says. The ratio is the time modification of the note that opens it, the unit value its
    // normal type, else its type. A bracket inside another is left out (the document nests
    // none); the notes keep their lengths either way.
    std::size_t Bracket(pugi::xml_node item, const std::pair<int, int>& voiceKey, bool start,
                        bool stop, PartState& state) {
        auto open = state.openTuplets.find(voiceKey);
        if (start && open != state.openTuplets.end()) {
            Note(m_nestedTuplets, item);
        } else if (start) {
            pugi::xml_node modification = item.child("time-modification");
            const int actual = Int(modification.child("actual-notes"), 0);
            const int normal = Int(modification.child("normal-notes"), 0);
            std::string unit = Trim(modification.child_value("normal-type"));
            if (unit.empty()) {
                unit = Trim(item.child_value("type"));
            }
            const int index = musicxml::NoteValueIndex(unit);
            if (actual < 1 || actual > 255 || normal < 1 || normal > 255 ||
                index < musicxml::kQuarterIndex - 5 || index > musicxml::kQuarterIndex + 2) {
                Note(m_badTuplets, item);
            } else {
                // Unit codes count from the whole note (0) down to the 128th (7).
                const auto units = static_cast<std::uint8_t>(musicxml::kQuarterIndex + 2 - index);
                open = state.openTuplets.emplace(voiceKey, state.tuplets.size()).first;
                state.tuplets.push_back({actual, normal, units, Line(item)});
            }
        }
        if (open == state.openTuplets.end()) {
            return kNoNote;
        }
        const std::size_t tuplet = open->second;
        if (stop) {
            state.openTuplets.erase(open);
        }
        return tuplet;
    }

    // A grace note is its written value long (an eighth when it names none).
    Rational GraceLength(pugi::xml_node item) {
        const int index = musicxml::NoteValueIndex(Trim(item.child_value("type")));
        int dots = 0;
        for (pugi::xml_node dot = item.child("dot"); dot; dot = dot.next_sibling("dot")) {
            ++dots;
        }
        return musicxml::NoteValueLength(index >= 0 ? index : musicxml::kQuarterIndex - 1,
                                         std::min(dots, 3));
    }

    std::uint8_t Velocity(pugi::xml_node item, const StaffState& staff) {
        pugi::xml_attribute dynamics = item.attribute("dynamics");
        if (dynamics) {
            const double percent = dynamics.as_double(-1.0);
            if (percent >= 0.0 && std::isfinite(percent)) {
                return static_cast<std::uint8_t>(
                    std::clamp(std::lround(percent * kFullDynamics / 100.0), 1L, 127L));
            }
        }
        return staff.level.value_or(kDefaultVelocity);
    }

    // Rest types for `length`: one when a rest type has it, else the longest plain values
    // in turn; a length that leaves a part no rest type has (in tuplets) is left out.
    void AddRests(pugi::xml_node item, std::size_t index, Rational start, Rational length,
                  int voice, const StaffState& staff) {
        std::vector<std::pair<std::uint8_t, Rational>> rests;
        if (auto plain = musicxml::PlainValue(length);
            plain && plain->dots <= 2 && kRestTypes[plain->index] != 0) {
            const auto type = static_cast<std::uint8_t>(ECRest::GetRestType(
                kRestTypes[plain->index], static_cast<std::uint8_t>(plain->dots)));
            if (ECRest::GetRestDuration(type, 0).GetSeconds() == Float(length)) {
                rests.emplace_back(type, length);
            }
        }
        if (rests.empty()) {
            Rational left = length;
            while (left.num > 0) {
                auto value = musicxml::LongestValueWithin(left);
                while (value && kRestTypes[value->index] == 0 && value->index > 3) {
                    --value->index; // longer than a breve: breves
                }
                if (!value || kRestTypes[value->index] == 0) {
                    Note(m_tupletRests, item);
                    return;
                }
                const Rational piece = musicxml::NoteValueLength(value->index, 0);
                rests.emplace_back(kRestTypes[value->index], piece);
                left = *Rational::Sub(left, piece);
            }
        }
        ECMeasure* measure = m_conductor->GetMeasure(staff.number, static_cast<int>(index) + 1);
        for (const auto& [type, piece] : rests) {
            auto* rest = Timed(m_loose.Hold(new ECRest(type)), Float(start), voice, staff.number);
            m_loose.Link(measure, rest, 1);
            if (DCRest* record = MCStandardRecords::GetRest(rest, m_options.viewCode)) {
                record->SetRestType(type);
            }
            ++m_report.rests;
            start = *Rational::Add(start, piece);
        }
    }

    void ReadLyrics(pugi::xml_node item, std::size_t index, const Rational& start,
                    const StaffState& staff) {
        int order = 0;
        for (pugi::xml_node lyric : item.children("lyric")) {
            std::string text;
            std::string syllabic;
            for (pugi::xml_node child : lyric.children()) {
                const std::string_view name = child.name();
                if (name == "text") {
                    text += child.child_value();
                } else if (name == "elision") {
                    text += child.child_value()[0] != '\0' ? child.child_value() : " ";
                } else if (name == "syllabic") {
                    if (syllabic.empty()) {
                        syllabic = Trim(child.child_value());
                    }
                } else if (child.type() == pugi::node_element) {
                    Lost(child);
                }
            }
            ++order;
            if (text.empty()) {
                continue;
            }
            const int number = Int(lyric.attribute("number"), order);
            auto* element =
                Timed(m_loose.Hold(new ECLyric(CString(text))), Float(start), 15, staff.number);
            element->SetVerse(std::clamp(number - 1, 0, 63));
            element->SetAuxType(syllabic == "begin"    ? 1
                                : syllabic == "middle" ? 2
                                : syllabic == "end"    ? 3
                                                       : 0);
            m_loose.Link(m_conductor->GetMeasure(staff.number, static_cast<int>(index) + 1),
                         element, 1);
            ++m_report.lyrics;
        }
    }

    static int Int(pugi::xml_attribute attribute, int fallback) {
        if (!attribute) {
            return fallback;
        }
        const std::string text = Trim(attribute.as_string());
        char* end = nullptr;
        const long value =
            text.empty() || text.size() > 9 ? 0 : std::strtol(text.c_str(), &end, 10);
        return end != nullptr && *end == '\0' ? static_cast<int>(value) : fallback;
    }

    // The notes of a part, in the measures they start in; a part's chords of one voice as
    // ECChord elements.
    void BuildNotes(const Part& part, PartState& state) {
        std::vector<std::size_t> order(state.notes.size());
        for (std::size_t i = 0; i < order.size(); ++i) {
            order[i] = i;
        }
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            const NoteRecord& x = state.notes[a];
            const NoteRecord& y = state.notes[b];
            if (x.staff != y.staff) {
                return x.staff < y.staff;
            }
            if (x.voice != y.voice) {
                return x.voice < y.voice;
            }
            return x.start < y.start;
        });
        std::vector<ECNote*> made(state.notes.size(), nullptr);
        // The chord a note is in (null when none), and where it stands in `order`.
        std::vector<ECChord*> chords(state.notes.size(), nullptr);
        std::vector<std::size_t> position(state.notes.size(), 0);
        std::vector<std::pair<ECTuplet*, ECMeasure*>> tuplets(state.tuplets.size());
        for (std::size_t i = 0; i < order.size();) {
            std::size_t j = i + 1;
            const NoteRecord& head = state.notes[order[i]];
            while (j < order.size() && state.notes[order[j]].staff == head.staff &&
                   state.notes[order[j]].voice == head.voice &&
                   state.notes[order[j]].start == head.start) {
                ++j;
            }
            StaffState& staff = Staff(part, head.staff);
            ECMeasure* measure =
                m_conductor->GetMeasure(staff.number, static_cast<int>(head.measure) + 1);
            ECBase* parent = measure;
            const float time = Float(head.start);
            ECBase* holder = measure;
            if (head.tuplet != kNoNote) {
                auto& [tuplet, home] = tuplets[head.tuplet];
                if (tuplet == nullptr) {
                    const TupletRecord& ratio = state.tuplets[head.tuplet];
                    tuplet = Timed(m_loose.Hold(new ECTuplet(
                                       static_cast<std::uint8_t>(ratio.actual),
                                       static_cast<std::uint8_t>(ratio.normal), ratio.units)),
                                   time, head.voice, staff.number);
                    m_loose.Link(measure, tuplet, 1);
                    home = measure;
                    ++m_report.tuplets;
                }
                if (home == measure) {
                    holder = tuplet;
                    parent = tuplet;
                } else {
                    // A tuplet lives in one measure: what lies past its bar line stays out.
                    if (m_splitTuplets.count++ == 0) {
                        m_splitTuplets.line = state.tuplets[head.tuplet].line;
                    }
                }
            }
            ECChord* chord = nullptr;
            if (j - i > 1) {
                chord = Timed(m_loose.Hold(new ECChord), time, head.voice, staff.number);
                m_loose.Link(holder, chord, 1);
                parent = chord;
                ++m_report.chords;
            }
            for (std::size_t k = i; k < j; ++k) {
                const NoteRecord& record = state.notes[order[k]];
                auto* note = m_loose.Hold(new ECNote(MCTime(time), MCTime(Float(record.duration))));
                note->SetVoiceTrack(record.voice, staff.number);
                m_loose.Link(parent, note, 1);
                Record(note, record.key, record.alter, record.velocity);
                AddGraces(note, record, state);
                AddModifiers(note, chord, record);
                made[order[k]] = note;
                chords[order[k]] = chord;
                position[order[k]] = k;
                ++m_report.notes;
            }
            i = j;
        }
        for (std::size_t n = 0; n < state.notes.size(); ++n) {
            if (state.notes[n].tiedFrom != kNoNote) {
                Tie(Staff(part, state.notes[n].staff), made[state.notes[n].tiedFrom], made[n]);
            }
        }
        // A line joins a note, or the chord it is in.
        auto member = [&](std::size_t n) -> ECBase* {
            return chords[n] != nullptr ? static_cast<ECBase*>(chords[n]) : made[n];
        };
        for (const LineRecord& slur : state.slurs) {
            std::vector<ECBase*> members;
            const NoteRecord& first = state.notes[slur.first];
            const NoteRecord& last = state.notes[slur.last];
            if (first.staff == last.staff && first.voice == last.voice) {
                // Everything of the voice it spans.
                const auto [from, to] = std::minmax(position[slur.first], position[slur.last]);
                for (std::size_t k = from; k <= to; ++k) {
                    if (members.empty() || members.back() != member(order[k])) {
                        members.push_back(member(order[k]));
                    }
                }
            } else {
                members = {member(slur.first), member(slur.last)};
                if (last.start < first.start) {
                    std::swap(members[0], members[1]);
                }
            }
            // The document keeps a slur of two members or more, one of them a note.
            if (members.size() == 1 && slur.fromGrace) {
                Note(m_graceToItsNote, slur.line);
                continue;
            }
            if (members.size() >= 2 &&
                std::none_of(members.begin(), members.end(), [](ECBase* member) {
                    return member->GetEventId() == EventId::Note;
                })) {
                Note(m_slursWithoutNotes, slur.line);
                continue;
            }
            auto* line = m_loose.Hold(new ECSlur);
            // The group types returned are those just set.
            if (slur.fromGrace) {
                (void)line->AddGroupType(SlurFromGrace);
            }
            if (slur.toGrace) {
                (void)line->AddGroupType(SlurToGrace);
            }
            AddLine(line, Staff(part, first.staff), members, slur.line);
        }
        for (const LineRecord& glissando : state.glissandi) {
            std::vector<ECBase*> members{made[glissando.first], made[glissando.last]};
            if (state.notes[glissando.last].start < state.notes[glissando.first].start) {
                std::swap(members[0], members[1]);
            }
            AddLine(m_loose.Hold(new ECGlissando), Staff(part, state.notes[glissando.first].staff),
                    members, glissando.line);
        }
        // The upper levels first: of two beams over the same notes, the earlier in its measure
        // is the upper. A beam below the first may be a hook, of one note.
        std::stable_sort(
            state.beams.begin(), state.beams.end(),
            [](const BeamRecord& a, const BeamRecord& b) { return a.level < b.level; });
        for (const BeamRecord& beam : state.beams) {
            std::vector<ECBase*> members;
            for (const std::size_t n : beam.notes) {
                if (std::find(members.begin(), members.end(), member(n)) == members.end()) {
                    members.push_back(member(n));
                }
            }
            const NoteRecord& first = state.notes[beam.notes.front()];
            AddLine(m_loose.Hold(new ECBeam), Staff(part, first.staff), members, first.marks.line,
                    m_conductor->GetMeasure(Staff(part, first.staff).number,
                                            static_cast<int>(first.measure) + 1),
                    beam.level > 1 ? 1 : 2);
        }
    }

    // A slur, glissando or beam of `members` (in their order) under its staff, or under the
    // measure `home` when given. One that would join fewer than `fewest` is left out.
    void AddLine(ECGroup* line, StaffState& staff, const std::vector<ECBase*>& members,
                 std::size_t where, ECBase* home = nullptr, std::size_t fewest = 2) {
        if (members.size() < fewest || (members.size() == 2 && members[0] == members[1])) {
            m_loose.Drop(line);
            Note(m_shortLines, where);
            return;
        }
        Timed(line, members.front()->GetTime()->GetSeconds(), members.front()->GetVoice(),
              staff.number);
        m_loose.Link((home != nullptr ? home : staff.staff), line, 1);
        for (ECBase* member : members) {
            if (line->AddChild(member, 0) == 0) {
                // A line's kind takes what the import offers it: never.
                line->RemoveChildren(0);
                return;
            }
        }
        switch (line->GetEventId()) {
        case EventId::Slur:
            ++m_report.slurs;
            break;
        case EventId::Glissando:
            ++m_report.glissandi;
            break;
        default:
            ++m_report.beams;
            break;
        }
    }

    // A note's modifiers, and the arpeggio of the chord it is in (the first one read).
    void AddModifiers(ECNote* note, ECChord* chord, const NoteRecord& record) {
        for (const auto& [id, type] : record.marks.modifiers) {
            ECBase* mark = nullptr;
            switch (id) {
            case EventId::Accent:
                mark = m_loose.Hold(new ECAccent(type));
                break;
            case EventId::Trill:
                mark = Timed(m_loose.Hold(new ECTrill(type)), note->GetTime()->GetSeconds(),
                             note->GetVoice(), note->GetTrack());
                break;
            case EventId::Tremolo:
                mark = Timed(m_loose.Hold(new ECTremolo(type)), note->GetTime()->GetSeconds(),
                             note->GetVoice(), note->GetTrack());
                break;
            case EventId::Turn:
                mark = m_loose.Hold(new ECTurn(type));
                break;
            case EventId::Mordent:
                mark = m_loose.Hold(new ECMordent(type));
                break;
            default:
                mark = m_loose.Hold(new ECOrnament(type));
                break;
            }
            // In the order read, which is the order they are written back in.
            m_loose.Link(note, mark, 0);
            ++m_report.modifiers;
        }
        if (!record.marks.arpeggio) {
            return;
        }
        if (chord == nullptr) {
            Note(m_loneArpeggios, record.marks.line);
        } else if (!HasChildOfType(chord, EventId::Arpeggio)) {
            m_loose.Link(chord, m_loose.Hold(new ECArpeggio(*record.marks.arpeggio)), 1);
            ++m_report.modifiers;
        }
    }

    static bool HasChildOfType(ECBase* element, int id) {
        for (ECBase* child : *element->GetChildren()) {
            if (child->GetEventId() == id) {
                return true;
            }
        }
        return false;
    }

    // A tie of two notes of a staff, under the staff.
    void Tie(StaffState& staff, ECNote* first, ECNote* second) {
        auto* tie = Timed(m_loose.Hold(new ECTie), first->GetTime()->GetSeconds(),
                          first->GetVoice(), staff.number);
        m_loose.Link(staff.staff, tie, 1);
        if (tie->AddChild(first, 1) == 0 || tie->AddChild(second, 1) == 0) {
            // Never for notes of one staff; a tie with no note leaves its staff by itself.
            tie->RemoveChildren(0);
            return;
        }
        ++m_report.ties;
    }

    void Record(ECNote* note, int key, int alter, std::uint8_t velocity) {
        if (DCNote* record = MCStandardRecords::GetNote(note, m_options.viewCode)) {
            record->SetPitch(static_cast<std::uint8_t>(key));
            record->SetSpelling(alter);
            record->SetVelocity(velocity);
        }
    }

    // Grace notes end where their note starts, each its written value long, a grace chord
    // sounding together.
    void AddGraces(ECNote* note, const NoteRecord& record, const PartState& state) {
        Rational end = record.start;
        std::vector<std::pair<Rational, const GraceRecord*>> placed;
        for (std::size_t g = record.graces.size(); g-- > 0;) {
            const GraceRecord& grace = state.graces[record.graces[g]];
            Rational start = *Rational::Sub(end, grace.length);
            placed.emplace_back(start, &grace);
            if (!grace.chord) {
                end = start;
            }
        }
        for (auto it = placed.rbegin(); it != placed.rend(); ++it) {
            const float start = std::max(0.0f, Float(it->first));
            auto* element =
                m_loose.Hold(new ECGraceNote(MCTime(start), MCTime(Float(it->second->length))));
            element->SetVoiceTrack(record.voice, note->GetTrack());
            m_loose.Link(note, element, 1);
            Record(element, it->second->key, it->second->alter, it->second->velocity);
            for (const std::uint8_t accent : it->second->accents) {
                m_loose.Link(element, m_loose.Hold(new ECAccent(accent)), 0);
                ++m_report.modifiers;
            }
            ++m_report.graceNotes;
        }
    }

    // ------------------------------------------------------------------ directions

    // Marks go into a "Dynamics" envelope of their staff, hairpins into a "Hairpins" one: a
    // hairpin often starts where a mark stands, and an envelope holds one point per time.
    ECEnvelope* Dynamics(StaffState& staff, bool hairpin) {
        ECEnvelope*& envelope = hairpin ? staff.hairpins : staff.dynamics;
        if (envelope == nullptr) {
            envelope = Timed(m_loose.Hold(new ECEnvelope), 0.0f, 15, staff.number);
            envelope->SetEnvelopeName(CString(hairpin ? "Hairpins" : "Dynamics"));
            envelope->SetDefaultValue(static_cast<float>(kDefaultVelocity));
            m_loose.Link(staff.staff, envelope, 1);
        }
        return envelope;
    }

    ECControllerEnv* Pedals(StaffState& staff) {
        if (staff.pedals == nullptr) {
            staff.pedals = Timed(m_loose.Hold(new ECControllerEnv), 0.0f, 15, staff.number);
            staff.pedals->SetControllerType(kSustainController);
            m_loose.Link(staff.staff, staff.pedals, 1);
        }
        return staff.pedals;
    }

    bool AddPoint(ECEnvelope* envelope, ECEnvPoint* point, pugi::xml_node at) {
        if (envelope->AddChild(point, 1) == 0) {
            m_loose.Drop(point);
            Note(m_crowdedMarks, at);
            return false;
        }
        ++m_report.marks;
        return true;
    }

    void AddDynamic(StaffState& staff, const Rational& time, std::uint8_t type,
                    const std::string& text, float value, const Rational& length,
                    pugi::xml_node at) {
        auto* dynamic = Timed(m_loose.Hold(new ECDynamic(type, MCTime(Float(length)))), Float(time),
                              0, staff.number);
        if (!text.empty()) {
            dynamic->SetText(CString(text));
        }
        dynamic->SetValue(value);
        const bool hairpin = type == kCrescendoWedge || type == kDiminuendoWedge;
        if (AddPoint(Dynamics(staff, hairpin), dynamic, at) && type <= kUserDynamic &&
            ECDynamic::HasDuration(type) == 0) {
            staff.level = static_cast<std::uint8_t>(std::clamp(std::lround(value), 1L, 127L));
        }
    }

    void ReadDirection(pugi::xml_node node, const Rational& time, const Part& part) {
        StaffState& staff = Staff(part, StaffOf(node, part));
        m_flowInDirection = false;
        std::string words;
        std::optional<TempoRecord> tempo;
        pugi::xml_node sound = node.child("sound");
        std::optional<double> dynamicsValue;
        if (sound && sound.attribute("dynamics")) {
            const double percent = sound.attribute("dynamics").as_double(-1.0);
            if (percent >= 0.0 && std::isfinite(percent)) {
                dynamicsValue = std::clamp(percent * kFullDynamics / 100.0, 0.0, 127.0);
            }
        }
        std::vector<pugi::xml_node> texts;
        for (pugi::xml_node child : node.children()) {
            const std::string_view name = child.name();
            if (name == "direction-type") {
                for (pugi::xml_node kind : child.children()) {
                    DirectionType(kind, time, staff, part, words, tempo, texts, dynamicsValue);
                }
            } else if (name != "sound" && name != "offset" && name != "staff" && name != "voice" &&
                       child.type() == pugi::node_element) {
                Lost(child);
            }
        }
        // Words that name a jump or Fine are that flow control.
        std::erase_if(texts, [&](pugi::xml_node text) {
            const std::string said = Trim(text.child_value());
            for (std::uint8_t type = FlowFine; type <= FlowDalSegnoAlCoda; ++type) {
                if (!said.empty() && GetFlowString(type).str() == said) {
                    Flow(type, time, part);
                    return true;
                }
            }
            if (said == musicxml::kToCodaWords) {
                Flow(FlowToCoda, time, part);
                return true;
            }
            return false;
        });
        const bool tempoSound = sound && sound.attribute("tempo");
        if (tempoSound || tempo) {
            TempoRecord record = tempo.value_or(TempoRecord{});
            record.words = words;
            ReadSound(sound, time, record, part);
            return;
        }
        if (sound) {
            ReadSound(sound, time, std::nullopt, part);
        }
        for (pugi::xml_node text : texts) {
            Words(text, time, staff);
        }
    }

    // A flow control of the score, the first part's (the others repeat it).
    void Flow(std::uint8_t type, const Rational& time, const Part& part) {
        m_flowInDirection = true;
        if (&part != &m_parts.front()) {
            return;
        }
        auto* flow = Timed(m_loose.Hold(new ECFlowControl(type)), Float(time), 15, 0);
        m_loose.Link(m_conductorStaff, flow, 1);
        ++m_report.flowControls;
    }

    // An octave sign: a shift "down" of 8 is drawn an octave below how it sounds (8va). The
    // notes keep their pitch, which MusicXML gives as played. Signs that overlap are told apart
    // by number.
    void OctaveShift(pugi::xml_node node, const Rational& time, StaffState& staff) {
        const std::string_view type = node.attribute("type").as_string();
        const int size = Int(node.attribute("size"), 8);
        const int number = std::max(1, Int(node.attribute("number"), 1));
        if (type == "stop") {
            Transpose(staff, TransposeOctaveUp, time, 0, node, number);
            return;
        }
        if ((type != "up" && type != "down") || (size != 8 && size != 15)) {
            if (type != "continue") {
                Note(m_lost["<octave-shift> " + std::string(type) + " of " + std::to_string(size)],
                     node);
            }
            return;
        }
        const bool up = type == "down"; // sounding above the written notes
        const std::uint8_t kind = size == 8
                                      ? (up ? TransposeOctaveUp : TransposeOctaveDown)
                                      : (up ? TransposeTwoOctavesUp : TransposeTwoOctavesDown);
        Transpose(staff, kind, time, (up ? 1 : -1) * (size == 8 ? 12 : 24), node, number);
    }

    void Words(pugi::xml_node text, const Rational& time, StaffState& staff) {
        const std::string words = Trim(text.child_value());
        if (words.empty()) {
            return;
        }
        if (words == "cresc." || words == "decresc." || words == "dim.") {
            const std::uint8_t type = words == "cresc."     ? kCrescendoWords
                                      : words == "decresc." ? kDecrescendoWords
                                                            : kDiminuendoWords;
            AddDynamic(staff, time, type, words, static_cast<float>(GetDynamicValue(type)), {0, 1},
                       text);
            return;
        }
        auto* element = Timed(m_loose.Hold(new ECText(kTextFree, CString(words))), Float(time), 15,
                              staff.number);
        element->SetBold(std::strcmp(text.attribute("font-weight").as_string(), "bold") == 0);
        element->SetItalic(std::strcmp(text.attribute("font-style").as_string(), "italic") == 0);
        m_loose.Link(staff.staff, element, 1);
        ++m_report.texts;
    }

    void DirectionType(pugi::xml_node kind, const Rational& time, StaffState& staff,
                       const Part& part, std::string& words, std::optional<TempoRecord>& tempo,
                       std::vector<pugi::xml_node>& texts,
                       const std::optional<double>& dynamicsValue) {
        const std::string_view name = kind.name();
        if (name == "words") {
            const std::string text = Trim(kind.child_value());
            words += (words.empty() || text.empty() ? "" : " ") + text;
            texts.push_back(kind);
        } else if (name == "dynamics") {
            for (pugi::xml_node mark : kind.children()) {
                if (mark.type() != pugi::node_element) {
                    continue;
                }
                std::string text = mark.name();
                if (text == "other-dynamics") {
                    text = Trim(mark.child_value());
                }
                std::uint8_t type = kUserDynamic;
                for (std::uint8_t level = 0; level <= kLastLevel; ++level) {
                    if (text == musicxml::DynamicName(level)) {
                        type = level;
                    }
                }
                const float value = dynamicsValue ? static_cast<float>(*dynamicsValue)
                                                  : static_cast<float>(GetDynamicValue(type));
                AddDynamic(staff, time, type, type == kUserDynamic ? text : std::string(), value,
                           {0, 1}, mark);
            }
        } else if (name == "wedge") {
            const std::string type = kind.attribute("type").as_string();
            const std::string number = kind.attribute("number").as_string();
            if (type == "crescendo" || type == "diminuendo") {
                staff.wedges[number] = {time,
                                        type == "crescendo" ? kCrescendoWedge : kDiminuendoWedge};
            } else if (type == "stop") {
                auto open = staff.wedges.find(number);
                if (open == staff.wedges.end()) {
                    Note(m_strayStops, kind);
                    return;
                }
                const Rational length = *Rational::Sub(time, open->second.first);
                AddDynamic(staff, open->second.first, open->second.second, {},
                           static_cast<float>(GetDynamicValue(open->second.second)),
                           length.num > 0 ? length : Rational{0, 1}, kind);
                staff.wedges.erase(open);
            }
        } else if (name == "octave-shift") {
            OctaveShift(kind, time, staff);
        } else if (name == "segno" || name == "coda") {
            Flow(name == "segno" ? FlowSegno : FlowCoda, time, part);
        } else if (name == "pedal") {
            const std::string type = kind.attribute("type").as_string();
            if (type == "start") {
                staff.pedalStart = time;
            } else if (type == "stop" || type == "change") {
                if (!staff.pedalStart) {
                    Note(m_strayStops, kind);
                } else {
                    Pedal(staff, *staff.pedalStart, time, type == "stop", kind);
                }
                staff.pedalStart = type == "change" ? std::optional<Rational>(time) : std::nullopt;
                if (type == "change") {
                    Note(m_pedalChanges, kind);
                }
            } else if (type != "continue") {
                Lost(kind);
            }
        } else if (name == "metronome") {
            TempoRecord record;
            const int unit = musicxml::NoteValueIndex(Trim(kind.child_value("beat-unit")));
            int dots = 0;
            for (pugi::xml_node dot = kind.child("beat-unit-dot"); dot;
                 dot = dot.next_sibling("beat-unit-dot")) {
                ++dots;
            }
            const double perMinute = kind.child("per-minute").text().as_double(0.0);
            if (unit >= 0 && perMinute > 0.0 && std::isfinite(perMinute)) {
                record.beat = musicxml::NoteValueLength(unit, std::min(dots, 3)).ToDouble();
                record.perMinute = perMinute * record.beat;
                record.valued = true;
                tempo = record;
            } else {
                Lost(kind);
            }
        } else if (name == "rehearsal") {
            if (&part == &m_parts.front()) {
                const std::string text = Trim(kind.child_value());
                if (!text.empty()) {
                    auto* element = Timed(m_loose.Hold(new ECText(kTextRehearsal, CString(text))),
                                          Float(time), 15, 0);
                    m_loose.Link(m_conductorStaff, element, 1);
                    ++m_report.texts;
                }
            }
        } else if (kind.type() == pugi::node_element) {
            Lost(kind);
        }
    }

    void Pedal(StaffState& staff, const Rational& start, const Rational& end, bool release,
               pugi::xml_node at) {
        const Rational length = *Rational::Sub(end, start);
        auto* down = Timed(m_loose.Hold(new ECPedal(0, MCTime(Float(length)))), Float(start), 0,
                           staff.number);
        down->SetControllerNum(kSustainController);
        down->SetValue(kPedalDown);
        AddPoint(Pedals(staff), down, at);
        if (release) {
            auto* up =
                Timed(m_loose.Hold(new ECPedal(0, MCTime(0.0f))), Float(end), 0, staff.number);
            up->SetControllerNum(kSustainController);
            up->SetValue(kPedalUp);
            AddPoint(Pedals(staff), up, at);
        }
    }

    // Wedges and pedals still open at the end of their part end there.
    void CloseMarks(StaffState& staff) {
        const Rational end = m_layout.back().start;
        for (const auto& [number, open] : staff.wedges) {
            const Rational length = *Rational::Sub(end, open.first);
            AddDynamic(staff, open.first, open.second, {},
                       static_cast<float>(GetDynamicValue(open.second)), length,
                       m_xml.document_element());
        }
        staff.wedges.clear();
        if (staff.pedalStart) {
            Pedal(staff, *staff.pedalStart, end, true, m_xml.document_element());
            staff.pedalStart.reset();
        }
        for (auto& [octave, open] : staff.openTranspositions) {
            if (open.first != nullptr) {
                EndTranspose(open, end);
            }
        }
        staff.openTranspositions.clear();
    }

    static void EndTranspose(std::pair<ECTranspose*, Rational>& open, const Rational& end) {
        MCTime length(Float(*Rational::Sub(end, open.second)));
        open.first->SetDuration(&length);
        open.first = nullptr;
    }

    // A transposition of `semitones` (how far the music sounds above its written notes) from
    // `time` on, ending the one of its kind (and octave sign number) before; 0 semitones only
    // ends that one. An ECTranspose in a "Transpositions" envelope of the staff.
    void Transpose(StaffState& staff, std::uint8_t type, const Rational& time, int semitones,
                   pugi::xml_node at, int number = 0) {
        auto& open = staff.openTranspositions[type == TransposeInstrument ? 0 : number];
        if (open.first != nullptr) {
            EndTranspose(open, time);
        }
        if (semitones == 0) {
            return;
        }
        if (staff.transpositions == nullptr) {
            staff.transpositions = Timed(m_loose.Hold(new ECEnvelope), 0.0f, 15, staff.number);
            staff.transpositions->SetEnvelopeName(CString("Transpositions"));
            m_loose.Link(staff.staff, staff.transpositions, 1);
        }
        auto* mark =
            Timed(m_loose.Hold(new ECTranspose(type, MCTime(0.0f))), Float(time), 0, staff.number);
        mark->SetValue(static_cast<float>(semitones));
        if (staff.transpositions->AddChild(mark, 1) == 0) {
            m_loose.Drop(mark);
            Note(m_crowdedMarks, at);
            return;
        }
        open = {mark, time};
        ++m_report.transpositions;
    }

    // The sound of a direction, or one of its own. Its jumps (fine, dacapo, dalsegno, segno,
    // coda, tocoda) become flow controls unless the direction's words or signs made one already.
    void ReadSound(pugi::xml_node sound, const Rational& time,
                   const std::optional<TempoRecord>& given, const Part& part) {
        static const std::pair<const char*, std::uint8_t> kJumps[] = {
            {"fine", FlowFine},   {"dacapo", FlowDaCapo}, {"dalsegno", FlowDalSegno},
            {"segno", FlowSegno}, {"coda", FlowCoda},     {"tocoda", FlowToCoda}};
        TempoRecord record = given.value_or(TempoRecord{});
        if (sound) {
            for (pugi::xml_attribute attribute : sound.attributes()) {
                const std::string_view name = attribute.name();
                if (name == "tempo") {
                    const double value = attribute.as_double(0.0);
                    if (value > 0.0 && std::isfinite(value)) {
                        record.perMinute = value;
                        record.valued = true;
                    }
                } else if (const auto* jump =
                               std::find_if(std::begin(kJumps), std::end(kJumps),
                                            [&](const auto& known) { return name == known.first; });
                           jump != std::end(kJumps)) {
                    if (!m_flowInDirection) {
                        Flow(jump->second, time, part);
                    }
                } else if (name != "dynamics") {
                    Note(m_lost[std::string("sound ") + std::string(name)], sound);
                }
            }
            for (pugi::xml_node child : sound.children()) {
                if (child.type() == pugi::node_element) {
                    Lost(child);
                }
            }
        }
        if (record.valued) {
            m_tempi[time] = record;
        }
    }

    void AddTempi() {
        ECTempoEnv* tempi = imported::Made(m_conductorStaff->GetTempoEnv());
        if (m_tempi.empty() || !(m_tempi.begin()->first == Rational{0, 1})) {
            TempoRecord first;
            first.perMinute = kDefaultTempo;
            first.valued = true;
            m_tempi.emplace(Rational{0, 1}, first);
        }
        for (const auto& [time, record] : m_tempi) {
            auto* tempo = m_loose.Hold(new ECTempo);
            std::uint8_t type = ECTempo::TypeMetronome;
            for (int t = ECTempo::TypeLarghissimo; t <= ECTempo::TypeLast; ++t) {
                const CString name = GetTempoString(static_cast<std::uint8_t>(t));
                if (!name.IsEmpty() && name.str() == record.words) {
                    type = static_cast<std::uint8_t>(t);
                }
            }
            // A type from the loop above, none past TypeLast: taken.
            (void)tempo->SetTempoType(type, MCTime(0.0f));
            if (type == ECTempo::TypeMetronome && !record.words.empty()) {
                tempo->SetText(CString(record.words));
            }
            const auto beat = static_cast<float>(record.beat);
            // At least kLowestTempo on a note value's positive length: taken.
            (void)tempo->SetTempo(
                std::max(kLowestTempo, static_cast<float>(record.perMinute) / beat), beat);
            MCTime at(Float(time));
            tempo->SetTime(&at);
            tempo->SetVoiceTrack(tempi->GetVoiceTrack());
            if (tempi->ECEnvelope::AddChild(tempo, 1) == 0) {
                m_loose.Drop(tempo);
                continue;
            }
            ++m_report.tempi;
        }
        tempi->RecalculateClockTimes();
    }

    // Roots and basses: letter * 4 + accidental (0 flat, 1 natural, 2 sharp, 3 double sharp).
    static int RootValue(pugi::xml_node node, const char* stepName, const char* alterName) {
        const int step = musicxml::StepIndex(Trim(node.child_value(stepName)));
        auto alter = Rational::Parse(node.child_value(alterName));
        const int a = alter && alter->den == 1 ? static_cast<int>(alter->num) : 0;
        if (step < 0 || a < -1 || a > 2) {
            return -1;
        }
        return step * 4 + a + 1;
    }

    void ReadHarmony(pugi::xml_node node, std::size_t index, const Rational& time,
                     const Part& part) {
        static const std::pair<const char*, int> kKinds[] = {{"major", 0},
                                                             {"minor", 1},
                                                             {"diminished", 2},
                                                             {"augmented", 3},
                                                             {"major-seventh", 4},
                                                             {"minor-seventh", 5},
                                                             {"dominant", 8},
                                                             {"half-diminished", 10},
                                                             {"suspended-fourth", 11},
                                                             {"major-minor", 12},
                                                             {"minor-sixth", 19},
                                                             {"major-sixth", 20},
                                                             {"dominant-ninth", 21},
                                                             {"none", kNoFlavor}};
        StaffState& staff = Staff(part, StaffOf(node, part));
        const int root = RootValue(node.child("root"), "root-step", "root-alter");
        if (root < 0) {
            Note(m_lost["<harmony> without a root this document holds"], node);
            return;
        }
        pugi::xml_node kind = node.child("kind");
        const std::string kindName = Trim(kind.child_value());
        const std::string text = kind.attribute("text").as_string();
        int flavor = -1;
        for (int f = 1; f < kFlavorCount && !text.empty(); ++f) {
            if (GetChordSymbolString(static_cast<std::uint8_t>(f)).str() == text) {
                flavor = f;
            }
        }
        if (flavor < 0) {
            for (const auto& [name, value] : kKinds) {
                if (kindName == name) {
                    flavor = value;
                }
            }
        }
        if (flavor < 0) {
            flavor = kNoFlavor;
            Note(m_lost["<kind> " + kindName + " in <harmony>"], kind);
        }
        const int bass =
            node.child("bass") ? RootValue(node.child("bass"), "bass-step", "bass-alter") : kNoBass;
        auto* symbol = Timed(
            m_loose.Hold(new ECChordSymbol(static_cast<std::int8_t>(root),
                                           static_cast<std::int8_t>(bass < 0 ? kNoBass : bass),
                                           static_cast<std::int8_t>(flavor), 0)),
            Float(time), 15, staff.number);
        symbol->SetChordQuality(CString(text));
        std::size_t measure = index;
        while (measure + 1 < m_layout.size() - 1 && m_layout[measure + 1].start <= time) {
            ++measure; // an offset past the bar line
        }
        m_loose.Link(m_conductor->GetMeasure(staff.number, static_cast<int>(measure) + 1), symbol,
                     1);
        ++m_report.chordSymbols;
        for (pugi::xml_node child : node.children()) {
            const std::string_view name = child.name();
            if (name != "root" && name != "kind" && name != "bass" && name != "offset" &&
                name != "staff" && child.type() == pugi::node_element) {
                Lost(child);
            }
        }
    }

    // ------------------------------------------------------------------ report

    void Warn(const Issue& issue, const std::string& what) {
        if (issue.count == 0) {
            return;
        }
        m_report.warnings.push_back(what + ": " + std::to_string(issue.count) +
                                    (issue.line != 0
                                         ? ", the first at line " + std::to_string(issue.line)
                                         : std::string()));
    }

    void Summarise() {
        Warn(m_unlistedParts, "parts the part list does not name, imported under their id");
        Warn(m_irregular, "measures whose music does not fill their time signature (or "
                          "overfills it), given a meter of their own length");
        Warn(m_lengthened, "measures of a length no meter holds, lengthened to the next pulse "
                           "of one");
        Warn(m_polymeter, "time signatures that differ from the first part's, the first "
                          "part's kept");
        Warn(m_badTimes, "time signatures no meter holds, left out");
        Warn(m_earlyBackups, "backups past the start of their measure, stopped there");
        Warn(m_badStaff, "staff numbers the part does not have, read as staff 1");
        Warn(m_manyVoices, "voices beyond the 14 a staff keeps apart, merged into the last");
        Warn(m_repeatTimes, "repeats played other than twice, kept as plain repeats");
        Warn(m_longEndings, "endings over more than one measure, kept as their first measure");
        Warn(m_manyPassEndings, "endings for several passes, kept with their first pass");
        Warn(m_badKeys, "key signatures of more than 7 sharps or flats, left out");
        Warn(m_otherModes, "keys in modes other than major and minor, kept as major");
        Warn(m_badClefs, "clefs no clef type names (see ClefType), left out");
        Warn(m_microtones, "microtonal alterations, rounded to semitones");
        Warn(m_badPitches, "notes without a pitch a MIDI key holds, left out");
        Warn(m_lengthless, "notes without a duration, left out");
        Warn(m_nestedTuplets, "tuplet brackets inside another, left out (their notes keep their "
                              "lengths)");
        Warn(m_badTuplets, "tuplet brackets without a ratio and unit value the document holds, "
                           "left out (their notes keep their lengths)");
        Warn(m_splitTuplets, "notes of a tuplet past its measure's bar line, kept outside it");
        Warn(m_looseTies, "ties whose notes do not meet, kept as separate notes");
        Warn(m_strayLines, "slur, glissando or beam ends without their other end, ignored");
        Warn(m_shortLines, "slurs, glissandi or beams that join a note with itself, left out");
        Warn(m_graceLines, "glissandi from or to grace notes, left out");
        Warn(m_beamedRests, "rests under beams, left out of them (the beams join the notes)");
        Warn(m_graceToItsNote, "slurs from a grace note to its own note (a slur of the document "
                               "joins two notes or chords), left out");
        Warn(m_slursWithoutNotes, "slurs joining chords and rests only (a slur of the document "
                                  "holds a note), left out");
        Warn(m_movedGraceSlurs, "slurs from a grace note after the first of its note, or to one "
                                "before the last, moved to the first or the last");
        Warn(m_turnedHooks, "beam hooks pointing away from where their place in the beam draws "
                            "them, turned");
        Warn(m_graceModifiers, "marks on grace notes other than accents, left out");
        Warn(m_loneArpeggios, "arpeggios on single notes, left out (the document rolls chords)");
        Warn(m_strayGraces, "grace notes with no note after them, left out");
        Warn(m_tupletRests, "rests of lengths no rest type has (in tuplets), left out");
        Warn(m_crowdedMarks, "dynamics or pedal marks at the time of another on their staff, the "
                             "first kept");
        Warn(m_strayStops, "wedge or pedal stops without a start, ignored");
        Warn(m_pedalChanges, "pedal changes, kept as the pedal held on");
        Warn(m_cueNotes, "cue notes (shown, not played), left out");
        Warn(m_untypedCredits, "credit words without a credit type (page layout), left out");
        for (const auto& [kind, issue] : m_lost) {
            Warn(issue, "not held by the document, left out: " + kind);
        }
    }

    std::span<const std::uint8_t> m_bytes;
    const MusicXmlImporter::Options& m_options;
    // Given back after the document is returned, or after it is gone when the import fails.
    imported::LooseElements m_loose;
    MusicXmlImportReport& m_report;
    std::unique_ptr<LineIndex> m_lines;
    pugi::xml_document m_xml;
    std::map<std::string, PartInfo> m_partInfo;
    std::vector<Part> m_parts;
    std::vector<Layout> m_layout;
    std::size_t m_staffCount = 0;
    std::vector<StaffState> m_staves;
    std::map<Rational, TempoRecord, std::less<>> m_tempi;
    std::set<std::string> m_titleTexts;
    ECPerformance* m_document = nullptr;
    ECConductor* m_conductor = nullptr;
    ECConductorStaff* m_conductorStaff = nullptr;
    std::size_t m_progressDone = 0;
    std::size_t m_progressTotal = 0;
    std::map<std::string, Issue> m_lost;
    std::map<std::pair<int, Rational>, ECKey*> m_keysPlaced;
    std::map<std::pair<int, Rational>, ECClef*> m_clefsPlaced;
    std::optional<std::size_t> m_openEnding;
    // Whether the direction read now made a flow control.
    bool m_flowInDirection = false;
    Issue m_repeatTimes;
    Issue m_longEndings;
    Issue m_manyPassEndings;
    Issue m_nestedTuplets;
    Issue m_badTuplets;
    Issue m_splitTuplets;
    Issue m_badKeys;
    Issue m_otherModes;
    Issue m_badClefs;
    Issue m_unlistedParts;
    Issue m_irregular;
    Issue m_lengthened;
    Issue m_polymeter;
    Issue m_badTimes;
    Issue m_earlyBackups;
    Issue m_badStaff;
    Issue m_manyVoices;
    Issue m_microtones;
    Issue m_badPitches;
    Issue m_lengthless;
    Issue m_looseTies;
    Issue m_strayLines;
    Issue m_shortLines;
    Issue m_graceLines;
    Issue m_movedGraceSlurs;
    Issue m_graceToItsNote;
    Issue m_beamedRests;
    Issue m_slursWithoutNotes;
    Issue m_turnedHooks;
    Issue m_graceModifiers;
    Issue m_loneArpeggios;
    Issue m_strayGraces;
    Issue m_tupletRests;
    Issue m_crowdedMarks;
    Issue m_strayStops;
    Issue m_pedalChanges;
    Issue m_untypedCredits;
    Issue m_cueNotes;
};

} // namespace

std::unique_ptr<ECPerformance> MusicXmlImporter::Import(std::span<const std::uint8_t> bytes,
                                                        const Options& options,
                                                        MusicXmlImportReport* report) {
    // Filled afresh, and handed over only once the import has succeeded.
    MusicXmlImportReport made;
    auto document = Importer(bytes, options, made).Run();
    if (report != nullptr) {
        *report = std::move(made);
    }
    return document;
}

} // namespace clavenor
