// Removal planning of a large selection: ConfigureRemove of 10^5 elements (notes in their
// measures, with one dynamic mark in a hundred), applying the commands it made as one undo
// group, undoing and redoing that group through the document's history. Figures are per
// element and as ratios against floors measured in the same run: for the planning, copying
// the selection into a list and reading every element's kind, which any planner has to do;
// for applying and redoing, unlinking the same elements by hand (noting each one's parent,
// keeping nothing else); for undoing, linking them back by hand under those parents.

#include "support/BenchChecks.h"
#include "support/BenchScores.h"
#include "support/Stopwatch.h"

#include <clavenor/clavenor.h>

#include <benchmark/benchmark.h>

#include <utility>
#include <vector>

using namespace clavenor;

namespace {

constexpr int kNotesPerMeasure = 16;
constexpr int kMarkEvery = 100;

void Place(ECBase* element, float quarters) {
    MCTime time(quarters);
    element->SetTime(&time);
}

struct Selection {
    ECPerformance* score = new ECPerformance;
    MCEventList elements{10};

    explicit Selection(int length) {
        auto* conductor = new ECConductor;
        bench::LinkOrStop(score, conductor, 0);
        auto* staff = new ECStaff;
        bench::LinkOrStop(conductor, staff, 1);
        auto* volume = new ECControllerEnv;
        bench::LinkOrStop(staff, volume, 1);
        ECMeasure* measure = nullptr;
        for (int i = 0; i < length; ++i) {
            const float at = static_cast<float>(i) / 4;
            if (i % kMarkEvery == 0) {
                auto* mark = new ECDynamic(5, MCTime(0.0f));
                Place(mark, at);
                bench::LinkOrStop(volume, mark, 1);
                bench::AppendOrStop(elements, mark);
                continue;
            }
            if (measure == nullptr || i % kNotesPerMeasure == 0) {
                measure = new ECMeasure;
                Place(measure, at);
                bench::LinkOrStop(staff, measure, 1);
            }
            auto* note = new ECNote(MCTime(at), MCTime(0.25f));
            bench::LinkOrStop(measure, note, 1);
            bench::AppendOrStop(elements, note);
        }
    }
    ~Selection() {
        elements.RemoveAll();
        delete score;
        MCCommandMgr::OnIdle();
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
};

// The hand-made removal and its undo: the cost of the links themselves, with no command,
// record or group bookkeeping. Leaves the selection linked as it found it.
struct HandFloors {
    double unlink = 0;
    double relink = 0;
};

bool RemoveAndRelinkByHand(Selection& selection, HandFloors& floors) {
    std::vector<std::pair<ECBase*, ECBase*>> links;
    links.reserve(static_cast<std::size_t>(selection.elements.GetCount()));
    floors.unlink = bench::SecondsOf([&] {
        for (ECBase* element : selection.elements) {
            links.emplace_back(element, element->GetParents()->GetHead());
            element->RemoveFromParents(); // the selection list keeps the element alive
        }
    });
    int linked = 0;
    floors.relink = bench::SecondsOf([&] {
        for (const auto& [element, parent] : links) {
            linked += parent->AddChild(element, 1);
        }
    });
    return linked == static_cast<int>(links.size());
}

void BM_ConfigureRemoveApplyUndoRedo(benchmark::State& state) {
    const int length = static_cast<int>(state.range(0));
    double floor = 0;
    HandFloors hand;
    double configure = 0;
    double apply = 0;
    double undo = 0;
    double redo = 0;
    for (auto _ : state) {
        Selection selection(length);
        floor = bench::SecondsOf([&] {
            MCEventList copy(10);
            long kinds = 0;
            for (ECBase* element : selection.elements) {
                bench::AppendOrStop(copy, element);
                kinds += element->GetEventId();
            }
            benchmark::DoNotOptimize(kinds);
        });
        if (!RemoveAndRelinkByHand(selection, hand)) {
            state.SkipWithError("an element could not be linked back by hand");
            return;
        }
        MCCommandList commands(10);
        int planned = 0;
        int applied = 0;
        int undone = 0;
        int redone = 0;
        configure =
            bench::SecondsOf([&] { planned = ConfigureRemove(&selection.elements, &commands); });
        commands.SetSynchronous(1);
        apply = bench::SecondsOf([&] {
            MCCommandMgr::BeginUndo(selection.score, CString("Delete"));
            applied = commands.Apply(selection.score);
            MCCommandMgr::EndUndo(selection.score);
        });
        undo = bench::SecondsOf([&] { undone = selection.score->Undo(1); });
        redo = bench::SecondsOf([&] { redone = selection.score->Redo(1); });
        if (planned != 1 || applied != 1 || undone != 1 || redone != 1) {
            state.SkipWithError("the removal was refused or could not be undone and redone");
            return;
        }
    }
    const double per = 1e6 / length;
    state.counters["floor_us_per_element"] = floor * per;
    state.counters["unlink_floor_us_per_element"] = hand.unlink * per;
    state.counters["relink_floor_us_per_element"] = hand.relink * per;
    state.counters["configure_us_per_element"] = configure * per;
    state.counters["apply_us_per_element"] = apply * per;
    state.counters["undo_us_per_element"] = undo * per;
    state.counters["redo_us_per_element"] = redo * per;
    state.counters["configure_x_floor"] = configure / floor;
    state.counters["apply_x_floor"] = apply / hand.unlink;
    state.counters["undo_x_floor"] = undo / hand.relink;
    state.counters["redo_x_floor"] = redo / hand.unlink;
}
BENCHMARK(BM_ConfigureRemoveApplyUndoRedo)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace
