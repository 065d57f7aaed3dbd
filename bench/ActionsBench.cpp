// Walk and sort costs: a default walk and a time-range search over large graphs (cost per
// visited element, and how it grows with the graph), and MCEventList::Sort on shuffled and
// ordered lists.

#include "support/BenchChecks.h"

#include <clavenor/clavenor.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <vector>

using namespace clavenor;

namespace {

constexpr std::int64_t kChildrenPerContainer = 1000;

// A root, containers at times 0, 1, 2, ... below it, and timed leaves below each container at
// evenly spaced times within its unit: `total` elements in all.
class Graph {
public:
    explicit Graph(std::int64_t total) : m_root(new ECWithTimeChild) {
        m_root->Ref();
        std::int64_t left = total - 1;
        for (std::int64_t c = 0; left > 0; ++c) {
            auto* container = new ECWithTimeChild;
            MCTime t(static_cast<float>(c));
            container->SetTime(&t);
            bench::LinkOrStop(m_root, container, 0);
            --left;
            const std::int64_t leaves = std::min(left, kChildrenPerContainer - 1);
            for (std::int64_t k = 0; k < leaves; ++k) {
                auto* leaf = new ECWithTime;
                MCTime lt(static_cast<float>(c) +
                          static_cast<float>(k) / static_cast<float>(kChildrenPerContainer));
                leaf->SetTime(&lt);
                bench::LinkOrStop(container, leaf, 0);
            }
            left -= leaves;
            m_nContainers = c + 1;
        }
    }
    ~Graph() {
        m_root->RemoveChildren(1);
        m_root->Unref(1);
    }
    Graph(const Graph&) = delete;
    Graph& operator=(const Graph&) = delete;

    ECBase* Root() const { return m_root; }
    std::int64_t Containers() const { return m_nContainers; }

private:
    ECWithTimeChild* m_root;
    std::int64_t m_nContainers = 0;
};

// Building a graph of a million elements takes longer than walking it; build each size once.
Graph& GraphOf(std::int64_t total) {
    static std::map<std::int64_t, std::unique_ptr<Graph>> graphs;
    auto& graph = graphs[total];
    if (!graph) {
        graph = std::make_unique<Graph>(total);
    }
    return *graph;
}

// ACFindTime that also counts the elements it is applied to.
class CountingFindTime : public ACFindTime {
public:
    using ACFindTime::ACFindTime;
    int DoAction(ECBase* element) override {
        ++visits;
        return ACFindTime::DoAction(element);
    }
    std::int64_t visits = 0;
};

void SetPerElement(benchmark::State& state, std::int64_t visitedPerWalk) {
    state.SetItemsProcessed(state.iterations() * visitedPerWalk);
    state.counters["visited"] = static_cast<double>(visitedPerWalk);
    // Seconds per visited element, printed with an SI prefix (n = nanoseconds).
    state.counters["time_per_visited"] =
        benchmark::Counter(static_cast<double>(state.iterations() * visitedPerWalk),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_DefaultWalk(benchmark::State& state) {
    Graph& graph = GraphOf(state.range(0));
    std::int64_t visited = 0;
    for (auto _ : state) {
        ACCount count;
        count.Apply(graph.Root());
        visited = count.GetEventCount();
        benchmark::DoNotOptimize(visited);
    }
    SetPerElement(state, visited);
    state.SetComplexityN(visited);
}
BENCHMARK(BM_DefaultWalk)
    ->RangeMultiplier(10)
    ->Range(10000, 1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// A search for the middle half of the piece: the walk enters every container up to the end
// of the range and stops at the first container and the first leaf later than it.
void BM_FindTimeMiddleHalf(benchmark::State& state) {
    Graph& graph = GraphOf(state.range(0));
    const auto units = static_cast<float>(graph.Containers());
    const MCTime start(units * 0.25f);
    const MCTime end(units * 0.75f);
    std::int64_t visited = 0;
    std::int64_t found = 0;
    for (auto _ : state) {
        CountingFindTime find(start, end, ACFindTime::StartOnly);
        find.Apply(graph.Root());
        visited = find.visits;
        found = find.GetEvents()->GetCount();
        benchmark::DoNotOptimize(found);
    }
    SetPerElement(state, visited);
    state.counters["found"] = static_cast<double>(found);
    state.SetComplexityN(visited);
}
BENCHMARK(BM_FindTimeMiddleHalf)
    ->RangeMultiplier(10)
    ->Range(10000, 1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// A search that matches everything: every element is visited and collected (the found list
// takes a reference on each).
void BM_FindTimeWhole(benchmark::State& state) {
    Graph& graph = GraphOf(state.range(0));
    std::int64_t visited = 0;
    for (auto _ : state) {
        CountingFindTime find(MCTime::TimeNull(), MCTime::TimeMax(), ACFindTime::BothEnds);
        find.Apply(graph.Root());
        visited = find.visits;
        benchmark::DoNotOptimize(find.GetEvents()->GetCount());
    }
    SetPerElement(state, visited);
}
BENCHMARK(BM_FindTimeWhole)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Elements for the sort benchmarks, held apart from the list being sorted.
class SortInput {
public:
    SortInput(std::int64_t n, bool shuffled, bool ties) {
        std::mt19937 random(12345);
        for (std::int64_t i = 0; i < n; ++i) {
            auto* e = new ECWithTime;
            MCTime t(static_cast<float>(ties ? i / 8 : i));
            e->SetTime(&t);
            bench::AppendOrStop(m_holder, e);
            m_order.push_back(e);
        }
        if (shuffled) {
            std::shuffle(m_order.begin(), m_order.end(), random);
        }
    }
    void Fill(MCEventList& list) const {
        list.RemoveAll();
        for (ECBase* e : m_order) {
            bench::AppendOrStop(list, e);
        }
    }

private:
    MCEventList m_holder;
    std::vector<ECBase*> m_order;
};

void RunSort(benchmark::State& state, bool shuffled, bool ties) {
    const SortInput input(state.range(0), shuffled, ties);
    MCEventList list;
    for (auto _ : state) {
        state.PauseTiming();
        input.Fill(list);
        state.ResumeTiming();
        list.Sort();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_SortShuffled(benchmark::State& state) { RunSort(state, true, false); }
void BM_SortShuffledTies(benchmark::State& state) { RunSort(state, true, true); }
void BM_SortSorted(benchmark::State& state) { RunSort(state, false, false); }
BENCHMARK(BM_SortShuffled)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortShuffledTies)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortSorted)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The plain exchange sort over the same elements, for comparison: what Sort costs on a list
// it cannot order in O(n log n) (bar/pulse/tick times).
void BM_SortExchangeReference(benchmark::State& state) {
    const SortInput input(state.range(0), true, false);
    MCEventList list;
    for (auto _ : state) {
        state.PauseTiming();
        input.Fill(list);
        std::vector<ECBase*> items;
        for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
            items.push_back(list.GetNext(pos));
        }
        state.ResumeTiming();
        for (std::size_t i = 0; i < items.size(); ++i) {
            for (std::size_t j = i + 1; j < items.size(); ++j) {
                if (*items[i]->GetTime() > *items[j]->GetTime()) {
                    std::swap(items[i], items[j]);
                }
            }
        }
        benchmark::DoNotOptimize(items.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SortExchangeReference)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace
