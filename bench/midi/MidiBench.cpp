// Standard MIDI File import and export. The import benchmarks read the files named in
// CLAVENOR_BENCH_MIDI (separated by commas), as bench/midi/run writes them, so that the same
// bytes are read here and by the programs it compares with; export writes a document of 10^5
// notes.

#include <clavenor/clavenor.h>
#include <clavenor/interchange/MidiExporter.h>
#include <clavenor/interchange/MidiFileReader.h>
#include <clavenor/interchange/MidiFileWriter.h>
#include <clavenor/interchange/MidiImporter.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

using namespace clavenor;
using Bytes = std::vector<std::uint8_t>;

Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Read(benchmark::State& state, const Bytes& bytes) {
    std::size_t events = 0;
    for (auto _ : state) {
        MidiFile file = MidiFileReader::Read(bytes);
        events = file.CountEvents();
        benchmark::DoNotOptimize(file);
    }
    state.counters["events"] = static_cast<double>(events);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

// Reading and importing into a document; letting the document go is not timed.
void Import(benchmark::State& state, const Bytes& bytes) {
    MidiImportReport report;
    for (auto _ : state) {
        std::unique_ptr<ECPerformance> document =
            MidiImporter::Import(MidiFileReader::Read(bytes), {}, &report);
        state.PauseTiming();
        document.reset();
        MCCommandMgr::OnIdle();
        state.ResumeTiming();
    }
    state.counters["notes"] = static_cast<double>(report.notes);
    state.counters["events/s"] =
        benchmark::Counter(static_cast<double>(MidiFileReader::Read(bytes).CountEvents()),
                           benchmark::Counter::kIsIterationInvariantRate);
}

// A document of `notes` notes on 8 staves, from an imported file.
std::unique_ptr<ECPerformance> MakeDocument(std::size_t notes) {
    MidiFile file;
    file.tracks.emplace_back();
    for (std::size_t track = 0; track < 8; ++track) {
        MidiTrack& t = file.tracks.emplace_back();
        for (std::size_t i = 0; i < notes / 8; ++i) {
            const std::uint64_t tick = i * 240;
            const auto key = static_cast<std::uint8_t>(36 + (i * 7 + track * 5) % 60);
            t.events.push_back(
                MidiFile::MakeChannel(tick, static_cast<std::uint8_t>(0x90 | track), key, 90));
            t.events.push_back(MidiFile::MakeChannel(
                tick + 200, static_cast<std::uint8_t>(0x80 | track), key, 64));
        }
    }
    return MidiImporter::Import(file, {});
}

void BM_ExportNotes(benchmark::State& state) {
    const auto document = MakeDocument(static_cast<std::size_t>(state.range(0)));
    std::size_t size = 0;
    for (auto _ : state) {
        const Bytes bytes = MidiFileWriter::Write(MidiExporter::Export(*document, {}));
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["bytes"] = static_cast<double>(size);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ExportNotes)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // The import makes its structure through commands: this thread must own the queue.
    delete new ECPerformance;
    std::vector<std::pair<std::string, Bytes>> files;
    if (const char* list = std::getenv("CLAVENOR_BENCH_MIDI")) {
        std::stringstream paths(list);
        for (std::string path; std::getline(paths, path, ',');) {
            files.emplace_back(path, ReadAll(path));
        }
    }
    for (const auto& [path, bytes] : files) {
        const Bytes* data = &bytes;
        benchmark::RegisterBenchmark(("BM_MidiRead/" + path).c_str(), [data](
                                                                          benchmark::State& state) {
            Read(state, *data);
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_MidiImport/" + path).c_str(),
                                     [data](benchmark::State& state) { Import(state, *data); })
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
