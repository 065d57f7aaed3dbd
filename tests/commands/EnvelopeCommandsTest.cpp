// The envelope point and mark commands: dynamics, pedals, tempo and transposition marks enter
// their envelopes with the end points of the marks that last, as anchor groups; removing any
// point of a mark removes the whole group; undo gives back the saved bytes of before (the
// groups in their order) and redo those of after. Note modifiers, tuplets and system-exclusive
// events go in as plain additions.

#include "support/Score.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace clavenor::test {
namespace {

template <class Mark>
Mark* At(Mark* mark, float time) {
    SetSeconds(mark, time);
    return mark;
}

float ValueOf(ECEnvPoint* point) { return point->GetValue(); }

class EnvelopeCommands : public ::testing::Test {
protected:
    EnvelopeCommands() {
        conductor = static_cast<ECConductor*>(doc->GetChildren()->GetHead());
        staff = static_cast<ECStaff*>(conductor->GetTrack(ECConductor::KindStaff, 1, 0));
        volume = new ECControllerEnv;
        volume->SetControllerType(7);
        EXPECT_EQ(staff->AddChild(volume, 1), 1);
        tempi = conductor->GetConductorStaff()->GetTempoEnv();
    }
    ~EnvelopeCommands() override {
        doc.reset();
        MCCommandMgr::OnIdle();
    }

    std::vector<std::uint8_t> Bytes() { return fuzz::Save(doc.get()); }
    void Do(CCBase* command) { Edit(doc.get(), command); }

    // Runs `command`, then checks that undo and redo give back the bytes of before and after,
    // twice over, and (unless `reloads` is false) that the bytes of after load and save again
    // unchanged.
    void ExpectExactUndo(CCBase* command, bool reloads = true) {
        const std::vector<std::uint8_t> before = Bytes();
        const int entries = doc->GetUndoCount();
        Do(command);
        ASSERT_EQ(doc->GetUndoCount(), entries + 1) << "the command did not run";
        const std::vector<std::uint8_t> after = Bytes();
        EXPECT_NE(after, before);
        for (int round = 0; round < 2; ++round) {
            ASSERT_EQ(doc->Undo(1), 1);
            EXPECT_EQ(Bytes(), before);
            ASSERT_EQ(doc->Redo(1), 1);
            EXPECT_EQ(Bytes(), after);
        }
        if (!reloads) {
            return;
        }
        std::unique_ptr<ECPerformance> loaded(
            fuzz::Load(after.data(), after.size(), ECPerformance::WriteVersion));
        EXPECT_EQ(fuzz::Save(loaded.get()), after);
    }

    // A command that must be refused: the batch fails with one 501 record and nothing changes.
    void ExpectRefused(CCBase* command) {
        Journal journal;
        Handler states{&journal, "state"};
        doc->AddStateHandler(&Handler::State, &states);
        const std::vector<std::uint8_t> before = Bytes();
        const int entries = doc->GetUndoCount();
        const std::string failed = "state:501:" + std::to_string(command->GetCommandId());
        Do(command);
        EXPECT_EQ(journal.Joined(), failed);
        EXPECT_EQ(Bytes(), before);
        EXPECT_EQ(doc->GetUndoCount(), entries);
        doc->RemoveStateHandlers();
    }

    // A tuplet of three notes a third apart from `start`, held by no one.
    static ECTuplet* TupletOfThree(float start) {
        auto* tuplet = new ECTuplet;
        SetSeconds(tuplet, start);
        for (int i = 0; i < 3; ++i) {
            LinkOrFail(tuplet, NewNote(start + static_cast<float>(i) / 3), 1);
        }
        return tuplet;
    }

    ECPedal* HeldPedal(float time, float length) {
        return At(new ECPedal(0, MCTime(length)), time);
    }
    // A pause (type 24) of one quarter note.
    static ECTempo* Pause(float time) {
        auto* pause = At(new ECTempo(ECTempo::TypePause, MCTime(0.0f)), time);
        MCTime length(1.0f);
        pause->SetDuration(&length);
        return pause;
    }

