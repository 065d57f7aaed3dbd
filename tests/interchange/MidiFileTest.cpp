#include <clavenor/interchange/MidiFile.h>
#include <clavenor/interchange/MidiFileException.h>
#include <clavenor/interchange/MidiFileReader.h>
#include <clavenor/interchange/MidiFileWriter.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace clavenor::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Chunk(const char* type, const Bytes& body) {
    const auto n = static_cast<std::uint32_t>(body.size());
    Bytes out(type, type + 4);
    for (const int shift : {24, 16, 8, 0}) {
        out.push_back(static_cast<std::uint8_t>(n >> shift));
    }
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// A file of the given track bodies, announcing as many tracks unless told otherwise.
Bytes Smf(const std::vector<Bytes>& tracks, std::uint16_t format = 1, std::uint16_t division = 96,
          int announced = -1) {
    const auto count = static_cast<std::uint16_t>(announced < 0 ? tracks.size() : announced);
    Bytes out = Chunk(
        "MThd", {static_cast<std::uint8_t>(format >> 8), static_cast<std::uint8_t>(format),
                 static_cast<std::uint8_t>(count >> 8), static_cast<std::uint8_t>(count),
                 static_cast<std::uint8_t>(division >> 8), static_cast<std::uint8_t>(division)});
    for (const Bytes& track : tracks) {
        const Bytes chunk = Chunk("MTrk", track);
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    return out;
}

const Bytes kEnd = {0x00, 0xFF, 0x2F, 0x00};

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(MidiFileReading, ReadsEveryKindOfEventWithRunningStatus) {
    const Bytes track = Bytes{0x00, 0xFF, 0x03, 0x04, 'L',  'e',  'a', 'd', // track name
                              0x00, 0x90, 0x3C, 0x64,                       // note on
                              0x60, 0x3C, 0x00,                             // running: off
                              0x81, 0x00, 0xC1, 0x05,                       // delta 128
                              0x00, 0xF0, 0x03, 0x7E, 0x09, 0xF7,           // sysex
                              0x00, 0x3D} +                                 // running after sysex
                        Bytes{0xFF, 0xFF, 0xFF, 0x7F, 0xE0, 0x00, 0x40} +
                        kEnd;
    const MidiFile file = MidiFileReader::Read(Smf({track}, 0, 480));
    EXPECT_EQ(file.format, 0);
    EXPECT_EQ(file.TicksPerQuarter(), 480);
    ASSERT_EQ(file.tracks.size(), 1u);
    const std::vector<MidiEvent>& events = file.tracks[0].events;
    ASSERT_EQ(events.size(), 7u);
    EXPECT_EQ(file.GetText(events[0]), "Lead");
    EXPECT_EQ(events[0].data1, MidiEvent::MetaTrackName);
    EXPECT_TRUE(events[1].IsNoteOn());
    EXPECT_EQ(events[2].tick, 96u);
    EXPECT_TRUE(events[2].IsNoteOff());
    EXPECT_EQ(events[3].tick, 224u);
    EXPECT_EQ(events[3].status, 0xC1);
    EXPECT_EQ(events[3].data1, 5);
    EXPECT_EQ(events[4].status, MidiEvent::SysEx);
    EXPECT_EQ(file.GetBytes(events[4]).size(), 3u);
    EXPECT_EQ(events[5].status, 0xC1);
    EXPECT_EQ(events[5].data1, 0x3D);
    EXPECT_EQ(events[6].tick, 224u + 0xFFFFFFFu);
    EXPECT_EQ(file.tracks[0].endTick, events[6].tick);
}

TEST(MidiFileReading, RepairsWhatItCanAndSaysSo) {
    // No end-of-track event; an alien chunk; bytes after the end-of-track; a format-0
    // header announcing two tracks; a track count that stops before the last chunk.
    const Bytes open = {0x00, 0x90, 0x40, 0x40, 0x10, 0x80, 0x40, 0x00};
    const Bytes trailing = kEnd + Bytes{0x00, 0x90, 0x41, 0x40};
    Bytes bytes = Smf({open}, 0, 96, 2);
    const Bytes alien = Chunk("XYZW", {1, 2, 3});
    bytes.insert(bytes.end(), alien.begin(), alien.end());
    for (const Bytes& body : {trailing, open}) {
        const Bytes chunk = Chunk("MTrk", body);
        bytes.insert(bytes.end(), chunk.begin(), chunk.end());
    }
    const MidiFile file = MidiFileReader::Read(bytes);
    EXPECT_EQ(file.format, 1);
    ASSERT_EQ(file.tracks.size(), 2u);
    EXPECT_EQ(file.tracks[0].events.size(), 2u);
    EXPECT_EQ(file.tracks[0].endTick, 16u);
    EXPECT_EQ(file.tracks[1].events.size(), 0u);
}

TEST(MidiFileReading, RefusesMalformedFilesWithTheOffset) {
    struct Case {
        const char* name;
        Bytes bytes;
        std::uint64_t offset;
        const char* says;
    };
    const Bytes note = {0x00, 0x90, 0x3C, 0x40};
    Bytes shortHeader = Chunk("MThd", {0, 1, 0, 1});
    Bytes longHeader = Smf({kEnd});
    longHeader[7] = 200;
    Bytes pastEnd = Smf({note + kEnd});
    pastEnd[21] = 40; // the track's length
    const std::vector<Case> cases = {
        {"empty", {}, 0, "no MThd"},
        {"text", Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0}, 0, "no MThd"},
        {"short header", shortHeader, 4, "at least 6"},
        {"header past end", longHeader, 4, "past the end"},
        {"format 2", Smf({kEnd}, 2), 8, "format 2"},
        {"division 0", Smf({kEnd}, 1, 0), 12, "division 0"},
        {"SMPTE 23 fps", Smf({kEnd}, 1, 0xE950), 12, "23 frames"},
        {"SMPTE 0 ticks", Smf({kEnd}, 1, 0xE700), 13, "0 ticks"},
        {"missing tracks", Smf({kEnd}, 1, 96, 3), 26, "announces 3 tracks, the file holds 1"},
        {"huge track count", Smf({kEnd}, 1, 96, 65535), 26, "announces 65535"},
        {"chunk past end", pastEnd, 18, "runs past the end of the file"},
        {"five-byte delta", Smf({Bytes{0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 0x3C, 0x40} + kEnd}), 22,
         "longer than four bytes"},
        {"running status first", Smf({Bytes{0x00, 0x3C, 0x40} + kEnd}), 23, "without a status"},
        {"status for data", Smf({Bytes{0x00, 0x90, 0x3C, 0x90} + kEnd}), 25, "data byte expected"},
        {"realtime status", Smf({Bytes{0x00, 0xF8} + kEnd}), 23, "0xF8 has no place"},
        {"meta past track", Smf({Bytes{0x00, 0xFF, 0x01, 0x10, 'a'}}), 26, "meta event of 16"},
        {"sysex past track", Smf({Bytes{0x00, 0xF0, 0x05, 0x7E}}), 25, "system exclusive"},
        {"cut message", Smf({Bytes{0x00, 0x90, 0x3C}}), 24, "runs past the end of its track"},
        {"cut after delta", Smf({Bytes{0x00, 0x90, 0x3C, 0x40, 0x10}}), 27, "after a delta"},
        {"meta type", Smf({Bytes{0x00, 0xFF, 0x81, 0x00} + kEnd}), 24, "not a data byte"},
    };
    for (const Case& c : cases) {
        try {
            MidiFileReader::Read(c.bytes);
            ADD_FAILURE() << c.name << ": read";
        } catch (const MidiFileException& e) {
            EXPECT_EQ(e.GetOffset(), c.offset) << c.name << ": " << e.what();
            EXPECT_NE(e.GetDetail().find(c.says), std::string::npos) << c.name << ": " << e.what();
        }
    }
}

