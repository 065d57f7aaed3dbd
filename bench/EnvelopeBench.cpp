// Envelopes of 10^5 and 10^6 points: building in time order and loading from an archive
// should grow linearly (time(10^6) / time(10^5) <= 12); a playback sweep should cost the
// same per emitted value whatever the size; a query next to the remembered position should
// cost the same whatever the size, and one at a random time O(log n).

#include "support/BenchChecks.h"

#include <clavenor/clavenor.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

using namespace clavenor;

namespace {

constexpr float kSpacing = 0.25f; // quarter notes between points

// Points every kSpacing quarter notes; every other point starts a ramp to the next.
ECControllerEnv* Build(std::int64_t points) {
    auto* envelope = new ECControllerEnv;
    envelope->Ref();
    for (std::int64_t i = 0; i < points; ++i) {
        auto* point = new ECControlChange(7);
        MCTime at(static_cast<float>(i) * kSpacing);
        point->SetTime(&at);
        point->SetValue(static_cast<float>(i % 128));
        point->SetStyle(static_cast<int>(i % 2));
        bench::LinkOrStop(envelope, point, 1);
    }
    return envelope;
}

void Release(ECEnvelope* envelope) {
    envelope->RemoveChildren(1);
    envelope->Unref(1);
}

float End(std::int64_t points) { return static_cast<float>(points) * kSpacing; }

void BM_EnvelopeBuild(benchmark::State& state) {
    for (auto _ : state) {
        ECControllerEnv* envelope = Build(state.range(0));
        state.PauseTiming();
        Release(envelope);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_EnvelopeBuild)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_EnvelopeLoad(benchmark::State& state) {
    std::vector<std::uint8_t> bytes;
    {
        ECControllerEnv* envelope = Build(state.range(0));
        CMemFile file;
        CArchive ar(&file, CArchive::store, 64 * 1024);
        ar << envelope;
        ar.Close();
        bytes = file.Detach();
        Release(envelope);
    }
    for (auto _ : state) {
        CMemFile file(bytes.data(), bytes.size());
        ECEnvelope* loaded = nullptr;
        {
            CArchive ar(&file, CArchive::load, 64 * 1024);
            ar >> loaded;
            loaded->Ref();
            ar.Close();
        }
        state.PauseTiming();
        Release(loaded);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_EnvelopeLoad)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The whole envelope pulled in blocks of one quarter note, as a player pulls it; items are
// the values emitted.
void BM_EnvelopeSweep(benchmark::State& state) {
    ECControllerEnv* envelope = Build(state.range(0));
    envelope->SetMinDeltaTime(MCTime(0.05f));
    const float end = End(state.range(0));
    std::int64_t emitted = 0;
    CArray<EVALUE> values;
    for (auto _ : state) {
        envelope->Reset();
        for (float from = 0.0f; from < end; from += 1.0f) {
            values.RemoveAll();
            envelope->GetValues(MCTime(from), MCTime(from + 1.0f), 1.0f, values, 1);
            emitted += values.GetSize();
        }
    }
    state.SetItemsProcessed(emitted);
    Release(envelope);
}
BENCHMARK(BM_EnvelopeSweep)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Each query a little later than the last, wrapping at the end: the remembered position
// answers it in a step or two.
void BM_EnvelopeNearbyQuery(benchmark::State& state) {
    ECControllerEnv* envelope = Build(state.range(0));
    const float end = End(state.range(0));
    float time = 0.0f;
    float value = 0.0f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(envelope->GetValue(MCTime(time), value, 1));
        time += 0.1f;
        if (time >= end) {
            time = 0.0f;
        }
    }
    state.SetItemsProcessed(state.iterations());
    Release(envelope);
}
BENCHMARK(BM_EnvelopeNearbyQuery)->Arg(100000)->Arg(1000000);

// Queries at random times: a binary search over the envelope's index.
void BM_EnvelopeRandomQuery(benchmark::State& state) {
    ECControllerEnv* envelope = Build(state.range(0));
    std::mt19937 random(1);
    std::uniform_real_distribution<float> times(0.0f, End(state.range(0)));
    float value = 0.0f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(envelope->GetValue(MCTime(times(random)), value, 1));
    }
    state.SetItemsProcessed(state.iterations());
    Release(envelope);
}
BENCHMARK(BM_EnvelopeRandomQuery)->Arg(100000)->Arg(1000000);

} // namespace
