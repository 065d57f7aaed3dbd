#include "clavenor/interchange/MidiExporter.h"

#include "clavenor/interchange/MidiFileException.h"
#include "clavenor/interchange/detail/TiedNotes.h"

#include <clavenor/clavenor.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <unordered_set>

namespace clavenor {

namespace {

constexpr int FallbackDivision = 960;
constexpr int CandidateDivisions[] = {480,  960,  384, 192, 96,  1920, 120,  240,  1000, 1024,
                                      3840, 2048, 500, 600, 768, 1536, 4096, 7680, 8192, 15360};
constexpr std::uint8_t DrumChannel = 9;
constexpr std::uint8_t DefaultPitch = 60;
constexpr std::uint8_t DefaultVelocity = 64;
constexpr int LastTextMeta = 7;
constexpr std::size_t ProgressElements = 1 << 16;

// Events at one tick are written in this order.
enum Order { OrderMeta, OrderSysEx, OrderNoteOff, OrderChannel, OrderNoteOn };

struct Item {
    double time;
    std::size_t track;
    int order;
    std::uint64_t sequence;
    std::uint8_t status;
    std::uint8_t data1;
    std::uint8_t data2;
    // Meta events and system exclusive messages: their bytes.
    std::vector<std::uint8_t> bytes;
    // Note-offs: the start of their note. Of two note-offs at one tick, the one of the
    // earlier note goes first, so that a reader pairing first on with first off gives each
    // note its own release velocity back.
    double noteStart = 0.0;
    // Note-offs: their note's length. The off's tick is the on's plus the length's, each
    // rounded on its own: far into a piece a float time is coarser than a tick, and the
    // rounded sum of start and length would let the off move a tick each round trip.
    double noteLength = -1.0;
    std::uint64_t tick = 0;
};

std::uint8_t Clamp7(float value) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 127L));
}

class Exporter {
public:
    Exporter(ECPerformance& document, const MidiExporter::Options& options,
             MidiExportReport& report)
        : m_document(document), m_options(options), m_report(report) {}

    MidiFile Run() {
        ECConductor* conductor = m_document.GetConductor();
        m_total = CountBelow(&m_document);
        m_tracks = 1;
        if (conductor != nullptr) {
            ECConductorStaff* conductorStaff = conductor->GetConductorStaff();
            const int staves = conductor->GetMaxTrackNumber(1);
            if (staves > 0xFFFE) {
                throw MidiFileException(MidiFileException::NoOffset,
                                        std::to_string(staves) +
                                            " staves (a file holds at most 65534 and a conductor "
                                            "track)");
            }
            m_tracks = static_cast<std::size_t>(staves) + 1;
            m_end = conductor->GetMaxMeasureEndTime().GetSeconds();
            Conductor(conductorStaff);
            std::uint8_t nextChannel = 0;
            std::size_t written = 0;
            for (int n = 1; n <= staves; ++n) {
                auto* staff = static_cast<ECStaff*>(conductor->GetTrack(1, n, 0));
                if (staff != nullptr) {
                    Staff(staff, static_cast<std::size_t>(n), nextChannel);
                    ++written;
                }
            }
            Keys(written);
        }
        const int division = ChooseDivision();
        m_report.division = division;
        m_report.tracks = static_cast<int>(m_tracks);
        return Build(division);
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
        if (++m_done % ProgressElements == 0 && m_options.progress) {
            m_options.progress(m_done, m_total);
        }
    }

    // Half the spacing of floats around `time`: how far a float time may lie from the
    // exact time it stands for.
    static double HalfUlp(double time) {
        const auto single = static_cast<float>(time);
        return (std::nextafter(single, std::numeric_limits<float>::infinity()) - single) / 2.0;
    }

    // `error`: how far the time may lie from the exact time it stands for, beyond the float's
    // own rounding (a note's end adds its start's and its duration's).
    Item& Add(double time, std::size_t track, int order, std::uint8_t status,
              std::uint8_t data1 = 0, std::uint8_t data2 = 0, double error = 0.0) {
        m_items.push_back({time, track, order, m_sequence++, status, data1, data2, {}});
        m_times.push_back({time, HalfUlp(time) + error});
        return m_items.back();
    }

