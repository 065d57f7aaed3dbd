#include "FuzzMidi.h"

#include <clavenor/clavenor.h>
#include <clavenor/interchange/MidiExporter.h>
#include <clavenor/interchange/MidiFileException.h>
#include <clavenor/interchange/MidiFileReader.h>
#include <clavenor/interchange/MidiFileWriter.h>
#include <clavenor/interchange/MidiImporter.h>

#include <cstdio>
#include <cstdlib>

namespace clavenor::fuzz {

namespace {

// Tighter than the importer's own bounds, so that each input stays quick and the fuzzer
// explores rather than waits; the bounds themselves are checked all the same.
MidiImporter::Options FuzzOptions() {
    MidiImporter::Options options;
    options.maxStaves = 64;
    options.maxBars = 2048;
    options.maxStaffMeasures = 1 << 14;
    return options;
}

std::vector<std::uint8_t> ExportBytes(ECPerformance& document) {
    try {
        return MidiFileWriter::Write(MidiExporter::Export(document, {}));
    } catch (const MidiFileException& e) {
        std::fprintf(stderr, "export failed: %s\n", e.what());
        std::abort(); // an imported document must export
    }
}

// Re-imports get one bar of headroom: the size bound is an estimate made before anything is
// built, and it may count the bar line that closes a piece as the start of one more bar,
// which the export, ending on that line, then asks for. The round trip checks the music.
std::unique_ptr<ECPerformance> ImportBytes(const std::vector<std::uint8_t>& bytes) {
    MidiImporter::Options options = FuzzOptions();
    options.maxBars += 1;
    options.maxStaffMeasures += static_cast<std::size_t>(options.maxStaves);
    try {
        return MidiImporter::Import(MidiFileReader::Read(bytes), options);
    } catch (const MidiFileException& e) {
        std::fprintf(stderr, "re-import failed: %s\n", e.what());
        std::abort(); // what the exporter wrote, the reader must read
    }
}

} // namespace

int ImportRoundTrip(const std::uint8_t* data, std::size_t size) {
    std::unique_ptr<ECPerformance> first;
    try {
        first = MidiImporter::Import(MidiFileReader::Read({data, size}), FuzzOptions());
    } catch (const MidiFileException&) {
        MCCommandMgr::OnIdle();
        return 0;
    }
    {
        const std::vector<std::uint8_t> exported = ExportBytes(*first);
        first.reset();
        std::unique_ptr<ECPerformance> second = ImportBytes(exported);
        const std::vector<std::uint8_t> secondBytes = WriteDocument(*second);
        const std::vector<std::uint8_t> again = ExportBytes(*second);
        second.reset();
        std::unique_ptr<ECPerformance> third = ImportBytes(again);
        if (WriteDocument(*third) != secondBytes) {
            std::abort();
        }
    }
    MCCommandMgr::OnIdle();
    return 1;
}

std::vector<std::vector<std::uint8_t>> MakeMidiSeeds() {
    std::vector<std::vector<std::uint8_t>> seeds;
    auto text = [](MidiFile& file, std::uint64_t tick, std::uint8_t type, const char* words) {
        return file.MakeText(tick, type, words);
    };
    {
        // Format 0, every channel message kind, running status, meta events of every kind.
        MidiFile file;
        file.format = 0;
        file.division = 96;
        auto& events = file.tracks.emplace_back().events;
        events.push_back(text(file, 0, MidiEvent::MetaTrackName, "Seed"));
        events.push_back(file.MakeEvent(0, MidiEvent::Meta, MidiEvent::MetaTempo,
                                        std::vector<std::uint8_t>{0x07, 0xA1, 0x20}));
        events.push_back(file.MakeEvent(0, MidiEvent::Meta, MidiEvent::MetaTimeSignature,
                                        std::vector<std::uint8_t>{6, 3, 24, 8}));
        events.push_back(file.MakeEvent(0, MidiEvent::Meta, MidiEvent::MetaKeySignature,
                                        std::vector<std::uint8_t>{0xFD, 1}));
        events.push_back(file.MakeEvent(0, MidiEvent::SysEx, 0,
                                        std::vector<std::uint8_t>{0x7E, 0x7F, 0x09, 0x01, 0xF7}));
        std::uint64_t tick = 0;
        for (std::uint8_t channel = 0; channel < 3; ++channel) {
            for (std::uint8_t key = 60; key < 64; ++key) {
                events.push_back(MidiFile::MakeChannel(tick, 0x90 | channel, key, 100));
                events.push_back(MidiFile::MakeChannel(tick + 48, 0x80 | channel, key, 30));
                events.push_back(MidiFile::MakeChannel(tick + 48, 0xB0 | channel, 7, key));
                events.push_back(MidiFile::MakeChannel(tick + 48, 0xE0 | channel, 0, key));
                tick += 48;
            }
            events.push_back(MidiFile::MakeChannel(tick, 0xC0 | channel, 5, 0));
            events.push_back(MidiFile::MakeChannel(tick, 0xD0 | channel, 40, 0));
            events.push_back(MidiFile::MakeChannel(tick, 0xA0 | channel, 60, 20));
            events.push_back(MidiFile::MakeChannel(tick, 0xB0 | channel, 123, 0));
        }
        events.push_back(text(file, tick, MidiEvent::MetaLyric, "la"));
        events.push_back(text(file, tick, MidiEvent::MetaMarker, "end"));
        file.tracks[0].endTick = tick + 96;
        seeds.push_back(MidiFileWriter::Write(file));
    }
    {
        // Format 1 with an SMPTE division: a conductor track and two instrument tracks, one
        // of them with two channels and a note left sounding; key signatures for all, for
        // one staff (two at one tick) and one no key holds.
        MidiFile file;
        file.format = 1;
        file.division = 0xE728; // 25 frames per second, 40 ticks per frame
        auto& conductor = file.tracks.emplace_back().events;
        conductor.push_back(text(file, 0, MidiEvent::MetaText, "SMPTE seed"));
        conductor.push_back(file.MakeEvent(0, MidiEvent::Meta, MidiEvent::MetaKeySignature,
                                           std::vector<std::uint8_t>{2, 0}));
        conductor.push_back(file.MakeEvent(500, MidiEvent::Meta, MidiEvent::MetaTempo,
                                           std::vector<std::uint8_t>{0x0F, 0x42, 0x40}));
        auto& first = file.tracks.emplace_back().events;
        first.push_back(text(file, 0, MidiEvent::MetaTrackName, "Two channels"));
        first.push_back(
            file.MakeEvent(0, MidiEvent::Meta, MidiEvent::MetaPort, std::vector<std::uint8_t>{1}));
        first.push_back(MidiFile::MakeChannel(0, 0x91, 40, 90));
        first.push_back(MidiFile::MakeChannel(10, 0x92, 41, 90));
        for (const std::uint8_t sharps : {0xFE, 0x05}) {
            first.push_back(file.MakeEvent(10, MidiEvent::Meta, MidiEvent::MetaKeySignature,
                                           std::vector<std::uint8_t>{sharps, 1}));
        }
        first.push_back(MidiFile::MakeChannel(400, 0x81, 40, 0));
        auto& second = file.tracks.emplace_back().events;
        second.push_back(MidiFile::MakeChannel(0, 0x89, 36, 0)); // a note-off alone
        second.push_back(MidiFile::MakeChannel(100, 0x99, 36, 127));
        second.push_back(MidiFile::MakeChannel(100, 0x99, 36, 0));
        second.push_back(file.MakeEvent(100, MidiEvent::Meta, MidiEvent::MetaKeySignature,
                                        std::vector<std::uint8_t>{9, 0}));
        for (auto& track : file.tracks) {
            track.endTick = 1000;
        }
        seeds.push_back(MidiFileWriter::Write(file));
    }
    return seeds;
}

} // namespace clavenor::fuzz
