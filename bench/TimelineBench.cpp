// The timeline of a score of 10^4 measures x 16 staves with 10^2 meters and 10^3 tempo marks
// (and the same at 10^3 measures, to see how costs grow): measure-at-time queries in playback
// order (O(1) each through the measure cursor) and at random times (O(log n)), conversions
// between quarter notes and seconds and between quarter notes and bar/pulse/tick, inserting
// a staff in the middle, saving and loading. Building a score by appending measures should
// grow linearly: time(10^4) / time(10^3) <= 12.

#include "support/BenchChecks.h"

#include <clavenor/clavenor.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <random>
#include <vector>

using namespace clavenor;

namespace {

constexpr int kStaves = 16;

struct Score {
    ECPerformance* document = nullptr;
    ECConductor* conductor = nullptr;
    ECConductorStaff* track0 = nullptr;
    float end = 0.0f;
};

void AddAt(ECEnvelope* map, ECEnvPoint* point, float time) {
    MCTime at(time);
    point->SetTime(&at);
    bench::LinkOrStop(map, point, 1);
}

// `measures` measures on every staff; a meter every `measures / meters` measures (4/4, 3/4,
// 6/8, 5/4 in turn) and a tempo mark every `measures / tempi` (every other one starting a
// ramp), each at the start of a measure.
Score Build(int measures, int meters, int tempi) {
    Score score;
    score.document = new ECPerformance;
    score.conductor = new ECConductor;
    bench::LinkOrStop(score.document, score.conductor, 0);
    for (int s = 1; s <= kStaves; ++s) {
        score.conductor->GetTrack(ECConductor::KindStaff, s, 1);
    }
    score.track0 = score.conductor->GetConductorStaff();
    ECMeterEnv* meterMap = score.track0->GetMeterEnv();
    ECTempoEnv* tempoMap = score.track0->GetTempoEnv();
    const std::uint8_t shapes[][2] = {{4, 4}, {3, 4}, {6, 8}, {5, 4}};
    const int meterEvery = meters > 0 ? measures / meters : measures + 1;
    const int tempoEvery = tempi > 0 ? measures / tempi : measures + 1;
    for (int i = 0; i < measures; ++i) {
        const MCTime end = score.track0->GetMaxMeasureEndTime();
        if (i % meterEvery == 0) {
            const auto* shape = shapes[(i / meterEvery) % 4];
            AddAt(meterMap, new ECMeter(shape[0], shape[1], ECMeter::TypeComputed),
                  end.GetSeconds());
        }
        if (i % tempoEvery == 0) {
            auto* mark = new ECTempo;
            // 60 to 180 quarters a minute: taken.
            (void)mark->SetTempo(static_cast<float>(60 + (i / tempoEvery) % 7 * 20), 1.0f);
            mark->SetStyle((i / tempoEvery) % 2);
            AddAt(tempoMap, mark, end.GetSeconds());
        }
        score.conductor->GetMeasure(0, end, 1, 1);
    }
    score.end = score.track0->GetMaxMeasureEndTime().GetSeconds();
    return score;
}

// One score of each size, built once and shared by the benchmarks that only read it.
Score& Shared(int measures) {
    static std::map<int, Score> scores;
    auto found = scores.find(measures);
    if (found == scores.end()) {
        found = scores.emplace(measures, Build(measures, measures / 100, measures / 10)).first;
    }
    return found->second;
}

std::vector<float> RandomTimes(float end, std::size_t count) {
    std::mt19937 random(12345);
    std::uniform_real_distribution<float> within(0.0f, end);
    std::vector<float> times(count);
    for (float& t : times) {
        t = within(random);
    }
    return times;
}

void BM_BuildByAppending(benchmark::State& state) {
    const int measures = static_cast<int>(state.range(0));
    for (auto _ : state) {
        Score score = Build(measures, 1, 1);
        state.PauseTiming();
        delete score.document;
        MCCommandMgr::OnIdle();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * measures);
}
BENCHMARK(BM_BuildByAppending)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_MeasureAtTimePlayback(benchmark::State& state) {
    Score& score = Shared(static_cast<int>(state.range(0)));
    const float step = 1.0f / 16;
    float t = 0.0f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(score.conductor->GetMeasure(7, MCTime(t), 0, 1));
        t += step;
        if (t >= score.end) {
            t = 0.0f;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MeasureAtTimePlayback)->Arg(1000)->Arg(10000);

void BM_MeasureAtTimeRandom(benchmark::State& state) {
    Score& score = Shared(static_cast<int>(state.range(0)));
    const std::vector<float> times = RandomTimes(score.end, 4096);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(score.conductor->GetMeasure(7, MCTime(times[i++ & 4095]), 0, 1));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MeasureAtTimeRandom)->Arg(1000)->Arg(10000);

void BM_QuartersToSeconds(benchmark::State& state) {
    Score& score = Shared(static_cast<int>(state.range(0)));
    ECTempoEnv* map = score.track0->GetTempoEnv();
    const std::vector<float> times = RandomTimes(score.end, 4096);
    std::size_t i = 0;
    for (auto _ : state) {
        MCTime t(times[i++ & 4095]);
        map->GetClockTime(t);
        benchmark::DoNotOptimize(t.GetSeconds());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_QuartersToSeconds)->Arg(1000)->Arg(10000);

void BM_SecondsToQuarters(benchmark::State& state) {
    Score& score = Shared(static_cast<int>(state.range(0)));
    ECTempoEnv* map = score.track0->GetTempoEnv();
    MCTime last(score.end);
    map->GetClockTime(last);
    const std::vector<float> times = RandomTimes(last.GetSeconds(), 4096);
    std::size_t i = 0;
    for (auto _ : state) {
        MCTime t(times[i++ & 4095]);
        t.SetMode(MCTime::ModeClock);
        map->GetNormalizedTime(t);
        benchmark::DoNotOptimize(t.GetSeconds());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SecondsToQuarters)->Arg(1000)->Arg(10000);

void BM_QuartersToBarPulseTick(benchmark::State& state) {
    Score& score = Shared(static_cast<int>(state.range(0)));
    ECMeterEnv* map = score.track0->GetMeterEnv();
    const std::vector<float> times = RandomTimes(score.end, 4096);
    std::size_t i = 0;
    for (auto _ : state) {
        MCTime t(times[i++ & 4095]);
        map->GetBarPulseTick(t, 480);
        benchmark::DoNotOptimize(t.GetBarPulseTick().tick);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_QuartersToBarPulseTick)->Arg(1000)->Arg(10000);

void BM_BarPulseTickToQuarters(benchmark::State& state) {
    Score& score = Shared(static_cast<int>(state.range(0)));
    ECMeterEnv* map = score.track0->GetMeterEnv();
    std::vector<BPTTime> positions;
    for (float time : RandomTimes(score.end, 4096)) {
        MCTime t(time);
        map->GetBarPulseTick(t, 480);
        positions.push_back(t.GetBarPulseTick());
    }
    std::size_t i = 0;
    for (auto _ : state) {
        MCTime t(0.0f);
        t.SetBarPulseTick(positions[i++ & 4095]);
        map->GetNormalizedTime(t);
        benchmark::DoNotOptimize(t.GetSeconds());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BarPulseTickToQuarters)->Arg(1000)->Arg(10000);

// A staff inserted as number 8 of 16 renumbers the eight after it, with all they hold, and
// gets a measure in every conductor measure; it is taken out again between iterations.
void BM_InsertStaffInTheMiddle(benchmark::State& state) {
    Score& score = Shared(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto* staff = new ECStaff;
        auto* add = new CCAddTrack(staff, 8);
        add->SetSynchronous(1);
        bench::ApplyOrStop(add, score.document);
        state.PauseTiming();
        auto* remove = new CCRemoveTrack(staff);
        remove->SetSynchronous(1);
        bench::ApplyOrStop(remove, score.document);
        MCCommandMgr::OnIdle();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_InsertStaffInTheMiddle)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

std::vector<std::uint8_t> Save(ECPerformance* document) {
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store, 64 * 1024);
        document->Serialize(ar);
        ACPostSerialize post(ar);
        post.Apply(document);
        ar.Close();
    }
    return file.Detach();
}

void BM_Save(benchmark::State& state) {
    Score& score = Shared(static_cast<int>(state.range(0)));
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = Save(score.document).size();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_Save)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_Load(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes = Save(Shared(static_cast<int>(state.range(0))).document);
    for (auto _ : state) {
        auto* document = new ECPerformance;
        document->SetVersion(ECPerformance::WriteVersion);
        ECPerformance* previous = ECPerformance::SetActivePerformance(document);
        {
            CMemFile file(bytes.data(), bytes.size());
            CArchive ar(&file, CArchive::load, 64 * 1024);
            document->Serialize(ar);
            ACPostSerialize post(ar);
            post.Apply(document);
            ar.Close();
        }
        ECPerformance::SetActivePerformance(previous);
        state.PauseTiming();
        delete document;
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_Load)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace
