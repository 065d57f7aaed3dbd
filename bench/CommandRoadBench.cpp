// Commands per second through the whole edit road (dispatch, batch, handlers, history,
// change record, delivery), and the memory one history entry holds.

#include "support/BenchChecks.h"

#include <clavenor/clavenor.h>

#include <benchmark/benchmark.h>

#include <malloc.h>

using namespace clavenor;

namespace {

// The least a command can do: agree in every phase.
class CCTrivial : public CCBase {
public:
    int Prepare() override { return 1; }
    int Process() override { return 1; }
};

int CountingHandler(ECBase*, int, void*, void* user) {
    ++*static_cast<long*>(user);
    return 1;
}

struct Road {
    ECPerformance* performance = new ECPerformance;
    long commandCalls = 0;
    long stateCalls = 0;

    Road() {
        performance->AddCommandHandler(&CountingHandler, &commandCalls);
        performance->AddStateHandler(&CountingHandler, &stateCalls);
    }
    ~Road() {
        delete performance;
        MCCommandMgr::OnIdle();
    }
};

void BM_SynchronousCommand(benchmark::State& state) {
    Road road;
    const CString name("edit");
    for (auto _ : state) {
        MCCommandMgr::BeginUndo(road.performance, name);
        auto* command = new CCTrivial;
        command->SetSynchronous(1);
        bench::ApplyOrStop(command, road.performance);
        MCCommandMgr::EndUndo(road.performance);
        MCCommandMgr::OnIdle();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["records"] = static_cast<double>(road.stateCalls);
}
BENCHMARK(BM_SynchronousCommand);

// Asynchronous commands posted in bursts of 64, each in its own undo group, delivered by one
// pump per burst.
void BM_AsynchronousCommand(benchmark::State& state) {
    Road road;
    const CString name("edit");
    constexpr int kBurst = 64;
    for (auto _ : state) {
        for (int i = 0; i < kBurst; ++i) {
            MCCommandMgr::BeginUndo(road.performance, name);
            bench::ApplyOrStop(new CCTrivial, road.performance);
            MCCommandMgr::EndUndo(road.performance);
        }
        while (PumpMessages() > 0) {
        }
        MCCommandMgr::OnIdle();
    }
    state.SetItemsProcessed(state.iterations() * kBurst);
}
BENCHMARK(BM_AsynchronousCommand);

// The same burst gathered by the command rate into one batch.
void BM_AsynchronousCommandBatched(benchmark::State& state) {
    Road road;
    road.performance->SetCommandRate(1);
    constexpr int kBurst = 64;
    for (auto _ : state) {
        MCCommandMgr::BeginNotify(road.performance);
        for (int i = 0; i < kBurst; ++i) {
            bench::ApplyOrStop(new CCTrivial, road.performance);
        }
        MCCommandMgr::EndNotify(road.performance);
        PumpMessages();
        road.performance->SetCommandRate(1); // runs the gathered batch at once
    }
    state.SetItemsProcessed(state.iterations() * kBurst);
}
BENCHMARK(BM_AsynchronousCommandBatched);

void BM_HistoryEntryMemory(benchmark::State& state) {
    const int entries = static_cast<int>(state.range(0));
    const int levels = MCCommandMgr::GetUndoLevels();
    MCCommandMgr::SetUndoLevels(entries);
    double perEntry = 0;
    for (auto _ : state) {
        Road road;
        const CString name("edit");
        const std::size_t before = mallinfo2().uordblks;
        for (int i = 0; i < entries; ++i) {
            MCCommandMgr::BeginUndo(road.performance, name);
            auto* command = new CCTrivial;
            command->SetSynchronous(1);
            bench::ApplyOrStop(command, road.performance);
            MCCommandMgr::EndUndo(road.performance);
        }
        const std::size_t after = mallinfo2().uordblks;
        perEntry = static_cast<double>(after - before) / entries;
    }
    MCCommandMgr::SetUndoLevels(levels);
    state.counters["bytes_per_entry"] = perEntry;
}
BENCHMARK(BM_HistoryEntryMemory)->Arg(10000)->Iterations(3);

} // namespace