TEST(MidiFileWriting, WritesRunningStatusThatMetaEventsCancel) {
    MidiFile file;
    file.format = 0;
    file.division = 96;
    file.tracks.emplace_back();
    std::vector<MidiEvent>& events = file.tracks[0].events;
    events.push_back(MidiFile::MakeChannel(0, 0x90, 60, 100));
    events.push_back(MidiFile::MakeChannel(0, 0x90, 64, 100));
    events.push_back(file.MakeText(10, MidiEvent::MetaMarker, "A"));
    events.push_back(MidiFile::MakeChannel(200, 0x90, 60, 0));
    file.tracks[0].endTick = 300;
    const Bytes bytes = MidiFileWriter::Write(file);
    const Bytes expected = Smf({{0x00, 0x90, 60,   100,  0x00, 64,   100,  0x0A, 0xFF, 0x06, 0x01,
                                 'A',  0x81, 0x3E, 0x90, 60,   0x00, 0x64, 0xFF, 0x2F, 0x00}},
                               0, 96);
    EXPECT_EQ(bytes, expected);

    const MidiFile again = MidiFileReader::Read(bytes);
    ASSERT_EQ(again.tracks[0].events.size(), 4u);
    EXPECT_EQ(again.tracks[0].events[3].tick, 200u);
    EXPECT_EQ(again.tracks[0].endTick, 300u);
    EXPECT_EQ(MidiFileWriter::Write(again), bytes);
}

TEST(MidiFileWriting, RefusesWhatAFileCannotSay) {
    MidiFile file;
    file.format = 0;
    file.tracks.resize(2);
    EXPECT_THROW(MidiFileWriter::Write(file), MidiFileException);
    file.format = 1;
    file.tracks[1].events.push_back(MidiFile::MakeChannel(10, 0x90, 60, 100));
    file.tracks[1].events.push_back(MidiFile::MakeChannel(5, 0x80, 60, 0));
    EXPECT_THROW(MidiFileWriter::Write(file), MidiFileException);
    file.tracks[1].events[1].tick = 10 + 0x10000000;
    EXPECT_THROW(MidiFileWriter::Write(file), MidiFileException);
    file.tracks[1].events.pop_back();
    file.division = 0;
    EXPECT_THROW(MidiFileWriter::Write(file), MidiFileException);
}

} // namespace
} // namespace clavenor::test
