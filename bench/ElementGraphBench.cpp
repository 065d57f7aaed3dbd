// Cost per child of the element graph's main container path: one parent holding N timed
// children appended in time order (sorted mode), walked once, then released with the parent.
// Each stage should cost the same per child whatever N is.

#include "support/BenchChecks.h"

#include "clavenor/model/ECWithChild.h"
#include "clavenor/model/ECWithTime.h"

#include <benchmark/benchmark.h>

#include <cstdint>

using namespace clavenor;

namespace {

ECWithChild* BuildSorted(std::int64_t n) {
    auto* parent = new ECWithChild;
    for (std::int64_t i = 0; i < n; ++i) {
        auto* child = new ECWithTime;
        MCTime time(static_cast<float>(i) * 0.25f);
        child->SetTime(&time);
        bench::LinkOrStop(parent, child, 1);
    }
    return parent;
}

float Walk(ECWithChild* parent) {
    float sum = 0.0f;
    MCEventList* children = parent->GetChildren();
    for (POSITION pos = children->GetHeadPosition(); pos != nullptr;) {
        sum += children->GetNext(pos)->GetTime()->GetSeconds();
    }
    return sum;
}

void SetPerChild(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * state.range(0));
    // Seconds per child: the inverse of the per-iteration child rate.
    state.counters["per_child"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                     benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

void BM_BuildWalkRelease(benchmark::State& state) {
    for (auto _ : state) {
        ECWithChild* parent = BuildSorted(state.range(0));
        benchmark::DoNotOptimize(Walk(parent));
        delete parent;
    }
    SetPerChild(state);
}

void BM_Build(benchmark::State& state) {
    for (auto _ : state) {
        ECWithChild* parent = BuildSorted(state.range(0));
        state.PauseTiming();
        delete parent;
        state.ResumeTiming();
    }
    SetPerChild(state);
}

void BM_Walk(benchmark::State& state) {
    ECWithChild* parent = BuildSorted(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(Walk(parent));
    }
    delete parent;
    SetPerChild(state);
}

void BM_Release(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        ECWithChild* parent = BuildSorted(state.range(0));
        state.ResumeTiming();
        delete parent;
    }
    SetPerChild(state);
}

// N = 10^4, 10^5, 10^6, after a warm-up: the first pass over a million children also pays
// for the pages the heap takes from the system, which later passes reuse.
void Sizes(benchmark::internal::Benchmark* b) {
    b->RangeMultiplier(10)->Range(10'000, 1'000'000)->MinWarmUpTime(0.5);
    b->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_BuildWalkRelease)->Apply(Sizes);
BENCHMARK(BM_Build)->Apply(Sizes);
BENCHMARK(BM_Walk)->Apply(Sizes);
BENCHMARK(BM_Release)->Apply(Sizes);