    void Meta(double time, std::size_t track, std::uint8_t type, std::vector<std::uint8_t> bytes) {
        Add(time, track, OrderMeta, MidiEvent::Meta, type).bytes = std::move(bytes);
    }

    void Text(double time, std::size_t track, std::uint8_t type, const CString& text) {
        Meta(time, track, type,
             std::vector<std::uint8_t>(text.GetString(), text.GetString() + text.GetLength()));
    }

    // The track a conductor element filed under staff `track` goes to.
    std::size_t TrackOf(ECBase* element) const {
        const int track = element->GetTrack();
        return track >= 1 && static_cast<std::size_t>(track) < m_tracks
                   ? static_cast<std::size_t>(track)
                   : 0;
    }

    static double TimeOf(ECBase* element) { return element->GetTime()->GetSeconds(); }

    void Conductor(ECConductorStaff* staff) {
        if (staff == nullptr) {
            return;
        }
        if (ECTempoEnv* tempi = staff->GetTempoEnv()) {
            for (ECBase* child : *tempi->GetChildren()) {
                auto* tempo = static_cast<ECTempo*>(child);
                const float perMinute = tempo->GetValue();
                if (!(perMinute > 0.0f)) {
                    continue;
                }
                const auto us = static_cast<std::uint32_t>(
                    std::clamp(std::llround(60e6 / perMinute), 1LL, 0xFFFFFFLL));
                Meta(TimeOf(tempo), 0, MidiEvent::MetaTempo,
                     {static_cast<std::uint8_t>(us >> 16), static_cast<std::uint8_t>(us >> 8),
                      static_cast<std::uint8_t>(us)});
                Progress();
            }
        }
        if (ECMeterEnv* meters = staff->GetMeterEnv()) {
            for (ECBase* child : *meters->GetChildren()) {
                auto* meter = static_cast<ECMeter*>(child);
                std::uint8_t power = 0;
                while (power < 7 && (1 << power) < meter->GetDenominator()) {
                    ++power;
                }
                Meta(TimeOf(meter), 0, MidiEvent::MetaTimeSignature,
                     {meter->GetNumerator(), power, 24, 8});
                Progress();
            }
        }
        for (ECBase* child : *staff->GetChildren()) {
            if (auto* text = dynamic_cast<ECText*>(child)) {
                TextElement(text, TrackOf(text));
            } else if (auto* message = dynamic_cast<ECSystemMessage*>(child)) {
                Message(message);
            }
        }
    }

    void TextElement(ECText* text, std::size_t track) {
        const int type = text->GetTextType();
        Text(TimeOf(text), track,
             static_cast<std::uint8_t>(type >= 1 && type <= LastTextMeta ? type
                                                                         : MidiEvent::MetaText),
             text->GetText());
        Progress();
    }

    void Message(ECSystemMessage* message) {
        DCMidiMessage* record = MCStandardRecords::FindMessage(message);
        if (record == nullptr) {
            ++m_bytelessMessages;
            return;
        }
        const std::size_t track = TrackOf(message);
        if (record->GetStatus() == DCMidiMessage::Meta) {
            Meta(TimeOf(message), track, record->GetMetaType(), record->GetData());
        } else {
            Add(TimeOf(message), track, OrderSysEx, record->GetStatus()).bytes = record->GetData();
        }
        Progress();
    }

    void Staff(ECStaff* staff, std::size_t track, std::uint8_t& nextChannel) {
        std::uint8_t channel = DCMidiTrack::None;
        if (DCMidiTrack* record = MCStandardRecords::FindTrack(staff)) {
            channel = record->GetChannel();
            if (record->GetPort() != DCMidiTrack::None) {
                Meta(0.0, track, MidiEvent::MetaPort, {record->GetPort()});
            }
        }
        if (channel == DCMidiTrack::None) {
            if (nextChannel == DrumChannel) {
                ++nextChannel;
            }
            channel = nextChannel;
            nextChannel = static_cast<std::uint8_t>((nextChannel + 1) % 16);
        }
        for (ECBase* child : *staff->GetChildren()) {
            switch (child->GetEventId()) {
            case EventId::Measure:
                Contents(child, track, channel);
                break;
            case EventId::Text:
                TextElement(static_cast<ECText*>(child), track);
                break;
            case EventId::ChannelMode: {
                auto* mode = static_cast<ECChannelMode*>(child);
                Add(TimeOf(mode), track, OrderChannel, static_cast<std::uint8_t>(0xB0 | channel),
                    mode->GetControllerNum() & 0x7F, Clamp7(mode->GetValue()));
                Progress();
                break;
            }
            default:
                if (auto* envelope = dynamic_cast<ECEnvelope*>(child)) {
                    Envelope(envelope, track, channel);
                }
                break;
            }
        }
    }