    std::unique_ptr<ECPerformance> doc{fuzz::MakeScoreDocument()};
    ECConductor* conductor = nullptr;
    ECStaff* staff = nullptr;
    ECControllerEnv* volume = nullptr;
    ECTempoEnv* tempi = nullptr;
};

TEST_F(EnvelopeCommands, AHeldPedalAddsItsReleaseAsOneAnchorGroupThatUndoTakesAway) {
    ECPedal* down = HeldPedal(4.0f, 2.0f);
    auto* command = new CCAddPedal(down, volume);
    command->Ref();
    ExpectExactUndo(command);
    ASSERT_EQ(volume->GetPointCount(), 2);
    auto* up = static_cast<ECPedal*>(volume->GetPointAtIndex(1));
    EXPECT_EQ(volume->GetPointAtIndex(0), down);
    EXPECT_EQ(up->GetTime()->GetSeconds(), 6.0f);
    EXPECT_EQ(ValueOf(down), 127.0f);
    EXPECT_EQ(ValueOf(up), 0.0f);
    EXPECT_EQ(down->GetControllerNum(), 64);
    EXPECT_EQ(up->GetControllerNum(), 64);
    EXPECT_EQ(up->GetDuration()->GetSeconds(), 0.0f);
    EXPECT_EQ(down->IsAnchor(), 1);
    EXPECT_EQ(down->IsAnchorHead(), 1);
    EXPECT_EQ(up->IsAnchor(), 1);
    EXPECT_EQ(up->IsAnchorHead(), 0);
    ASSERT_EQ(volume->GetAnchorGroupCount(), 1);
    EXPECT_EQ(Items(volume->GetAnchorGroupAt(0)), (std::vector<ECBase*>{down, up}));
    EXPECT_EQ(command->GetEnvItem(0)->GetAnchorList()->GetCount(), 2);
    ASSERT_EQ(doc->Undo(1), 1);
    EXPECT_EQ(volume->GetPointCount(), 0);
    EXPECT_EQ(volume->GetAnchorGroupCount(), 0);
    command->Unref(1);
}

TEST_F(EnvelopeCommands, MarksWithoutDurationTakeTheValueOfTheirKind) {
    auto* pedal = HeldPedal(1.0f, 0.0f);
    auto* dynamic = At(new ECDynamic(3, MCTime(0.0f)), 2.0f);
    auto* own = At(new ECDynamic(16, MCTime(0.0f)), 3.0f);
    own->SetValue(33.0f);
    auto* octave = At(new ECTranspose(1, MCTime(0.0f)), 4.0f);
    auto* allegro = At(new ECTempo(ECTempo::TypeAllegro, MCTime(0.0f)), 2.0f);
    Do(new CCAddPedal(pedal, volume));
    Do(new CCAddDynamic(dynamic, volume));
    Do(new CCAddDynamic(own, volume));
    Do(new CCAddTranspose(octave, volume));
    Do(new CCAddTempo(allegro, tempi));
    EXPECT_EQ(ValueOf(pedal), 127.0f);
    EXPECT_EQ(ValueOf(dynamic), static_cast<float>(GetDynamicValue(3)));
    EXPECT_EQ(ValueOf(own), 33.0f);
    EXPECT_EQ(ValueOf(octave), 12.0f);
    EXPECT_EQ(ValueOf(allegro), static_cast<float>(GetTempoValue(ECTempo::TypeAllegro)));
    EXPECT_EQ(volume->GetPointCount(), 4);
    EXPECT_EQ(volume->GetAnchorGroupCount(), 0);
}

struct Ramp {
    std::uint8_t type;
    float before; // the value of a point at time 0, or -1 for none
    float after;  // the value of a point at time 10, or -1 for none
    float start;
    float end;
};

TEST_F(EnvelopeCommands, AHairpinRampsFromTheValueInForceToTheNextPointOrBeyondIt) {
    const Ramp ramps[] = {
        {11, 90.0f, -1.0f, 90.0f, 90.0f * 1.3333f}, // crescendo, nothing later
        {11, 120.0f, -1.0f, 120.0f, 127.0f},        // limited to 127
        {14, 60.0f, 100.0f, 60.0f, 100.0f},         // the next point says where it ends
        {10, 80.0f, -1.0f, 80.0f, 60.0f},           // diminuendo
        {15, -1.0f, -1.0f, 0.0f, 0.0f},             // the default value, 0
        {13, 200.0f, -1.0f, 127.0f, 127.0f * 0.75f},
    };
    for (const Ramp& ramp : ramps) {
        SCOPED_TRACE(static_cast<int>(ramp.type));
        auto* envelope = new ECControllerEnv;
        ASSERT_EQ(staff->AddChild(envelope, 1), 1);
        if (ramp.before >= 0.0f) {
            auto* point = At(new ECControlChange(7), 0.0f);
            point->SetValue(ramp.before);
            ASSERT_EQ(envelope->AddChild(point, 1), 1);
        }
        if (ramp.after >= 0.0f) {
            auto* point = At(new ECControlChange(7), 10.0f);
            point->SetValue(ramp.after);
            ASSERT_EQ(envelope->AddChild(point, 1), 1);
        }
        auto* hairpin = At(new ECDynamic(ramp.type, MCTime(4.0f)), 2.0f);
        auto* command = new CCAddDynamic(hairpin, envelope);
        command->Ref();
        ExpectExactUndo(command);
        MCEventList* anchors = command->GetEnvItem(0)->GetAnchorList();
        ASSERT_NE(anchors, nullptr);
        auto* end = static_cast<ECDynamic*>(anchors->GetTail());
        EXPECT_FLOAT_EQ(ValueOf(hairpin), ramp.start);
        EXPECT_EQ(hairpin->GetStyle(), ECEnvPoint::StyleLinear);
        EXPECT_FLOAT_EQ(ValueOf(end), ramp.end);
        EXPECT_EQ(end->GetStyle(), ECEnvPoint::StyleStep);
        EXPECT_EQ(end->GetTime()->GetSeconds(), 6.0f);
        command->Unref(1);
    }
}

TEST_F(EnvelopeCommands, ATranspositionThatLastsStartsByItsTypeAndEndsAtZero) {
    const std::pair<std::uint8_t, float> starts[] = {{0, 12.0f}, {1, -12.0f}, {2, 24.0f}};
    float time = 0.0f;
    for (const auto& [type, value] : starts) {
        auto* mark = At(new ECTranspose(type, MCTime(1.0f)), time);
        auto* command = new CCAddTranspose(mark, volume);
        command->Ref();
        Do(command);
        EXPECT_EQ(ValueOf(mark), value);
        EXPECT_EQ(
            ValueOf(static_cast<ECEnvPoint*>(command->GetEnvItem(0)->GetAnchorList()->GetTail())),
            0.0f);
        command->Unref(1);
        time += 2.0f;
    }
    EXPECT_EQ(volume->GetPointCount(), 6);
    EXPECT_EQ(volume->GetAnchorGroupCount(), 3);
}

TEST_F(EnvelopeCommands, RemovingAnyPointOfAMarkRemovesItsGroupAndUndoPutsTheGroupBackInPlace) {
    std::vector<ECPedal*> pedals;
    for (float at : {0.0f, 4.0f, 8.0f}) {
        pedals.push_back(HeldPedal(at, 1.0f));
        Do(new CCAddPedal(pedals.back(), volume));
    }
    MCEventList* middle = volume->GetAnchorGroupAt(1);
    auto* release = static_cast<ECEnvPoint*>(middle->GetTail());
    ExpectExactUndo(new CCRemoveEnvPoint(release));
    EXPECT_EQ(volume->GetPointCount(), 4);
    EXPECT_EQ(volume->GetAnchorGroupCount(), 2);
    EXPECT_TRUE(pedals[1]->GetParents()->IsEmpty());
    ASSERT_EQ(doc->Undo(1), 1);
    EXPECT_EQ(volume->GetAnchorGroupAt(1), middle);

    // Both points of one mark in one command: one item.
    auto* both = new CCRemoveEnvPoint(pedals[0]);
    both->Remove(volume->GetPointAtIndex(1));
    both->Ref();
    Do(both);
    EXPECT_EQ(both->GetItems().size(), 1u);
    EXPECT_EQ(volume->GetAnchorGroupCount(), 2);
    both->Unref(1);
}

// A selection holding both points of a mark becomes one command a point; the first takes the
// whole group, the second finds its point gone and changes nothing. Redone, the second must
// again change nothing rather than refuse a point that is not in its envelope.
TEST_F(EnvelopeCommands, TwoCommandsRemovingOneMarkUndoAndRedoAsOneEdit) {
    ECPedal* down = HeldPedal(4.0f, 2.0f);
    Do(new CCAddPedal(down, volume));
    auto* up = static_cast<ECEnvPoint*>(volume->GetPointAtIndex(1));
    const std::vector<std::uint8_t> before = Bytes();
    // One list, as ConfigureRemove makes it: each command is prepared before any runs.
    MCCommandList list;
    for (ECEnvPoint* point : {up, static_cast<ECEnvPoint*>(down)}) {
        ASSERT_NE(list.AddTail(new CCRemoveEnvPoint(point)), nullptr);
    }
    list.SetSynchronous(1);
    MCCommandMgr::BeginUndo(doc.get(), CString("remove"));
    EXPECT_EQ(list.Apply(doc.get()), 1);
    MCCommandMgr::EndUndo(doc.get());
    const std::vector<std::uint8_t> after = Bytes();
    ASSERT_EQ(volume->GetPointCount(), 0);
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(doc->Undo(1), 1);
        EXPECT_EQ(Bytes(), before);
        ASSERT_EQ(doc->Redo(1), 1);
        EXPECT_EQ(Bytes(), after);
    }
}

