#include "clavenor/interchange/MusicXmlExporter.h"

#include "clavenor/interchange/BarlineType.h"
#include "clavenor/interchange/ClefType.h"
#include "clavenor/interchange/MusicXmlException.h"
#include "clavenor/interchange/NotationType.h"
#include "clavenor/interchange/detail/MusicXmlValues.h"
#include "clavenor/interchange/detail/TiedNotes.h"

#include <clavenor/clavenor.h>

#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <unordered_map>
#include <unordered_set>

namespace clavenor {

namespace {

using musicxml::Rational;
using musicxml::WrittenValue;

constexpr std::size_t kProgressElements = 1 << 14;
// Divisions grow by the smallest factor that puts a time on the grid; past this they would
// only count float noise, and the times are rounded instead.
constexpr long long kMaxDivisions = 1 << 20;
constexpr long long kMaxFactor = 64;
constexpr long long kFallbackDivisions = 960;
constexpr std::uint8_t kDefaultPitch = 60;
constexpr int kSustainController = 64;
constexpr float kPedalDown = 64.0f;
// A velocity of 90 is MusicXML's forte, the 100 percent of a note's dynamics attribute.
constexpr double kFullDynamics = 90.0;
// Wedges that overlap are told apart by number; MusicXML readers know numbers 1 to 6.
constexpr int kWedgeNumbers = 6;
constexpr int kMaxVoice = 13;
// Tuplet unit codes run from the whole note (0) to the 128th (7).
constexpr std::uint8_t kLastUnit = 7;
// Slurs that overlap are told apart by number, 1 to 16; glissandi and octave signs likewise.
constexpr int kSlurNumbers = 16;
// Beams are numbered by level, the eighths' beam 1, down to the 1024ths' beam 8.
constexpr std::size_t kBeamLevels = 8;

// The MusicXML names of the articulations (AccentType below AccentFermata), and of the
// fermatas' shapes from AccentFermata on.
constexpr const char* kArticulationNames[] = {
    "accent",        "strong-accent", "staccato", "tenuto",   "detached-legato",
    "staccatissimo", "spiccato",      "stress",   "unstress", "soft-accent"};
constexpr const char* kFermataShapes[] = {"normal", "angled", "square"};
constexpr const char* kTurnNames[] = {"turn", "inverted-turn", "delayed-turn",
                                      "delayed-inverted-turn", "vertical-turn"};
constexpr const char* kMordentNames[] = {"mordent", "inverted-mordent"};
constexpr const char* kOrnamentNames[] = {"shake", "schleifer", "haydn"};

// Text types (GetTextString's numbering) the exporter places.
constexpr std::uint8_t kTextCopyright = 1;
constexpr std::uint8_t kTextTrackName = 3;
constexpr std::uint8_t kTextInstrument = 4;
constexpr std::uint8_t kTextTitle = 8;
constexpr std::uint8_t kTextSubtitle = 9;
constexpr std::uint8_t kTextComposer = 10;
constexpr std::uint8_t kTextArranger = 11;
constexpr std::uint8_t kTextAuthor = 12;
constexpr std::uint8_t kTextOpus = 13;
constexpr std::uint8_t kTextRehearsalNumber = 14;
constexpr std::uint8_t kTextRehearsalLetter = 15;

// Dynamic types with a meaning in MusicXML.
constexpr std::uint8_t kLastLevel = 9;
constexpr std::uint8_t kCrescendoWords = 11;
constexpr std::uint8_t kDiminuendoWords = 13;
constexpr std::uint8_t kCrescendoWedge = 14;
constexpr std::uint8_t kDiminuendoWedge = 15;

// Tuplet ratios tried for lengths no plain value has, in order of how common they are.
constexpr std::pair<int, int> kTupletRatios[] = {{3, 2},  {5, 4},  {6, 4},  {7, 4},  {9, 8},
                                                 {7, 8},  {5, 2},  {3, 4},  {11, 8}, {13, 8},
                                                 {15, 8}, {10, 8}, {12, 8}, {2, 3},  {4, 3}};

// A decimal with up to `digits` places and no trailing zeros. Values the document keeps as
// floats need six to come back as the same float.
std::string Number(double value, int digits = 4) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", digits, value);
    std::string out = text;
    while (!out.empty() && out.back() == '0') {
        out.pop_back();
    }
    if (!out.empty() && out.back() == '.') {
        out.pop_back();
    }
    return out == "-0" ? "0" : out;
}

// pugixml writes into a string.
struct StringWriter : pugi::xml_writer {
    std::string& out;
    explicit StringWriter(std::string& target) : out(target) {}
    void write(const void* data, size_t size) override {
        out.append(static_cast<const char*>(data), size);
    }
};

pugi::xml_node Child(pugi::xml_node parent, const char* name) { return parent.append_child(name); }

pugi::xml_node Text(pugi::xml_node parent, const char* name, const std::string& text) {
    pugi::xml_node node = parent.append_child(name);
    node.text().set(text.c_str());
    return node;
}

double HalfUlp(double time) {
    const auto single = static_cast<float>(time);
    return (std::nextafter(single, std::numeric_limits<float>::infinity()) - single) / 2.0;
}

// One written value of a note, rest or chord: its length in divisions and how it is written.
struct Written {
    long long length;
    WrittenValue value;
    bool typed = true;
    int actual = 0; // a time modification actual:normal, when actual > 0
    int normal = 0;
    int unit = -1; // the note value of a tuplet's unit, when the note is under one
};

struct NoteData {
    ECNote* note;
    std::uint8_t pitch;
    std::int8_t spelling;
    std::uint8_t velocity;
    bool recorded;
    // A tie of the document goes on to a later note, or comes from an earlier one.
    bool tieOn = false;
    bool tiedFrom = false;
    // The glissandi it starts or ends: number, and whether it starts one.
    std::vector<std::pair<int, bool>> glissandi = {};
};

// A chord of notes (or one note, or a rest) of one voice with one start and end.
struct Event {
    long long start;
    long long end;
    int voice;
    bool rest;
    bool measureRest = false;
    std::vector<NoteData> notes;
    std::vector<ECLyric*> lyrics;
    // The tuplet the notes are under, and whether they open or close its bracket.
    ECTuplet* tuplet = nullptr;
    bool tupletStart = false;
    bool tupletStop = false;
    // The chord the notes are, when they are one of the document's.
    ECChord* chord = nullptr;
    // The slurs it starts or ends (number, whether it starts one), those its grace notes
    // start (on the first) or end (on the last), and where it stands in the beam of each
    // level ("begin", "continue", "end", a hook; null when in none).
    std::vector<std::pair<int, bool>> slurs = {};
    std::vector<std::pair<int, bool>> graceSlurs = {};
    std::vector<const char*> beams = {};
};

// The part of an event that lies in one measure.
struct Piece {
    std::size_t event;
    long long start;
    long long end;
    bool tieIn;
    bool tieOut;
};

enum class DirectionKind {
    Tempo,
    Words,
    Rehearsal,
    Dynamic,
    WedgeStart,
    WedgeStop,
    PedalStart,
    PedalStop,
    Harmony,
    // A key, clef or transposition that changes inside a measure.
    Attribute,
    Flow,
    OctaveStart,
    OctaveStop
};

struct Direction {
    long long time;
    DirectionKind kind;
    ECBase* element;
    int number = 0;
    std::uint64_t sequence = 0;
};

struct StaffData {
    ECStaff* staff = nullptr;
    int number = 0;
    std::vector<Event> events;
    // Per measure: the pieces and the directions.
    std::vector<std::vector<Piece>> pieces;
    std::vector<std::vector<Direction>> directions;
    // Keys and clefs at their positions, then per measure those at its start.
    std::vector<std::pair<long long, ECBase*>> signs;
    std::vector<std::vector<ECBase*>> opening;
    // Per measure: the repeat signs of the staff's measure (forward, backward).
    std::vector<std::pair<bool, bool>> repeats;
    std::vector<ECBeam*> beams;
    // The instrument's transpositions: from where on, and the semitones the music sounds
    // above its written notes (0 from where one ends before the next begins); the ends, and
    // per measure whether one ends at its start.
    std::vector<std::pair<long long, int>> transpositions;
    std::vector<long long> transpositionEnds;
    std::vector<bool> openingEnds;
    int topVoice = 0;
    long long pitchSum = 0;
    long long pitchCount = 0;
};

// A time of the document and how far it may lie from the exact time it stands for.
struct GridSample {
    double offset;
    double error;
};

class Exporter {
public:
    Exporter(ECPerformance& document, const MusicXmlExporter::Options& options,
             MusicXmlExportReport& report)
        : m_document(document), m_options(options), m_report(report) {}

    std::string Run() {
        m_conductor = m_document.GetConductor();
        m_total = CountBelow(&m_document);
        CollectMeasures();
        CollectStaves();
        ChooseDivisions();
        for (StaffData& staff : m_staves) {
            BuildEvents(staff);
        }
        PlaceConductorMarks();
        ExtendForLateEnds();
        for (StaffData& staff : m_staves) {
            Split(staff);
            PlaceStaffMarks(staff);
        }
        std::string out;
        out.reserve(1 << 16);
        WriteHeader(out);
        for (StaffData& staff : m_staves) {
            WritePart(staff, out);
        }
        out += "</score-partwise>\n";
        Summarise();
        if (m_options.progress) {
            m_options.progress(m_total, m_total);
        }
        return out;
    }

private:
    static std::size_t CountBelow(ECBase* element) {
        std::size_t count = 0;
        if (MCEventList* children = element->GetChildren()) {
            for (ECBase* child : *children) {
                count += 1 + CountBelow(child);
            }
        }
        return count;
    }

    void Progress() {
        if (++m_done % kProgressElements == 0 && m_options.progress) {
            m_options.progress(m_done, m_total);
        }
    }

    static double TimeOf(ECBase* element) { return element->GetTime()->GetSeconds(); }

    // ------------------------------------------------------------------ measures and grid

    void CollectMeasures() {
        if (m_conductor != nullptr) {
            const int count = m_conductor->GetMaxMeasureNumber();
            for (int n = 1; n <= count; ++n) {
                ECMeasure* measure = m_conductor->GetMeasure(0, n);
                m_starts.push_back(measure != nullptr ? TimeOf(measure)
                                                      : (m_starts.empty() ? 0.0 : m_starts.back()));
            }
            m_end = m_conductor->GetMaxMeasureEndTime().GetSeconds();
        }
        if (m_starts.empty()) {
            // A document without measures still makes a score: one empty 4/4 measure.
            m_starts.push_back(0.0);
            m_end = 4.0;
        }
        for (std::size_t i = 0; i < m_starts.size(); ++i) {
            const double next = i + 1 < m_starts.size() ? m_starts[i + 1] : m_end;
            Sample(next - m_starts[i], std::max(HalfUlp(next), HalfUlp(m_starts[i])));
        }
    }

    void CollectStaves() {
        const int count = m_conductor != nullptr ? m_conductor->GetMaxTrackNumber(1) : 0;
        for (int n = 1; n <= count; ++n) {
            auto* staff = static_cast<ECStaff*>(m_conductor->GetTrack(1, n, 0));
            if (staff != nullptr) {
                StaffData data;
                data.staff = staff;
                data.number = static_cast<int>(m_staves.size()) + 1;
                m_staves.push_back(std::move(data));
            }
        }
        if (m_staves.empty()) {
            StaffData data;
            data.number = 1;
            m_staves.push_back(std::move(data));
        }
        // Every time that will be written, for the choice of divisions.
        for (StaffData& staff : m_staves) {
            if (staff.staff == nullptr) {
                continue;
            }
            SampleBelow(staff.staff);
        }
        if (ECConductorStaff* conductorStaff = ConductorStaff()) {
            if (ECTempoEnv* tempi = conductorStaff->GetTempoEnv()) {
                for (ECBase* tempo : *tempi->GetChildren()) {
                    SampleTime(TimeOf(tempo));
                }
            }
            for (ECBase* child : *conductorStaff->GetChildren()) {
                if (child->GetEventId() == EventId::Text ||
                    child->GetEventId() == EventId::FlowControl) {
                    SampleTime(TimeOf(child));
                }
            }
        }
    }

