// Save, load and a full walk of a score of 10^5 and 10^6 notes, each beside its floor measured
// in the same run, so that two ratios can be read off: time against floor, and the growth
// from 10^5 to 10^6 notes (linear work gives 10).
//
// The score: four staves of measures, each measure four chords of three notes and four single
// notes (16 notes in 21 elements, 1.3 elements per note).
//
// Floors:
// - save: read every element once (one load from each, in the order a save visits them) and
//   write the archive's bytes once into a memory file, through a buffer of the archive's size;
// - load: allocate and clear one block of each element's size and read the archive's bytes
//   once from a memory file;
// - walk: follow every children list by hand, counting.
//
// Beside the save and the walk, figures that show where their time goes: the same save and
// walk of a copy loaded from the saved bytes (whose elements and list nodes lie in walk order,
// as a loader allocates them), and a pass over the elements through one array in walk order,
// each asked its event id (what a walk would cost if children were arrays, with the elements
// where they are now).
//
// The document of one size is built once and shared by the benchmarks of that size, which
// run together.

#include "support/BenchScores.h"

#include <clavenor/clavenor.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace clavenor;

namespace {

// Every element once, parents before children, in the order of the children lists.
void Collect(ECBase* element, std::vector<ECBase*>& out) {
    out.push_back(element);
    if (MCEventList* children = element->GetChildren(); children != nullptr) {
        for (POSITION pos = children->GetHeadPosition(); pos != nullptr;) {
            Collect(children->GetNext(pos), out);
        }
    }
}

std::size_t SizeOf(ECBase* element) {
    if (dynamic_cast<ECNote*>(element) != nullptr) {
        return sizeof(ECNote);
    }
    if (dynamic_cast<ECChord*>(element) != nullptr) {
        return sizeof(ECChord);
    }
    if (dynamic_cast<ECMeasure*>(element) != nullptr) {
        return sizeof(ECMeasure);
    }
    return sizeof(ECPerformance);
}

struct Document {
    std::int64_t requested = 0;
    std::int64_t notes = 0;
    std::unique_ptr<ECPerformance> performance = std::make_unique<ECPerformance>();
    std::vector<ECBase*> elements;         // in walk order
    std::vector<std::size_t> sizes;        // of each element's class
    std::vector<std::uint8_t> bytes;       // as saved
    std::unique_ptr<ECPerformance> loaded; // from `bytes`

