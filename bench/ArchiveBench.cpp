// Saving and loading whole documents through the archive: bytes and elements per second,
// for 10^5 and 10^6 elements. Loading should stay within twice the cost of saving, and both
// should grow linearly with the document.

#include "support/BenchChecks.h"

#include <clavenor/clavenor.h>

#include <benchmark/benchmark.h>

#include <memory>

using namespace clavenor;

namespace {

// A performance with one staff of measures, each holding 100 timed elements: the shape of
// a long single-staff score.
struct Score {
    ECPerformance* performance = new ECPerformance;
    std::int64_t elements = 0;

    explicit Score(std::int64_t size) {
        auto* conductor = new ECConductor;
        bench::LinkOrStop(performance, conductor, 0);
        auto* staff = new ECStaff;
        bench::LinkOrStop(conductor, staff, 1);
        elements = 3;
        float time = 0;
        while (elements < size) {
            auto* measure = new ECWithTimeChild;
            MCTime start(time);
            measure->SetTime(&start);
            bench::LinkOrStop(staff, measure, 1);
            ++elements;
            for (int i = 0; i < 100 && elements < size; ++i, ++elements) {
                auto* event = new ECWithTime;
                MCTime at(time + static_cast<float>(i) / 25);
                event->SetTime(&at);
                event->SetVoiceTrack(i % 4, 1);
                bench::LinkOrStop(measure, event, 1);
            }
            time += 4;
        }
    }
    ~Score() { delete performance; }
};

std::vector<std::uint8_t> Save(ECPerformance* performance) {
    CMemFile file;
    CArchive ar(&file, CArchive::store, 64 * 1024);
    performance->Serialize(ar);
    ACPostSerialize post(ar);
    post.Apply(performance);
    ar.Close();
    return file.Detach();
}

void BM_SaveDocument(benchmark::State& state) {
    Score score(state.range(0));
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = Save(score.performance).size();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
    state.SetItemsProcessed(state.iterations() * score.elements);
}
BENCHMARK(BM_SaveDocument)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_LoadDocument(benchmark::State& state) {
    std::vector<std::uint8_t> bytes;
    std::int64_t elements = 0;
    {
        Score score(state.range(0));
        bytes = Save(score.performance);
        elements = score.elements;
    }
    for (auto _ : state) {
        auto document = std::make_unique<ECPerformance>();
        document->SetVersion(ECPerformance::WriteVersion);
        ECPerformance* previous = ECPerformance::SetActivePerformance(document.get());
        CMemFile file(bytes.data(), bytes.size());
        {
            CArchive ar(&file, CArchive::load, 64 * 1024);
            document->Serialize(ar);
            ACPostSerialize post(ar);
            post.Apply(document.get());
            ar.Close();
        }
        ECPerformance::SetActivePerformance(previous);
        state.PauseTiming();
        document.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
    state.SetItemsProcessed(state.iterations() * elements);
}
BENCHMARK(BM_LoadDocument)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// N containers under one holder, each holding one element: its own (arg 1 = 0) or one that
// all of them share (arg 1 = 1). Loading the shared shape should cost about what loading the
// separate one costs: finding whether a container already lists its child must not scan
// the child's parents.
void BM_LoadSharedChild(benchmark::State& state) {
    const auto containers = static_cast<int>(state.range(0));
    std::vector<std::uint8_t> bytes;
    {
        ECPerformance performance;
        auto* holder = new ECWithChild;
        bench::LinkOrStop(&performance, holder, 0);
        ECBase* shared = nullptr;
        for (int i = 0; i < containers; ++i) {
            auto* container = new ECWithChild;
            bench::LinkOrStop(holder, container, 0);
            if (shared == nullptr || state.range(1) == 0) {
                shared = new ECWithTime;
            }
            bench::LinkOrStop(container, shared, 0);
        }
        bytes = Save(&performance);
    }
    for (auto _ : state) {
        auto document = std::make_unique<ECPerformance>();
        CMemFile file(bytes.data(), bytes.size());
        {
            CArchive ar(&file, CArchive::load, 64 * 1024);
            document->Serialize(ar);
            ar.Close();
        }
        state.PauseTiming();
        document.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * containers);
}
BENCHMARK(BM_LoadSharedChild)->Args({80000, 0})->Args({80000, 1})->Unit(benchmark::kMillisecond);

} // namespace
