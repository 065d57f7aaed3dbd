// MusicXML import and export: a generated score of 10^5 notes (8 staves of quarter-note
// chords and runs), and the files named in CLAVENOR_BENCH_MUSICXML (separated by commas),
// such as MuseScore's export of its largest demo score. Standard MIDI File import and export
// of the same notes run beside them as the floor: the figures to read are the ratios. Each
// benchmark reports its time per note; the peak memory per note of each import and export is
// printed first, each measured once in a process of its own (the growth of its peak resident
// set over where it started), as a benchmark's later runs reuse what its first one freed.

#include <clavenor/clavenor.h>
#include <clavenor/interchange/MidiExporter.h>
#include <clavenor/interchange/MidiImporter.h>
#include <clavenor/interchange/MusicXmlExporter.h>
#include <clavenor/interchange/MusicXmlImporter.h>

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>

namespace {

using namespace clavenor;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kNotes = 100000;
constexpr std::size_t kStaves = 8;

Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

double PeakBytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) * 1024.0;
}

double ResidentBytes() {
    long pages = 0;
    long resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(statm);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

// Peak memory per note of `run` (which returns its notes), in a child process.
void PrintPeakPerNote(const std::string& name, const std::function<std::size_t()>& run) {
    int fds[2];
    if (pipe(fds) != 0) {
        return;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const double before = ResidentBytes();
        const std::size_t notes = run();
        const double perNote =
            (PeakBytes() - before) / static_cast<double>(std::max<std::size_t>(notes, 1));
        if (write(fds[1], &perNote, sizeof perNote) != sizeof perNote) {
            _exit(1);
        }
        _exit(0);
    }
    close(fds[1]);
    double perNote = -1.0;
    if (pid > 0 && read(fds[0], &perNote, sizeof perNote) == sizeof perNote) {
        std::printf("peak memory per note, %s: %.0f bytes\n", name.c_str(), perNote);
    }
    close(fds[0]);
    if (pid > 0) {
        waitpid(pid, nullptr, 0);
    }
}

MidiFile MakeMidi(std::size_t notes) {
    MidiFile file;
    file.tracks.emplace_back();
    for (std::size_t track = 0; track < kStaves; ++track) {
        MidiTrack& t = file.tracks.emplace_back();
        for (std::size_t i = 0; i < notes / kStaves; ++i) {
            const std::uint64_t tick = i * 240;
            const auto key = static_cast<std::uint8_t>(36 + (i * 7 + track * 5) % 60);
            t.events.push_back(
                MidiFile::MakeChannel(tick, static_cast<std::uint8_t>(0x90 | track), key, 90));
            t.events.push_back(MidiFile::MakeChannel(
                tick + 240, static_cast<std::uint8_t>(0x80 | track), key, 64));
        }
    }
    return file;
}

void PerNote(benchmark::State& state, std::size_t notes) {
    state.counters["notes"] = static_cast<double>(notes);
    state.counters["time/note"] = benchmark::Counter(static_cast<double>(notes),
                                                     benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

Bytes GeneratedMusicXml() {
    std::string xml;
    {
        auto document = MidiImporter::Import(MakeMidi(kNotes), {});
        xml = MusicXmlExporter::Export(*document, {});
    }
    MCCommandMgr::OnIdle();
    return {xml.begin(), xml.end()};
}

void ImportMusicXml(benchmark::State& state, const Bytes& bytes) {
    MusicXmlImportReport report;
    for (auto _ : state) {
        auto document = MusicXmlImporter::Import(bytes, {}, &report);
        state.PauseTiming();
        document.reset();
        MCCommandMgr::OnIdle();
        state.ResumeTiming();
    }
    PerNote(state, report.notes);
}

void ExportMusicXml(benchmark::State& state, ECPerformance& document, std::size_t notes) {
    std::size_t size = 0;
    for (auto _ : state) {
        const std::string xml = MusicXmlExporter::Export(document, {});
        size = xml.size();
        benchmark::DoNotOptimize(xml.data());
    }
    state.counters["bytes"] = static_cast<double>(size);
    PerNote(state, notes);
}

void BM_MidiImportGenerated(benchmark::State& state) {
    const MidiFile file = MakeMidi(kNotes);
    for (auto _ : state) {
        auto document = MidiImporter::Import(file, {});
        state.PauseTiming();
        document.reset();
        MCCommandMgr::OnIdle();
        state.ResumeTiming();
    }
    PerNote(state, kNotes);
}
BENCHMARK(BM_MidiImportGenerated)->Unit(benchmark::kMillisecond);

void BM_MusicXmlImportGenerated(benchmark::State& state) {
    ImportMusicXml(state, GeneratedMusicXml());
}
BENCHMARK(BM_MusicXmlImportGenerated)->Unit(benchmark::kMillisecond);

void BM_MidiExportGenerated(benchmark::State& state) {
    auto document = MidiImporter::Import(MakeMidi(kNotes), {});
    for (auto _ : state) {
        MidiFile file = MidiExporter::Export(*document, {});
        benchmark::DoNotOptimize(file);
    }
    PerNote(state, kNotes);
}
BENCHMARK(BM_MidiExportGenerated)->Unit(benchmark::kMillisecond);

void BM_MusicXmlExportGenerated(benchmark::State& state) {
    auto document = MidiImporter::Import(MakeMidi(kNotes), {});
    ExportMusicXml(state, *document, kNotes);
}
BENCHMARK(BM_MusicXmlExportGenerated)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // The import makes its structure through commands: this thread must own the queue.
    delete new ECPerformance;
    std::vector<std::pair<std::string, Bytes>> files;
    if (const char* list = std::getenv("CLAVENOR_BENCH_MUSICXML")) {
        std::stringstream paths(list);
        for (std::string path; std::getline(paths, path, ',');) {
            files.emplace_back(path, ReadAll(path));
        }
    }
    const MidiFile midi = MakeMidi(kNotes);
    const Bytes generated = GeneratedMusicXml();
    PrintPeakPerNote("MIDI import, generated", [&] {
        auto document = MidiImporter::Import(midi, {});
        return kNotes;
    });
    auto importXml = [](const Bytes& bytes) {
        MusicXmlImportReport report;
        auto document = MusicXmlImporter::Import(bytes, {}, &report);
        return report.notes;
    };
    auto exportXml = [](const Bytes& bytes) {
        MusicXmlImportReport report;
        auto document = MusicXmlImporter::Import(bytes, {}, &report);
        const std::string xml = MusicXmlExporter::Export(*document, {});
        return report.notes;
    };
    PrintPeakPerNote("MusicXML import, generated", [&] { return importXml(generated); });
    PrintPeakPerNote("MusicXML import and export, generated", [&] { return exportXml(generated); });
    for (const auto& [path, bytes] : files) {
        const Bytes* data = &bytes;
        PrintPeakPerNote("MusicXML import, " + path, [&] { return importXml(*data); });
        PrintPeakPerNote("MusicXML import and export, " + path, [&] { return exportXml(*data); });
        benchmark::RegisterBenchmark(
            ("BM_MusicXmlImport/" + path).c_str(),
            [data](benchmark::State& state) { ImportMusicXml(state, *data); })
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_MusicXmlExport/" + path).c_str(), [data](benchmark::State&
                                                                                       state) {
            MusicXmlImportReport report;
            auto document = MusicXmlImporter::Import(*data, {}, &report);
            ExportMusicXml(state, *document, report.notes);
        })->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