    ECConductorStaff* ConductorStaff() {
        return m_conductor != nullptr ? m_conductor->GetConductorStaff() : nullptr;
    }

    void SampleBelow(ECBase* element) {
        for (ECBase* child : *element->GetChildren()) {
            if (child->GetParents()->GetCount() > 1 && !m_sampled.insert(child).second) {
                continue;
            }
            switch (child->GetEventId()) {
            case EventId::Note: {
                const double start = TimeOf(child);
                const double length = std::max(0.0f, child->GetDuration()->GetSeconds());
                SampleTime(start);
                SampleTime(start + length, HalfUlp(length));
                break;
            }
            case EventId::Rest: {
                const double start = TimeOf(child);
                const MCTime length =
                    ECRest::GetRestDuration(static_cast<ECRest*>(child)->GetRestType(), 0);
                SampleTime(start);
                if (length != MCTime::TimeNull()) {
                    SampleTime(start + length.GetSeconds());
                }
                break;
            }
            case EventId::GraceNote:
                break;
            case EventId::Dynamic:
            case EventId::Pedal:
            case EventId::ControlChange: {
                const double start = TimeOf(child);
                SampleTime(start);
                if (MCTime* length = child->GetDuration();
                    length != nullptr && length->GetSeconds() > 0.0f &&
                    child->GetEventId() == EventId::Dynamic) {
                    SampleTime(start + length->GetSeconds(), HalfUlp(length->GetSeconds()));
                }
                break;
            }
            case EventId::Text:
            case EventId::Lyric:
            case EventId::ChordSymbol:
            case EventId::Key:
            case EventId::Clef:
                SampleTime(TimeOf(child));
                break;
            case EventId::Transpose: {
                const double length = std::max(0.0f, child->GetDuration()->GetSeconds());
                SampleTime(TimeOf(child));
                SampleTime(TimeOf(child) + length, HalfUlp(length));
                break;
            }
            default:
                break;
            }
            if (child->GetChildren() != nullptr && !child->GetChildren()->IsEmpty()) {
                SampleBelow(child);
            }
        }
    }

    std::size_t MeasureIndexAt(double time, double error) const {
        auto after = std::upper_bound(m_starts.begin(), m_starts.end(), time + error);
        return after == m_starts.begin() ? 0
                                         : static_cast<std::size_t>(after - m_starts.begin()) - 1;
    }

    void SampleTime(double time, double error = 0.0) {
        const double e = HalfUlp(time) + error;
        const std::size_t index = MeasureIndexAt(time, e);
        Sample(time - m_starts[index], e + HalfUlp(m_starts[index]));
    }

    void Sample(double offset, double error) { m_samples.push_back({offset, error + 1e-9}); }

    static bool OnGrid(const GridSample& sample, long long divisions) {
        const double scaled = sample.offset * static_cast<double>(divisions);
        return std::abs(scaled - std::nearbyint(scaled)) <=
               sample.error * static_cast<double>(divisions);
    }

    void ChooseDivisions() {
        if (m_options.divisions > 0) {
            m_divisions = m_options.divisions;
            for (const GridSample& sample : m_samples) {
                if (!OnGrid(sample, m_divisions)) {
                    ++m_rounded;
                }
            }
        } else {
            long long divisions = 1;
            for (const GridSample& sample : m_samples) {
                if (OnGrid(sample, divisions)) {
                    continue;
                }
                long long factor = 2;
                while (factor <= kMaxFactor && !OnGrid(sample, divisions * factor)) {
                    ++factor;
                }
                if (factor > kMaxFactor || divisions * factor > kMaxDivisions) {
                    divisions = 0;
                    break;
                }
                divisions *= factor;
            }
            if (divisions == 0) {
                divisions = kFallbackDivisions;
                for (const GridSample& sample : m_samples) {
                    if (!OnGrid(sample, divisions)) {
                        ++m_rounded;
                    }
                }
            }
            m_divisions = divisions;
        }
        m_samples.clear();
        m_samples.shrink_to_fit();
        m_report.divisions = m_divisions;
        long long at = 0;
        for (std::size_t i = 0; i < m_starts.size(); ++i) {
            m_measureDivs.push_back(at);
            const double next = i + 1 < m_starts.size() ? m_starts[i + 1] : m_end;
            at += std::max(0LL, Divs(next - m_starts[i]));
        }
        m_measureDivs.push_back(at);
    }

    long long Divs(double quarters) const {
        const double value = std::nearbyint(quarters * static_cast<double>(m_divisions));
        if (!(std::abs(value) < 1e15)) {
            throw MusicXmlException(MusicXmlException::NoLine,
                                    "a time beyond what a MusicXML file can count");
        }
        return static_cast<long long>(value);
    }

    // A time of the document on the grid, in divisions from the start.
    long long Position(double time, double error = 0.0) const {
        const double e = HalfUlp(time) + error;
        const std::size_t index = MeasureIndexAt(time, e);
        return m_measureDivs[index] + Divs(time - m_starts[index]);
    }

    std::size_t MeasureOf(long long position) const {
        auto after = std::upper_bound(m_measureDivs.begin(), m_measureDivs.end() - 1, position);
        return after == m_measureDivs.begin()
                   ? 0
                   : static_cast<std::size_t>(after - m_measureDivs.begin()) - 1;
    }

    // ------------------------------------------------------------------ notes and rests

    void BuildEvents(StaffData& staff) {
        if (staff.staff == nullptr) {
            return;
        }
        std::vector<ECNote*> notes;
        std::vector<ECRest*> rests;
        std::vector<ECLyric*> lyrics;
        m_visited.clear();
        CollectTranspositions(staff);
        for (ECBase* child : *staff.staff->GetChildren()) {
            if (child->GetEventId() == EventId::Measure) {
                Gather(child, notes, rests, lyrics, staff);
            }
        }
        // Notes of one voice with one start and one end make one chord.
        std::map<std::tuple<int, long long, long long>, std::size_t> chords;
        for (ECNote* note : notes) {
            const double start = TimeOf(note);
            const double length = std::max(0.0f, note->GetDuration()->GetSeconds());
            NoteData data{note, kDefaultPitch, DCNote::AutoSpelling, 64, false};
            if (DCNote* record = MCStandardRecords::FindNote(note)) {
                data = {note, record->GetPitch(), record->GetSpelling(),
                        std::max<std::uint8_t>(record->GetVelocity(), 1), true};
            } else {
                ++m_unpitched;
            }
            data.tieOn = ties::Next(note) != nullptr;
            data.tiedFrom = ties::Previous(note) != nullptr;
            staff.pitchSum += data.pitch;
            ++staff.pitchCount;
            const long long from = Position(start);
            long long to = Position(start + length, HalfUlp(length));
            if (to <= from) {
                // A note of no length has none in MusicXML either; it gets the shortest.
                ++m_silent;
                to = from + 1;
            }
            const int voice = VoiceOf(note);
            staff.topVoice = std::max(staff.topVoice, voice);
            const auto key = std::make_tuple(voice, from, to);
            auto found = chords.find(key);
            if (found == chords.end()) {
                chords.emplace(key, staff.events.size());
                staff.events.push_back({from, to, voice, false, false, {data}, {}, TupletOf(note)});
            } else {
                staff.events[found->second].notes.push_back(data);
            }
            Progress();
        }
        for (ECRest* rest : rests) {
            const MCTime length = ECRest::GetRestDuration(rest->GetRestType(), 0);
            if (length == MCTime::TimeNull()) {
                ++m_typelessRests;
                continue;
            }
            const long long from = Position(TimeOf(rest));
            const long long to = Position(TimeOf(rest) + length.GetSeconds());
            if (to <= from) {
                continue;
            }
            const int voice = VoiceOf(rest);
            staff.topVoice = std::max(staff.topVoice, voice);
            const std::size_t measure = MeasureOf(from);
            const bool whole = from == m_measureDivs[measure] && to == m_measureDivs[measure + 1];
            staff.events.push_back({from, to, voice, true, whole, {}, {}});
            Progress();
        }
        for (Event& event : staff.events) {
            std::sort(event.notes.begin(), event.notes.end(),
                      [](const NoteData& a, const NoteData& b) { return a.pitch < b.pitch; });
        }
        std::sort(staff.events.begin(), staff.events.end(), [](const Event& a, const Event& b) {
            if (a.start != b.start) {
                return a.start < b.start;
            }
            if (a.voice != b.voice) {
                return a.voice < b.voice;
            }
            return a.rest < b.rest;
        });
        std::map<ECTuplet*, std::pair<std::size_t, std::size_t>> brackets;
        for (std::size_t e = 0; e < staff.events.size(); ++e) {
            if (ECTuplet* tuplet = staff.events[e].tuplet) {
                auto [at, fresh] = brackets.try_emplace(tuplet, e, e);
                at->second.second = e;
            }
        }
        for (const auto& [tuplet, ends] : brackets) {
            staff.events[ends.first].tupletStart = true;
            staff.events[ends.second].tupletStop = true;
        }
        AttachLyrics(staff, lyrics);
        PlaceLines(staff);
    }

    // An instrument's transpositions stand with the staff's keys and clefs, and say how its
    // notes are written.
    void CollectTranspositions(StaffData& staff) {
        std::vector<std::pair<long long, long long>> spans;
        for (ECBase* child : *staff.staff->GetChildren()) {
            if (dynamic_cast<ECEnvelope*>(child) == nullptr) {
                continue;
            }
            for (ECBase* item : *child->GetChildren()) {
                if (item->GetEventId() == EventId::Transpose &&
                    static_cast<ECTranspose*>(item)->GetTransposeType() == TransposeInstrument) {
                    const long long at = Position(TimeOf(item));
                    const double length = std::max(0.0f, item->GetDuration()->GetSeconds());
                    staff.signs.emplace_back(at, item);
                    staff.transpositions.emplace_back(
                        at,
                        static_cast<int>(std::lround(static_cast<ECTranspose*>(item)->GetValue())));
                    spans.emplace_back(at, length > 0.0
                                               ? Position(TimeOf(item) + length, HalfUlp(length))
                                               : std::numeric_limits<long long>::max());
                }
            }
        }
        std::stable_sort(spans.begin(), spans.end());
        // One with a length that ends before the next begins, and before the music ends, is
        // ended in the file too: the notes after it are written as they sound.
        const long long last = Position(m_end);
        for (std::size_t i = 0; i < spans.size(); ++i) {
            const long long end = spans[i].second;
            if (end < last && (i + 1 == spans.size() || end < spans[i + 1].first)) {
                staff.transpositionEnds.push_back(end);
                staff.transpositions.emplace_back(end, 0);
            }
        }
        std::stable_sort(staff.transpositions.begin(), staff.transpositions.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    }

    // The semitones a staff's music sounds above its written notes at `position`.
    static int TranspositionAt(const StaffData& staff, long long position) {
        auto after = std::upper_bound(
            staff.transpositions.begin(), staff.transpositions.end(), position,
            [](long long at, const std::pair<long long, int>& entry) { return at < entry.first; });
        return after == staff.transpositions.begin() ? 0 : std::prev(after)->second;
    }

    // Where each note and chord of a staff is written: event, and note in it.
    using Place = std::pair<std::size_t, std::size_t>;
    using Places = std::unordered_map<ECBase*, Place>;

    // A slur or glissando from one written note to another, or from or to their grace notes.
    struct Line {
        Place first;
        Place last;
        bool fromGrace = false;
        bool toGrace = false;
    };

    // Slurs, glissandi and beams on the events that start and end them. A line that joins
    // fewer than two of the staff's written notes or chords (one over rests, or reaching
    // into another staff, which is another part) has no place in MusicXML.
    void PlaceLines(StaffData& staff) {
        Places places;
        for (std::size_t e = 0; e < staff.events.size(); ++e) {
            Event& event = staff.events[e];
            for (std::size_t n = 0; n < event.notes.size(); ++n) {
                ECNote* note = event.notes[n].note;
                places[note] = {e, n};
                for (ECBase* parent : *note->GetParents()) {
                    if (parent->GetEventId() == EventId::Chord) {
                        event.chord = static_cast<ECChord*>(parent);
                        places.try_emplace(parent, e, 0);
                    }
                }
            }
        }
        std::vector<Line> slurs;
        std::vector<Line> glissandi;
        for (ECBase* child : *staff.staff->GetChildren()) {
            const int id = child->GetEventId();
            if (id != EventId::Slur && id != EventId::Glissando) {
                continue;
            }
            std::vector<Place> found;
            bool outside = false;
            for (ECBase* member : *child->GetChildren()) {
                auto place = places.find(member);
                if (place == places.end()) {
                    outside = true;
                } else {
                    found.push_back(place->second);
                }
            }
            std::sort(found.begin(), found.end(), [&](const auto& a, const auto& b) {
                return staff.events[a.first].start < staff.events[b.first].start;
            });
            const bool slur = id == EventId::Slur;
            Line line;
            if (!found.empty()) {
                line.first = found.front();
                line.last = found.back();
            }
            if (slur && !found.empty()) {
                auto* group = static_cast<ECGroup*>(child);
                line.fromGrace = group->HasType(SlurFromGrace) != 0 &&
                                 GraceCount(staff.events[line.first.first]) > 0;
                line.toGrace = group->HasType(SlurToGrace) != 0 &&
                               GraceCount(staff.events[line.last.first]) > 0;
            }
            if (found.size() < 2 || line.first.first == line.last.first || (!slur && outside)) {
                ++m_leftOut[slur ? "slurs not joining two notes or chords of one staff"
                                 : "glissandi not joining two notes of one staff"];
                continue;
            }
            (slur ? slurs : glissandi).push_back(line);
        }
        NumberLines(staff, slurs, [&](const Line& line, int number) {
            Event& first = staff.events[line.first.first];
            Event& last = staff.events[line.last.first];
            (line.fromGrace ? first.graceSlurs : first.slurs).emplace_back(number, true);
            (line.toGrace ? last.graceSlurs : last.slurs).emplace_back(number, false);
        });
        NumberLines(staff, glissandi, [&](const Line& line, int number) {
            staff.events[line.first.first].notes[line.first.second].glissandi.emplace_back(number,
                                                                                           true);
            staff.events[line.last.first].notes[line.last.second].glissandi.emplace_back(number,
                                                                                         false);
        });
        PlaceBeams(staff, places);
    }

    // A beam whose members are all another's is a level below it (the sixteenths' beam
    // inside the eighths'); one of a single member below another is a hook, forward from the
    // outer beam's first note, backward elsewhere. The widest go first, so that of two beams
    // over the same notes the earlier in its measure is the upper.
    void PlaceBeams(StaffData& staff, const Places& places) {
        struct Run {
            std::vector<std::size_t> events;
            std::size_t level = 0;
        };
        std::vector<Run> runs;
        for (ECBeam* beam : staff.beams) {
            Run run;
            for (ECBase* member : *beam->GetChildren()) {
                if (auto place = places.find(member); place != places.end()) {
                    run.events.push_back(place->second.first);
                } else if (member->GetEventId() == EventId::Rest) {
                    ++m_leftOut["rests under beams (their beams written over the notes)"];
                }
            }
            std::sort(run.events.begin(), run.events.end());
            run.events.erase(std::unique(run.events.begin(), run.events.end()), run.events.end());
            runs.push_back(std::move(run));
        }
        std::stable_sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) {
            return a.events.size() > b.events.size();
        });
        for (std::size_t b = 0; b < runs.size(); ++b) {
            Run& run = runs[b];
            const Run* outer = nullptr;
            for (std::size_t a = 0; a < b; ++a) {
                if (runs[a].level > 0 && (outer == nullptr || runs[a].level > outer->level) &&
                    std::includes(runs[a].events.begin(), runs[a].events.end(), run.events.begin(),
                                  run.events.end())) {
                    outer = &runs[a];
                }
            }
            const std::size_t level = outer == nullptr ? 1 : outer->level + 1;
            const bool taken =
                std::any_of(run.events.begin(), run.events.end(), [&](std::size_t e) {
                    const std::vector<const char*>& beams = staff.events[e].beams;
                    return beams.size() >= level && beams[level - 1] != nullptr;
                });
            if (run.events.empty() || (outer == nullptr && run.events.size() < 2) ||
                level > kBeamLevels || taken) {
                ++m_leftOut["beams not joining two notes or chords of one staff, crossing "
                            "another of their level, or nested more than 8 deep"];
                continue;
            }
            run.level = level;
            for (std::size_t i = 0; i < run.events.size(); ++i) {
                std::vector<const char*>& beams = staff.events[run.events[i]].beams;
                beams.resize(std::max(beams.size(), level), nullptr);
                beams[level - 1] = run.events.size() == 1
                                       ? (run.events[0] == outer->events.front() ? "forward hook"
                                                                                 : "backward hook")
                                   : i == 0                     ? "begin"
                                   : i + 1 == run.events.size() ? "end"
                                                                : "continue";
            }
        }
    }

    static std::size_t GraceCount(const Event& event) {
        std::size_t count = 0;
        for (const NoteData& data : event.notes) {
            for (ECBase* child : *data.note->GetChildren()) {
                count += child->GetEventId() == EventId::GraceNote ? 1 : 0;
            }
        }
        return count;
    }

    // Numbers for lines so that lines of one number never overlap: the first number free at
    // a line's start. `ends` puts a line's number on the notes it joins.
    template <class Ends>
    void NumberLines(StaffData& staff, std::vector<Line>& lines, Ends ends) {
        std::stable_sort(lines.begin(), lines.end(), [&](const Line& a, const Line& b) {
            return staff.events[a.first.first].start < staff.events[b.first.first].start;
        });
        std::vector<long long> busy(kSlurNumbers, std::numeric_limits<long long>::min());
        for (const Line& line : lines) {
            const long long start = staff.events[line.first.first].start;
            auto slot = std::find_if(busy.begin(), busy.end(),
                                     [&](long long until) { return until < start; });
            if (slot == busy.end()) {
                slot = std::min_element(busy.begin(), busy.end());
            }
            *slot = staff.events[line.last.first].start;
            ends(line, static_cast<int>(slot - busy.begin()) + 1);
        }
    }

    // The tuplet a note is under, itself or through its chord; null when none, or when the
    // tuplet's unit has no note value.
    static ECTuplet* TupletOf(ECNote* note) {
        for (ECBase* parent : *note->GetParents()) {
            ECBase* holder = parent;
            if (parent->GetEventId() == EventId::Chord) {
                for (ECBase* above : *parent->GetParents()) {
                    if (above->GetEventId() == EventId::Tuplet) {
                        holder = above;
                    }
                }
            }
            if (holder->GetEventId() == EventId::Tuplet) {
                auto* tuplet = static_cast<ECTuplet*>(holder);
                const bool valued = tuplet->GetUnits() <= kLastUnit && tuplet->GetIrregular() > 0 &&
                                    tuplet->GetNormal() > 0;
                return valued ? tuplet : nullptr;
            }
        }
        return nullptr;
    }

    static int VoiceOf(ECBase* element) {
        const int voice = element->GetVoice();
        return voice >= 0 && voice <= kMaxVoice ? voice : 0;
    }

    void Gather(ECBase* element, std::vector<ECNote*>& notes, std::vector<ECRest*>& rests,
                std::vector<ECLyric*>& lyrics, StaffData& staff) {
        for (ECBase* child : *element->GetChildren()) {
            if (child->GetParents()->GetCount() > 1 && !m_visited.insert(child).second) {
                continue;
            }
            switch (child->GetEventId()) {
            case EventId::Note:
                notes.push_back(static_cast<ECNote*>(child));
                continue; // its grace notes are written with it
            case EventId::Rest:
                rests.push_back(static_cast<ECRest*>(child));
                break;
            case EventId::Lyric:
                lyrics.push_back(static_cast<ECLyric*>(child));
                break;
            case EventId::ChordSymbol:
                AddDirection(staff, Position(TimeOf(child)), DirectionKind::Harmony, child);
                break;
            case EventId::Beam:
                staff.beams.push_back(static_cast<ECBeam*>(child));
                break;
            case EventId::Repeat: {
                const std::size_t measure = MeasureOf(Position(TimeOf(child)));
                if (staff.repeats.size() <= measure) {
                    staff.repeats.resize(measure + 1);
                }
                const std::uint8_t type = static_cast<ECRepeat*>(child)->GetRepeatType();
                if (type == RepeatForward) {
                    staff.repeats[measure].first = true;
                } else if (type == RepeatBackward) {
                    staff.repeats[measure].second = true;
                } else {
                    ++m_unwritable["repeat types RepeatType does not name"];
                }
                break;
            }
            case EventId::Key:
            case EventId::Clef:
                // MusicXML has one clef and one key per staff: a second hand's have no place.
                if ((child->GetEventId() == EventId::Key
                         ? static_cast<ECKey*>(child)->GetHand()
                         : static_cast<ECClef*>(child)->GetHand()) != 0) {
                    ++m_unwritable["keys and clefs of a staff's second hand"];
                } else {
                    staff.signs.emplace_back(Position(TimeOf(child)), child);
                }
                break;
            default:
                break;
            }
            if (child->GetChildren() != nullptr && !child->GetChildren()->IsEmpty()) {
                Gather(child, notes, rests, lyrics, staff);
            }
        }
    }

    void AttachLyrics(StaffData& staff, std::vector<ECLyric*>& lyrics) {
        for (ECLyric* lyric : lyrics) {
            const long long at = Position(TimeOf(lyric));
            auto found = std::lower_bound(
                staff.events.begin(), staff.events.end(), at,
                [](const Event& event, long long time) { return event.start < time; });
            Event* target = nullptr;
            for (auto it = found; it != staff.events.end() && it->start == at; ++it) {
                if (target == nullptr || (target->rest && !it->rest)) {
                    target = &*it;
                }
            }
            if (target == nullptr) {
                ++m_strayLyrics;
                continue;
            }
            target->lyrics.push_back(lyric);
            Progress();
        }
    }

    // Notes that end after the last measure get measures of the last length to end in.
    void ExtendForLateEnds() {
        long long last = m_measureDivs.back();
        for (const StaffData& staff : m_staves) {
            for (const Event& event : staff.events) {
                last = std::max(last, event.end);
            }
        }
        const long long length =
            m_measureDivs[m_measureDivs.size() - 1] - m_measureDivs[m_measureDivs.size() - 2];
        while (m_measureDivs.back() < last && length > 0) {
            m_starts.push_back(m_starts.back() +
                               static_cast<double>(length) / static_cast<double>(m_divisions));
            m_measureDivs.push_back(m_measureDivs.back() + length);
            ++m_addedMeasures;
        }
    }

    void Split(StaffData& staff) {
        const std::size_t measures = m_measureDivs.size() - 1;
        staff.pieces.assign(measures, {});
        staff.directions.resize(measures);
        staff.opening.assign(measures, {});
        std::stable_sort(staff.signs.begin(), staff.signs.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& [position, sign] : staff.signs) {
            const std::size_t measure = std::min(MeasureOf(position), measures - 1);
            if (m_measureDivs[measure] == position) {
                staff.opening[measure].push_back(sign);
            } else {
                AddDirection(staff, position, DirectionKind::Attribute, sign);
            }
        }
        staff.openingEnds.assign(measures, false);
        for (const long long position : staff.transpositionEnds) {
            const std::size_t measure = std::min(MeasureOf(position), measures - 1);
            if (m_measureDivs[measure] == position) {
                staff.openingEnds[measure] = true;
            } else {
                AddDirection(staff, position, DirectionKind::Attribute, nullptr);
            }
        }
        for (std::size_t e = 0; e < staff.events.size(); ++e) {
            const Event& event = staff.events[e];
            long long at = event.start;
            std::size_t measure = MeasureOf(at);
            while (at < event.end && measure < measures) {
                const long long stop = std::min(event.end, m_measureDivs[measure + 1]);
                if (stop > at) {
                    staff.pieces[measure].push_back(
                        {e, at, stop, at != event.start, stop != event.end && !event.rest});
                }
                at = stop;
                ++measure;
            }
        }
    }

