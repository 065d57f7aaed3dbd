// Memory a score holds and allocations its roads make, counted by a global operator new of this
// binary (only this binary: it would slow every other benchmark down).
//
// Counters, each per note:
// - document_bytes: heap bytes (allocator chunks, headers included) the document holds, for a
//   score built by direct calls, for the same score loaded from its archive, and for notes
//   entered by add commands (the history cleared before it is measured);
// - history_bytes: heap bytes the undo history holds after the notes were entered by command,
//   and after they were removed again one command each (the removed notes included);
// - allocations: calls to operator new on the way (building, loading, or the whole command
//   road: the note, the command, dispatch, batch, history entry, change record and its
//   delivery to a host's state handler); frees are counted apart.
//
// Time is not what these measure: each runs once.

#include "support/BenchScores.h"

#include <clavenor/clavenor.h>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

namespace {

std::atomic<std::int64_t> g_allocations{0};
std::atomic<std::int64_t> g_frees{0};

void* Allocate(std::size_t size) noexcept {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}

void* AllocateOrThrow(std::size_t size) {
    void* p = Allocate(size);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return p;
}

void* AllocateAligned(std::size_t size, std::align_val_t alignment) noexcept {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    const auto align = static_cast<std::size_t>(alignment);
    return std::aligned_alloc(align, (size + align - 1) / align * align);
}

void* AllocateAlignedOrThrow(std::size_t size, std::align_val_t alignment) {
    void* p = AllocateAligned(size, alignment);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return p;
}

void Release(void* p) noexcept {
    if (p != nullptr) {
        g_frees.fetch_add(1, std::memory_order_relaxed);
        std::free(p);
    }
}

} // namespace

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new(std::size_t size, std::align_val_t alignment) {
    return AllocateAlignedOrThrow(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return AllocateAlignedOrThrow(size, alignment);
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return AllocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return AllocateAligned(size, alignment);
}
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete(void* p, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { Release(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { Release(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { Release(p); }

using namespace clavenor;

namespace {

constexpr std::int64_t kNotes = 100'000;

std::size_t HeapInUse() { return mallinfo2().uordblks; }

// Heap bytes, allocations and frees between its construction and Stop().
class Meter {
public:
    Meter() : m_heap(HeapInUse()), m_allocations(g_allocations.load()), m_frees(g_frees.load()) {}

    void Stop() {
        m_heap = HeapInUse() - m_heap;
        m_allocations = g_allocations.load() - m_allocations;
        m_frees = g_frees.load() - m_frees;
    }

    double Heap(std::int64_t per) const {
        return static_cast<double>(m_heap) / static_cast<double>(per);
    }
    double Allocations(std::int64_t per) const {
        return static_cast<double>(m_allocations) / static_cast<double>(per);
    }
    double Frees(std::int64_t per) const {
        return static_cast<double>(m_frees) / static_cast<double>(per);
    }

private:
    std::size_t m_heap;
    std::int64_t m_allocations;
    std::int64_t m_frees;
};

std::int64_t CountElements(ECBase* element) {
    std::int64_t count = 1;
    if (MCEventList* children = element->GetChildren(); children != nullptr) {
        for (ECBase* child : *children) {
            count += CountElements(child);
        }
    }
    return count;
}

void BM_ScoreMemory(benchmark::State& state) {
    for (auto _ : state) {
        auto performance = std::make_unique<ECPerformance>();
        Meter meter;
        const std::int64_t notes = bench::BuildChordScore(performance.get(), kNotes);
        meter.Stop();
        const std::int64_t elements = CountElements(performance.get());
        state.counters["document_bytes_per_note"] = meter.Heap(notes);
        state.counters["allocations_per_element"] = meter.Allocations(elements);
        state.counters["elements_per_note"] =
            static_cast<double>(elements) / static_cast<double>(notes);
    }
}
BENCHMARK(BM_ScoreMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_LoadedScoreMemory(benchmark::State& state) {
    std::vector<std::uint8_t> bytes;
    std::int64_t notes = 0;
    {
        ECPerformance performance;
        notes = bench::BuildChordScore(&performance, kNotes);
        bytes = bench::SaveScore(&performance);
    }
    for (auto _ : state) {
        Meter meter;
        std::unique_ptr<ECPerformance> loaded = bench::LoadScore(bytes);
        meter.Stop();
        const std::int64_t elements = CountElements(loaded.get());
        state.counters["document_bytes_per_note"] = meter.Heap(notes);
        state.counters["allocations_per_element"] = meter.Allocations(elements);
        state.counters["frees_per_element"] = meter.Frees(elements);
    }
}
BENCHMARK(BM_LoadedScoreMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

// Lets the queued work and the idle time run, as a host's message loop does.
void Settle() {
    while (PumpMessages() > 0) {
    }
    MCCommandMgr::OnIdle();
}

// The heap bytes the history of `score` holds, found by clearing it; `withoutHistory` gets the
// heap in use afterwards.
std::size_t ClearHistory(ECPerformance* score, std::size_t& withoutHistory) {
    const std::size_t withHistory = HeapInUse();
    score->ClearUndo();
    MCCommandMgr::OnIdle();
    withoutHistory = HeapInUse();
    return withHistory - withoutHistory;
}

int CountRecords(ECBase*, int, void*, void* user) {
    ++*static_cast<long*>(user);
    return 1;
}

// Notes entered one add command each into measures of one staff, as a host's note entry does,
// with a state handler receiving the change records.
void EnterNotes(benchmark::State& state, bool groupPerNote) {
    const int levels = MCCommandMgr::GetUndoLevels();
    MCCommandMgr::SetUndoLevels(kNotes + 1);
    for (auto _ : state) {
        auto* score = new ECPerformance;
        long records = 0;
        score->AddStateHandler(&CountRecords, &records);
        const std::vector<ECMeasure*> measures = bench::BuildNoteEntryScore(score, kNotes);
        MCCommandMgr::OnIdle();
        const std::size_t empty = HeapInUse();

        Meter road;
        if (!groupPerNote) {
            MCCommandMgr::BeginUndo(score, CString("Enter notes"));
        }
        for (std::int64_t i = 0; i < kNotes; ++i) {
            if (groupPerNote) {
                MCCommandMgr::BeginUndo(score, CString("Enter note"));
            }
            bench::EnterNote(score, measures, i);
            if (groupPerNote) {
                MCCommandMgr::EndUndo(score);
            }
        }
        if (!groupPerNote) {
            MCCommandMgr::EndUndo(score);
        }
        Settle();
        road.Stop();

        std::size_t withoutHistory = 0;
        const std::size_t history = ClearHistory(score, withoutHistory);

        state.counters["allocations_per_note"] = road.Allocations(kNotes);
        state.counters["frees_per_note"] = road.Frees(kNotes);
        state.counters["document_bytes_per_note"] =
            static_cast<double>(withoutHistory - empty) / static_cast<double>(kNotes);
        state.counters["history_bytes_per_note"] =
            static_cast<double>(history) / static_cast<double>(kNotes);
        state.counters["records_per_note"] =
            static_cast<double>(records) / static_cast<double>(kNotes);
        delete score;
        MCCommandMgr::OnIdle();
    }
    MCCommandMgr::SetUndoLevels(levels);
}

void BM_EnteredNotesOneGroupEach(benchmark::State& state) { EnterNotes(state, true); }
BENCHMARK(BM_EnteredNotesOneGroupEach)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_EnteredNotesInOneGroup(benchmark::State& state) { EnterNotes(state, false); }
BENCHMARK(BM_EnteredNotesInOneGroup)->Iterations(1)->Unit(benchmark::kMillisecond);

// Notes entered without history, then removed one command and one undo group each, as a
// host's delete key does: what the history holds per removed note.
void BM_RemovedNotesOneGroupEach(benchmark::State& state) {
    const int levels = MCCommandMgr::GetUndoLevels();
    MCCommandMgr::SetUndoLevels(kNotes + 1);
    for (auto _ : state) {
        auto* score = new ECPerformance;
        const std::vector<ECMeasure*> measures = bench::BuildNoteEntryScore(score, kNotes);
        for (std::int64_t i = 0; i < kNotes; ++i) {
            bench::EnterNote(score, measures, i);
        }
        score->ClearUndo();
        MCCommandMgr::OnIdle();
        std::vector<ECBase*> notes;
        for (ECMeasure* measure : measures) {
            for (ECBase* note : *measure->GetChildren()) {
                notes.push_back(note);
            }
        }
        Meter road;
        for (ECBase* note : notes) {
            MCCommandMgr::BeginUndo(score, CString("Remove note"));
            auto* remove = new CCRemove(note);
            remove->SetSynchronous(1);
            if (remove->Apply(score) == 0) {
                state.SkipWithError("a removal was refused");
            }
            MCCommandMgr::EndUndo(score);
        }
        Settle();
        road.Stop();
        std::size_t withoutHistory = 0;
        const std::size_t history = ClearHistory(score, withoutHistory);
        const auto removed = static_cast<std::int64_t>(notes.size());
        state.counters["allocations_per_note"] = road.Allocations(removed);
        state.counters["history_bytes_per_note"] =
            static_cast<double>(history) / static_cast<double>(removed);
        delete score;
        MCCommandMgr::OnIdle();
    }
    MCCommandMgr::SetUndoLevels(levels);
}
BENCHMARK(BM_RemovedNotesOneGroupEach)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
