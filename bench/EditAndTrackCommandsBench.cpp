// The time edit and the track copy on a score of 16 staves of 10^4 measures with 10^5 notes:
// CCEditTime moving 10^4 notes one measure later (each into the next measure of its staff),
// and CCCopyTracks copying all 16 staves with their content. Each is applied in an undo
// group, then undone and redone through the document's history, as a host does. Figures are
// per element and as ratios against floors measured in the same run, by hand and without
// commands: for the time edit, setting each note's time and moving it into its new measure
// (the measures looked up beforehand), and the same back for its undo; for the copy, making
// a copy of each staff, measure and note and linking the copies into new staves, and
// releasing those copies for the undo. The time the archive takes to save the 16 staves is
// reported beside the copy as well, since the copy carries the content through the transfer
// format.

#include "support/BenchChecks.h"
#include "support/BenchScores.h"
#include "support/Stopwatch.h"

#include <clavenor/clavenor.h>

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

using namespace clavenor;

namespace {

constexpr int Staves = 16;
constexpr int Measures = 10000;
constexpr int Notes = 100000;
constexpr int MovedNotes = 10000;

struct Score : bench::StaffTableScore {
    Score() : StaffTableScore(Staves, Measures, Notes) {}
};

// The timed phases of a command and the floors they are set against.
struct Phases {
    double floor = 0;     // the change by hand
    double floorUndo = 0; // taking it back by hand
    double apply = 0;     // the command, in an undo group of its own
    double undo = 0;      // through the document's history
    double redo = 0;
};

// Applies `command` synchronously in an undo group named `name`, undoes and redoes it through
// the history, timing each, then `check`s the outcome, and finally takes the command back
// untimed and forgets the history, so that the next repetition starts from the score as it
// was built. False when the command was refused, its batch failed, an undo or redo did
// nothing, or the check failed.
template <class Check>
bool ApplyUndoRedo(Score& score, CCBase* command, const char* name, Phases& phases, Check check) {
    MCCommandMgr::FailureWatch failures(score.document->GetCommandMgr());
    int applied = 0;
    phases.apply = bench::SecondsOf([&] {
        MCCommandMgr::BeginUndo(score.document, CString(name));
        command->SetSynchronous(1);
        applied = command->Apply(score.document);
        MCCommandMgr::EndUndo(score.document);
    });
    int undone = 0;
    int redone = 0;
    phases.undo = bench::SecondsOf([&] { undone = score.document->Undo(1); });
    phases.redo = bench::SecondsOf([&] { redone = score.document->Redo(1); });
    const bool done =
        applied == 1 && failures.GetFailures() == 0 && undone == 1 && redone == 1 && check();
    const int reset = score.document->Undo(1);
    score.document->ClearUndo();
    MCCommandMgr::OnIdle();
    return done && reset == 1;
}

void PerElement(benchmark::State& state, const std::string& name, double seconds, double elements) {
    state.counters[name + "_us_per_element"] = seconds * 1e6 / elements;
}

// The figures of every phase per element (per moved note for the time edit), and each phase's ratio
// to its floor: applying and redoing against the change by hand, undoing against taking it back by
// hand.
void Report(benchmark::State& state, const Phases& phases, double elements) {
    PerElement(state, "floor", phases.floor, elements);
    PerElement(state, "floor_undo", phases.floorUndo, elements);
    PerElement(state, "apply", phases.apply, elements);
    PerElement(state, "undo", phases.undo, elements);
    PerElement(state, "redo", phases.redo, elements);
    state.counters["apply_x_floor"] = phases.apply / phases.floor;
    state.counters["undo_x_floor"] = phases.undo / phases.floorUndo;
    state.counters["redo_x_floor"] = phases.redo / phases.floor;
}

// One note of the time edit: where it is and where it goes.
struct Move {
    ECNote* note;
    ECMeasure* from;
    ECMeasure* to;
    MCTime at;
    MCTime later;
};

// The first MovedNotes notes of the score (those of its first thousand measure numbers),
// each moved one measure (four quarters) later.
std::vector<Move> MovesOf(Score& score) {
    std::vector<Move> moves;
    moves.reserve(MovedNotes);
    for (int n = 0; n < MovedNotes; ++n) {
        const bench::StaffTableNote place = bench::StaffTableNoteAt(Staves, n);
        ECMeasure* from = score.conductor->GetMeasure(place.staff, place.bar);
        const MCTime at(place.time);
        for (ECBase* child : *from->GetChildren()) {
            if (*child->GetTime() == at) {
                moves.push_back({static_cast<ECNote*>(child), from,
                                 score.conductor->GetMeasure(place.staff, place.bar + 1), at,
                                 MCTime(place.time + 4.0f)});
                break;
            }
        }
    }
    return moves;
}

// Moves every note to its new time and measure (`forward`) or back, by hand; the number of
// notes moved.
int MoveByHand(std::vector<Move>& moves, bool forward) {
    int moved = 0;
    for (Move& move : moves) {
        move.note->SetTime(forward ? &move.later : &move.at);
        moved += forward ? move.from->MoveChild(move.note, move.to, 1)
                         : move.to->MoveChild(move.note, move.from, 1);
    }
    return moved;
}

void BM_EditTimeOfTenThousandNotesApplyUndoRedo(benchmark::State& state) {
    static Score score;
    static std::vector<Move> moves = MovesOf(score);
    if (moves.size() != MovedNotes) {
        state.SkipWithError("the notes to move were not found");
        return;
    }
    Phases phases;
    double build = 0;
    for (auto _ : state) {
        int there = 0;
        int back = 0;
        phases.floor = bench::SecondsOf([&] { there = MoveByHand(moves, true); });
        phases.floorUndo = bench::SecondsOf([&] { back = MoveByHand(moves, false); });
        if (there != MovedNotes || back != MovedNotes) {
            state.SkipWithError("a note could not be moved by hand");
            return;
        }
        auto edit = MakeRef<CCEditTime>();
        bool built = true;
        build = bench::SecondsOf([&] {
            for (Move& move : moves) {
                built = built && edit->EditTime(move.note, &move.later) != nullptr;
            }
        });
        const Move& first = moves.front();
        if (!built || !ApplyUndoRedo(score, edit.Get(), "Move notes", phases, [&first] {
                return first.note->GetParents()->GetHead() == first.to;
            })) {
            state.SkipWithError("the time edit failed or could not be undone and redone");
            return;
        }
    }
    Report(state, phases, MovedNotes);
    PerElement(state, "build", build, MovedNotes);
    state.counters["build_and_apply_x_floor"] = (build + phases.apply) / phases.floor;
}
BENCHMARK(BM_EditTimeOfTenThousandNotesApplyUndoRedo)->Iterations(1)->Unit(benchmark::kMillisecond);

// Copies `source` as the copy command places it: a staff with a copy of each of its measures,
// each holding a copy of each of its notes on the staff's new track. A refused link stops the
// run.
Ref<ECStaff> CopyStaffByHand(ECStaff* source, int track) {
    auto staff = MakeRef<ECStaff>(*source);
    for (ECBase* child : *source->GetChildren()) {
        auto* measure = dynamic_cast<ECMeasure*>(child);
        if (measure == nullptr) {
            continue;
        }
        auto* copy = new ECMeasure(*measure);
        bench::LinkOrStop(staff.Get(), copy, 1);
        for (ECBase* content : *measure->GetChildren()) {
            auto* note = new ECNote(*static_cast<ECNote*>(content));
            note->SetVoiceTrack(0, static_cast<std::uint16_t>(track));
            bench::LinkOrStop(copy, note, 1);
        }
    }
    return staff;
}

void BM_CopyTracksOfSixteenStavesApplyUndoRedo(benchmark::State& state) {
    static Score score;
    // Each staff, its measures and its notes.
    const double elements = Staves + static_cast<double>(Staves) * Measures + Notes;
    Phases phases;
    double save = 0;
    for (auto _ : state) {
        std::vector<Ref<ECStaff>> copies;
        phases.floor = bench::SecondsOf([&] {
            for (int s = 1; s <= Staves; ++s) {
                copies.push_back(CopyStaffByHand(score.Staff(s), Staves + s));
            }
        });
        phases.floorUndo = bench::SecondsOf([&] { copies.clear(); });
        MCEventList staves;
        for (int s = 1; s <= Staves; ++s) {
            if (staves.AddTail(score.Staff(s)) == nullptr) {
                state.SkipWithError("no memory for the list of staves");
                return;
            }
        }
        save = bench::SecondsOf([&] {
            CMemFile file;
            CArchive ar(&file, CArchive::store);
            staves.Serialize(ar);
            ar.Close();
            benchmark::DoNotOptimize(file.GetLength());
        });
        auto copy = MakeRef<CCCopyTracks>();
        for (ECBase* staff : staves) {
            copy->CopyTrack(static_cast<ECTrack*>(staff));
        }
        if (!ApplyUndoRedo(score, copy.Get(), "Copy staves", phases, [] {
                return score.conductor->GetMaxTrackNumber(ECConductor::KindStaff) == 2 * Staves;
            })) {
            state.SkipWithError("the copy failed or could not be undone and redone");
            return;
        }
    }
    Report(state, phases, elements);
    PerElement(state, "save", save, elements);
    state.counters["apply_x_save"] = phases.apply / save;
}
BENCHMARK(BM_CopyTracksOfSixteenStavesApplyUndoRedo)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
