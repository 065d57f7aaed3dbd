#include "clavenor/interchange/MidiFileReader.h"

#include "clavenor/interchange/MidiFileException.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace clavenor {

namespace {

constexpr std::size_t ChunkHeader = 8;
constexpr std::size_t MinimumHeaderLength = 6;
// How often, in bytes, reading reports its progress.
constexpr std::size_t ProgressStep = 1 << 18;

std::string Hex(unsigned value) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text = "0x";
    text += digits[(value >> 4) & 0xF];
    text += digits[value & 0xF];
    return text;
}

std::uint32_t Big32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
}

std::uint16_t Big16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

// Reads the events of one track chunk [begin, end) of `data` into `track`.
class TrackParser {
public:
    TrackParser(const std::uint8_t* data, std::size_t begin, std::size_t end, MidiFile& file,
                MidiTrack& track)
        : m_data(data), m_pos(begin), m_end(end), m_file(file), m_track(track) {}

    void Parse(const MidiFileReader::Progress& progress, std::size_t total) {
        // Most events of real files take three or four bytes.
        m_track.events.reserve((m_end - m_pos) / 4 + 1);
        std::uint64_t tick = 0;
        std::uint8_t running = 0;
        std::size_t nextReport = m_pos + ProgressStep;
        while (m_pos < m_end) {
            tick += ReadNumber("delta time");
            if (m_pos >= m_end) {
                Fail(m_pos, "the track ends after a delta time");
            }
            const std::size_t at = m_pos;
            std::uint8_t status = m_data[m_pos];
            if (status < 0x80) {
                if (running == 0) {
                    Fail(at, "running status without a status byte");
                }
                status = running;
            } else {
                ++m_pos;
            }
            if (status < 0xF0) {
                running = status;
                ReadChannel(tick, status);
            } else if (status == MidiEvent::Meta) {
                if (!ReadMeta(tick)) {
                    break;
                }
            } else if (status == MidiEvent::SysEx || status == MidiEvent::SysExEscape) {
                const std::uint32_t length = ReadNumber("message length");
                Need(length, "system exclusive message");
                m_track.events.push_back(
                    m_file.MakeEvent(tick, status, 0, {m_data + m_pos, length}));
                m_pos += length;
            } else {
                Fail(at, "status " + Hex(status) + " has no place in a MIDI file");
            }
            if (progress && m_pos >= nextReport) {
                progress(m_pos, total);
                nextReport = m_pos + ProgressStep;
            }
        }
        m_track.endTick = std::max(m_track.endTick, tick);
    }

private:
    [[noreturn]] static void Fail(std::size_t offset, const std::string& detail) {
        throw MidiFileException(offset, detail);
    }

    void Need(std::size_t count, const char* what) const {
        if (m_end - m_pos < count) {
            Fail(m_pos, std::string(what) + " of " + std::to_string(count) +
                            " bytes runs past the end of its track (" +
                            std::to_string(m_end - m_pos) + " left)");
        }
    }

