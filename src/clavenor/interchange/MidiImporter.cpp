#include "clavenor/interchange/MidiImporter.h"

#include "clavenor/interchange/MidiFileException.h"

#include "clavenor/interchange/detail/LooseElements.h"
#include <clavenor/clavenor.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <map>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <utility>

namespace clavenor {

namespace {

constexpr std::uint32_t DefaultTempo = 500000; // microseconds per quarter: 120 per minute
constexpr std::uint8_t NoChannel = 0xFF;
constexpr std::uint8_t DefaultRelease = 64;
constexpr int FirstModeController = 120;
constexpr std::size_t ProgressEvents = 1 << 16;
// Gaps shorter than the shortest rest (a hundred-twenty-eighth) get none.
constexpr double ShortestRest = 0.03125;
constexpr double Epsilon = 1e-6;

// Rest types of ECRest's numbering with their lengths in quarter notes, longest first.
struct RestValue {
    double quarters;
    std::uint8_t type;
};
constexpr RestValue RestValues[] = {
    {8.0, 1},    {7.0, 4},      {6.0, 3},     {4.0, 2},      {3.5, 7},      {3.0, 6},
    {2.0, 5},    {1.75, 10},    {1.5, 9},     {1.0, 8},      {0.875, 13},   {0.75, 12},
    {0.5, 11},   {0.4375, 16},  {0.375, 15},  {0.25, 14},    {0.21875, 19}, {0.1875, 18},
    {0.125, 17}, {0.09375, 21}, {0.0625, 20}, {0.03125, 22},
};

// The undotted values, longest first (the double whole only fills a whole measure).
constexpr RestValue PlainRests[] = {
    {4.0, 2}, {2.0, 5}, {1.0, 8}, {0.5, 11}, {0.25, 14}, {0.125, 17}, {0.0625, 20}, {0.03125, 22},
};

std::uint32_t Big24(std::span<const std::uint8_t> b) {
    return (std::uint32_t{b[0]} << 16) | (std::uint32_t{b[1]} << 8) | b[2];
}

// A time signature the meter envelope can hold, as numerator and denominator; nothing for one
// it cannot (no pulses, a denominator past 1/128, a measure longer than a meter may be). The
// size bounds and the meter map must agree on this, or a refused signature would lay out
// bars the bounds never counted.
std::optional<std::pair<int, int>> MeterOf(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 2 || bytes[0] == 0 || bytes[1] > 7 ||
        bytes[0] * 4 > ECMeter::MaxMeasureQuarters << bytes[1]) {
        return std::nullopt;
    }
    return std::pair<int, int>{bytes[0], 1 << bytes[1]};
}

// A key signature a key element can hold (the exact two bytes, at most seven sharps or
// flats, major or minor); nothing for any other, which stays a raw message so that export
// writes its bytes back as they were.
struct KeyValue {
    std::uint8_t sharps;
    std::uint8_t flats;
    std::uint8_t mode;
};

std::optional<KeyValue> KeyOf(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != 2 || bytes[1] > 1) {
        return std::nullopt;
    }
    const int sharps = static_cast<std::int8_t>(bytes[0]);
    if (sharps < -7 || sharps > 7) {
        return std::nullopt;
    }
    return KeyValue{static_cast<std::uint8_t>(std::max(sharps, 0)),
                    static_cast<std::uint8_t>(std::max(-sharps, 0)), bytes[1]};
}

bool IsBlackKey(int key) {
    switch (key % 12) {
    case 1:
    case 3:
    case 6:
    case 8:
    case 10:
        return true;
    default:
        return false;
    }
}

std::string KeyName(int sharps, int minor) {
    std::string text = "Key signature: ";
    if (sharps == 0) {
        text += "no sharps or flats";
    } else {
        const int n = std::abs(sharps);
        text += std::to_string(n) + (sharps > 0 ? " sharp" : " flat") + (n > 1 ? "s" : "");
    }
    return text + (minor != 0 ? ", minor" : ", major");
}

std::string MessageName(const MidiEvent& event, std::span<const std::uint8_t> bytes) {
    if (event.IsSysEx()) {
        return "System exclusive, " + std::to_string(bytes.size()) + " bytes";
    }
    switch (event.data1) {
    case MidiEvent::MetaSequenceNumber:
        return "Sequence number";
    case MidiEvent::MetaChannelPrefix:
        return "Channel prefix";
    case MidiEvent::MetaPort:
        return "MIDI port";
    case MidiEvent::MetaTempo:
        return "Tempo";
    case MidiEvent::MetaSmpteOffset:
        return "SMPTE offset";
    case MidiEvent::MetaTimeSignature:
        return "Time signature";
    case MidiEvent::MetaKeySignature:
        if (bytes.size() >= 2) {
            return KeyName(static_cast<std::int8_t>(bytes[0]), bytes[1]);
        }
        return "Key signature";
    case MidiEvent::MetaSequencer:
        return "Sequencer-specific";
    default:
        return "Meta event " + std::to_string(event.data1);
    }
}