    // ------------------------------------------------------------------ directions

    void AddDirection(StaffData& staff, long long time, DirectionKind kind, ECBase* element,
                      int number = 0) {
        const std::size_t measures = m_measureDivs.size() - 1;
        if (staff.directions.size() < measures) {
            staff.directions.resize(measures);
        }
        const std::size_t measure = std::min(MeasureOf(time), measures - 1);
        staff.directions[measure].push_back({time, kind, element, number, m_sequence++});
    }

    // A mark that ends exactly on a bar line ends at the end of the measure before it.
    void AddEnd(StaffData& staff, long long time, DirectionKind kind, ECBase* element, int number) {
        std::size_t measure = MeasureOf(time);
        if (measure > 0 && m_measureDivs[measure] == time) {
            --measure;
        }
        const std::size_t measures = m_measureDivs.size() - 1;
        if (staff.directions.size() < measures) {
            staff.directions.resize(measures);
        }
        staff.directions[std::min(measure, measures - 1)].push_back(
            {time, kind, element, number, m_sequence++});
    }

    void PlaceConductorMarks() {
        ECConductorStaff* conductorStaff = ConductorStaff();
        if (conductorStaff == nullptr) {
            return;
        }
        StaffData& first = m_staves.front();
        if (ECTempoEnv* tempi = conductorStaff->GetTempoEnv()) {
            for (ECBase* tempo : *tempi->GetChildren()) {
                AddDirection(first, Position(TimeOf(tempo)), DirectionKind::Tempo, tempo);
                Progress();
            }
        }
        for (ECBase* child : *conductorStaff->GetChildren()) {
            if (child->GetEventId() == EventId::FlowControl) {
                auto* flow = static_cast<ECFlowControl*>(child);
                const std::uint8_t type = flow->GetFlowControlType();
                if (type == FlowEnding && flow->GetEndingNumber() > 0) {
                    m_endings[MeasureOf(Position(TimeOf(flow)))] = flow->GetEndingNumber();
                } else if (type >= FlowSegno && type <= FlowToCoda) {
                    AddDirection(first, Position(TimeOf(flow)), DirectionKind::Flow, flow);
                } else {
                    ++m_unwrittenFlow;
                }
                continue;
            }
            if (child->GetEventId() != EventId::Text) {
                continue;
            }
            auto* text = static_cast<ECText*>(child);
            const std::uint8_t type = text->GetTextType();
            if (ECText::IsTitlePageText(type) != 0 || type == kTextTrackName) {
                m_titles.push_back(text);
                continue;
            }
            // Texts a staff filed with the conductor go to that staff's part.
            const int track = text->GetTrack();
            StaffData& staff = track >= 1 && static_cast<std::size_t>(track) <= m_staves.size()
                                   ? m_staves[static_cast<std::size_t>(track) - 1]
                                   : first;
            const bool rehearsal = type == kTextRehearsalNumber || type == kTextRehearsalLetter;
            AddDirection(staff, Position(TimeOf(text)),
                         rehearsal ? DirectionKind::Rehearsal : DirectionKind::Words, text);
            Progress();
        }
    }

    void PlaceStaffMarks(StaffData& staff) {
        if (staff.staff == nullptr) {
            return;
        }
        std::vector<long long> wedgeEnds(kWedgeNumbers, std::numeric_limits<long long>::min());
        std::vector<long long> octaveEnds(kSlurNumbers, std::numeric_limits<long long>::min());
        for (ECBase* child : *staff.staff->GetChildren()) {
            if (child->GetEventId() == EventId::Text) {
                const std::uint8_t type = static_cast<ECText*>(child)->GetTextType();
                if (type != kTextTrackName && type != kTextInstrument) {
                    AddDirection(staff, Position(TimeOf(child)), DirectionKind::Words, child);
                }
                continue;
            }
            auto* envelope = dynamic_cast<ECEnvelope*>(child);
            if (envelope == nullptr) {
                if (child->GetEventId() == EventId::ChannelMode) {
                    ++m_unwritable["channel mode messages"];
                }
                continue;
            }
            // The first program, at the start, is the part's MIDI program (ScorePart).
            const bool patches = dynamic_cast<ECPatchEnv*>(envelope) != nullptr;
            auto* controller = dynamic_cast<ECControllerEnv*>(envelope);
            const bool sustain =
                controller != nullptr && controller->GetControllerType() == kSustainController;
            bool down = false;
            for (ECBase* item : *envelope->GetChildren()) {
                Progress();
                if (auto* dynamic = dynamic_cast<ECDynamic*>(item)) {
                    Dynamic(staff, dynamic, wedgeEnds);
                    continue;
                }
                if (auto* transpose = dynamic_cast<ECTranspose*>(item)) {
                    OctaveSign(staff, transpose, octaveEnds);
                    continue;
                }
                auto* point = dynamic_cast<ECEnvPoint*>(item);
                if (point == nullptr || (patches && item == envelope->GetChildren()->GetHead() &&
                                         TimeOf(item) == 0.0)) {
                    continue;
                }
                auto* change = dynamic_cast<ECControlChange*>(item);
                const bool pedal =
                    dynamic_cast<ECPedal*>(item) != nullptr ||
                    (change != nullptr ? change->GetControllerNum() == kSustainController
                                       : sustain);
                if (pedal && (sustain || controller == nullptr)) {
                    const bool now = point->GetValue() >= kPedalDown;
                    if (now != down) {
                        AddDirection(staff, Position(TimeOf(point)),
                                     now ? DirectionKind::PedalStart : DirectionKind::PedalStop,
                                     point);
                        down = now;
                    }
                    continue;
                }
                ++m_unwritable[PointKind(envelope)];
            }
        }
    }

    // An octave sign from its time to its end, numbered apart from those it overlaps; an
    // instrument's transposition is written with the attributes (CollectTranspositions).
    void OctaveSign(StaffData& staff, ECTranspose* transpose, std::vector<long long>& ends) {
        const std::uint8_t type = transpose->GetTransposeType();
        if (type == TransposeInstrument) {
            return;
        }
        if (type >= TransposeTypeCount) {
            ++m_leftOut["transposition types NotationType.h does not name"];
            return;
        }
        const double length = std::max(0.0f, transpose->GetDuration()->GetSeconds());
        const long long at = Position(TimeOf(transpose));
        const long long end = Position(TimeOf(transpose) + length, HalfUlp(length));
        auto slot =
            std::find_if(ends.begin(), ends.end(), [&](long long busy) { return busy < at; });
        if (slot == ends.end()) {
            slot = std::min_element(ends.begin(), ends.end());
        }
        *slot = end;
        const int number = static_cast<int>(slot - ends.begin()) + 1;
        AddDirection(staff, at, DirectionKind::OctaveStart, transpose, number);
        AddEnd(staff, end, DirectionKind::OctaveStop, transpose, number);
    }

    static std::string PointKind(ECEnvelope* envelope) {
        if (dynamic_cast<ECPatchEnv*>(envelope) != nullptr) {
            return "program changes";
        }
        if (dynamic_cast<ECPitchBendEnv*>(envelope) != nullptr) {
            return "pitch bends";
        }
        if (dynamic_cast<ECChanPressureEnv*>(envelope) != nullptr ||
            dynamic_cast<ECPolyPressureEnv*>(envelope) != nullptr) {
            return "pressure points";
        }
        if (dynamic_cast<ECControllerEnv*>(envelope) != nullptr) {
            return "controller points";
        }
        return "envelope points";
    }

    void Dynamic(StaffData& staff, ECDynamic* dynamic, std::vector<long long>& wedgeEnds) {
        const std::uint8_t type = dynamic->GetDynamicType();
        const long long at = Position(TimeOf(dynamic));
        if (type == kCrescendoWedge || type == kDiminuendoWedge) {
            const double length = std::max(0.0f, dynamic->GetDuration()->GetSeconds());
            const long long end = Position(TimeOf(dynamic) + length, HalfUlp(length));
            // The first number free by then (the earliest ending one when none is).
            auto slot = std::find_if(wedgeEnds.begin(), wedgeEnds.end(),
                                     [&](long long busy) { return busy <= at; });
            if (slot == wedgeEnds.end()) {
                slot = std::min_element(wedgeEnds.begin(), wedgeEnds.end());
            }
            *slot = end;
            const int number = static_cast<int>(slot - wedgeEnds.begin()) + 1;
            AddDirection(staff, at, DirectionKind::WedgeStart, dynamic, number);
            AddEnd(staff, end, DirectionKind::WedgeStop, dynamic, number);
            return;
        }
        if (type <= kLastLevel || (type >= kCrescendoWords && type <= kDiminuendoWords) ||
            !dynamic->GetText().IsEmpty()) {
            AddDirection(staff, at, DirectionKind::Dynamic, dynamic);
            return;
        }
        ++m_unwritable["dynamics of types MusicXML has no mark for"];
    }

    // ------------------------------------------------------------------ writing

    void WriteHeader(std::string& out) {
        out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<!DOCTYPE score-partwise PUBLIC \"-//Recordare//DTD MusicXML 4.0 Partwise//EN\" "
               "\"http://www.musicxml.org/dtds/partwise.dtd\">\n"
               "<score-partwise version=\"4.0\">\n";
        pugi::xml_document header;
        pugi::xml_node root = header.append_child("score-partwise");
        std::map<std::uint8_t, std::vector<ECText*>> byType;
        for (ECText* text : m_titles) {
            byType[text->GetTextType()].push_back(text);
        }
        auto first = [&](std::uint8_t type) -> std::string {
            auto found = byType.find(type);
            return found == byType.end() ? std::string() : found->second.front()->GetText().str();
        };
        const std::string title =
            !first(kTextTitle).empty() ? first(kTextTitle) : first(kTextTrackName);
        if (!first(kTextOpus).empty() || !title.empty()) {
            pugi::xml_node work = Child(root, "work");
            if (!first(kTextOpus).empty()) {
                Text(work, "work-number", first(kTextOpus));
            }
            if (!title.empty()) {
                Text(work, "work-title", title);
            }
        }
        if (!first(kTextSubtitle).empty()) {
            Text(root, "movement-title", first(kTextSubtitle));
        }
        pugi::xml_node identification = Child(root, "identification");
        const std::pair<std::uint8_t, const char*> creators[] = {
            {kTextComposer, "composer"}, {kTextArranger, "arranger"}, {kTextAuthor, "lyricist"}};
        for (const auto& [type, role] : creators) {
            if (auto found = byType.find(type); found != byType.end()) {
                for (ECText* text : found->second) {
                    Text(identification, "creator", text->GetText().str())
                        .append_attribute("type")
                        .set_value(role);
                }
            }
        }
        if (auto found = byType.find(kTextCopyright); found != byType.end()) {
            for (ECText* text : found->second) {
                Text(identification, "rights", text->GetText().str());
            }
        }
        pugi::xml_node encoding = Child(identification, "encoding");
        Text(encoding, "software", "Clavenor");
        // The rest of the title page (and second texts of a kind placed above): credits
        // that say what they are.
        const bool titleFromName = first(kTextTitle).empty();
        for (const auto& [type, texts] : byType) {
            const bool placed = type == kTextTitle || type == kTextSubtitle ||
                                type == kTextComposer || type == kTextArranger ||
                                type == kTextAuthor || type == kTextCopyright ||
                                type == kTextOpus || (type == kTextTrackName && titleFromName);
            const bool all = type == kTextComposer || type == kTextArranger ||
                             type == kTextAuthor || type == kTextCopyright;
            for (std::size_t i = placed ? (all ? texts.size() : 1) : 0; i < texts.size(); ++i) {
                pugi::xml_node credit = Child(root, "credit");
                credit.append_attribute("page").set_value(1);
                Text(credit, "credit-type", GetTextString(type).str());
                Text(credit, "credit-words", texts[i]->GetText().str());
            }
        }
        pugi::xml_node parts = Child(root, "part-list");
        for (const StaffData& staff : m_staves) {
            ScorePart(parts, staff);
        }
        StringWriter writer(out);
        for (pugi::xml_node child : root.children()) {
            child.print(writer, "  ", pugi::format_indent, pugi::encoding_utf8, 1);
        }
    }