    void Envelope(ECEnvelope* envelope, std::size_t track, std::uint8_t channel) {
        for (ECBase* child : *envelope->GetChildren()) {
            auto* point = static_cast<ECEnvPoint*>(child);
            const double time = TimeOf(point);
            const float value = point->GetValue();
            if (auto* controller = dynamic_cast<ECControllerEnv*>(envelope)) {
                auto* change = dynamic_cast<ECControlChange*>(point);
                const int number = change != nullptr ? change->GetControllerNum()
                                                     : controller->GetControllerType();
                Add(time, track, OrderChannel, static_cast<std::uint8_t>(0xB0 | channel),
                    static_cast<std::uint8_t>(number & 0x7F), Clamp7(value));
            } else if (dynamic_cast<ECPitchBendEnv*>(envelope) != nullptr) {
                const auto bend = static_cast<int>(std::clamp(std::lround(value), 0L, 16383L));
                Add(time, track, OrderChannel, static_cast<std::uint8_t>(0xE0 | channel),
                    static_cast<std::uint8_t>(bend & 0x7F), static_cast<std::uint8_t>(bend >> 7));
            } else if (dynamic_cast<ECPatchEnv*>(envelope) != nullptr) {
                const int msb = ECPatchEnv::GetBankMSB(value);
                const int lsb = ECPatchEnv::GetBankLSB(value);
                if (msb != 0 || lsb != 0) {
                    Add(time, track, OrderChannel, static_cast<std::uint8_t>(0xB0 | channel), 0,
                        static_cast<std::uint8_t>(msb));
                    Add(time, track, OrderChannel, static_cast<std::uint8_t>(0xB0 | channel), 32,
                        static_cast<std::uint8_t>(lsb));
                }
                Add(time, track, OrderChannel, static_cast<std::uint8_t>(0xC0 | channel),
                    static_cast<std::uint8_t>(ECPatchEnv::GetProgram(value)));
            } else if (dynamic_cast<ECChanPressureEnv*>(envelope) != nullptr) {
                Add(time, track, OrderChannel, static_cast<std::uint8_t>(0xD0 | channel),
                    Clamp7(value));
            } else if (auto* poly = dynamic_cast<ECPolyPressureEnv*>(envelope)) {
                auto* pressure = dynamic_cast<ECPolyPressure*>(point);
                const int key = pressure != nullptr ? pressure->GetKey() : poly->GetKey();
                Add(time, track, OrderChannel, static_cast<std::uint8_t>(0xA0 | channel),
                    static_cast<std::uint8_t>(key & 0x7F), Clamp7(value));
            } else {
                ++m_unwritablePoints;
            }
            Progress();
        }
    }

    // Notes, grace notes and lyrics anywhere below a measure; each once, however many
    // parents (a chord and a beam) hold it.
    void Contents(ECBase* element, std::size_t track, std::uint8_t channel) {
        for (ECBase* child : *element->GetChildren()) {
            if (child->GetParents()->GetCount() > 1 && !m_visited.insert(child).second) {
                continue;
            }
            switch (child->GetEventId()) {
            case EventId::Note:
            case EventId::GraceNote:
                NoteElement(static_cast<ECNote*>(child), track, channel);
                break;
            case EventId::Lyric:
                Text(TimeOf(child), track, MidiEvent::MetaLyric,
                     static_cast<ECLyric*>(child)->GetText());
                Progress();
                break;
            case EventId::Key: {
                auto* key = static_cast<ECKey*>(child);
                if (key->GetHand() != 0) {
                    ++m_secondHandKeys;
                    break;
                }
                // A key signature counts sharps or flats, not both: sharps win.
                const int sharps =
                    key->GetNumSharps() != 0 ? key->GetNumSharps() : -key->GetNumFlats();
                m_keys.push_back({TimeOf(key),
                                  track,
                                  {static_cast<std::uint8_t>(sharps),
                                   static_cast<std::uint8_t>(key->GetMode())}});
                Progress();
                break;
            }
            default:
                break;
            }
            if (child->GetChildren() != nullptr && !child->GetChildren()->IsEmpty()) {
                Contents(child, track, channel);
            }
        }
    }