// Ticks to quarter notes. With ticks per quarter a division; with an SMPTE division ticks
// are clock time, turned into quarters through the file's tempo map.
class TickClock {
public:
    struct TempoChange {
        std::uint64_t tick;
        std::uint32_t usPerQuarter;
    };

    TickClock(const MidiFile& file, const std::vector<TempoChange>& tempi)
        : m_ppq(file.TicksPerQuarter()), m_secondsPerTick(file.SmpteSecondsPerTick()) {
        if (m_ppq != 0) {
            return;
        }
        double quarters = 0.0;
        std::uint64_t tick = 0;
        double secondsPerQuarter = DefaultTempo / 1e6;
        for (const TempoChange& change : tempi) {
            quarters += (change.tick - tick) * m_secondsPerTick / secondsPerQuarter;
            tick = change.tick;
            secondsPerQuarter = change.usPerQuarter / 1e6;
            m_segments.push_back({tick, quarters, secondsPerQuarter});
        }
    }

    double Quarters(std::uint64_t tick) const {
        if (m_ppq != 0) {
            return static_cast<double>(tick) / m_ppq;
        }
        auto after = std::upper_bound(
            m_segments.begin(), m_segments.end(), tick,
            [](std::uint64_t t, const Segment& segment) { return t < segment.tick; });
        if (after == m_segments.begin()) {
            return tick * m_secondsPerTick / (DefaultTempo / 1e6);
        }
        const Segment& s = *(after - 1);
        return s.quarters + (tick - s.tick) * m_secondsPerTick / s.secondsPerQuarter;
    }

private:
    struct Segment {
        std::uint64_t tick;
        double quarters;
        double secondsPerQuarter;
    };
    int m_ppq;
    double m_secondsPerTick;
    std::vector<Segment> m_segments;
};

// Counts one kind of repair and remembers where it first happened.
struct Issue {
    std::size_t count = 0;
    std::size_t track = 0;
    std::uint64_t tick = 0;
};

struct NoteSpan {
    std::uint64_t start;
    std::uint64_t end;
    std::uint8_t key;
    std::uint8_t velocity;
    std::uint8_t release;
};

struct OpenNote {
    std::uint64_t tick;
    std::uint8_t velocity;
};

struct EnvelopeState {
    ECEnvelope* envelope = nullptr;
    ECEnvPoint* last = nullptr;
    std::uint64_t lastTick = 0;
};

struct StaffState {
    ECStaff* staff = nullptr;
    int number = 0;
    std::uint8_t channel = NoChannel;
    std::size_t track = 0;
    std::vector<NoteSpan> notes;
    std::unordered_map<int, EnvelopeState> envelopes;
    // Notes still sounding, by key, first struck first released.
    std::deque<OpenNote> open[128];
};

// Envelope keys: the kind of message in the high bits, the controller or key in the low.
constexpr int EnvelopeKey(int kind, int number) { return (kind << 8) | number; }

class Importer {
public:
    Importer(const MidiFile& file, const MidiImporter::Options& options, MidiImportReport& report)
        : m_file(file), m_options(options), m_report(report) {}

    std::unique_ptr<ECPerformance> Run() {
        MCStandardRecords::Register(m_options.viewCode);
        AssignStaves();
        CollectConductorEvents();
        m_clock = std::make_unique<TickClock>(m_file, m_tempi);
        CheckSize();

        auto document = std::make_unique<ECPerformance>();
        m_document = document.get();
        m_conductor = m_loose.Hold(new ECConductor);
        m_loose.Link(m_document, m_conductor, 0);
        m_conductorStaff = m_conductor->GetConductorStaff();
        if (m_conductorStaff == nullptr) {
            throw std::bad_alloc(); // the conductor found no memory for its staff
        }
        for (StaffState& state : m_staves) {
            state.staff =
                static_cast<ECStaff*>(imported::Made(m_conductor->GetTrack(1, state.number, 1)));
            if (DCMidiTrack* track = MCStandardRecords::GetTrack(state.staff, m_options.viewCode)) {
                track->SetChannel(state.channel);
            }
        }
        m_report.staves = static_cast<int>(m_staves.size());
        AddMeters();
        AddTempi();
        CoverWithMeasures();

        const std::size_t total = m_file.CountEvents();
        std::size_t done = 0;
        for (std::size_t t = 0; t < m_file.tracks.size(); ++t) {
            ReadTrack(t, done, total);
        }
        for (StaffState& state : m_staves) {
            AddNotes(state);
            AddRests(state);
        }
        m_report.measures = m_conductor->GetMaxMeasureNumber();
        Summarise();
        if (m_options.progress) {
            m_options.progress(total, total);
        }
        return document;
    }

private:
    float Q(std::uint64_t tick) const { return static_cast<float>(m_clock->Quarters(tick)); }