    static std::string PartId(const StaffData& staff) {
        std::string id("P");
        id += std::to_string(staff.number);
        return id;
    }

    void ScorePart(pugi::xml_node parts, const StaffData& staff) {
        pugi::xml_node part = Child(parts, "score-part");
        const std::string id = PartId(staff);
        part.append_attribute("id").set_value(id.c_str());
        std::string name;
        std::string instrument;
        int program = -1;
        std::uint8_t channel = DCMidiTrack::None;
        if (staff.staff != nullptr) {
            for (ECBase* child : *staff.staff->GetChildren()) {
                if (child->GetEventId() == EventId::Text) {
                    auto* text = static_cast<ECText*>(child);
                    if (text->GetTextType() == kTextTrackName && name.empty()) {
                        name = text->GetText().str();
                    } else if (text->GetTextType() == kTextInstrument && instrument.empty()) {
                        instrument = text->GetText().str();
                    }
                } else if (auto* patches = dynamic_cast<ECPatchEnv*>(child);
                           patches != nullptr && program < 0 &&
                           !patches->GetChildren()->IsEmpty()) {
                    program = ECPatchEnv::GetProgram(
                        static_cast<ECEnvPoint*>(patches->GetChildren()->GetHead())->GetValue());
                }
            }
            if (DCMidiTrack* record = MCStandardRecords::FindTrack(staff.staff)) {
                channel = record->GetChannel();
            }
        }
        if (name.empty()) {
            name = "Staff " + std::to_string(staff.number);
        }
        Text(part, "part-name", name);
        pugi::xml_node score = Child(part, "score-instrument");
        score.append_attribute("id").set_value((id + "-I1").c_str());
        Text(score, "instrument-name", instrument.empty() ? name : instrument);
        if (channel != DCMidiTrack::None || program >= 0) {
            pugi::xml_node midi = Child(part, "midi-instrument");
            midi.append_attribute("id").set_value((id + "-I1").c_str());
            if (channel != DCMidiTrack::None) {
                Text(midi, "midi-channel", std::to_string(channel + 1));
            }
            if (program >= 0) {
                Text(midi, "midi-program", std::to_string(std::clamp(program, 0, 127) + 1));
            }
        }
    }

    void WritePart(StaffData& staff, std::string& out) {
        out += "  <part id=\"" + PartId(staff) + "\">\n";
        StringWriter writer(out);
        const std::size_t measures = m_measureDivs.size() - 1;
        ECMeter* written = nullptr;
        for (std::size_t m = 0; m < measures; ++m) {
            pugi::xml_document document;
            pugi::xml_node measure = document.append_child("measure");
            measure.append_attribute("number").set_value(std::to_string(m + 1).c_str());
            Barlines(staff, m, measure, true);
            Attributes(staff, m, measure, written);
            WriteMeasure(staff, m, measure);
            Barlines(staff, m, measure, false);
            measure.print(writer, "  ", pugi::format_indent, pugi::encoding_utf8, 2);
        }
        out += "  </part>\n";
    }

    // The barlines of the score's measure `m` at its start (`left`) or at its end and inside
    // it, with the staff's repeats and the score's endings there. An ending ends with its
    // measure: stopped by a backward repeat, else discontinued.
    void Barlines(const StaffData& staff, std::size_t m, pugi::xml_node measure, bool left) {
        ECBarline* style = nullptr;
        ECBarline* inside = nullptr;
        ECMeasure* score =
            m_conductor != nullptr &&
                    m < static_cast<std::size_t>(std::max(0, m_conductor->GetMaxMeasureNumber()))
                ? m_conductor->GetMeasure(0, static_cast<int>(m) + 1)
                : nullptr;
        if (score != nullptr) {
            for (ECBase* child : *score->GetChildren()) {
                if (child->GetEventId() != EventId::Barline) {
                    continue;
                }
                auto* barline = static_cast<ECBarline*>(child);
                const std::uint8_t position = barline->GetBarlinePos();
                if (position == (left ? BarlineAtStart : BarlineAtEnd)) {
                    style = barline;
                } else if (!left && position == BarlineInside) {
                    inside = barline;
                } else if (!left && position != BarlineAtStart) {
                    ++m_unwritable["barline positions BarlinePosition does not name"];
                }
            }
        }
        const bool repeat =
            m < staff.repeats.size() && (left ? staff.repeats[m].first : staff.repeats[m].second);
        auto ending = m_endings.find(m);
        const bool ends = ending != m_endings.end();
        if (inside != nullptr) {
            WriteBarline(measure, "middle", inside, false, {}, {});
        }
        if (style == nullptr && !repeat && !ends) {
            return;
        }
        const std::string number = ends ? std::to_string(ending->second) : std::string();
        const char* endingType = !ends ? nullptr : left ? "start" : repeat ? "stop" : "discontinue";
        WriteBarline(measure, left ? "left" : "right", style, repeat, number, endingType);
    }

    void WriteBarline(pugi::xml_node measure, const char* location, ECBarline* style, bool repeat,
                      const std::string& number, const char* endingType) {
        pugi::xml_node barline = Child(measure, "barline");
        barline.append_attribute("location").set_value(location);
        if (style != nullptr) {
            const char* name = musicxml::BarStyleName(style->GetBarlineType());
            if (*name == '\0') {
                ++m_unwritable["barline types BarlineType does not name"];
            } else {
                Text(barline, "bar-style", name);
            }
        }
        if (endingType != nullptr) {
            pugi::xml_node ending = Child(barline, "ending");
            ending.append_attribute("number").set_value(number.c_str());
            ending.append_attribute("type").set_value(endingType);
        }
        if (repeat) {
            Child(barline, "repeat")
                .append_attribute("direction")
                .set_value(std::strcmp(location, "left") == 0 ? "forward" : "backward");
        }
    }

    void Attributes(const StaffData& staff, std::size_t m, pugi::xml_node measure,
                    ECMeter*& written) {
        ECMeter* meter = nullptr;
        if (m_conductor != nullptr &&
            m < static_cast<std::size_t>(std::max(0, m_conductor->GetMaxMeasureNumber()))) {
            meter = m_conductor->GetMeterAtTime(MCTime(static_cast<float>(m_starts[m])));
        }
        const bool newMeter = meter != nullptr && (written == nullptr || !(*meter == *written));
        const std::vector<ECBase*> none;
        const std::vector<ECBase*>& signs = staff.opening.empty() ? none : staff.opening[m];
        const bool ends = m < staff.openingEnds.size() && staff.openingEnds[m];
        if (m > 0 && !newMeter && signs.empty() && !ends) {
            return;
        }
        pugi::xml_node attributes = Child(measure, "attributes");
        if (m == 0) {
            Text(attributes, "divisions", std::to_string(m_divisions));
        }
        // Of several keys at one time the last holds, as in the staff's cache.
        ECKey* key = nullptr;
        for (ECBase* sign : signs) {
            if (sign->GetEventId() == EventId::Key) {
                key = static_cast<ECKey*>(sign);
            }
        }
        if (key != nullptr) {
            Key(attributes, key);
        }
        if (newMeter) {
            Time(attributes, meter);
            written = meter;
        } else if (m == 0) {
            // Without a meter the measures are the map's own four quarters.
            pugi::xml_node time = Child(attributes, "time");
            Text(time, "beats", "4");
            Text(time, "beat-type", "4");
        }
        ECClef* clef = nullptr;
        for (ECBase* sign : signs) {
            if (sign->GetEventId() == EventId::Clef) {
                clef = static_cast<ECClef*>(sign);
            }
        }
        ECTranspose* transpose = nullptr;
        for (ECBase* sign : signs) {
            if (sign->GetEventId() == EventId::Transpose) {
                transpose = static_cast<ECTranspose*>(sign);
            }
        }
        if (clef != nullptr) {
            Clef(attributes, clef);
        } else if (m == 0) {
            // A staff that starts without a clef gets one that suits its range.
            const bool low =
                staff.pitchCount > 0 && staff.pitchSum < staff.pitchCount * kDefaultPitch;
            pugi::xml_node guessed = Child(attributes, "clef");
            Text(guessed, "sign", low ? "F" : "G");
            Text(guessed, "line", low ? "4" : "2");
        }
        if (transpose != nullptr) {
            Transpose(attributes, static_cast<int>(std::lround(transpose->GetValue())));
        } else if (ends) {
            Transpose(attributes, 0);
        }
    }

    // The steps a transposition of `semitones` moves the written letters by: the interval
    // instruments are usually written in (a minor third for 3 semitones, not an augmented
    // second).
    static int DiatonicSteps(int semitones) {
        static constexpr int kSteps[12] = {0, 1, 1, 2, 2, 3, 3, 4, 5, 5, 6, 6};
        const int size = std::abs(semitones);
        const int steps = 7 * (size / 12) + kSteps[size % 12];
        return semitones < 0 ? -steps : steps;
    }

    static void Transpose(pugi::xml_node attributes, int semitones) {
        pugi::xml_node node = Child(attributes, "transpose");
        Text(node, "diatonic", std::to_string(DiatonicSteps(semitones)));
        Text(node, "chromatic", std::to_string(semitones));
    }

    // A key signature counts sharps or flats, not both: sharps win.
    void Key(pugi::xml_node attributes, ECKey* key) {
        const int sharps = key->GetNumSharps();
        const int flats = key->GetNumFlats();
        if (sharps != 0 && flats != 0) {
            ++m_mixedKeys;
        }
        pugi::xml_node node = Child(attributes, "key");
        Text(node, "fifths", std::to_string(sharps != 0 ? sharps : -flats));
        Text(node, "mode", key->GetMode() != 0 ? "minor" : "major");
    }

    void Clef(pugi::xml_node attributes, ECClef* clef) {
        auto shape = ClefShapeOf(clef->GetClefType());
        if (!shape) {
            ++m_unknownClefs;
            shape = ClefShapeOf(ClefTreble);
        }
        pugi::xml_node node = Child(attributes, "clef");
        Text(node, "sign", shape->sign);
        if (shape->line != 0) {
            Text(node, "line", std::to_string(shape->line));
        }
        if (shape->octaveChange != 0) {
            Text(node, "clef-octave-change", std::to_string(shape->octaveChange));
        }
    }

    static void Time(pugi::xml_node attributes, ECMeter* meter) {
        pugi::xml_node time = Child(attributes, "time");
        auto& numerators = meter->GetCompoundNumerator();
        auto& denominators = meter->GetCompoundDenominator();
        if (numerators.GetSize() > 0 && denominators.GetSize() == 1) {
            std::string beats;
            for (int i = 0; i < numerators.GetSize(); ++i) {
                if (i > 0) {
                    beats += '+';
                }
                beats += std::to_string(numerators[i]);
            }
            Text(time, "beats", beats);
            Text(time, "beat-type", std::to_string(denominators[0]));
        } else if (numerators.GetSize() > 0 && denominators.GetSize() == numerators.GetSize()) {
            for (int i = 0; i < numerators.GetSize(); ++i) {
                Text(time, "beats", std::to_string(numerators[i]));
                Text(time, "beat-type", std::to_string(denominators[i]));
            }
        } else {
            Text(time, "beats", std::to_string(meter->GetNumerator()));
            Text(time, "beat-type", std::to_string(meter->GetDenominator()));
        }
    }