    explicit Document(std::int64_t wanted) : requested(wanted) {
        notes = bench::BuildChordScore(performance.get(), wanted);
        Collect(performance.get(), elements);
        sizes.reserve(elements.size());
        for (ECBase* element : elements) {
            sizes.push_back(SizeOf(element));
        }
        bytes = bench::SaveScore(performance.get());
        loaded = bench::LoadScore(bytes);
    }
};

// The document of the size now being measured.
Document& DocumentOf(std::int64_t notes) {
    static std::unique_ptr<Document> document;
    if (document == nullptr || document->requested != notes) {
        document.reset();
        document = std::make_unique<Document>(notes);
    }
    return *document;
}

void Count(benchmark::State& state, const Document& document) {
    const auto elements = static_cast<std::int64_t>(document.elements.size());
    state.SetItemsProcessed(state.iterations() * elements);
    state.counters["elements"] = static_cast<double>(elements);
    state.counters["bytes_per_note"] =
        static_cast<double>(document.bytes.size()) / static_cast<double>(document.notes);
    // Seconds per element: the inverse of the per-iteration element rate.
    state.counters["per_element"] = benchmark::Counter(
        static_cast<double>(elements),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void WriteOnce(const std::vector<std::uint8_t>& bytes) {
    CMemFile file;
    for (std::size_t done = 0; done < bytes.size(); done += bench::ArchiveBufferSize) {
        file.Write(bytes.data() + done, std::min(bench::ArchiveBufferSize, bytes.size() - done));
    }
    benchmark::DoNotOptimize(file.Detach());
}

void ReadOnce(const std::vector<std::uint8_t>& bytes) {
    CMemFile file(bytes.data(), bytes.size());
    auto buffer = std::make_unique<std::uint8_t[]>(bench::ArchiveBufferSize);
    while (file.Read(buffer.get(), bench::ArchiveBufferSize) != 0) {
        benchmark::ClobberMemory();
    }
}

// Of the document as built (`Side` = &Document::performance) or of the copy loaded from its
// bytes, whose elements stand in the order a walk visits them (&Document::loaded).
template <std::unique_ptr<ECPerformance> Document::*Side>
void BM_Save(benchmark::State& state) {
    Document& document = DocumentOf(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(bench::SaveScore((document.*Side).get()));
    }
    Count(state, document);
}

void BM_SaveFloor(benchmark::State& state) {
    Document& document = DocumentOf(state.range(0));
    for (auto _ : state) {
        std::uint32_t sum = 0;
        for (ECBase* element : document.elements) {
            sum += element->GetFlags();
        }
        benchmark::DoNotOptimize(sum);
        WriteOnce(document.bytes);
    }
    Count(state, document);
}

void BM_Load(benchmark::State& state) {
    Document& document = DocumentOf(state.range(0));
    for (auto _ : state) {
        std::unique_ptr<ECPerformance> loaded = bench::LoadScore(document.bytes);
        state.PauseTiming();
        loaded.reset();
        state.ResumeTiming();
    }
    Count(state, document);
}

void BM_LoadFloor(benchmark::State& state) {
    Document& document = DocumentOf(state.range(0));
    std::vector<void*> blocks(document.sizes.size());
    for (auto _ : state) {
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            blocks[i] = ::operator new(document.sizes[i]);
            std::memset(blocks[i], 0, document.sizes[i]);
        }
        ReadOnce(document.bytes);
        benchmark::ClobberMemory();
        state.PauseTiming();
        for (void* block : blocks) {
            ::operator delete(block);
        }
        state.ResumeTiming();
    }
    Count(state, document);
}

// Of the built document or its loaded copy, as BM_Save.
template <std::unique_ptr<ECPerformance> Document::*Side>
void BM_Walk(benchmark::State& state) {
    Document& document = DocumentOf(state.range(0));
    for (auto _ : state) {
        ACCount count;
        count.Apply((document.*Side).get());
        benchmark::DoNotOptimize(count.GetEventCount());
    }
    Count(state, document);
}

void BM_WalkArray(benchmark::State& state) {
    Document& document = DocumentOf(state.range(0));
    for (auto _ : state) {
        std::int64_t count = 0;
        for (ECBase* element : document.elements) {
            count += element->GetEventId() != EventId::None ? 1 : 0;
        }
        benchmark::DoNotOptimize(count);
    }
    Count(state, document);
}

std::int64_t CountByHand(ECBase* element) {
    std::int64_t count = 1;
    if (MCEventList* children = element->GetChildren(); children != nullptr) {
        for (POSITION pos = children->GetHeadPosition(); pos != nullptr;) {
            count += CountByHand(children->GetNext(pos));
        }
    }
    return count;
}

void BM_WalkFloor(benchmark::State& state) {
    Document& document = DocumentOf(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(CountByHand(document.performance.get()));
    }
    Count(state, document);
}

// All benchmarks of one size run before the next size's document is built.
[[maybe_unused]] const bool registered = [] {
    for (std::int64_t notes : {100'000, 1'000'000}) {
        for (auto [name, function] :
             {std::pair{"BM_ScoreSave", &BM_Save<&Document::performance>},
              std::pair{"BM_ScoreSaveFloor", &BM_SaveFloor},
              std::pair{"BM_ScoreSaveLoaded", &BM_Save<&Document::loaded>},
              std::pair{"BM_ScoreLoad", &BM_Load}, std::pair{"BM_ScoreLoadFloor", &BM_LoadFloor},
              std::pair{"BM_ScoreWalk", &BM_Walk<&Document::performance>},
              std::pair{"BM_ScoreWalkFloor", &BM_WalkFloor},
              std::pair{"BM_ScoreWalkLoaded", &BM_Walk<&Document::loaded>},
              std::pair{"BM_ScoreWalkArray", &BM_WalkArray}}) {
            benchmark::RegisterBenchmark(name, function)->Arg(notes)->Unit(benchmark::kMillisecond);
        }
    }
    return true;
}();

} // namespace