    void Note(Issue& issue, std::size_t track, std::uint64_t tick) {
        if (issue.count++ == 0) {
            issue.track = track;
            issue.tick = tick;
        }
    }

    // One staff per channel used in each track, in order of first use; a track with no
    // channel message gets one (none for the first track of a format-1 file, the
    // conductor's).
    void AssignStaves() {
        m_firstStaff.assign(m_file.tracks.size(), 0);
        m_staffOf.assign(m_file.tracks.size() * 16, 0);
        for (std::size_t t = 0; t < m_file.tracks.size(); ++t) {
            for (const MidiEvent& event : m_file.tracks[t].events) {
                if (event.IsChannel() && m_staffOf[t * 16 + event.Channel()] == 0) {
                    AddStaff(t, event.Channel());
                }
            }
            if (m_firstStaff[t] == 0 && !IsConductorTrack(t)) {
                AddStaff(t, NoChannel);
            }
        }
    }

    void AddStaff(std::size_t track, std::uint8_t channel) {
        StaffState state;
        state.number = static_cast<int>(m_staves.size()) + 1;
        state.channel = channel;
        state.track = track;
        if (channel != NoChannel) {
            m_staffOf[track * 16 + channel] = state.number;
        }
        if (m_firstStaff[track] == 0) {
            m_firstStaff[track] = state.number;
        }
        m_staves.push_back(std::move(state));
    }

    [[noreturn]] void TooLarge(std::size_t track, const std::string& what) {
        throw MidiFileException(track < m_file.tracks.size() ? m_file.tracks[track].offset
                                                             : MidiFileException::NoOffset,
                                what);
    }

    // Before anything is built: the staves and bars the file asks for, within the bounds.
    void CheckSize() {
        if (m_staves.size() > static_cast<std::size_t>(m_options.maxStaves)) {
            const std::size_t track = m_staves[static_cast<std::size_t>(m_options.maxStaves)].track;
            TooLarge(track, "the file needs " + std::to_string(m_staves.size()) +
                                " staves, more than the " + std::to_string(m_options.maxStaves) +
                                " an import makes");
        }
        std::size_t longest = 0;
        std::uint64_t end = 0;
        for (std::size_t t = 0; t < m_file.tracks.size(); ++t) {
            const MidiTrack& track = m_file.tracks[t];
            const std::uint64_t last = track.events.empty() ? 0 : track.events.back().tick;
            if (std::max(last, track.endTick) > end) {
                end = std::max(last, track.endTick);
                longest = t;
            }
        }
        // Bars from meter to meter, as the measure map will lay them out (a bar at the
        // very end included, in case something starts there).
        std::map<double, double> lengths; // start in quarters -> bar length
        lengths[0.0] = 4.0;
        for (const MidiTrack& track : m_file.tracks) {
            for (const MidiEvent& event : track.events) {
                if (!event.IsMeta() || event.data1 != MidiEvent::MetaTimeSignature) {
                    continue;
                }
                if (const auto meter = MeterOf(m_file.GetBytes(event))) {
                    lengths[m_clock->Quarters(event.tick)] = meter->first * 4.0 / meter->second;
                }
            }
        }
        const double endQuarters = m_clock->Quarters(end);
        double bars = 0.0;
        double at = 0.0;
        for (auto it = lengths.begin(); it != lengths.end() && at <= endQuarters; ++it) {
            const auto next = std::next(it);
            const double stop =
                next == lengths.end() ? endQuarters : std::min(next->first, endQuarters);
            const double count = std::max(1.0, std::ceil((stop - at) / it->second));
            bars += count;
            at += count * it->second;
        }
        const double staffMeasures = bars * std::max<std::size_t>(1, m_staves.size());
        if (bars > static_cast<double>(m_options.maxBars)) {
            TooLarge(longest, "track " + std::to_string(longest) + " runs to tick " +
                                  std::to_string(end) + ", about " +
                                  std::to_string(static_cast<std::uint64_t>(bars)) +
                                  " bars, more than the " + std::to_string(m_options.maxBars) +
                                  " an import makes");
        }
        if (staffMeasures > static_cast<double>(m_options.maxStaffMeasures)) {
            TooLarge(longest, std::to_string(static_cast<std::uint64_t>(bars)) + " bars on " +
                                  std::to_string(m_staves.size()) + " staves make " +
                                  std::to_string(static_cast<std::uint64_t>(staffMeasures)) +
                                  " measures, more than the " +
                                  std::to_string(m_options.maxStaffMeasures) + " an import makes");
        }
    }

    // Tempo, time and key signatures of every track: the conductor's map.
    void CollectConductorEvents() {
        for (std::size_t t = 0; t < m_file.tracks.size(); ++t) {
            for (const MidiEvent& event : m_file.tracks[t].events) {
                if (!event.IsMeta()) {
                    continue;
                }
                const auto bytes = m_file.GetBytes(event);
                if (event.data1 == MidiEvent::MetaTempo && bytes.size() >= 3 && Big24(bytes) != 0) {
                    m_tempi.push_back({event.tick, Big24(bytes)});
                } else if (event.data1 == MidiEvent::MetaKeySignature && bytes.size() >= 2) {
                    m_keys.push_back({event.tick, static_cast<std::int8_t>(bytes[0])});
                }
            }
        }
        auto byTick = [](const auto& a, const auto& b) { return a.tick < b.tick; };
        std::stable_sort(m_tempi.begin(), m_tempi.end(), byTick);
        std::stable_sort(m_keys.begin(), m_keys.end(), byTick);
        // Of several at one tick, the last in file order holds.
        auto dedupe = [](auto& list) {
            std::vector<typename std::decay_t<decltype(list)>::value_type> kept;
            for (const auto& item : list) {
                if (!kept.empty() && kept.back().tick == item.tick) {
                    kept.back() = item;
                } else {
                    kept.push_back(item);
                }
            }
            list = std::move(kept);
        };
        dedupe(m_tempi);
        dedupe(m_keys);
    }

    void AddMeters() {
        ECMeterEnv* meters = imported::Made(m_conductorStaff->GetMeterEnv());
        std::map<std::uint64_t, std::pair<int, int>> signatures; // the last at a tick holds
        for (std::size_t t = 0; t < m_file.tracks.size(); ++t) {
            for (const MidiEvent& event : m_file.tracks[t].events) {
                if (event.IsMeta() && event.data1 == MidiEvent::MetaTimeSignature) {
                    if (const auto meter = MeterOf(m_file.GetBytes(event))) {
                        signatures[event.tick] = *meter;
                    } else {
                        Note(m_badMeters, t, event.tick);
                    }
                }
            }
        }
        if (signatures.empty() || signatures.begin()->first != 0) {
            signatures[0] = {4, 4};
        }
        for (const auto& [tick, signature] : signatures) {
            auto* meter =
                m_loose.Hold(new ECMeter(static_cast<std::uint8_t>(signature.first),
                                         static_cast<std::uint8_t>(signature.second), 255));
            MCTime at(Q(tick));
            meter->SetTime(&at);
            meter->SetVoiceTrack(meters->GetVoiceTrack());
            // The envelope's own addition recomputes every position each time; loading many
            // marks goes through the plain envelope and recomputes once, at the end.
            if (meters->ECEnvelope::AddChild(meter, 1) == 0) {
                m_loose.Drop(meter);
                continue;
            }
            ++m_report.meters;
        }
        meters->RecalculateBPTTimes();
    }

    void AddTempi() {
        ECTempoEnv* tempi = imported::Made(m_conductorStaff->GetTempoEnv());
        std::vector<TickClock::TempoChange> marks = m_tempi;
        if (marks.empty() || marks.front().tick != 0) {
            marks.insert(marks.begin(), {0, DefaultTempo});
        }
        for (const TickClock::TempoChange& change : marks) {
            auto* tempo = m_loose.Hold(new ECTempo);
            // Zero tempi were left out above, so the speed is positive and finite: taken.
            (void)tempo->SetTempo(static_cast<float>(60e6 / change.usPerQuarter), 1.0f);
            MCTime at(Q(change.tick));
            tempo->SetTime(&at);
            tempo->SetVoiceTrack(tempi->GetVoiceTrack());
            // As for the meters: one recomputation of the clock times, not one per mark.
            if (tempi->ECEnvelope::AddChild(tempo, 1) == 0) {
                m_loose.Drop(tempo);
                continue;
            }
            ++m_report.tempi;
        }
        tempi->RecalculateClockTimes();
    }

    // Measures from the start to the end of the longest track, and on past anything that
    // starts in a measure (a note struck, a lyric or a key, at the very end).
    void CoverWithMeasures() {
        std::uint64_t placed = 0;
        std::uint64_t end = 0;
        for (const MidiTrack& track : m_file.tracks) {
            for (const MidiEvent& event : track.events) {
                if (event.IsNoteOn() || (event.IsMeta() && event.data1 == MidiEvent::MetaLyric) ||
                    (event.IsMeta() && event.data1 == MidiEvent::MetaKeySignature &&
                     KeyOf(m_file.GetBytes(event)))) {
                    placed = std::max(placed, event.tick);
                }
            }
            end = std::max(end, track.endTick);
        }
        static_cast<void>(imported::Made(m_conductor->GetMeasure(0, MCTime(Q(placed)), 1, 1)));
        const float endTime = Q(end);
        if (endTime > 0.0f) {
            static_cast<void>(imported::Made(
                m_conductor->GetMeasure(0, MCTime(std::nextafter(endTime, 0.0f)), 1, 1)));
        }
    }