    struct Lane {
        int voice;
        long long end;
        std::vector<const Piece*> pieces;
    };

    void WriteMeasure(StaffData& staff, std::size_t m, pugi::xml_node measure) {
        std::vector<const Piece*> pieces;
        if (!staff.pieces.empty()) {
            for (const Piece& piece : staff.pieces[m]) {
                pieces.push_back(&piece);
            }
        }
        std::stable_sort(pieces.begin(), pieces.end(), [&](const Piece* a, const Piece* b) {
            const int va = staff.events[a->event].voice;
            const int vb = staff.events[b->event].voice;
            return va != vb ? va < vb : a->start < b->start;
        });
        // Each voice's events in lanes that never overlap; a voice's first lane keeps its
        // number, further lanes get numbers above every voice of the staff.
        std::vector<Lane> lanes;
        int spare = staff.topVoice + 2;
        for (const Piece* piece : pieces) {
            const int voice = staff.events[piece->event].voice;
            Lane* lane = nullptr;
            bool firstOfVoice = true;
            for (Lane& candidate : lanes) {
                if (candidate.pieces.empty() ||
                    staff.events[candidate.pieces.front()->event].voice != voice) {
                    continue;
                }
                firstOfVoice = false;
                if (candidate.end <= piece->start) {
                    lane = &candidate;
                    break;
                }
            }
            if (lane == nullptr) {
                lanes.push_back({firstOfVoice ? voice + 1 : spare++, 0, {}});
                lane = &lanes.back();
            }
            lane->pieces.push_back(piece);
            lane->end = piece->end;
        }
        std::vector<Direction> directions =
            staff.directions.empty() ? std::vector<Direction>() : staff.directions[m];
        std::stable_sort(directions.begin(), directions.end(),
                         [](const Direction& a, const Direction& b) {
                             return a.time != b.time ? a.time < b.time : a.sequence < b.sequence;
                         });
        std::size_t nextDirection = 0;
        const long long measureStart = m_measureDivs[m];
        auto emitUntil = [&](long long limit, long long cursor) {
            while (nextDirection < directions.size() && directions[nextDirection].time < limit) {
                WriteDirection(measure, directions[nextDirection],
                               directions[nextDirection].time - cursor);
                ++nextDirection;
            }
        };
        long long cursor = measureStart;
        for (std::size_t l = 0; l < lanes.size(); ++l) {
            if (cursor > measureStart) {
                Text(Child(measure, "backup"), "duration", std::to_string(cursor - measureStart));
                cursor = measureStart;
            }
            for (const Piece* piece : lanes[l].pieces) {
                if (piece->start > cursor) {
                    if (l == 0) {
                        emitUntil(piece->start, cursor);
                    }
                    pugi::xml_node forward = Child(measure, "forward");
                    Text(forward, "duration", std::to_string(piece->start - cursor));
                    Text(forward, "voice", std::to_string(lanes[l].voice));
                    cursor = piece->start;
                }
                if (l == 0) {
                    emitUntil(piece->end, cursor);
                }
                WritePiece(measure, staff, *piece, lanes[l].voice);
                cursor = piece->end;
            }
            if (l == 0) {
                emitUntil(std::numeric_limits<long long>::max(), cursor);
            }
        }
        emitUntil(std::numeric_limits<long long>::max(), cursor);
    }

    // How to write `length` divisions: one value, a tuplet value, or tied values.
    std::vector<Written> Decompose(long long length, ECTuplet* tuplet) {
        std::vector<Written> values;
        const Rational quarters = *Rational::Make(length, m_divisions);
        if (tuplet != nullptr) {
            // A tuplet's own ratio first, so that its notes come back under the same one.
            const int actual = tuplet->GetIrregular();
            const int normal = tuplet->GetNormal();
            if (auto written = musicxml::PlainValue(*Rational::Mul(quarters, {actual, normal}))) {
                values.push_back({length, *written, true, actual, normal,
                                  musicxml::kQuarterIndex + 2 - tuplet->GetUnits()});
                return values;
            }
        }
        if (auto plain = musicxml::PlainValue(quarters)) {
            values.push_back({length, *plain});
            return values;
        }
        for (const auto& [actual, normal] : kTupletRatios) {
            if (auto written = musicxml::PlainValue(*Rational::Mul(quarters, {actual, normal}))) {
                values.push_back({length, *written, true, actual, normal});
                return values;
            }
        }
        if (SplitInto(quarters, 1, 1, values)) {
            return values;
        }
        for (const auto& [actual, normal] : kTupletRatios) {
            values.clear();
            if (SplitInto(quarters, actual, normal, values)) {
                return values;
            }
        }
        values.clear();
        ++m_untyped;
        values.push_back({length, {}, false});
        return values;
    }

    // Tied undotted values whose written lengths add up to `quarters` * actual / normal, each
    // a whole number of divisions long.
    bool SplitInto(const Rational& quarters, int actual, int normal, std::vector<Written>& out) {
        auto left = Rational::Mul(quarters, {actual, normal});
        if (!left) {
            return false;
        }
        while (left->num > 0) {
            auto value = musicxml::LongestValueWithin(*left);
            if (!value) {
                return false;
            }
            const Rational written = musicxml::NoteValueLength(value->index, 0);
            const auto played = Rational::Mul(written, {normal * m_divisions, actual});
            if (!played || played->den != 1) {
                return false;
            }
            out.push_back({played->num, *value, true, actual == normal ? 0 : actual, normal});
            left = Rational::Sub(*left, written);
            if (!left) {
                return false;
            }
        }
        return !out.empty();
    }

    void WritePiece(pugi::xml_node measure, const StaffData& staff, const Piece& piece, int voice) {
        const Event& event = staff.events[piece.event];
        std::vector<Written> values = Decompose(piece.end - piece.start, event.tuplet);
        // Notes played in alternation show twice their value, each in half its time.
        if (values.size() == 1 && values[0].typed && values[0].actual == 0 &&
            values[0].value.index + 1 < musicxml::kNoteValues && Alternates(event)) {
            ++values[0].value.index;
            values[0].actual = 2;
            values[0].normal = 1;
        }
        const bool first = !piece.tieIn;
        if (first && !event.rest) {
            WriteGraceNotes(measure, event, voice, TranspositionAt(staff, event.start));
        }
        for (std::size_t v = 0; v < values.size(); ++v) {
            const bool tieInto = v > 0 || piece.tieIn;
            const bool tieOnward = !event.rest && (v + 1 < values.size() || piece.tieOut);
            if (event.rest) {
                pugi::xml_node note = Child(measure, "note");
                pugi::xml_node rest = Child(note, "rest");
                const bool whole = event.measureRest && values.size() == 1;
                if (whole) {
                    rest.append_attribute("measure").set_value("yes");
                }
                Text(note, "duration", std::to_string(values[v].length));
                Text(note, "voice", std::to_string(voice));
                WriteValue(note, values[v]);
                if (v == 0 && first) {
                    WriteLyrics(note, event);
                }
                ++m_report.rests;
                continue;
            }
            for (std::size_t n = 0; n < event.notes.size(); ++n) {
                const NoteData& data = event.notes[n];
                const bool tieIn = tieInto || (v == 0 && first && data.tiedFrom);
                const bool tieOut =
                    tieOnward || (v + 1 == values.size() && piece.end == event.end && data.tieOn);
                pugi::xml_node note = Child(measure, "note");
                if (data.recorded) {
                    note.append_attribute("dynamics")
                        .set_value(Number(data.velocity * 100.0 / kFullDynamics).c_str());
                }
                if (n > 0) {
                    Child(note, "chord");
                }
                Pitch(note, data, TranspositionAt(staff, event.start));
                Text(note, "duration", std::to_string(values[v].length));
                if (tieIn) {
                    Child(note, "tie").append_attribute("type").set_value("stop");
                }
                if (tieOut) {
                    Child(note, "tie").append_attribute("type").set_value("start");
                }
                Text(note, "voice", std::to_string(voice));
                WriteValue(note, values[v]);
                const bool opening = v == 0 && first;
                const bool closing = v + 1 == values.size() && piece.end == event.end;
                if (n == 0) {
                    WriteBeams(note, event, opening, closing);
                }
                // Whatever starts with the event goes on its first note; a glissando leaves
                // from the note's last value.
                Notations notations(note);
                if (tieIn) {
                    Child(notations(), "tied").append_attribute("type").set_value("stop");
                }
                if (tieOut) {
                    Child(notations(), "tied").append_attribute("type").set_value("start");
                }
                for (const auto& [number, starts] : event.slurs) {
                    if (n == 0 && (starts ? opening : closing)) {
                        pugi::xml_node slur = Child(notations(), "slur");
                        slur.append_attribute("type").set_value(starts ? "start" : "stop");
                        slur.append_attribute("number").set_value(number);
                    }
                }
                if (event.tupletStart && opening && n == 0) {
                    pugi::xml_node bracket = Child(notations(), "tuplet");
                    bracket.append_attribute("type").set_value("start");
                    bracket.append_attribute("bracket").set_value("yes");
                }
                if (event.tupletStop && closing && n == 0) {
                    Child(notations(), "tuplet").append_attribute("type").set_value("stop");
                }
                for (const auto& [number, starts] : data.glissandi) {
                    if (starts ? closing : opening) {
                        pugi::xml_node glissando = Child(notations(), "glissando");
                        glissando.append_attribute("type").set_value(starts ? "start" : "stop");
                        glissando.append_attribute("number").set_value(number);
                    }
                }
                if (opening || closing) {
                    std::vector<ECBase*> marks = ModifiersOf(data.note);
                    if (event.chord != nullptr) {
                        for (ECBase* mark : ModifiersOf(event.chord)) {
                            // The chord's arpeggio is drawn through all its notes; its other
                            // marks go on its first.
                            if (n == 0 || mark->GetEventId() == EventId::Arpeggio) {
                                marks.push_back(mark);
                            }
                        }
                    }
                    // A tremolo to the next note leaves from the note's last value.
                    std::erase_if(marks, [&](ECBase* mark) {
                        return (IsTremoloToNext(mark) ? closing : opening) == false;
                    });
                    WriteModifiers(notations, marks);
                }
                if (v == 0 && first && n == 0) {
                    WriteLyrics(note, event);
                }
                if (v == 0 && first) {
                    ++m_report.notes;
                }
            }
        }
    }

    // The beams of each level on one written value of an event: a value tied on within a
    // beam continues it, so that every value of a note split into tied ones is beamed.
    static void WriteBeams(pugi::xml_node note, const Event& event, bool opening, bool closing) {
        for (std::size_t level = 0; level < event.beams.size(); ++level) {
            const char* value = event.beams[level];
            if (value == nullptr) {
                continue;
            }
            const std::string_view given = value;
            if (given == "forward hook" || given == "backward hook") {
                if (given == "forward hook" ? !opening : !closing) {
                    continue;
                }
            } else if ((given == "begin" && !opening) || (given == "end" && !closing)) {
                value = "continue";
            }
            Text(note, "beam", value)
                .append_attribute("number")
                .set_value(static_cast<int>(level) + 1);
        }
    }

    static bool Alternates(const Event& event) {
        auto alternating = [](ECBase* element) {
            for (ECBase* mark : ModifiersOf(element)) {
                if (mark->GetEventId() == EventId::Tremolo &&
                    static_cast<ECTremolo*>(mark)->GetTremoloType() > TremoloToNext) {
                    return true;
                }
            }
            return false;
        };
        return (event.chord != nullptr && alternating(event.chord)) ||
               std::any_of(event.notes.begin(), event.notes.end(),
                           [&](const NoteData& data) { return alternating(data.note); });
    }

    static bool IsTremoloToNext(ECBase* mark) {
        if (mark->GetEventId() != EventId::Tremolo) {
            return false;
        }
        const std::uint8_t type = static_cast<ECTremolo*>(mark)->GetTremoloType();
        return type > TremoloToNext && type <= TremoloToNext + TremoloMostStrokes;
    }