TEST_F(EnvelopeCommands, RelativeTempoMarksRampFromTheTempoInForce) {
    // The score's tempo map: 120 at 0, 90 at 8 (linear), Allegro at 16, G.P. at 24, 100 at 25.
    auto* accel = At(new ECTempo(ECTempo::TypeAccelerando, MCTime(2.0f)), 4.0f);
    auto* command = new CCAddTempo(accel, tempi);
    command->Ref();
    ExpectExactUndo(command);
    auto* end = static_cast<ECTempo*>(command->GetEnvItem(0)->GetAnchorList()->GetTail());
    EXPECT_EQ(accel->GetTempo(1.0f), 120.0f);
    EXPECT_EQ(accel->GetStyle(), ECEnvPoint::StyleLinear);
    EXPECT_EQ(end->GetTime()->GetSeconds(), 6.0f);
    EXPECT_FLOAT_EQ(end->GetTempo(1.0f), 90.0f * 1.33f);
    command->Unref(1);

    auto* back = At(new ECTempo(ECTempo::TypeATempo, MCTime(0.0f)), 12.0f);
    Do(new CCAddTempo(back, tempi));
    EXPECT_EQ(back->GetTempo(1.0f), 90.0f);
}

TEST_F(EnvelopeCommands, APauseAtZeroMovesTheOpeningTempoATickBeforeAndItsRemovalMovesItBack) {
    ECEnvPoint* opening = tempi->GetPointAtIndex(0);
    auto* pause = Pause(0.0f);
    const std::vector<std::uint8_t> before = Bytes();
    // Loading moves a point before zero to zero: the opening tempo does not survive a reload.
    ExpectExactUndo(new CCAddTempo(pause, tempi), false);
    MCTime tick = MCTime::TimeZero();
    tick.AddTicks(-1, MCTime::GlobalPPQ);
    EXPECT_EQ(*opening->GetTime(), tick);
    EXPECT_EQ(tempi->GetPointAtIndex(1), pause);
    ExpectExactUndo(new CCRemoveEnvPoint(pause));
    EXPECT_EQ(*opening->GetTime(), MCTime::TimeZero());
    EXPECT_EQ(Bytes(), before);

    // With a pause opening the map, another pause at zero is refused.
    ASSERT_EQ(doc->Undo(1), 1);
    ExpectRefused(new CCAddTempo(Pause(0.0f), tempi));
}

TEST_F(EnvelopeCommands, AnAccentGoesToEveryNoteOfAChordAndADotNowhere) {
    ECMeasure* bar = conductor->GetMeasure(1, 2);
    ECChord* chord = NewChord(bar->GetTime()->GetSeconds(), 3);
    ASSERT_EQ(bar->AddChild(chord, 1), 1);
    auto* command = new CCAddNoteModifier(new ECAccent, chord);
    command->Ref();
    EXPECT_EQ(command->GetItems().size(), 3u);
    ExpectExactUndo(command);
    for (ECBase* note : Items(chord->GetChildren())) {
        ASSERT_EQ(note->GetChildren()->GetCount(), 1);
        EXPECT_EQ(note->GetChildren()->GetHead()->GetEventId(), EventId::Accent);
    }
    command->Unref(1);

    CCAddNoteModifier dots;
    auto* dot = new Counted<ECDot>;
    dot->Ref();
    EXPECT_EQ(dots.Add(dot, chord, FCMidi::MidiNull()), nullptr);
    EXPECT_EQ(dots.Add(nullptr, chord, FCMidi::MidiNull()), nullptr);
    EXPECT_TRUE(dots.GetItems().empty());
    EXPECT_NE(dots.Add(new ECTrill, chord, FCMidi::MidiNull()), nullptr);
    dot->Unref(1);
}

TEST_F(EnvelopeCommands, ATupletComesAndGoesWithItsNotes) {
    ECMeasure* bar = conductor->GetMeasure(1, 3);
    ECTuplet* tuplet = TupletOfThree(bar->GetTime()->GetSeconds());
    auto* command = new CCAddTuplet(tuplet, bar, FCMidi::MidiNull());
    command->Ref();
    EXPECT_EQ(command->GetNotes().GetCount(), 3);
    ExpectExactUndo(command);
    EXPECT_EQ(tuplet->GetParents()->GetHead(), bar);
    command->Unref(1);
}

// The undo of a removal adds the removed element back to its parent, and a removed tuplet
// has handed its notes to the measure: it comes back empty, beside them. The redo of the
// tuplet's addition then finds it without notes and takes its own notes into it again, so
// that an undo and redo of the addition do not give back what the removal's undo left.
TEST_F(EnvelopeCommands, ATupletWhoseRemovalIsUndoneComesBackEmptyAndItsAdditionRefillsIt) {
    ECMeasure* bar = conductor->GetMeasure(1, 3);
    ECTuplet* tuplet = TupletOfThree(bar->GetTime()->GetSeconds());
    const int others = bar->GetChildren()->GetCount();
    Do(new CCAddTuplet(tuplet, bar, FCMidi::MidiNull()));
    Do(new CCRemove(tuplet));

    ASSERT_EQ(doc->Undo(1), 1);
    EXPECT_NE(tuplet->GetParents()->Find(bar), nullptr);
    EXPECT_EQ(tuplet->GetChildren()->GetCount(), 0);
    EXPECT_EQ(bar->GetChildren()->GetCount(), others + 4);
    const std::vector<std::uint8_t> emptied = Bytes();

    ASSERT_EQ(doc->Undo(1), 1);
    EXPECT_EQ(bar->GetChildren()->GetCount(), others + 1);
    ASSERT_EQ(doc->Redo(1), 1);
    EXPECT_EQ(tuplet->GetChildren()->GetCount(), 3);
    EXPECT_NE(Bytes(), emptied);
}

