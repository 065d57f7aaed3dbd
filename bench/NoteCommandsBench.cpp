// Entering 10^5 notes through add commands, then undoing and redoing all of them: time per
// note for each, with all notes in one undo group and with one group per note, and the
// memory per note that the document and the history hold.

#include "support/BenchScores.h"

#include <clavenor/clavenor.h>

#include <benchmark/benchmark.h>

#include <malloc.h>

using namespace clavenor;

namespace {

constexpr int kNotes = 100000;

struct Session {
    ECPerformance* score = new ECPerformance;
    std::vector<ECMeasure*> measures = bench::BuildNoteEntryScore(score, kNotes);

    ~Session() {
        delete score;
        MCCommandMgr::OnIdle();
    }
};

std::size_t HeapInUse() { return mallinfo2().uordblks; }

void Run(benchmark::State& state, bool groupPerNote) {
    const int levels = MCCommandMgr::GetUndoLevels();
    MCCommandMgr::SetUndoLevels(kNotes + 1);
    double add = 0;
    double undo = 0;
    double redo = 0;
    double documentBytes = 0;
    double historyBytes = 0;
    for (auto _ : state) {
        Session session;
        const std::size_t empty = HeapInUse();
        auto start = std::chrono::steady_clock::now();
        if (!groupPerNote) {
            MCCommandMgr::BeginUndo(session.score, CString("Enter notes"));
        }
        for (int i = 0; i < kNotes; ++i) {
            if (groupPerNote) {
                MCCommandMgr::BeginUndo(session.score, CString("Enter note"));
            }
            bench::EnterNote(session.score, session.measures, i);
            if (groupPerNote) {
                MCCommandMgr::EndUndo(session.score);
            }
        }
        if (!groupPerNote) {
            MCCommandMgr::EndUndo(session.score);
        }
        auto added = std::chrono::steady_clock::now();
        const int entries = session.score->GetUndoCount();
        if (session.score->Undo(entries) == 0) {
            state.SkipWithError("the notes could not be undone");
            break;
        }
        auto undone = std::chrono::steady_clock::now();
        if (session.score->Redo(entries) == 0) {
            state.SkipWithError("the notes could not be redone");
            break;
        }
        auto redone = std::chrono::steady_clock::now();
        MCCommandMgr::OnIdle();
        const std::size_t withHistory = HeapInUse();
        session.score->ClearUndo();
        const std::size_t withoutHistory = HeapInUse();

        using Seconds = std::chrono::duration<double>;
        add = Seconds(added - start).count();
        undo = Seconds(undone - added).count();
        redo = Seconds(redone - undone).count();
        documentBytes = static_cast<double>(withoutHistory - empty) / kNotes;
        historyBytes = static_cast<double>(withHistory - withoutHistory) / kNotes;
    }
    MCCommandMgr::SetUndoLevels(levels);
    state.counters["add_us_per_note"] = add * 1e6 / kNotes;
    state.counters["undo_us_per_note"] = undo * 1e6 / kNotes;
    state.counters["redo_us_per_note"] = redo * 1e6 / kNotes;
    state.counters["document_bytes_per_note"] = documentBytes;
    state.counters["history_bytes_per_note"] = historyBytes;
}

void BM_NotesInOneUndoGroup(benchmark::State& state) { Run(state, false); }
BENCHMARK(BM_NotesInOneUndoGroup)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_NotesOneGroupEach(benchmark::State& state) { Run(state, true); }
BENCHMARK(BM_NotesOneGroupEach)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
