// Inserting a measure at the front of a score of 10^4 measures x 16 staves with 10^5 notes,
// and undoing it: everything in the score moves (each of the ~2.7 x 10^5 measures and
// notes), and undo gives every old time back. Reported per moved element, beside the floor:
// one ACDeltaTime walk that moves the same elements and keeps nothing. The insertion and its
// undo are two such walks plus what they record, so their time over twice the floor's is
// the cost of exactness (expected below 4). Also the memory a history entry of the
// insertion holds per moved element.

#include "support/BenchChecks.h"
#include "support/BenchScores.h"

#include <clavenor/clavenor.h>

#include <benchmark/benchmark.h>

#include <malloc.h>

using namespace clavenor;

namespace {

constexpr int Staves = 16;
constexpr int Measures = 10000;
constexpr int Notes = 100000;

struct Score : bench::StaffTableScore {
    Score() : StaffTableScore(Staves, Measures, Notes) {}

    // Every timed element that a shift of the whole score moves: the conductor measures and
    // the measures of every staff, and the notes (the meter at 0 stays).
    long moved = static_cast<long>(Measures) * (Staves + 1) + Notes;
};

Score& Shared() {
    static Score score;
    return score;
}

void PerMovedElement(benchmark::State& state, long moved) {
    state.SetItemsProcessed(state.iterations() * moved);
    state.counters["ns_per_moved_element"] =
        benchmark::Counter(static_cast<double>(state.iterations() * moved) * 1e-9,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_InsertMeasureAtTheFrontAndUndo(benchmark::State& state) {
    Score& score = Shared();
    const CString name("Insert measure");
    for (auto _ : state) {
        MCCommandMgr::BeginUndo(score.document, name);
        auto* insert = new CCAddMeasure(1, 0);
        insert->SetSynchronous(1);
        bench::ApplyOrStop(insert, score.document);
        MCCommandMgr::EndUndo(score.document);
        if (score.document->Undo(1) == 0) {
            state.SkipWithError("the command could not be undone");
            break;
        }
        state.PauseTiming();
        // The undone entry goes with the next new work; its measures with the idle time.
        score.document->ClearUndo();
        MCCommandMgr::OnIdle();
        state.ResumeTiming();
    }
    PerMovedElement(state, score.moved);
}
BENCHMARK(BM_InsertMeasureAtTheFrontAndUndo)->Unit(benchmark::kMillisecond);

// The floor: one walk that moves every element of the score by a measure and records
// nothing (it alternates direction so that the score stays where it was).
void BM_FloorOneShiftOfTheWholeScore(benchmark::State& state) {
    Score& score = Shared();
    float delta = 4.0f;
    for (auto _ : state) {
        ACDeltaTime shift(MCTime(delta), MCTime(0.0f), MCTime::TimeMax(), 3);
        shift.Apply(score.document);
        delta = -delta;
    }
    if (delta < 0.0f) {
        ACDeltaTime back(MCTime(delta), MCTime(0.0f), MCTime::TimeMax(), 3);
        back.Apply(score.document);
    }
    PerMovedElement(state, score.moved);
}
BENCHMARK(BM_FloorOneShiftOfTheWholeScore)->Unit(benchmark::kMillisecond);

// What a history entry of the insertion holds, per moved element.
void BM_InsertionEntryMemory(benchmark::State& state) {
    Score& score = Shared();
    const CString name("Insert measure");
    double bytes = 0.0;
    for (auto _ : state) {
        const std::size_t before = mallinfo2().uordblks;
        MCCommandMgr::BeginUndo(score.document, name);
        auto* insert = new CCAddMeasure(1, 0);
        insert->SetSynchronous(1);
        bench::ApplyOrStop(insert, score.document);
        MCCommandMgr::EndUndo(score.document);
        bytes = static_cast<double>(mallinfo2().uordblks - before);
        state.PauseTiming();
        if (score.document->Undo(1) == 0) {
            state.SkipWithError("the command could not be undone");
            break;
        }
        score.document->ClearUndo();
        MCCommandMgr::OnIdle();
        state.ResumeTiming();
    }
    state.counters["bytes_per_moved_element"] = bytes / static_cast<double>(score.moved);
}
BENCHMARK(BM_InsertionEntryMemory)->Unit(benchmark::kMillisecond)->Iterations(3);

// A meter change at bar 1 (3/4 replacing the opening 4/4) and its undo: every measure of
// every staff gets a new start, and every note is re-filed into the measure that now holds
// its time (a third more measures are appended for the notes past the old end). Reported per
// re-filed note and per moved element; set against the floor above (one walk over the same
// elements), the change and its undo should stay within a small multiple of it.
void BM_MeterChangeAtBarOneAndUndo(benchmark::State& state) {
    Score& score = Shared();
    const CString name("3/4 from bar 1");
    for (auto _ : state) {
        MCCommandMgr::BeginUndo(score.document, name);
        auto* meter = new ECMeter(3, 4, ECMeter::TypeComputed);
        MCTime zero(0.0f);
        meter->SetTime(&zero);
        auto* change = new CCAddMeter(meter);
        change->SetSynchronous(1);
        bench::ApplyOrStop(change, score.document);
        MCCommandMgr::EndUndo(score.document);
        if (score.document->Undo(1) == 0) {
            state.SkipWithError("the command could not be undone");
            break;
        }
        state.PauseTiming();
        score.document->ClearUndo();
        MCCommandMgr::OnIdle();
        state.ResumeTiming();
    }
    PerMovedElement(state, score.moved);
    state.counters["ns_per_refiled_note"] =
        benchmark::Counter(static_cast<double>(state.iterations() * Notes) * 1e-9,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_MeterChangeAtBarOneAndUndo)->Unit(benchmark::kMillisecond);

} // namespace
