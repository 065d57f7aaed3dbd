// The edit road under failure: every allocation of a step failing in turn, every handler
// call throwing in turn, failures inside destructors and group bookkeeping. After each
// failure nothing leaks and nothing terminates, the document saves the bytes it saved
// before the step, the history is as it was, and the step works when tried again.

#include "support/AllocationFailure.h"
#include "support/Score.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <tuple>

namespace clavenor::test {
namespace {

// A score with a history. Measure m0 holds a chord of two notes, a note with a grace note
// and a tuplet of one note, m1 two notes that a tie, a slur and a beam join; they lie on a
// staff outside the staff table. A second staff, in the table, has the two measures of the
// measure map (in 4/4). The entry that added a note to m0 is done; the one that added a note
// to m1 is undone (on the redo path); an entry dropped before them waits in the trash.
class Road {
public:
    Road() {
        ECConductor* conductor = m_doc->GetConductor();
        EXPECT_EQ(conductor->AddChild(staff, 1), 1);
        conductor->GetTrack(ECConductor::KindStaff, 1, 1);
        auto* meter = new ECMeter(4, 4, 0);
        MCTime zero(0.0f);
        meter->SetTime(&zero);
        EXPECT_EQ(conductor->GetConductorStaff()->GetMeterEnv()->AddChild(meter, 1), 1);
        conductor->GetMeasure(0, MCTime(7.5f), 1, 1);
        volume->SetControllerType(7);
        EXPECT_EQ(conductor->GetTrack(ECConductor::KindStaff, 1, 0)->AddChild(volume, 1), 1);
        m0 = NewBar(0.0f, 0);
        m1 = NewBar(4.0f, 2);
        EXPECT_EQ(staff->AddChild(m0, 1), 1);
        EXPECT_EQ(staff->AddChild(m1, 1), 1);
        chord = NewChord(1.0f, 2);
        EXPECT_EQ(m0->AddChild(chord, 1), 1);
        ECNote* note = NewNote(2.0f);
        EXPECT_EQ(note->AddChild(new Counted<ECGraceNote>(MCTime(1.875f), MCTime(0.125f)), 0), 1);
        EXPECT_EQ(m0->AddChild(note, 1), 1);
        auto* tuplet = new Counted<ECTuplet>;
        SetSeconds(tuplet, 0.5f);
        EXPECT_EQ(m0->AddChild(tuplet, 1), 1);
        triplet = Put(NewNote(0.5f), tuplet, 1);
        std::vector<ECBase*> joined = Items(m1->GetChildren());
        tied = joined[0];
        // Lines at times of their own, so that they go back to their places in the staff.
        for (auto [line, at] : {std::pair<ECGroup*, float>{new Counted<ECTie>, 4.5f},
                                {new Counted<ECSlur>, 4.25f},
                                {new Counted<ECBeam>, 4.75f}}) {
            SetSeconds(line, at);
            for (ECBase* member : joined) {
                EXPECT_EQ(line->AddChild(member, 1), 1);
            }
            EXPECT_EQ((line->GetEventId() == EventId::Beam ? static_cast<ECBase*>(m1) : staff)
                          ->AddChild(line, 1),
                      1);
        }
        Edit(doc(), new CCAdd(NewNote(3.0f), m0, FCMidi::MidiNull()), "dropped");
        EXPECT_EQ(1, doc()->Undo(1));
        Edit(doc(), new CCAdd(NewNote(3.5f), m0, FCMidi::MidiNull()), "done");
        Edit(doc(), new CCAdd(NewNote(6.0f), m1, FCMidi::MidiNull()), "undone");
        EXPECT_EQ(1, doc()->Undo(1));
    }

    ECPerformance* doc() const { return m_doc.get(); }

    // What a failed step must leave as it was.
    using State = std::tuple<std::vector<std::uint8_t>, int, int, int, int, int>;
    State Snapshot() const {
        MCCommandMgr& manager = doc()->GetCommandMgr();
        return {fuzz::Save(doc()),     doc()->GetUndoCount(),   doc()->GetUndoIndex(),
                manager.GetUndoMode(), manager.GetNotifyMode(), doc()->GetRefCount()};
    }

    // Notes carry records of this class.
    ScopedDataPlugin plugin{RUNTIME_CLASS(DCNote), 1, EventId::Note};
    // A filter the document's history may name: it outlives the document.
    LCBase filter;
    Document m_doc;
    ECStaff* staff = new ECStaff;
    ECMeasure* m0 = nullptr;
    ECMeasure* m1 = nullptr;
    ECChord* chord = nullptr;
    ECBase* tied = nullptr;
    ECBase* triplet = nullptr;
    ECControllerEnv* volume = new Counted<ECControllerEnv>;
    MCEventList selection{10};
};

// A step a host takes, and the one that takes it back.
struct Step {
    const char* name;
    std::function<CCBase*(Road&)> build; // the command, made before the step
    std::function<void(Road&, CCBase*)> run;
    std::function<void(Road&)> back;
    std::function<void(Road&)> history = nullptr; // what the road's history gains before the step
};

// Under an injected failure an undo or redo may be refused or throw: the road checks the
// document's bytes afterwards, not the call's answer.
void UndoOne(Road& road) { (void)road.doc()->Undo(1); }
void RedoOne(Road& road) { (void)road.doc()->Redo(1); }
void Apply(Road& road, CCBase* command) { Edit(road.doc(), command); }
// History for the steps that undo and redo measure commands.
void Inserted(Road& road) { Edit(road.doc(), new CCAddMeasure(2, 0)); }
void Removed(Road& road) { Edit(road.doc(), new CCRemoveMeasure(1, 0)); }
void InsertedAndUndone(Road& road) {
    Inserted(road);
    UndoOne(road);
}
// Keys and clefs on the staff of the table.
ECMeasure* TableBar(Road& road, int number) {
    return road.doc()->GetConductor()->GetMeasure(1, number);
}
template <class T>
T* AtBar(Road& road, T* element, int number) {
    element->SetTime(TableBar(road, number)->GetTime());
    return element;
}
void ClefsAdded(Road& road) {
    Edit(road.doc(), new CCAddClef(AtBar(road, new ECClef(0), 1), TableBar(road, 1)));
    Edit(road.doc(), new CCAddClef(AtBar(road, new ECClef(2), 2), TableBar(road, 2)));
}
// Meters on the measure map (two measures of 4/4 from 0).
ECMeter* MeterAt(int numerator, int denominator, float time) {
    auto* meter =
        new Counted<ECMeter>(static_cast<std::uint8_t>(numerator),
                             static_cast<std::uint8_t>(denominator), ECMeter::TypeComputed);
    MCTime at(time);
    meter->SetTime(&at);
    return meter;
}
ECMeter* SecondMeter(Road& road) {
    return static_cast<ECMeter*>(
        road.doc()->GetConductor()->GetConductorStaff()->GetMeterEnv()->GetPointAtIndex(1));
}
void MeterAdded(Road& road) { Edit(road.doc(), new CCAddMeter(MeterAt(3, 4, 4.0f))); }
void MeterAddedAndUndone(Road& road) {
    MeterAdded(road);
    UndoOne(road);
}
void Undo(Road& road, CCBase*) { UndoOne(road); }
void Redo(Road& road, CCBase*) { RedoOne(road); }
// A note on the staff of the table, for the edits that move it through the measure map.
void TableNote(Road& road) {
    ECNote* note = NewNote(1.0f);
    note->SetVoiceTrack(0, 1);
    Edit(road.doc(), new CCAdd(note, TableBar(road, 1), FCMidi::MidiNull()));
}
ECBase* FirstTableNote(Road& road) { return TableBar(road, 1)->GetChildren()->GetTail(); }
ECTrack* TableStaff(Road& road) {
    return road.doc()->GetConductor()->GetTrack(ECConductor::KindStaff, 1, 0);
}
CCBase* MoveTableNote(Road& road) {
    MCTime time(5.0f);
    return new CCEditTime(FirstTableNote(road), &time);
}
CCBase* RetimeChordMember(Road& road) {
    MCTime time(3.0f);
    return new CCEditTime(road.chord->GetChildren()->GetHead(), &time);
}
CCBase* MoveTupletMember(Road& road) {
    MCTime time(1.5f);
    return new CCEditTime(road.triplet, &time);
}
CCBase* EditTupletRatio(Road& road) {
    auto* edit = new CCEdit;
    auto* copy = static_cast<ECTuplet*>(
        edit->EditEvent(road.triplet->GetParents()->GetHead())->GetEditCopy());
    copy->SetTuplet(5, 4, 3);
    return edit;
}
CCBase* LengthenTiedNote(Road& road) {
    MCTime duration(2.0f);
    return new CCEditDuration(road.tied, &duration);
}
CCBase* LinkNoteIntoChord(Road& road) {
    auto* graph = new CCEditGraph;
    CCEditGraph::Items items;
    items.push_back(std::make_unique<CCEditGraphItem>(road.triplet));
    graph->SetGraphItems(1, items);
    MCEventList none;
    items.clear();
    items.push_back(std::make_unique<CCEditGraphItem>(road.triplet, road.chord, none));
    graph->SetGraphItems(0, items);
    return graph;
}
CCBase* RenumberTableStaff(Road& road) {
    auto* order = new CCOrderTracks;
    order->OrderTrack(TableStaff(road), 2);
    return order;
}
CCBase* GroupStaves(Road&) {
    auto* group = new CCGroupStaves;
    group->GroupStaves(0, 1, 0);
    return group;
}

// Marks on a controller envelope of the staff of the table, and on the tempo map.
template <class Mark>
Mark* At(Mark* mark, float time) {
    SetSeconds(mark, time);
    return mark;
}
CCBase* HoldPedal(Road& road) {
    return new CCAddPedal(At(new Counted<ECPedal>(0, MCTime(2.0f)), 1.0f), road.volume);
}
void PedalHeld(Road& road) { Edit(road.doc(), HoldPedal(road)); }
void PedalHeldAndUndone(Road& road) {
    PedalHeld(road);
    UndoOne(road);
}
CCBase* Crescendo(Road& road) {
    return new CCAddDynamic(At(new Counted<ECDynamic>(11, MCTime(4.0f)), 2.0f), road.volume);
}
CCBase* Accelerando(Road& road) {
    return new CCAddTempo(At(new Counted<ECTempo>(ECTempo::TypeAccelerando, MCTime(2.0f)), 4.0f),
                          road.doc()->GetConductor()->GetConductorStaff()->GetTempoEnv());
}
CCBase* OctaveUp(Road& road) {
    return new CCAddTranspose(At(new Counted<ECTranspose>(0, MCTime(1.0f)), 3.0f), road.volume);
}
CCBase* ReleasePedal(Road& road) { return new CCRemoveEnvPoint(road.volume->GetPointAtIndex(1)); }
CCBase* AccentChord(Road& road) { return new CCAddNoteModifier(new Counted<ECAccent>, road.chord); }
CCBase* AddTuplet(Road& road) {
    auto* tuplet = new Counted<ECTuplet>;
    SetSeconds(tuplet, 4.0f);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(tuplet->AddChild(NewNote(4.0f + static_cast<float>(i) / 3), 1), 1);
    }
    return new CCAddTuplet(tuplet, TableBar(road, 2), FCMidi::MidiNull());
}
CCBase* AddSysEx(Road& road) {
    FCMidiSysEx reset;
    reset.SetGMSystemOn(0x7F);
    return new CCAddSysEx(At(new Counted<ECSystemMessage>(0), 2.0f),
                          road.doc()->GetConductor()->GetConductorStaff(), reset);
}
CCBase* EditRecord(Road& road) {
    auto* record = static_cast<DCNote*>(road.chord->GetChildren()->GetHead()->GetData(1, 1));
    auto* edit = new CCEditData;
    static_cast<DCNote*>(edit->EditData(record, 1)->GetDataCopy())->SetPitch(67);
    return edit;
}
CCBase* EditFilter(Road& road) {
    auto* edit = new CCEditFilter;
    edit->EditFilter(&road.filter)->GetFilterCopy()->SetPriority(9);
    return edit;
}
// Tracks.
CCBase* InsertStaff(Road&) { return new CCAddTrack(new Counted<ECStaff>, 1); }
CCBase* InsertStaffAndWaveTrack(Road&) {
    auto* add = new CCAddTrack;
    add->AddMidiTrack(1, 1);
    add->AddWaveTrack(1);
    return add;
}
CCBase* CopyTableStaff(Road& road) {
    auto* copy = new CCCopyTracks;
    copy->CopyTrack(TableStaff(road));
    return copy;
}
void TableContent(Road& road) {
    TableNote(road);
    ClefsAdded(road);
    PedalHeld(road);
}
void StaffCopied(Road& road) {
    TableContent(road);
    Edit(road.doc(), CopyTableStaff(road));
}
void StaffCopiedAndUndone(Road& road) {
    StaffCopied(road);
    UndoOne(road);
}
// A selection of everything the removal planning tells apart, removed as a host removes it.
void TableContentSelected(Road& road) {
    TableContent(road);
    for (ECBase* element : std::initializer_list<ECBase*>{
             FirstTableNote(road), TableBar(road, 2)->GetChildren()->GetHead(),
             road.volume->GetPointAtIndex(0), road.tied, road.chord, road.triplet}) {
        EXPECT_NE(road.selection.AddTail(element), nullptr);
    }
}
void RemoveSelection(Road& road, CCBase*) {
    MCCommandList commands(10);
    if (ConfigureRemove(&road.selection, &commands) == 0) {
        return;
    }
    commands.SetSynchronous(1);
    MCCommandMgr::BeginUndo(road.doc(), CString("remove"));
    try {
        (void)commands.Apply(road.doc());
    } catch (...) {
        MCCommandMgr::EndUndo(road.doc());
        throw;
    }
    MCCommandMgr::EndUndo(road.doc());
}

const Step kSteps[] = {
    {"add a measure with notes",
     [](Road& road) { return new CCAdd(NewBar(8.0f, 2), road.staff, FCMidi::MidiNull()); }, Apply,
     UndoOne},
    {"add a chord and a note",
     [](Road& road) {
         auto* add = new CCAdd(NewChord(0.5f, 2), road.m0, FCMidi::MidiNull());
         add->Add(NewNote(5.0f), road.m1, FCMidi::MidiNull());
         return add;
     },
     Apply, UndoOne},
    {"remove a measure", nullptr,
     [](Road& road, CCBase*) { Edit(road.doc(), new CCRemove(road.m1)); }, UndoOne},
    {"remove a chord", nullptr,
     [](Road& road, CCBase*) { Edit(road.doc(), new CCRemove(road.chord)); }, UndoOne},
    {"remove a tied, slurred and beamed note", nullptr,
     [](Road& road, CCBase*) { Edit(road.doc(), new CCRemove(road.tied)); }, UndoOne},
    {"remove a tuplet member", nullptr,
     [](Road& road, CCBase*) { Edit(road.doc(), new CCRemove(road.triplet)); }, UndoOne},
    {"insert two measures at the start", [](Road&) { return new CCAddMeasure(2, 0); }, Apply,
     UndoOne},
    {"remove the first measure of the map", [](Road&) { return new CCRemoveMeasure(1, 0); }, Apply,
     UndoOne},
    {"undo a measure insertion", nullptr, Undo, RedoOne, Inserted},
    {"undo a measure removal", nullptr, Undo, RedoOne, Removed},
    {"redo a measure insertion", nullptr, Redo, UndoOne, InsertedAndUndone},
    {"add a key",
     [](Road& road) { return new CCAddKey(AtBar(road, new ECKey(2, 0, 0), 2), TableBar(road, 2)); },
     Apply, UndoOne},
    {"remove a clef",
     [](Road& road) {
         return new CCRemoveClef(static_cast<ECClef*>(TableBar(road, 2)->GetChildren()->GetHead()));
     },
     Apply, UndoOne, ClefsAdded},
    {"add a meter that re-bars", [](Road&) { return new CCAddMeter(MeterAt(3, 4, 4.0f)); }, Apply,
     UndoOne},
    {"add a meter that lengthens the last measure",
     [](Road&) { return new CCAddMeter(MeterAt(6, 4, 4.0f)); }, Apply, UndoOne},
    {"remove a meter", [](Road& road) { return new CCRemoveMeter(SecondMeter(road)); }, Apply,
     UndoOne, MeterAdded},
    {"undo a meter addition", nullptr, Undo, RedoOne, MeterAdded},
    {"redo a meter addition", nullptr, Redo, UndoOne, MeterAddedAndUndone},
    {"move a note into another measure", MoveTableNote, Apply, UndoOne, TableNote},
    {"retime a chord member", RetimeChordMember, Apply, UndoOne},
    {"retime a tuplet member", MoveTupletMember, Apply, UndoOne},
    {"edit a tuplet's ratio", EditTupletRatio, Apply, UndoOne},
    {"lengthen a tied note", LengthenTiedNote, Apply, UndoOne},
    {"link a note into a chord", LinkNoteIntoChord, Apply, UndoOne},
    {"renumber a staff", RenumberTableStaff, Apply, UndoOne, TableNote},
    {"group staves", GroupStaves, Apply, UndoOne},
    {"hold a pedal", HoldPedal, Apply, UndoOne},
    {"add a crescendo", Crescendo, Apply, UndoOne},
    {"add an accelerando", Accelerando, Apply, UndoOne},
    {"add an octave transposition", OctaveUp, Apply, UndoOne},
    {"remove a pedal's release", ReleasePedal, Apply, UndoOne, PedalHeld},
    {"undo a pedal", nullptr, Undo, RedoOne, PedalHeld},
    {"redo a pedal", nullptr, Redo, UndoOne, PedalHeldAndUndone},
    {"accent a chord", AccentChord, Apply, UndoOne},
    {"add a tuplet with its notes", AddTuplet, Apply, UndoOne},
    {"add a system-exclusive event", AddSysEx, Apply, UndoOne},
    {"edit a note's record", EditRecord, Apply, UndoOne},
    {"edit a filter", EditFilter, Apply, UndoOne},
    {"insert a staff", InsertStaff, Apply, UndoOne},
    {"insert a staff and a wave track", InsertStaffAndWaveTrack, Apply, UndoOne},
    {"copy a staff with its content", CopyTableStaff, Apply, UndoOne, TableContent},
    {"undo a staff copy", nullptr, Undo, RedoOne, StaffCopied},
    {"redo a staff copy", nullptr, Redo, UndoOne, StaffCopiedAndUndone},
    {"remove a staff", [](Road& road) { return new CCRemoveTrack(TableStaff(road)); }, Apply,
     nullptr, TableContent},
    {"remove a mixed selection", nullptr, RemoveSelection, UndoOne, TableContentSelected},
    {"undo", nullptr, [](Road& road, CCBase*) { UndoOne(road); }, RedoOne},
    {"redo", nullptr, [](Road& road, CCBase*) { RedoOne(road); }, UndoOne},
    {"idle", nullptr, [](Road&, CCBase*) { MCCommandMgr::OnIdle(); }, nullptr},
};

void Run(const Step& step, Road& road) {
    step.run(road, step.build != nullptr ? step.build(road) : nullptr);
}

// The states a step leads to when nothing fails: after it, and after taking it back.
struct Outcome {
    Road::State after;
    Road::State reverted;
};

// A road with the step's history.
void Prepare(const Step& step, Road& road) {
    if (step.history != nullptr) {
        step.history(road);
    }
}

Outcome CleanRun(const Step& step) {
    Road road;
    Prepare(step, road);
    Run(step, road);
    Outcome outcome{road.Snapshot(), {}};
    if (step.back != nullptr) {
        step.back(road);
    }
    outcome.reverted = road.Snapshot();
    return outcome;
}

// After a step that failed without effect: the step works, and can be taken back.
void ExpectTheRoadStillWorks(const Step& step, Road& road, const Outcome& clean,
                             const std::string& where) {
    Run(step, road);
    EXPECT_EQ(road.Snapshot(), clean.after) << where;
    if (step.back != nullptr) {
        step.back(road);
        EXPECT_EQ(road.Snapshot(), clean.reverted) << where;
    }
}

class EditRoadFailure : public ::testing::Test {
protected:
    void SetUp() override { MCCommandMgr::OnIdle(); }
};

TEST_F(EditRoadFailure, EveryAllocationOfEveryStepFailingInTurnChangesNothing) {
    for (const Step& step : kSteps) {
        const Outcome clean = CleanRun(step);
        MCCommandMgr::OnIdle();
        const std::int64_t live = LiveAllocations();
        const int elements = g_liveElements;
        int failures = 0;
        for (std::int64_t n = 1;; ++n) {
            // Made when needed only: a string alive here would count as a leak.
            auto where = [&] {
                return std::string(step.name) + ", allocation " + std::to_string(n);
            };
            bool triggered = false;
            {
                Road road;
                Prepare(step, road);
                CCBase* command = step.build != nullptr ? step.build(road) : nullptr;
                const Road::State before = road.Snapshot();
                {
                    FailNthAllocation failure(n);
                    try {
                        step.run(road, command);
                    } catch (const std::bad_alloc&) {
                    }
                    triggered = failure.Triggered();
                }
                if (triggered) {
                    EXPECT_EQ(road.Snapshot(), before) << where();
                    ExpectTheRoadStillWorks(step, road, clean, where());
                }
            }
            MCCommandMgr::OnIdle();
            ASSERT_EQ(LiveAllocations(), live) << where();
            ASSERT_EQ(g_liveElements, elements) << where();
            if (!triggered) {
                break;
            }
            ++failures;
        }
        // A step that takes something back allocates on its way, so failing is tried; but
        // redoing a pedal replays commands whose lists and record need no memory of their own.
        if (step.back != nullptr && std::string_view(step.name) != "redo a pedal") {
            EXPECT_GT(failures, 0) << step.name;
        } else if (step.back != nullptr) {
            EXPECT_EQ(failures, 0) << step.name;
        }
    }
}

// Host handlers that agree with everything until the call that throws.
struct ThrowingHandlers {
    struct Failure {};
    int countdown = 0;
    const char* thrownBy = nullptr;

    int Call(const char* who) {
        if (--countdown == 0) {
            thrownBy = who;
            throw Failure{};
        }
        return 1;
    }
    static int Command(ECBase*, int phase, void*, void* user) {
        return static_cast<ThrowingHandlers*>(user)->Call(phase == 0 ? "prepare" : "process");
    }
    static int State(ECBase*, int, void*, void* user) {
        return static_cast<ThrowingHandlers*>(user)->Call("state");
    }
};

// A command handler that throws fails its batch, which is taken back; a state handler that
// throws was told of a finished step, which stays done.
TEST_F(EditRoadFailure, EveryHandlerCallThrowingInTurnChangesNothingOrCompletesTheStep) {
    for (const Step& step : kSteps) {
        if (step.back == nullptr) {
            continue;
        }
        const Outcome clean = CleanRun(step);
        MCCommandMgr::OnIdle();
        const std::int64_t live = LiveAllocations();
        int throws = 0;
        for (int k = 1;; ++k) {
            auto where = [&] {
                return std::string(step.name) + ", handler call " + std::to_string(k);
            };
            ThrowingHandlers handlers;
            bool thrown = false;
            {
                Road road;
                Prepare(step, road);
                road.doc()->AddCommandHandler(&ThrowingHandlers::Command, &handlers);
                road.doc()->AddStateHandler(&ThrowingHandlers::State, &handlers);
                CCBase* command = step.build != nullptr ? step.build(road) : nullptr;
                const Road::State before = road.Snapshot();
                handlers.countdown = k;
                try {
                    step.run(road, command);
                } catch (const ThrowingHandlers::Failure&) {
                    thrown = true;
                }
                if (thrown) {
                    const std::string_view by = handlers.thrownBy;
                    if (by == "state") {
                        EXPECT_EQ(road.Snapshot(), clean.after) << where();
                        step.back(road);
                        EXPECT_EQ(road.Snapshot(), clean.reverted) << where();
                    } else {
                        EXPECT_EQ(road.Snapshot(), before) << where();
                        ExpectTheRoadStillWorks(step, road, clean, where());
                    }
                }
            }
            MCCommandMgr::OnIdle();
            ASSERT_EQ(LiveAllocations(), live) << where();
            if (!thrown) {
                break;
            }
            ++throws;
        }
        EXPECT_GT(throws, 2) << step.name;
    }
}

// Regression: allocation failure escaped destructors (the document's, through the
// history; the removal command's, through its ancestor search) and terminated.
TEST_F(EditRoadFailure, ReleasingDocumentsHistoriesAndTrashNeedsNoMemory) {
    Road* road = new Road;
    Edit(road->doc(), new CCRemove(road->m1), "removed");
    Edit(road->doc(), new CCRemove(road->chord), "removed");
    EXPECT_EQ(1, road->doc()->Undo(1));
    const std::int64_t live = LiveAllocations();
    {
        FailNthAllocation failure(1);
        road->doc()->ClearUndo();
        delete road;
        MCCommandMgr::OnIdle();
        EXPECT_FALSE(failure.Triggered());
    }
    EXPECT_LT(LiveAllocations(), live);
}

// Regression: after a failed batch the undo group stayed open for good, and a group whose
// entry could not be made was open without one.
TEST_F(EditRoadFailure, AFailedBatchClosesItsGroupsAndAGroupOpensWholeOrNotAtAll) {
    struct Throwing : CCBase {
        int Prepare() override { throw std::bad_alloc(); }
    };
    Road road;
    MCCommandMgr& manager = road.doc()->GetCommandMgr();
    const Road::State before = road.Snapshot();
    EXPECT_THROW(Edit(road.doc(), new Throwing), std::bad_alloc);
    EXPECT_EQ(road.Snapshot(), before);
    EXPECT_EQ(road.doc()->Undo(1), 1);

    EXPECT_GT(
        ForEachAllocationFailure(
            [&] { MCCommandMgr::BeginUndo(road.doc(), CString("a longer name for a group")); },
            [&] {
                EXPECT_EQ(manager.GetUndoMode(), 0);
                EXPECT_EQ(manager.GetNotifyMode(), 0);
            }),
        0);
    MCCommandMgr::EndUndo(road.doc());
}

} // namespace
} // namespace clavenor::test