    ECMeasure* MeasureAt(int staff, float time) {
        return imported::Made(m_conductor->GetMeasure(staff, MCTime(time), 0, 1));
    }

    template <class T>
    T* Timed(T* element, float time, int voice, int track) {
        MCTime at(time);
        element->SetTime(&at);
        element->SetVoiceTrack(voice, track);
        return element;
    }

    void ReadTrack(std::size_t t, std::size_t& done, std::size_t total) {
        const MidiTrack& track = m_file.tracks[t];
        m_portSet = false;
        for (const MidiEvent& event : track.events) {
            if (event.IsChannel()) {
                Channel(t, event);
            } else if (event.IsMeta()) {
                Meta(t, event);
            } else {
                Raw(t, event);
            }
            if (++done % ProgressEvents == 0 && m_options.progress) {
                m_options.progress(done, total);
            }
        }
        // Notes still sounding end with their track.
        for (StaffState& state : m_staves) {
            if (state.track != t) {
                continue;
            }
            for (int key = 0; key < 128; ++key) {
                for (const OpenNote& open : state.open[key]) {
                    Note(m_unended, t, open.tick);
                    state.notes.push_back({open.tick, std::max(open.tick, track.endTick),
                                           static_cast<std::uint8_t>(key), open.velocity,
                                           DefaultRelease});
                }
                state.open[key].clear();
            }
        }
    }

    void Channel(std::size_t t, const MidiEvent& event) {
        StaffState& state = m_staves[m_staffOf[t * 16 + event.Channel()] - 1];
        switch (event.Kind()) {
        case 0x80:
        case 0x90:
            if (event.IsNoteOn()) {
                state.open[event.data1].push_back({event.tick, event.data2});
                return;
            }
            if (state.open[event.data1].empty()) {
                Note(m_strayOffs, t, event.tick);
                return;
            }
            {
                const OpenNote open = state.open[event.data1].front();
                state.open[event.data1].pop_front();
                state.notes.push_back({open.tick, event.tick, event.data1, open.velocity,
                                       event.Kind() == 0x80 ? event.data2 : DefaultRelease});
            }
            return;
        case 0xA0:
            Point(t, state, EnvelopeKey(0xA, event.data1), event, event.data2);
            return;
        case 0xB0:
            if (event.data1 >= FirstModeController) {
                auto* mode = Timed(m_loose.Hold(new ECChannelMode), Q(event.tick), 0, state.number);
                mode->SetControllerNum(event.data1);
                mode->SetChannelModeType(
                    static_cast<std::uint8_t>(event.data1 - FirstModeController));
                mode->SetValue(event.data2);
                m_loose.Link(state.staff, mode, 1);
                ++m_report.points;
                return;
            }
            Point(t, state, EnvelopeKey(0xB, event.data1), event, event.data2);
            return;
        case 0xC0:
            Point(t, state, EnvelopeKey(0xC, 0), event,
                  ECPatchEnv::MakePatchValue(0, 0, event.data1));
            return;
        case 0xD0:
            Point(t, state, EnvelopeKey(0xD, 0), event, event.data1);
            return;
        default: // 0xE0
            Point(t, state, EnvelopeKey(0xE, 0), event, (event.data2 << 7) | event.data1);
            return;
        }
    }

    EnvelopeState& Envelope(StaffState& state, int key, const MidiEvent& event) {
        EnvelopeState& slot = state.envelopes[key];
        if (slot.envelope != nullptr) {
            return slot;
        }
        switch (key >> 8) {
        case 0xA: {
            auto* envelope = m_loose.Hold(new ECPolyPressureEnv);
            envelope->SetKey(event.data1);
            slot.envelope = envelope;
            break;
        }
        case 0xB: {
            auto* envelope = m_loose.Hold(new ECControllerEnv);
            envelope->SetControllerType(event.data1);
            slot.envelope = envelope;
            break;
        }
        case 0xC:
            slot.envelope = m_loose.Hold(new ECPatchEnv);
            break;
        case 0xD:
            slot.envelope = m_loose.Hold(new ECChanPressureEnv);
            break;
        default:
            slot.envelope = m_loose.Hold(new ECPitchBendEnv);
            break;
        }
        Timed(slot.envelope, 0.0f, 15, state.number);
        m_loose.Link(state.staff, slot.envelope, 1);
        return slot;
    }