    // A note's notations element, made when the first notation is written.
    class Notations {
    public:
        explicit Notations(pugi::xml_node note) : m_note(note) {}
        pugi::xml_node operator()() {
            if (!m_notations) {
                m_notations = Child(m_note, "notations");
            }
            return m_notations;
        }

    private:
        pugi::xml_node m_note;
        pugi::xml_node m_notations;
    };

    static std::vector<ECBase*> ModifiersOf(ECBase* element) {
        std::vector<ECBase*> marks;
        for (ECBase* child : *element->GetChildren()) {
            switch (child->GetEventId()) {
            case EventId::Accent:
            case EventId::Trill:
            case EventId::Turn:
            case EventId::Mordent:
            case EventId::Ornament:
            case EventId::Tremolo:
            case EventId::Arpeggio:
                marks.push_back(child);
                break;
            default:
                break;
            }
        }
        return marks;
    }

    static std::uint8_t ModifierType(ECBase* mark) {
        switch (mark->GetEventId()) {
        case EventId::Accent:
            return static_cast<ECAccent*>(mark)->GetAccentType();
        case EventId::Trill:
            return static_cast<ECTrill*>(mark)->GetTrillType();
        case EventId::Turn:
            return static_cast<ECTurn*>(mark)->GetTurnType();
        case EventId::Mordent:
            return static_cast<ECMordent*>(mark)->GetMordentType();
        case EventId::Ornament:
            return static_cast<ECOrnament*>(mark)->GetOrnamentType();
        case EventId::Tremolo:
            return static_cast<ECTremolo*>(mark)->GetTremoloType();
        default:
            return static_cast<ECArpeggio*>(mark)->GetArpeggioType();
        }
    }

    // Modifiers as NotationType.h numbers them: articulations, fermatas, ornaments and
    // arpeggios. A number it does not name is left out, once counted per class.
    void WriteModifiers(Notations& notations, const std::vector<ECBase*>& marks) {
        pugi::xml_node articulations;
        pugi::xml_node ornaments;
        auto ornament = [&](const char* name) {
            if (!ornaments) {
                ornaments = Child(notations(), "ornaments");
            }
            return Child(ornaments, name);
        };
        for (ECBase* mark : marks) {
            const std::uint8_t type = ModifierType(mark);
            switch (mark->GetEventId()) {
            case EventId::Accent:
                if (type < AccentFermata) {
                    if (!articulations) {
                        articulations = Child(notations(), "articulations");
                    }
                    Child(articulations, kArticulationNames[type]);
                } else if (type < AccentTypeCount) {
                    pugi::xml_node fermata = Child(notations(), "fermata");
                    fermata.append_attribute("type").set_value("upright");
                    fermata.text().set(kFermataShapes[type - AccentFermata]);
                } else {
                    ++m_leftOut["accent types NotationType.h does not name"];
                }
                break;
            case EventId::Trill:
                if (type < TrillTypeCount) {
                    ornament("trill-mark");
                    if (type == TrillWithLine) {
                        ornament("wavy-line").append_attribute("type").set_value("start");
                        ornament("wavy-line").append_attribute("type").set_value("stop");
                    }
                } else {
                    ++m_leftOut["trill types NotationType.h does not name"];
                }
                break;
            case EventId::Turn:
                if (type < TurnTypeCount) {
                    ornament(kTurnNames[type]);
                } else {
                    ++m_leftOut["turn types NotationType.h does not name"];
                }
                break;
            case EventId::Mordent:
                if (type < MordentTypeCount) {
                    ornament(kMordentNames[type]);
                } else {
                    ++m_leftOut["mordent types NotationType.h does not name"];
                }
                break;
            case EventId::Ornament:
                if (type < OrnamentTypeCount) {
                    ornament(kOrnamentNames[type]);
                } else {
                    ++m_leftOut["ornament types NotationType.h does not name"];
                }
                break;
            case EventId::Tremolo:
                if (type >= 1 && type <= TremoloMostStrokes) {
                    pugi::xml_node tremolo = ornament("tremolo");
                    tremolo.append_attribute("type").set_value("single");
                    tremolo.text().set(type);
                } else if (type > TremoloToNext && type <= TremoloToNext + TremoloMostStrokes) {
                    pugi::xml_node tremolo = ornament("tremolo");
                    tremolo.append_attribute("type").set_value("start");
                    tremolo.text().set(type - TremoloToNext);
                } else if (type > TremoloFromPrevious &&
                           type <= TremoloFromPrevious + TremoloMostStrokes) {
                    pugi::xml_node tremolo = ornament("tremolo");
                    tremolo.append_attribute("type").set_value("stop");
                    tremolo.text().set(type - TremoloFromPrevious);
                } else {
                    ++m_leftOut["tremolo types NotationType.h does not name"];
                }
                break;
            default: // the arpeggio
                if (type == ArpeggioNone) {
                    Child(notations(), "non-arpeggiate")
                        .append_attribute("type")
                        .set_value("bottom");
                } else if (type < ArpeggioTypeCount) {
                    pugi::xml_node arpeggio = Child(notations(), "arpeggiate");
                    if (type != ArpeggioPlain) {
                        arpeggio.append_attribute("direction")
                            .set_value(type == ArpeggioUp ? "up" : "down");
                    }
                } else {
                    ++m_leftOut["arpeggio types NotationType.h does not name"];
                }
                break;
            }
            Progress();
        }
    }

    static void WriteValue(pugi::xml_node note, const Written& value) {
        if (!value.typed) {
            return;
        }
        Text(note, "type", musicxml::NoteValueName(value.value.index));
        for (int d = 0; d < value.value.dots; ++d) {
            Child(note, "dot");
        }
        if (value.actual > 0) {
            pugi::xml_node modification = Child(note, "time-modification");
            Text(modification, "actual-notes", std::to_string(value.actual));
            Text(modification, "normal-notes", std::to_string(value.normal));
            if (value.unit >= 0) {
                Text(modification, "normal-type", musicxml::NoteValueName(value.unit));
            }
        }
    }

    // The written pitch of a note that sounds `semitones` above it: the sounding spelling's
    // letter moved by the transposition's steps, when an alteration reaches it.
    void Pitch(pugi::xml_node note, const NoteData& data, int semitones) {
        int written = data.pitch - semitones;
        if (written < 0 || written > 127) {
            ++m_leftOut["transpositions that take notes beyond the MIDI keys (the notes written "
                        "untransposed)"];
            written = data.pitch;
            semitones = 0;
        }
        musicxml::Spelling spelling = musicxml::SpellPlain(written, false);
        if (data.spelling != DCNote::AutoSpelling) {
            if (auto chosen = musicxml::SpellWith(data.pitch, data.spelling)) {
                int step = chosen->step - DiatonicSteps(semitones);
                const int octave = chosen->octave + (step >= 0 ? step / 7 : (step - 6) / 7);
                step = ((step % 7) + 7) % 7;
                const auto natural = musicxml::KeyOf({step, 0, octave});
                if (natural && std::abs(written - *natural) <= 2) {
                    spelling = {step, written - *natural, octave};
                }
            }
        }
        pugi::xml_node pitch = Child(note, "pitch");
        Text(pitch, "step", std::string(1, musicxml::StepLetter(spelling.step)));
        if (spelling.alter != 0) {
            Text(pitch, "alter", std::to_string(spelling.alter));
        }
        Text(pitch, "octave", std::to_string(spelling.octave));
    }

    void WriteGraceNotes(pugi::xml_node measure, const Event& event, int voice, int semitones) {
        std::vector<std::pair<ECGraceNote*, const NoteData*>> graces;
        for (const NoteData& data : event.notes) {
            for (ECBase* child : *data.note->GetChildren()) {
                if (child->GetEventId() == EventId::GraceNote) {
                    graces.emplace_back(static_cast<ECGraceNote*>(child), &data);
                }
            }
        }
        std::stable_sort(graces.begin(), graces.end(), [](const auto& a, const auto& b) {
            return TimeOf(a.first) < TimeOf(b.first);
        });
        for (std::size_t g = 0; g < graces.size(); ++g) {
            ECGraceNote* grace = graces[g].first;
            NoteData data{grace, kDefaultPitch, DCNote::AutoSpelling, 64, false};
            if (DCNote* record = MCStandardRecords::FindNote(grace)) {
                data = {grace, record->GetPitch(), record->GetSpelling(),
                        std::max<std::uint8_t>(record->GetVelocity(), 1), true};
            } else {
                ++m_unpitched;
            }
            pugi::xml_node note = Child(measure, "note");
            if (data.recorded) {
                note.append_attribute("dynamics")
                    .set_value(Number(data.velocity * 100.0 / kFullDynamics).c_str());
            }
            Child(note, "grace");
            if (g > 0 && TimeOf(graces[g - 1].first) == TimeOf(grace)) {
                Child(note, "chord");
            }
            Pitch(note, data, semitones);
            Text(note, "voice", std::to_string(voice));
            Text(note, "type", musicxml::NoteValueName(GraceValue(grace)));
            Notations notations(note);
            // Slurs leave from the first grace note and end on the last.
            for (const auto& [number, starts] : event.graceSlurs) {
                if (starts ? g == 0 : g + 1 == graces.size()) {
                    pugi::xml_node slur = Child(notations(), "slur");
                    slur.append_attribute("type").set_value(starts ? "start" : "stop");
                    slur.append_attribute("number").set_value(number);
                }
            }
            WriteModifiers(notations, ModifiersOf(grace));
            ++m_report.notes;
            Progress();
        }
    }

    // The undotted value nearest a grace note's length (an eighth when it has none).
    static int GraceValue(ECGraceNote* grace) {
        const double length = grace->GetDuration()->GetSeconds();
        if (!(length > 0.0)) {
            return musicxml::kQuarterIndex - 1;
        }
        int best = musicxml::kQuarterIndex - 1;
        double distance = std::numeric_limits<double>::infinity();
        for (int index = 0; index < musicxml::kNoteValues; ++index) {
            const double value = musicxml::NoteValueLength(index, 0).ToDouble();
            const double d = std::abs(std::log2(value / length));
            if (d < distance) {
                distance = d;
                best = index;
            }
        }
        return best;
    }

    void WriteLyrics(pugi::xml_node note, const Event& event) {
        static const char* const kSyllabic[] = {"single", "begin", "middle", "end"};
        for (ECLyric* lyric : event.lyrics) {
            pugi::xml_node node = Child(note, "lyric");
            node.append_attribute("number").set_value(
                std::to_string(lyric->GetVerse() + 1).c_str());
            Text(node, "syllabic", kSyllabic[lyric->GetAuxType() & 3]);
            Text(node, "text", lyric->GetText().str());
        }
    }

    void Offset(pugi::xml_node parent, long long offset) {
        if (offset != 0) {
            pugi::xml_node node = Text(parent, "offset", std::to_string(offset));
            node.append_attribute("sound").set_value("yes");
        }
    }

