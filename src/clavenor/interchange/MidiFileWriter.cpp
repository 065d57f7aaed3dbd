#include "clavenor/interchange/MidiFileWriter.h"

#include "clavenor/interchange/MidiFileException.h"

#include <algorithm>
#include <string>

namespace clavenor {

namespace {

constexpr std::uint64_t LargestDelta = 0x0FFFFFFF;

[[noreturn]] void Fail(const std::string& detail) {
    throw MidiFileException(MidiFileException::NoOffset, detail);
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 24));
    out.push_back(static_cast<std::uint8_t>(value >> 16));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

void Put16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

void PutNumber(std::vector<std::uint8_t>& out, std::uint32_t value) {
    std::uint8_t bytes[4];
    int count = 0;
    do {
        bytes[count++] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (count > 1) {
        out.push_back(bytes[--count] | 0x80);
    }
    out.push_back(bytes[0]);
}

void WriteTrack(const MidiFile& file, const MidiTrack& track, std::size_t index,
                std::vector<std::uint8_t>& out) {
    out.insert(out.end(), {'M', 'T', 'r', 'k', 0, 0, 0, 0});
    const std::size_t body = out.size();
    std::uint64_t previous = 0;
    std::uint8_t running = 0;
    auto delta = [&](std::uint64_t tick) {
        if (tick < previous) {
            Fail("track " + std::to_string(index) + ": events out of time order at tick " +
                 std::to_string(tick));
        }
        if (tick - previous > LargestDelta) {
            Fail("track " + std::to_string(index) + ": a gap of " +
                 std::to_string(tick - previous) + " ticks is more than a delta time can say");
        }
        PutNumber(out, static_cast<std::uint32_t>(tick - previous));
        previous = tick;
    };
    for (const MidiEvent& event : track.events) {
        delta(event.tick);
        if (event.IsChannel()) {
            if (event.status != running) {
                out.push_back(event.status);
                running = event.status;
            }
            out.push_back(event.data1 & 0x7F);
            if (MidiEvent::DataBytes(event.status) == 2) {
                out.push_back(event.data2 & 0x7F);
            }
            continue;
        }
        if (!event.IsMeta() && !event.IsSysEx()) {
            Fail("track " + std::to_string(index) + ": status " + std::to_string(event.status) +
                 " cannot be written");
        }
        if (event.IsMeta() && event.data1 == MidiEvent::MetaEndOfTrack) {
            continue; // written once, at the end
        }
        running = 0;
        const auto bytes = file.GetBytes(event);
        out.push_back(event.status);
        if (event.IsMeta()) {
            out.push_back(event.data1 & 0x7F);
        }
        PutNumber(out, static_cast<std::uint32_t>(bytes.size()));
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    delta(std::max(previous, track.endTick));
    out.insert(out.end(), {0xFF, MidiEvent::MetaEndOfTrack, 0x00});
    const std::size_t length = out.size() - body;
    if (length > 0xFFFFFFFFu) {
        Fail("track " + std::to_string(index) + " is larger than a chunk can hold");
    }
    for (int i = 0; i < 4; ++i) {
        out[body - 4 + static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(length >> (8 * (3 - i)));
    }
}

} // namespace

std::vector<std::uint8_t> MidiFileWriter::Write(const MidiFile& file) {
    if (file.tracks.size() > 0xFFFF) {
        Fail(std::to_string(file.tracks.size()) + " tracks (a file holds at most 65535)");
    }
    if (file.format > 1 || (file.format == 0 && file.tracks.size() != 1)) {
        Fail("format " + std::to_string(file.format) + " with " +
             std::to_string(file.tracks.size()) + " tracks");
    }
    if (file.division == 0) {
        Fail("division 0");
    }
    std::vector<std::uint8_t> out;
    // A channel message takes three bytes and most deltas one.
    out.reserve(14 + file.tracks.size() * 12 + file.CountEvents() * 4 + file.GetPool().size());
    out.insert(out.end(), {'M', 'T', 'h', 'd'});
    Put32(out, 6);
    Put16(out, file.format);
    Put16(out, static_cast<std::uint16_t>(file.tracks.size()));
    Put16(out, file.division);
    for (std::size_t i = 0; i < file.tracks.size(); ++i) {
        WriteTrack(file, file.tracks[i], i, out);
    }
    return out;
}

} // namespace clavenor