    void Point(std::size_t t, StaffState& state, int key, const MidiEvent& event, float value) {
        EnvelopeState& slot = Envelope(state, key, event);
        if (slot.last != nullptr && slot.lastTick == event.tick) {
            Note(m_merged, t, event.tick);
            slot.last->SetValue(value);
            return;
        }
        ECEnvPoint* point = nullptr;
        switch (key >> 8) {
        case 0xA:
            point = m_loose.Hold(new ECPolyPressure(event.data1));
            break;
        case 0xB:
            point = m_loose.Hold(new ECControlChange(event.data1));
            break;
        case 0xC:
            point = m_loose.Hold(new ECProgramChange);
            break;
        case 0xD:
            point = m_loose.Hold(new ECChannelPressure);
            break;
        default:
            point = m_loose.Hold(new ECPitchBend);
            break;
        }
        Timed(point, Q(event.tick), 0, state.number);
        point->SetValue(value);
        if (slot.envelope->AddChild(point, 1) == 0) {
            // A point at a time already taken is refused, and that case merged above; a tick
            // that rounds onto the previous point's time lands here. Any other refusal is for
            // want of memory.
            const bool taken = slot.last != nullptr &&
                               slot.last->GetTime()->GetSeconds() == point->GetTime()->GetSeconds();
            m_loose.Drop(point);
            if (!taken) {
                throw std::bad_alloc();
            }
            Note(m_merged, t, event.tick);
            slot.last->SetValue(value);
            return;
        }
        slot.last = point;
        slot.lastTick = event.tick;
        ++m_report.points;
    }

    // The first track of a format-1 file, and the only track of a format-0 one, speak for
    // the whole sequence.
    bool IsConductorTrack(std::size_t t) const {
        return t == 0 && (m_file.format == 1 || m_file.tracks.size() == 1);
    }

    // The staff number a track's own events are filed under: 0 for the conductor's track.
    int HomeOf(std::size_t t) const { return IsConductorTrack(t) ? 0 : m_firstStaff[t]; }

    void Meta(std::size_t t, const MidiEvent& event) {
        const auto bytes = m_file.GetBytes(event);
        const float time = Q(event.tick);
        const int home = HomeOf(t);
        switch (event.data1) {
        case MidiEvent::MetaTempo:
            if (bytes.size() >= 3 && Big24(bytes) != 0) {
                return; // in the tempo envelope already
            }
            break;
        case MidiEvent::MetaTimeSignature:
            if (MeterOf(bytes)) {
                return; // in the meter envelope already
            }
            break;
        case MidiEvent::MetaKeySignature:
            if (const auto key = KeyOf(bytes)) {
                if (PlaceKey(t, event.tick, *key)) {
                    return;
                }
                Note(m_homelessKeys, t, event.tick);
            } else {
                Note(m_badKeys, t, event.tick);
            }
            break;
        case MidiEvent::MetaPort:
            if (!m_portSet && bytes.size() == 1 && bytes[0] < 128 && m_firstStaff[t] != 0) {
                m_portSet = true;
                for (StaffState& state : m_staves) {
                    if (state.track == t) {
                        MCStandardRecords::GetTrack(state.staff, m_options.viewCode)
                            ->SetPort(bytes[0]);
                    }
                }
                return;
            }
            break;
        case MidiEvent::MetaLyric:
            if (home != 0) {
                auto* lyric =
                    Timed(m_loose.Hold(new ECLyric(CString(std::string(m_file.GetText(event))))),
                          time, 15, home);
                m_loose.Link(MeasureAt(home, time), lyric, 1);
                ++m_report.texts;
                return;
            }
            [[fallthrough]];
        case MidiEvent::MetaText:
        case MidiEvent::MetaCopyright:
        case MidiEvent::MetaTrackName:
        case MidiEvent::MetaInstrument:
        case MidiEvent::MetaMarker:
        case MidiEvent::MetaCuePoint: {
            const bool underStaff = home != 0 && (event.data1 == MidiEvent::MetaTrackName ||
                                                  event.data1 == MidiEvent::MetaInstrument);
            auto* text = Timed(
                m_loose.Hold(new ECText(event.data1, CString(std::string(m_file.GetText(event))))),
                time, 15, home);
            ECBase* parent = underStaff ? static_cast<ECBase*>(m_staves[home - 1].staff)
                                        : static_cast<ECBase*>(m_conductorStaff);
            m_loose.Link(parent, text, 1);
            ++m_report.texts;
            return;
        }
        default:
            break;
        }
        Raw(t, event);
    }

