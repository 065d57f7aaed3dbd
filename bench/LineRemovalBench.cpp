// Removing every note of a beamed and slurred passage one by one, each removal an undo
// group of its own, then undoing them all: time per removal for passages of 10^3 and 10^4
// notes. Beams of four notes lie in the measures, slurs of eight notes and one slur over the
// whole passage in the staff, so that every removal makes lines let go of members and
// dissolve, and the long slur loses a member each time. Dissolving must not grow with the
// passage: the per-removal figures of the two lengths should be about equal.

#include "support/BenchChecks.h"

#include <clavenor/clavenor.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

using namespace clavenor;

namespace {

constexpr int kNotesPerMeasure = 16;
constexpr int kNotesPerBeam = 4;
constexpr int kNotesPerSlur = 8;

void Place(ECBase* element, float quarters) {
    MCTime time(quarters);
    element->SetTime(&time);
}

struct Passage {
    ECPerformance* score = new ECPerformance;
    std::vector<ECNote*> notes;

    explicit Passage(int length) {
        auto* conductor = new ECConductor;
        bench::LinkOrStop(score, conductor, 0);
        auto* staff = new ECStaff;
        bench::LinkOrStop(conductor, staff, 1);
        auto* whole = new ECSlur;
        Place(whole, 0.0f);
        ECMeasure* measure = nullptr;
        ECBeam* beam = nullptr;
        ECSlur* slur = nullptr;
        for (int i = 0; i < length; ++i) {
            const float at = static_cast<float>(i) / 4;
            if (i % kNotesPerMeasure == 0) {
                measure = new ECMeasure;
                Place(measure, at);
                bench::LinkOrStop(staff, measure, 1);
            }
            auto* note = new ECNote(MCTime(at), MCTime(0.25f));
            bench::LinkOrStop(measure, note, 1);
            notes.push_back(note);
            if (i % kNotesPerBeam == 0) {
                beam = new ECBeam;
                Place(beam, at);
                bench::LinkOrStop(measure, beam, 1);
            }
            bench::LinkOrStop(beam, note, 1);
            if (i % kNotesPerSlur == 0) {
                slur = new ECSlur;
                Place(slur, at);
                bench::LinkOrStop(staff, slur, 1);
            }
            bench::LinkOrStop(slur, note, 1);
            bench::LinkOrStop(whole, note, 1);
        }
        bench::LinkOrStop(staff, whole, 1);
    }
    ~Passage() {
        delete score;
        MCCommandMgr::OnIdle();
    }
    Passage(const Passage&) = delete;
    Passage& operator=(const Passage&) = delete;
};

void Run(benchmark::State& state, bool undoToo) {
    const int length = static_cast<int>(state.range(0));
    const int levels = MCCommandMgr::GetUndoLevels();
    MCCommandMgr::SetUndoLevels(length + 1);
    double remove = 0;
    double undo = 0;
    for (auto _ : state) {
        Passage passage(length);
        const auto start = std::chrono::steady_clock::now();
        for (ECNote* note : passage.notes) {
            MCCommandMgr::BeginUndo(passage.score, CString("Remove note"));
            auto* command = new CCRemove(note);
            command->SetSynchronous(1);
            bench::ApplyOrStop(command, passage.score);
            MCCommandMgr::EndUndo(passage.score);
        }
        const auto removed = std::chrono::steady_clock::now();
        if (undoToo) {
            if (passage.score->Undo(passage.score->GetUndoCount()) == 0) {
                state.SkipWithError("the removal could not be undone");
                break;
            }
        }
        const auto undone = std::chrono::steady_clock::now();
        using Seconds = std::chrono::duration<double>;
        remove = Seconds(removed - start).count();
        undo = Seconds(undone - removed).count();
    }
    MCCommandMgr::SetUndoLevels(levels);
    state.counters["remove_us_per_note"] = remove * 1e6 / length;
    if (undoToo) {
        state.counters["undo_us_per_note"] = undo * 1e6 / length;
    }
}

void BM_RemoveEveryNoteOfABeamedAndSlurredPassage(benchmark::State& state) { Run(state, false); }
BENCHMARK(BM_RemoveEveryNoteOfABeamedAndSlurredPassage)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(30000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

void BM_RemoveEveryNoteAndUndoEveryRemoval(benchmark::State& state) { Run(state, true); }
BENCHMARK(BM_RemoveEveryNoteAndUndoEveryRemoval)
    ->Arg(1000)
    ->Arg(10000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace
