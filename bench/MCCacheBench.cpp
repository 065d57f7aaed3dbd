#include "clavenor/caches/MCCache.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

using clavenor::MCCache;
using clavenor::MCTime;

// One point per beat over `points` beats, slot 0 changing at every point.
void Fill(MCCache& cache, std::int64_t points, std::vector<int>& objects) {
    objects.resize(static_cast<std::size_t>(points));
    for (std::int64_t i = 0; i < points; ++i) {
        cache.CacheObject(&objects[static_cast<std::size_t>(i)], MCTime(static_cast<float>(i)), 0);
    }
}

// Queries that move forward a little each time, as a walk through a score does: the cursor
// should make each one cost a step or two whatever the cache's length.
void BM_CacheForwardQueries(benchmark::State& state) {
    MCCache cache(4);
    std::vector<int> objects;
    Fill(cache, state.range(0), objects);
    float time = 0.0f;
    const auto limit = static_cast<float>(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(cache.GetObjectForTime(MCTime(time), 0));
        time += 0.25f;
        if (time >= limit) {
            time = 0.0f;
        }
    }
}
BENCHMARK(BM_CacheForwardQueries)->Arg(16)->Arg(1024);

// Queries at random times walk half the list on average: the cost the cursor saves.
void BM_CacheRandomQueries(benchmark::State& state) {
    MCCache cache(4);
    std::vector<int> objects;
    Fill(cache, state.range(0), objects);
    std::mt19937 random(1);
    std::uniform_real_distribution<float> times(0.0f, static_cast<float>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(cache.GetObjectForTime(MCTime(times(random)), 0));
    }
}
BENCHMARK(BM_CacheRandomQueries)->Arg(16)->Arg(1024);

} // namespace