    // A key from the conductor's track goes to every staff, one from a staff's track to that
    // staff, each into the measure where it starts, for hand 0. Of several for one staff at
    // one time the last in file order holds (tracks are read in order). False when there is
    // no staff to hold it.
    bool PlaceKey(std::size_t t, std::uint64_t tick, const KeyValue& value) {
        const int home = HomeOf(t);
        const int first = home != 0 ? home : 1;
        const int last = home != 0 ? home : static_cast<int>(m_staves.size());
        bool placed = false;
        for (int staff = first; staff <= last; ++staff) {
            ECKey*& slot = m_keyAt[{staff, Q(tick)}];
            if (slot != nullptr) {
                slot->SetNumSharps(value.sharps);
                slot->SetNumFlats(value.flats);
                slot->SetMode(value.mode);
                Note(m_merged, t, tick);
                placed = true;
                continue;
            }
            ECMeasure* measure = MeasureAt(staff, Q(tick));
            if (measure == nullptr) {
                continue;
            }
            auto* key = Timed(m_loose.Hold(new ECKey(value.sharps, value.flats, value.mode)),
                              Q(tick), 15, staff);
            if (measure->AddChild(key, 1) == 0) {
                m_loose.Drop(key);
                continue;
            }
            slot = key;
            placed = true;
            ++m_report.keys;
        }
        return placed;
    }

    // What the model keeps no element for: a system message with the bytes in a record.
    void Raw(std::size_t t, const MidiEvent& event) {
        const auto bytes = m_file.GetBytes(event);
        auto* message =
            Timed(m_loose.Hold(new ECSystemMessage(event.status)), Q(event.tick), 15, HomeOf(t));
        message->SetMessageName(CString(MessageName(event, bytes)));
        if (DCMidiMessage* record = MCStandardRecords::GetMessage(message, m_options.viewCode)) {
            record->SetMessage(event.status, event.IsMeta() ? event.data1 : 0, bytes.data(),
                               bytes.size());
        }
        m_loose.Link(m_conductorStaff, message, 1);
        ++m_report.rawMessages;
    }

    std::int8_t SpellingAt(std::uint64_t tick, int key) {
        if (!IsBlackKey(key) || m_keys.empty()) {
            return DCNote::AutoSpelling;
        }
        auto after = std::upper_bound(
            m_keys.begin(), m_keys.end(), tick,
            [](std::uint64_t t, const KeyChange& change) { return t < change.tick; });
        if (after == m_keys.begin()) {
            return DCNote::AutoSpelling;
        }
        const int sharps = (after - 1)->sharps;
        return sharps > 0 ? 1 : sharps < 0 ? -1 : DCNote::AutoSpelling;
    }

    void AddNotes(StaffState& state) {
        std::stable_sort(state.notes.begin(), state.notes.end(),
                         [](const NoteSpan& a, const NoteSpan& b) {
                             return a.start != b.start ? a.start < b.start : a.key < b.key;
                         });
        for (std::size_t i = 0; i < state.notes.size();) {
            std::size_t j = i + 1;
            while (j < state.notes.size() && state.notes[j].start == state.notes[i].start) {
                ++j;
            }
            const double start = m_clock->Quarters(state.notes[i].start);
            const auto time = static_cast<float>(start);
            ECMeasure* measure = MeasureAt(state.number, time);
            ECBase* parent = measure;
            if (j - i > 1) {
                auto* chord = Timed(m_loose.Hold(new ECChord), time, 0, state.number);
                m_loose.Link(measure, chord, 1);
                parent = chord;
                ++m_report.chords;
            }
            for (std::size_t k = i; k < j; ++k) {
                const NoteSpan& span = state.notes[k];
                const auto duration = static_cast<float>(m_clock->Quarters(span.end) - start);
                auto* note = m_loose.Hold(new ECNote(MCTime(time), MCTime(duration)));
                note->SetVoiceTrack(0, state.number);
                m_loose.Link(parent, note, 1);
                if (DCNote* record = MCStandardRecords::GetNote(note, m_options.viewCode)) {
                    record->SetPitch(span.key);
                    record->SetVelocity(span.velocity);
                    record->SetReleaseVelocity(span.release);
                    record->SetSpelling(SpellingAt(span.start, span.key));
                }
            }
            m_report.notes += j - i;
            i = j;
        }
    }

    // Rests where no note of the staff sounds, measure by measure.
    void AddRests(StaffState& state) {
        const int count = m_conductor->GetMaxMeasureNumber();
        const double end = m_conductor->GetMaxMeasureEndTime().GetSeconds();
        std::size_t next = 0;
        double sounding = 0.0; // the end of the notes met so far
        for (int number = 1; number <= count; ++number) {
            ECMeasure* measure = m_conductor->GetMeasure(state.number, number);
            if (measure == nullptr) {
                continue;
            }
            const double from = measure->GetTime()->GetSeconds();
            ECMeasure* following =
                number < count ? m_conductor->GetMeasure(state.number, number + 1) : nullptr;
            const double to = following != nullptr ? following->GetTime()->GetSeconds() : end;
            double cursor = std::max(from, std::min(sounding, to));
            for (; next < state.notes.size(); ++next) {
                const double start = m_clock->Quarters(state.notes[next].start);
                if (start >= to - Epsilon) {
                    break;
                }
                if (start > cursor + Epsilon) {
                    Rests(state, measure, cursor, start);
                }
                const double stop = m_clock->Quarters(state.notes[next].end);
                sounding = std::max(sounding, stop);
                cursor = std::max(cursor, std::min(stop, to));
            }
            if (to > cursor + Epsilon) {
                Rests(state, measure, cursor, to);
            }
        }
    }