TEST_F(EnvelopeCommands, ASystemExclusiveItemCarriesItsMessage) {
    const FCMidiSysEx reset = [] {
        FCMidiSysEx message;
        message.SetGMSystemOn(0x7F);
        return message;
    }();
    auto* event = At(new ECSystemMessage(0), 2.0f);
    auto* command = new CCAddSysEx(event, conductor->GetConductorStaff(), reset);
    command->Ref();
    auto& carried = static_cast<CCAddSysExItem*>(command->GetItems()[0])->GetSysEx();
    EXPECT_EQ(carried.IsGMSystemOnMsg(), 1);
    ExpectExactUndo(command);
    command->Unref(1);
    CCAddSysEx plain(nullptr, staff, reset);
    EXPECT_TRUE(plain.GetItems().empty());
}

TEST_F(EnvelopeCommands, ForeignAndMisplacedPointsAreRefusedAndChangeNothing) {
    // Not a point, not an envelope, a point in an envelope already: no item.
    {
        CCAddEnvPoint add;
        ECNote* note = NewNote(1.0f);
        note->Ref();
        EXPECT_EQ(add.Add(note, volume, FCMidi::MidiNull()), nullptr);
        note->Unref(1);
        auto* pedal = HeldPedal(1.0f, 0.0f);
        pedal->Ref();
        EXPECT_EQ(add.Add(pedal, staff, FCMidi::MidiNull()), nullptr);
        EXPECT_EQ(add.Add(nullptr, volume, FCMidi::MidiNull()), nullptr);
        EXPECT_EQ(add.Add(tempi->GetPointAtIndex(0), volume, FCMidi::MidiNull()), nullptr);
        EXPECT_TRUE(add.GetItems().empty());
        pedal->Unref(1);
        CCRemoveEnvPoint remove;
        EXPECT_EQ(remove.Remove(staff), nullptr);
        EXPECT_EQ(remove.Remove(static_cast<ECBase*>(nullptr)), nullptr);
    }
    // An envelope of another document.
    Document other;
    auto* elsewhere = new ECControllerEnv;
    auto* otherStaff = new ECStaff;
    ASSERT_EQ(other->GetChildren()->GetHead()->AddChild(otherStaff, 1), 1);
    ASSERT_EQ(otherStaff->AddChild(elsewhere, 1), 1);
    ExpectRefused(new CCAddPedal(HeldPedal(1.0f, 1.0f), elsewhere));
    auto* foreign = HeldPedal(1.0f, 0.0f);
    ASSERT_EQ(elsewhere->AddChild(foreign, 1), 1);
    ExpectRefused(new CCRemoveEnvPoint(foreign));
    // A point where the envelope has one already, and a mark whose end falls on one.
    Do(new CCAddPedal(HeldPedal(2.0f, 0.0f), volume));
    ExpectRefused(new CCAddPedal(HeldPedal(2.0f, 0.0f), volume));
    ExpectRefused(new CCAddPedal(HeldPedal(1.0f, 1.0f), volume));
    // A point of a tempo map that is not a tempo mark.
    ExpectRefused(new CCAddPedal(HeldPedal(3.0f, 0.0f), tempi));
}

TEST_F(EnvelopeCommands, AFailingCommandInABatchLeavesTheDocumentAsItWas) {
    Journal journal;
    Handler states{&journal, "state"};
    doc->AddStateHandler(&Handler::State, &states);
    const std::vector<std::uint8_t> before = Bytes();
    MCCommandList batch(10);
    ASSERT_NE(batch.AddTail(new CCAddPedal(HeldPedal(4.0f, 2.0f), volume)), nullptr);
    ASSERT_NE(batch.AddTail(new CCRemoveEnvPoint(tempi->GetPointAtIndex(2))), nullptr);
    ASSERT_NE(batch.AddTail(new CCAddTempo(Pause(8.0f), tempi)), nullptr);
    batch.SetSynchronous(1);
    MCCommandMgr::BeginUndo(doc.get(), CString("batch"));
    ASSERT_EQ(batch.Apply(doc.get()), 1); // dispatched; the batch then fails
    MCCommandMgr::EndUndo(doc.get());
    EXPECT_EQ(journal.Joined(), "state:501:10");
    EXPECT_EQ(Bytes(), before);
    EXPECT_EQ(doc->GetUndoCount(), 0);
    doc->RemoveStateHandlers();
}

} // namespace
} // namespace clavenor::test