    void WriteDirection(pugi::xml_node measure, const Direction& direction, long long offset) {
        if (direction.kind == DirectionKind::Harmony) {
            Harmony(measure, static_cast<ECChordSymbol*>(direction.element), offset);
            return;
        }
        if (direction.kind == DirectionKind::Attribute) {
            // Attributes take no offset: one inside a note or rest goes to its start.
            if (offset != 0) {
                ++m_displacedSigns;
            }
            pugi::xml_node attributes = Child(measure, "attributes");
            if (direction.element == nullptr) {
                Transpose(attributes, 0); // the end of a transposition
            } else if (direction.element->GetEventId() == EventId::Key) {
                Key(attributes, static_cast<ECKey*>(direction.element));
            } else if (direction.element->GetEventId() == EventId::Transpose) {
                Transpose(attributes,
                          static_cast<int>(std::lround(
                              static_cast<ECTranspose*>(direction.element)->GetValue())));
            } else {
                Clef(attributes, static_cast<ECClef*>(direction.element));
            }
            Progress();
            return;
        }
        pugi::xml_node node = Child(measure, "direction");
        switch (direction.kind) {
        case DirectionKind::Tempo: {
            auto* tempo = static_cast<ECTempo*>(direction.element);
            node.append_attribute("placement").set_value("above");
            const std::string words = tempo->GetText().str();
            if (!words.empty()) {
                Text(Child(node, "direction-type"), "words", words);
            }
            pugi::xml_node metronome = Child(Child(node, "direction-type"), "metronome");
            const float beat = tempo->GetBeat();
            auto unit = musicxml::PlainValue(Approximate(beat));
            if (!unit || unit->dots > 1) {
                unit = WrittenValue{musicxml::kQuarterIndex, 0};
            }
            Text(metronome, "beat-unit", musicxml::NoteValueName(unit->index));
            if (unit->dots == 1) {
                Child(metronome, "beat-unit-dot");
            }
            const double quarters = musicxml::NoteValueLength(unit->index, unit->dots).ToDouble();
            Text(metronome, "per-minute", Number(tempo->GetValue() / quarters));
            Offset(node, offset);
            Child(node, "sound")
                .append_attribute("tempo")
                .set_value(Number(tempo->GetValue()).c_str());
            break;
        }
        case DirectionKind::Words:
        case DirectionKind::Rehearsal: {
            auto* text = static_cast<ECText*>(direction.element);
            pugi::xml_node words =
                Text(Child(node, "direction-type"),
                     direction.kind == DirectionKind::Words ? "words" : "rehearsal",
                     text->GetText().str());
            if (text->IsBold() != 0) {
                words.append_attribute("font-weight").set_value("bold");
            }
            if (text->IsItalic() != 0) {
                words.append_attribute("font-style").set_value("italic");
            }
            Offset(node, offset);
            break;
        }
        case DirectionKind::Dynamic: {
            auto* dynamic = static_cast<ECDynamic*>(direction.element);
            const std::uint8_t type = dynamic->GetDynamicType();
            pugi::xml_node kind = Child(node, "direction-type");
            const std::string text = dynamic->GetText().str();
            if (type >= kCrescendoWords && type <= kDiminuendoWords) {
                Text(kind, "words", text);
            } else {
                pugi::xml_node marks = Child(kind, "dynamics");
                if (type <= kLastLevel && text == musicxml::DynamicName(type)) {
                    Child(marks, musicxml::DynamicName(type));
                } else if (musicxml::IsDynamicElement(text)) {
                    Child(marks, text.c_str());
                } else {
                    Text(marks, "other-dynamics", text);
                }
            }
            Offset(node, offset);
            Child(node, "sound")
                .append_attribute("dynamics")
                .set_value(Number(dynamic->GetValue() * 100.0 / kFullDynamics, 6).c_str());
            break;
        }
        case DirectionKind::WedgeStart:
        case DirectionKind::WedgeStop: {
            pugi::xml_node wedge = Child(Child(node, "direction-type"), "wedge");
            const bool crescendo =
                static_cast<ECDynamic*>(direction.element)->GetDynamicType() == kCrescendoWedge;
            wedge.append_attribute("type").set_value(direction.kind == DirectionKind::WedgeStop
                                                         ? "stop"
                                                     : crescendo ? "crescendo"
                                                                 : "diminuendo");
            wedge.append_attribute("number").set_value(direction.number);
            Offset(node, offset);
            break;
        }
        case DirectionKind::PedalStart:
        case DirectionKind::PedalStop: {
            pugi::xml_node pedal = Child(Child(node, "direction-type"), "pedal");
            pedal.append_attribute("type").set_value(
                direction.kind == DirectionKind::PedalStart ? "start" : "stop");
            pedal.append_attribute("line").set_value("yes");
            Offset(node, offset);
            break;
        }
        case DirectionKind::Flow:
            WriteFlow(node, static_cast<ECFlowControl*>(direction.element), offset);
            break;
        case DirectionKind::OctaveStart:
        case DirectionKind::OctaveStop: {
            const std::uint8_t type =
                static_cast<ECTranspose*>(direction.element)->GetTransposeType();
            pugi::xml_node shift = Child(Child(node, "direction-type"), "octave-shift");
            const bool up = type == TransposeOctaveUp || type == TransposeTwoOctavesUp;
            shift.append_attribute("type").set_value(direction.kind == DirectionKind::OctaveStop
                                                         ? "stop"
                                                     : up ? "down"
                                                          : "up");
            shift.append_attribute("size").set_value(
                type == TransposeOctaveUp || type == TransposeOctaveDown ? 8 : 15);
            shift.append_attribute("number").set_value(direction.number);
            Offset(node, offset);
            break;
        }
        case DirectionKind::Harmony:
        case DirectionKind::Attribute:
            break;
        }
        Progress();
    }

    // A segno or coda sign, or Fine or a jump as its words; the sound says how it plays.
    void WriteFlow(pugi::xml_node node, ECFlowControl* flow, long long offset) {
        node.append_attribute("placement").set_value("above");
        const std::uint8_t type = flow->GetFlowControlType();
        pugi::xml_node kind = Child(node, "direction-type");
        if (type == FlowSegno || type == FlowCoda) {
            Child(kind, type == FlowSegno ? "segno" : "coda");
        } else if (type == FlowToCoda && flow->GetText().IsEmpty()) {
            Text(kind, "words", musicxml::kToCodaWords);
        } else {
            Text(kind, "words", flow->GetText().str());
        }
        Offset(node, offset);
        pugi::xml_node sound = Child(node, "sound");
        if (type == FlowSegno) {
            sound.append_attribute("segno").set_value("segno");
        } else if (type == FlowCoda) {
            sound.append_attribute("coda").set_value("coda");
        } else if (type == FlowFine) {
            sound.append_attribute("fine").set_value("yes");
        } else if (type == FlowToCoda) {
            sound.append_attribute("tocoda").set_value("coda");
        } else if (type < FlowDalSegno) {
            sound.append_attribute("dacapo").set_value("yes");
        } else {
            sound.append_attribute("dalsegno").set_value("segno");
        }
    }

    static Rational Approximate(float quarters) {
        // Beats are note values: a 64th at the finest.
        const long long scaled = std::llround(static_cast<double>(quarters) * 64.0);
        return *Rational::Make(std::max(1LL, scaled), 64);
    }

    // Chord roots and basses: letter * 4 + accidental (0 flat, 1 natural, 2 sharp,
    // 3 double sharp); 28 no bass.
    static void Root(pugi::xml_node parent, const char* stepName, const char* alterName,
                     int value) {
        Text(parent, stepName, std::string(1, musicxml::StepLetter(value / 4)));
        const int alter = value % 4 - 1;
        if (alter != 0) {
            Text(parent, alterName, std::to_string(alter));
        }
    }

    void Harmony(pugi::xml_node measure, ECChordSymbol* symbol, long long offset) {
        static const std::pair<int, const char*> kKinds[] = {{0, "major"},
                                                             {1, "minor"},
                                                             {2, "diminished"},
                                                             {3, "augmented"},
                                                             {4, "major-seventh"},
                                                             {5, "minor-seventh"},
                                                             {8, "dominant"},
                                                             {10, "half-diminished"},
                                                             {11, "suspended-fourth"},
                                                             {12, "major-minor"},
                                                             {19, "minor-sixth"},
                                                             {20, "major-sixth"},
                                                             {21, "dominant-ninth"}};
        const int root = symbol->GetChordRoot();
        if (root < 0 || root >= 28) {
            ++m_unwritable["chord symbols without a root"];
            return;
        }
        pugi::xml_node harmony = Child(measure, "harmony");
        Root(Child(harmony, "root"), "root-step", "root-alter", root);
        const int flavor = symbol->GetChordFlavor();
        const char* kind = "major";
        bool named = false;
        for (const auto& [value, name] : kKinds) {
            if (value == flavor) {
                kind = name;
                named = true;
            }
        }
        if (!named && flavor != 28) {
            kind = "other";
        }
        std::string text = symbol->GetChordQuality().str();
        if (text.empty() && flavor > 0 && flavor < 28) {
            text = GetChordSymbolString(static_cast<std::uint8_t>(flavor)).str();
        }
        pugi::xml_node kindNode = Text(harmony, "kind", flavor == 28 ? "none" : kind);
        kindNode.append_attribute("text").set_value(text.c_str());
        const int bass = symbol->GetChordBass();
        if (bass >= 0 && bass < 28) {
            Root(Child(harmony, "bass"), "bass-step", "bass-alter", bass);
        }
        if (offset != 0) {
            Text(harmony, "offset", std::to_string(offset));
        }
        Progress();
    }

    // ------------------------------------------------------------------ report

    void Summarise() {
        m_report.parts = static_cast<int>(m_staves.size());
        m_report.measures = static_cast<int>(m_measureDivs.size() - 1);
        auto warn = [&](std::size_t count, const std::string& what) {
            if (count != 0) {
                m_report.warnings.push_back(what + ": " + std::to_string(count));
            }
        };
        warn(m_rounded, "times that fall on no division, rounded to 1/" +
                            std::to_string(m_divisions) + " of a quarter note");
        warn(m_unpitched, "notes without a note record, written as middle C");
        warn(m_silent, "notes of no length, written with the shortest length");
        warn(m_typelessRests, "rests without a rest type, left out");
        warn(m_strayLyrics, "lyrics at no note's or rest's start, left out");
        warn(m_untyped, "lengths no note value or tuplet has, written without a type");
        warn(m_unwrittenFlow, "flow controls of types NotationType.h does not name, not "
                              "written");
        warn(m_mixedKeys, "keys with both sharps and flats, written with their sharps");
        warn(m_unknownClefs, "clef types ClefType does not name, written as treble clefs");
        warn(m_displacedSigns, "keys and clefs inside a note or rest, written at its start");
        warn(m_addedMeasures, "measures added after the last one for notes that end there");
        for (const auto& [kind, count] : m_unwritable) {
            warn(count, kind + " (MusicXML holds none), left out");
        }
        for (const auto& [kind, count] : m_leftOut) {
            warn(count, kind + ", left out");
        }
    }

    ECPerformance& m_document;
    const MusicXmlExporter::Options& m_options;
    MusicXmlExportReport& m_report;
    ECConductor* m_conductor = nullptr;
    std::vector<double> m_starts;
    double m_end = 0.0;
    std::vector<GridSample> m_samples;
    long long m_divisions = 1;
    std::vector<long long> m_measureDivs;
    std::vector<StaffData> m_staves;
    std::vector<ECText*> m_titles;
    std::unordered_set<ECBase*> m_visited;
    std::unordered_set<ECBase*> m_sampled;
    std::map<std::string, std::size_t> m_unwritable;
    std::map<std::string, std::size_t> m_leftOut;
    // The ending number of each measure that starts an ending.
    std::map<std::size_t, int> m_endings;
    std::uint64_t m_sequence = 0;
    std::size_t m_done = 0;
    std::size_t m_total = 0;
    std::size_t m_rounded = 0;
    std::size_t m_unpitched = 0;
    std::size_t m_silent = 0;
    std::size_t m_typelessRests = 0;
    std::size_t m_strayLyrics = 0;
    std::size_t m_untyped = 0;
    std::size_t m_addedMeasures = 0;
    std::size_t m_mixedKeys = 0;
    std::size_t m_unwrittenFlow = 0;
    std::size_t m_unknownClefs = 0;
    std::size_t m_displacedSigns = 0;
};

} // namespace

std::string MusicXmlExporter::Export(ECPerformance& document, const Options& options,
                                     MusicXmlExportReport* report) {
    // Filled afresh, and handed over only once the export has succeeded.
    MusicXmlExportReport made;
    std::string xml = Exporter(document, options, made).Run();
    if (report != nullptr) {
        *report = std::move(made);
    }
    return xml;
}

} // namespace clavenor