    // Rests for the silence [from, to) of a measure. A silence filling the whole measure is
    // one rest when a rest value (dotted or not) has the measure's length; otherwise each rest
    // is the longest plain value that fits and starts on a multiple of its own length from
    // the measure's start (so a silence from beat 2.75 to 4 is a sixteenth and a quarter).
    // Rest values cannot say the silence left by a tuplet (from a third of a beat on): it
    // gets no rest up to the next beat, from where rests go on.
    void Rests(StaffState& state, ECMeasure* measure, double from, double to) {
        const double start = measure->GetTime()->GetSeconds();
        double at = from;
        const double grid = (at - start) / ShortestRest;
        if (std::abs(grid - std::round(grid)) > Epsilon) {
            at = start + std::ceil(at - start - Epsilon);
        }
        while (to - at >= ShortestRest - Epsilon) {
            const double left = to - at;
            const RestValue* value = nullptr;
            if (std::abs(at - start) < Epsilon) {
                value = std::find_if(
                    std::begin(RestValues), std::end(RestValues),
                    [&](const RestValue& v) { return std::abs(v.quarters - left) < Epsilon; });
                value = value != std::end(RestValues) ? value : nullptr;
            }
            if (value == nullptr) {
                value = std::find_if(std::begin(PlainRests), std::end(PlainRests),
                                     [&](const RestValue& v) {
                                         const double steps = (at - start) / v.quarters;
                                         return v.quarters <= left + Epsilon &&
                                                std::abs(steps - std::round(steps)) < Epsilon;
                                     });
            }
            auto* rest = Timed(m_loose.Hold(new ECRest(value->type)), static_cast<float>(at), 0,
                               state.number);
            m_loose.Link(measure, rest, 1);
            if (DCRest* record = MCStandardRecords::GetRest(rest, m_options.viewCode)) {
                record->SetRestType(value->type);
            }
            ++m_report.rests;
            at += value->quarters;
        }
    }

    void Warn(const Issue& issue, const std::string& what) {
        if (issue.count == 0) {
            return;
        }
        m_report.warnings.push_back(what + ": " + std::to_string(issue.count) +
                                    ", the first in track " + std::to_string(issue.track) +
                                    " at tick " + std::to_string(issue.tick));
    }

    void Summarise() {
        Warn(m_strayOffs, "note-offs without a note-on, ignored");
        Warn(m_unended, "notes still sounding at the end of their track, ended there");
        Warn(m_merged, "events at the time of an earlier one of their kind, the later value kept");
        Warn(m_badMeters, "time signatures a meter cannot hold, kept as raw messages");
        Warn(m_badKeys, "key signatures a key cannot hold, kept as raw messages");
        Warn(m_homelessKeys, "key signatures with no staff to hold them, kept as raw messages");
    }

    struct KeyChange {
        std::uint64_t tick;
        int sharps;
    };

    const MidiFile& m_file;
    const MidiImporter::Options& m_options;
    // Given back after the document is returned, or after it is gone when the import fails.
    imported::LooseElements m_loose;
    MidiImportReport& m_report;
    std::unique_ptr<TickClock> m_clock;
    std::vector<TickClock::TempoChange> m_tempi;
    std::vector<KeyChange> m_keys;
    std::vector<StaffState> m_staves;
    std::vector<int> m_staffOf;    // track * 16 + channel -> staff number, 0 for none
    std::vector<int> m_firstStaff; // track -> its first staff, 0 for the conductor
    ECPerformance* m_document = nullptr;
    ECConductor* m_conductor = nullptr;
    ECConductorStaff* m_conductorStaff = nullptr;
    bool m_portSet = false;
    Issue m_strayOffs;
    Issue m_unended;
    Issue m_merged;
    Issue m_badMeters;
    Issue m_badKeys;
    Issue m_homelessKeys;
    // The key each staff has at each time so far, for the last at a time to hold (ticks
    // far apart can be one time to a float).
    std::map<std::pair<int, float>, ECKey*> m_keyAt;
};

} // namespace

std::unique_ptr<ECPerformance> MidiImporter::Import(const MidiFile& file, const Options& options,
                                                    MidiImportReport* report) {
    MidiImportReport local;
    return Importer(file, options, report != nullptr ? *report : local).Run();
}

} // namespace clavenor