    std::uint32_t ReadNumber(const char* what) {
        const std::size_t start = m_pos;
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            if (m_pos >= m_end) {
                Fail(m_pos, std::string(what) + " runs past the end of its track");
            }
            const std::uint8_t byte = m_data[m_pos++];
            value = (value << 7) | (byte & 0x7F);
            if ((byte & 0x80) == 0) {
                return value;
            }
        }
        Fail(start, std::string(what) + " is longer than four bytes");
    }

    void ReadChannel(std::uint64_t tick, std::uint8_t status) {
        const int count = MidiEvent::DataBytes(status);
        if (m_end - m_pos < static_cast<std::size_t>(count)) {
            Fail(m_pos, "message " + Hex(status) + " runs past the end of its track");
        }
        MidiEvent event;
        event.tick = tick;
        event.status = status;
        event.data1 = m_data[m_pos];
        event.data2 = count == 2 ? m_data[m_pos + 1] : 0;
        if (((event.data1 | event.data2) & 0x80) != 0) {
            Fail((event.data1 & 0x80) != 0 ? m_pos : m_pos + 1,
                 "data byte expected after status " + Hex(status));
        }
        m_pos += static_cast<std::size_t>(count);
        m_track.events.push_back(event);
    }

    // Returns false at the end-of-track event.
    bool ReadMeta(std::uint64_t tick) {
        if (m_pos >= m_end) {
            Fail(m_pos, "meta event runs past the end of its track");
        }
        const std::uint8_t type = m_data[m_pos];
        if (type >= 0x80) {
            Fail(m_pos, "meta event type " + Hex(type) + " is not a data byte");
        }
        ++m_pos;
        const std::uint32_t length = ReadNumber("meta event length");
        Need(length, "meta event");
        if (type == MidiEvent::MetaEndOfTrack) {
            m_pos += length;
            m_track.endTick = tick;
            return false;
        }
        m_track.events.push_back(
            m_file.MakeEvent(tick, MidiEvent::Meta, type, {m_data + m_pos, length}));
        m_pos += length;
        return true;
    }

    const std::uint8_t* m_data;
    std::size_t m_pos;
    std::size_t m_end;
    MidiFile& m_file;
    MidiTrack& m_track;
};

} // namespace

MidiFile MidiFileReader::Read(std::span<const std::uint8_t> bytes, const Progress& progress) {
    const std::uint8_t* data = bytes.data();
    const std::size_t size = bytes.size();
    if (size < ChunkHeader || std::memcmp(data, "MThd", 4) != 0) {
        throw MidiFileException(0, "not a Standard MIDI File (no MThd header)");
    }
    const std::uint32_t headerLength = Big32(data + 4);
    if (headerLength < MinimumHeaderLength) {
        throw MidiFileException(4, "header of " + std::to_string(headerLength) +
                                       " bytes (at least 6 expected)");
    }
    if (size - ChunkHeader < headerLength) {
        throw MidiFileException(4, "header of " + std::to_string(headerLength) +
                                       " bytes runs past the end of the file");
    }
    MidiFile file;
    file.format = Big16(data + 8);
    const std::uint16_t announced = Big16(data + 10);
    file.division = Big16(data + 12);
    if (file.format > 1) {
        throw MidiFileException(8, "format " + std::to_string(file.format) +
                                       " is not supported (formats 0 and 1 are)");
    }
    if (file.division == 0) {
        throw MidiFileException(12, "division 0");
    }
    if (file.IsSmpte()) {
        const int fps = file.SmpteFramesPerSecond();
        if (fps != 24 && fps != 25 && fps != 29 && fps != 30) {
            throw MidiFileException(12, "SMPTE division of " + std::to_string(fps) +
                                            " frames per second");
        }
        if (file.SmpteTicksPerFrame() == 0) {
            throw MidiFileException(13, "SMPTE division of 0 ticks per frame");
        }
    }
    if (file.format == 0 && announced > 1) {
        file.format = 1;
    }

    std::size_t pos = ChunkHeader + headerLength;
    while (file.tracks.size() < announced) {
        if (size - pos < ChunkHeader) {
            throw MidiFileException(pos, "the header announces " + std::to_string(announced) +
                                             " tracks, the file holds " +
                                             std::to_string(file.tracks.size()));
        }
        const std::uint32_t length = Big32(data + pos + 4);
        if (size - pos - ChunkHeader < length) {
            throw MidiFileException(pos + 4, "chunk of " + std::to_string(length) +
                                                 " bytes runs past the end of the file (" +
                                                 std::to_string(size - pos - ChunkHeader) +
                                                 " left)");
        }
        const std::size_t body = pos + ChunkHeader;
        if (std::memcmp(data + pos, "MTrk", 4) == 0) {
            file.tracks.emplace_back().offset = pos;
            TrackParser(data, body, body + length, file, file.tracks.back()).Parse(progress, size);
        }
        pos = body + length;
    }
    if (progress) {
        progress(size, size);
    }
    return file;
}

} // namespace clavenor