    // A key every staff has (same time, same signature) goes once to the conductor's track,
    // where the importer takes it from for every staff; any other to its staff's track.
    void Keys(std::size_t staves) {
        std::map<std::pair<double, std::vector<std::uint8_t>>, std::set<std::size_t>> holders;
        for (const KeyItem& key : m_keys) {
            holders[{key.time, key.bytes}].insert(key.track);
        }
        std::set<std::pair<double, std::vector<std::uint8_t>>> shared;
        for (const KeyItem& key : m_keys) {
            if (holders[{key.time, key.bytes}].size() < staves) {
                Meta(key.time, key.track, MidiEvent::MetaKeySignature, key.bytes);
            } else if (shared.insert({key.time, key.bytes}).second) {
                Meta(key.time, 0, MidiEvent::MetaKeySignature, key.bytes);
            }
        }
    }

    // Whether `later`, tied on from `earlier`, continues its sound: the same key, starting
    // no later than `earlier` ends. A tie between notes apart in time or key plays both.
    static bool Joined(ECNote* earlier, ECNote* later) {
        DCNote* first = MCStandardRecords::FindNote(earlier);
        DCNote* second = MCStandardRecords::FindNote(later);
        const std::uint8_t a = first != nullptr ? first->GetPitch() : DefaultPitch;
        const std::uint8_t b = second != nullptr ? second->GetPitch() : DefaultPitch;
        const double end = TimeOf(earlier) + std::max(0.0f, earlier->GetDuration()->GetSeconds());
        return a == b && TimeOf(later) <= end + HalfUlp(end) + HalfUlp(TimeOf(later));
    }

    void NoteElement(ECNote* note, std::size_t track, std::uint8_t channel) {
        std::uint8_t pitch = DefaultPitch;
        std::uint8_t velocity = DefaultVelocity;
        std::uint8_t release = DefaultVelocity;
        if (DCNote* record = MCStandardRecords::FindNote(note)) {
            pitch = record->GetPitch();
            velocity = std::max<std::uint8_t>(record->GetVelocity(), 1);
            release = record->GetReleaseVelocity();
        } else {
            ++m_unpitched;
        }
        // Tied notes sound as one: the first plays on to the end of the last, the others
        // play nothing of their own.
        if (ECNote* before = ties::Previous(note); before != nullptr && Joined(before, note)) {
            Progress();
            return;
        }
        const double start = TimeOf(note);
        double end = start + std::max(0.0f, note->GetDuration()->GetSeconds());
        for (ECNote *at = note, *next = ties::Next(note); next != nullptr && Joined(at, next);
             at = next, next = ties::Next(next)) {
            end = std::max(end, TimeOf(next) + std::max(0.0f, next->GetDuration()->GetSeconds()));
        }
        const double length = end - start;
        Add(start, track, OrderNoteOn, static_cast<std::uint8_t>(0x90 | channel), pitch, velocity);
        // A note of no length keeps its note-off right after its note-on: same order, next
        // in sequence.
        const bool silent = end <= start;
        Item& off = Add(end, track, silent ? OrderNoteOn : OrderNoteOff,
                        static_cast<std::uint8_t>(0x80 | channel), pitch, release,
                        HalfUlp(start) + HalfUlp(length));
        off.noteStart = start;
        off.noteLength = length;
        Progress();
    }

    struct TimeError {
        double time;
        double error;
    };

    // Whether a time, give or take its error, is a whole number of ticks.
    static bool OnTick(const TimeError& time, int division) {
        const double ticks = time.time * division;
        return std::abs(ticks - std::nearbyint(ticks)) <= time.error * division + 1e-9;
    }

    int ChooseDivision() {
        if (m_options.division > 0) {
            return m_options.division;
        }
        m_times.push_back({m_end, HalfUlp(m_end)});
        for (const int division : CandidateDivisions) {
            if (std::all_of(m_times.begin(), m_times.end(),
                            [&](const TimeError& time) { return OnTick(time, division); })) {
                return division;
            }
        }
        m_report.warnings.push_back("times that fall on no whole tick of a common division were "
                                    "rounded to " +
                                    std::to_string(FallbackDivision) + " ticks per quarter note");
        return FallbackDivision;
    }

    MidiFile Build(int division) {
        MidiFile file;
        file.format = 1;
        file.division = static_cast<std::uint16_t>(division);
        file.tracks.resize(m_tracks);
        auto ticks = [&](double time) -> std::uint64_t {
            const double value = std::nearbyint(std::max(0.0, time) * division);
            if (value > 1e15) {
                throw MidiFileException(MidiFileException::NoOffset,
                                        "a time beyond what a MIDI file can count");
            }
            return static_cast<std::uint64_t>(value);
        };
        // Ordered by whole ticks: times that round to one tick are ordered as at one time.
        for (Item& item : m_items) {
            item.tick = item.noteLength >= 0.0 ? ticks(item.noteStart) + ticks(item.noteLength)
                                               : ticks(item.time);
        }
        std::sort(m_items.begin(), m_items.end(), [](const Item& a, const Item& b) {
            if (a.track != b.track) {
                return a.track < b.track;
            }
            if (a.tick != b.tick) {
                return a.tick < b.tick;
            }
            if (a.order != b.order) {
                return a.order < b.order;
            }
            if (a.noteStart != b.noteStart) {
                return a.noteStart < b.noteStart;
            }
            return a.sequence < b.sequence;
        });
        for (const Item& item : m_items) {
            const std::uint64_t tick = item.tick;
            MidiEvent event = item.bytes.empty() && item.status < 0xF0
                                  ? MidiFile::MakeChannel(tick, item.status, item.data1, item.data2)
                                  : file.MakeEvent(tick, item.status, item.data1, item.bytes);
            file.tracks[item.track].events.push_back(event);
        }
        const std::uint64_t end = ticks(m_end);
        for (MidiTrack& track : file.tracks) {
            track.endTick = std::max(end, track.events.empty() ? 0 : track.events.back().tick);
        }
        m_report.events = m_items.size();
        if (m_unpitched != 0) {
            m_report.warnings.push_back(std::to_string(m_unpitched) +
                                        " notes without a note record written as middle C");
        }
        if (m_unwritablePoints != 0) {
            m_report.warnings.push_back(
                std::to_string(m_unwritablePoints) +
                " envelope points of kinds no MIDI message carries left out");
        }
        if (m_secondHandKeys != 0) {
            m_report.warnings.push_back(std::to_string(m_secondHandKeys) +
                                        " keys of a staff's second hand left out");
        }
        if (m_bytelessMessages != 0) {
            m_report.warnings.push_back(std::to_string(m_bytelessMessages) +
                                        " system messages without their bytes left out");
        }
        if (m_options.progress) {
            m_options.progress(m_total, m_total);
        }
        return file;
    }

    ECPerformance& m_document;
    const MidiExporter::Options& m_options;
    MidiExportReport& m_report;
    std::vector<Item> m_items;
    std::vector<TimeError> m_times;
    struct KeyItem {
        double time;
        std::size_t track;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<KeyItem> m_keys;
    std::unordered_set<ECBase*> m_visited;
    std::size_t m_tracks = 1;
    double m_end = 0.0;
    std::uint64_t m_sequence = 0;
    std::size_t m_done = 0;
    std::size_t m_total = 0;
    std::size_t m_unpitched = 0;
    std::size_t m_unwritablePoints = 0;
    std::size_t m_bytelessMessages = 0;
    std::size_t m_secondHandKeys = 0;
};

} // namespace

MidiFile MidiExporter::Export(ECPerformance& document, const Options& options,
                              MidiExportReport* report) {
    MidiExportReport local;
    return Exporter(document, options, report != nullptr ? *report : local).Run();
}

} // namespace clavenor
