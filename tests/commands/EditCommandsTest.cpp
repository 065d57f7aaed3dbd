// The edit commands: values, records, filters, durations, times and links change in place;
// undo gives back the saved bytes of before and redo those of after; a time in another
// measure moves the element into it, and out of its chord or tuplet; bad input is refused
// with nothing changed, and a failing batch leaves the document as it was.

#include "support/StaffScore.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace clavenor::test {
namespace {

float Seconds(ECBase* element) { return element->GetTime()->GetSeconds(); }

ECBase* ParentOf(ECBase* element) { return element->GetParents()->GetHead(); }

ECNote* Member(ECBase* group, int index) {
    POSITION pos = group->GetChildren()->FindIndex(index);
    return static_cast<ECNote*>(group->GetChildren()->GetAt(pos));
}

// Two staves of eight measures; in measure 2 of staff 1 a chord of two notes at beat 1 and
// a 3:2 tuplet of three notes from beat 3.
class Edits : public ::testing::Test {
protected:
    Edits() {
        chord = NewChord(5.0f, 2);
        for (ECBase* note : *chord->GetChildren()) {
            note->SetVoiceTrack(0, 1);
        }
        EXPECT_EQ(score.Bar(1, 2)->AddChild(chord, 1), 1);
        tuplet = new ECTuplet(3, 2, 3);
        MCTime at(6.0f);
        tuplet->SetTime(&at);
        for (int i = 0; i < 3; ++i) {
            ECNote* note = NewNote(6.0f + 0.5f * static_cast<float>(i));
            note->SetVoiceTrack(0, 1);
            EXPECT_EQ(tuplet->AddChild(note, 1), 1);
        }
        EXPECT_EQ(score.Bar(1, 2)->AddChild(tuplet, 1), 1);
    }

    StaffScore score{2, 8};
    ECChord* chord = nullptr;
    ECTuplet* tuplet = nullptr;
};

// CCEditTime ------------------------------------------------------------------------------

TEST_F(Edits, ANoteMovedFromMeasureThreeToFiveLandsInMeasureFiveOfItsStaff) {
    ECNote* note = score.NoteAt(1, 3, 2);
    MCTime time(17.0f);
    auto* command = new CCEditTime(note, &time);
    command->Ref();
    ASSERT_EQ(score.Run(command), 1);
    EXPECT_EQ(ParentOf(note), score.Bar(1, 5));
    EXPECT_EQ(note->GetParents()->GetCount(), 1);
    EXPECT_EQ(Seconds(note), 17.0f);
    auto* item = static_cast<CCEditTimeItem*>(command->GetItem(0));
    EXPECT_EQ(item->GetOldTime().GetSeconds(), 10.0f);
    EXPECT_EQ(item->GetNewTime().GetSeconds(), 17.0f);
    EXPECT_EQ(item->GetTargetMeasure(), score.Bar(1, 5));
    // In time order among the measure's notes, at 16 and 18.
    EXPECT_EQ(Member(score.Bar(1, 5), 1), note);
    command->Unref(1);
}

TEST_F(Edits, UndoAndRedoOfTimeEditsGiveBackTheSavedBytes) {
    struct Case {
        const char* what;
        std::function<ECBase*()> element;
        float time;
    };
    const std::vector<Case> cases = {
        {"across measures", [&] { return score.NoteAt(2, 1, 0); }, 29.0f},
        {"within a measure", [&] { return score.NoteAt(1, 4, 0); }, 15.0f},
        {"a chord member within its measure", [&] { return Member(chord, 0); }, 7.5f},
        {"a chord member across measures", [&] { return Member(chord, 1); }, 1.0f},
        {"a tuplet member", [&] { return Member(tuplet, 1); }, 4.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MCTime time(c.time);
        score.RunAndReplay(new CCEditTime(c.element(), &time));
    }
}

TEST_F(Edits, AChordMemberMovedWithinItsMeasureLeavesTheChord) {
    ECNote* note = Member(chord, 0);
    MCTime time(7.5f);
    ASSERT_EQ(score.Run(new CCEditTime(note, &time)), 1);
    EXPECT_EQ(ParentOf(note), score.Bar(1, 2));
    EXPECT_EQ(chord->GetChildren()->GetCount(), 1);
    EXPECT_EQ(ParentOf(chord), score.Bar(1, 2));
}

TEST_F(Edits, AChordWhoseNotesAllLeaveLeavesItsMeasureAndComesBackOnUndo) {
    const std::vector<std::uint8_t> before = score.Bytes();
    auto* command = new CCEditTime;
    chord->Ref();
    for (ECBase* note :
         std::vector<ECBase*>(chord->GetChildren()->begin(), chord->GetChildren()->end())) {
        MCTime time(9.0f);
        command->EditTime(note, &time);
    }
    ASSERT_EQ(score.Run(command), 1);
    EXPECT_TRUE(chord->GetParents()->IsEmpty());
    EXPECT_EQ(score.Bar(1, 3)->GetChildren()->GetCount(), 4);
    ASSERT_EQ(score.get()->Undo(1), 1);
    EXPECT_EQ(score.Bytes(), before);
    EXPECT_EQ(chord->GetChildren()->GetCount(), 2);
    chord->Unref(1);
}

TEST_F(Edits, ATupletMemberGoesAloneIntoACopyOfItsTupletAtTheNewTime) {
    ECNote* note = Member(tuplet, 1);
    MCTime time(26.0f);
    ASSERT_EQ(score.Run(new CCEditTime(note, &time)), 1);
    auto* copy = dynamic_cast<ECTuplet*>(ParentOf(note));
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, tuplet);
    EXPECT_EQ(*copy, *tuplet);
    EXPECT_EQ(Seconds(copy), 26.0f);
    EXPECT_EQ(copy->GetChildren()->GetCount(), 1);
    EXPECT_EQ(ParentOf(copy), score.Bar(1, 7));
    EXPECT_EQ(tuplet->GetChildren()->GetCount(), 2);
}

TEST_F(Edits, ANoteMovedWithinItsMeasureIsSortedAmongItsSiblings) {
    ECNote* note = score.NoteAt(1, 4, 0);
    MCTime time(15.0f);
    ASSERT_EQ(score.Run(new CCEditTime(note, &time)), 1);
    EXPECT_EQ(ParentOf(note), score.Bar(1, 4));
    EXPECT_EQ(score.Bar(1, 4)->GetChildren()->GetTail(), note);
}

TEST_F(Edits, AGraceNoteKeepsItsParent) {
    ECNote* note = score.NoteAt(1, 1, 0);
    auto* grace = new ECGraceNote(MCTime(-0.25f), MCTime(0.125f));
    ASSERT_EQ(note->AddChild(grace, 1), 1);
    MCTime time(20.0f);
    ASSERT_EQ(score.Run(new CCEditTime(grace, &time)), 1);
    EXPECT_EQ(ParentOf(grace), note);
    EXPECT_EQ(Seconds(grace), 20.0f);
}

TEST_F(Edits, TimeEditsOutsideAnUndoGroupCaptureNoOldTimeButStillTakeBackExactly) {
    const std::vector<std::uint8_t> before = score.Bytes();
    MCTime time(30.0f);
    auto* command = new CCEditTime(Member(chord, 1), &time);
    command->Ref();
    command->SetSynchronous(1);
    ASSERT_EQ(command->Apply(score.get()), 1);
    EXPECT_EQ(static_cast<CCEditTimeItem*>(command->GetItem(0))->GetOldTime(), MCTime::TimeNull());
    command->Undo();
    EXPECT_EQ(score.Bytes(), before);
    command->Unref(1);
}

// What `cache` holds in force at every half beat of `measures` 4/4 measures, for both hands:
// the clef, then the key.
std::vector<ECBase*> InForce(MCStaffCache& cache, int measures) {
    std::vector<ECBase*> answers;
    for (int half = 0; half < 8 * measures; ++half) {
        const MCTime at(0.5f * static_cast<float>(half));
        for (std::uint8_t hand = 0; hand <= 1; ++hand) {
            answers.push_back(cache.GetClefAtTime(at, hand));
            answers.push_back(cache.GetKeyAtTime(at, hand));
        }
    }
    return answers;
}

// The staff's own cache answers as one built afresh from what the staff holds.
void ExpectCacheInStep(ECStaff* staff, int measures) {
    EXPECT_EQ(InForce(*staff->GetCache(), measures), InForce(*staff->BuildCache(), measures));
}

ECStaff* StaffOf(ECMeasure* measure) { return ECStaff::TrackingStaff(measure); }

template <class T>
T* Place(T* element, ECMeasure* measure, float time, int staff, std::uint8_t hand) {
    MCTime at(time);
    element->SetTime(&at);
    element->SetVoiceTrack(0, static_cast<std::uint16_t>(staff));
    element->SetHand(hand);
    EXPECT_EQ(measure->AddChild(element, 1), 1);
    return element;
}

TEST_F(Edits, AClefOrKeyMovedInTimeMovesInItsStaffsCacheAndBackOnUndo) {
    struct Case {
        const char* what;
        ECBase* element;
        std::function<ECBase*(const MCTime&)> inForce;
        float from;
        float to;
    };
    ECStaff* staff = StaffOf(score.Bar(1, 1));
    auto clef = [staff](std::uint8_t hand) {
        return [staff, hand](const MCTime& at) { return staff->GetClefAtTime(at, hand); };
    };
    auto key = [staff](std::uint8_t hand) {
        return [staff, hand](const MCTime& at) { return staff->GetKeyAtTime(at, hand); };
    };
    // Each in a slot of its own, so that the cases leave each other alone.
    const std::vector<Case> cases = {
        {"a clef across measures", Place(new ECClef(1), score.Bar(1, 2), 4.0f, 1, 0), clef(0), 4.0f,
         21.0f},
        {"a clef within its measure", Place(new ECClef(2), score.Bar(1, 3), 8.0f, 1, 1), clef(1),
         8.0f, 10.0f},
        {"a key across measures", Place(new ECKey(2, 0, 0), score.Bar(1, 2), 5.0f, 1, 0), key(0),
         5.0f, 26.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Between the old time and the new one, the element is in force only before the edit.
        const MCTime between(c.from + 0.5f);
        MCTime to(c.to);
        ASSERT_EQ(c.inForce(between), c.element);
        ASSERT_EQ(score.Run(new CCEditTime(c.element, &to)), 1);
        EXPECT_EQ(c.inForce(between), nullptr);
        EXPECT_EQ(c.inForce(to), c.element);
        ExpectCacheInStep(staff, 8);
        ASSERT_EQ(score.get()->Undo(1), 1);
        EXPECT_EQ(c.inForce(between), c.element);
        ExpectCacheInStep(staff, 8);
        ASSERT_EQ(score.get()->Redo(1), 1);
        EXPECT_EQ(c.inForce(between), nullptr);
        ExpectCacheInStep(staff, 8);
        ASSERT_EQ(score.get()->Undo(1), 1);
    }
}

TEST_F(Edits, MovingNotesLeavesEveryStaffsCacheAsItWas) {
    Place(new ECClef(1), score.Bar(1, 2), 4.0f, 1, 0);
    Place(new ECKey(3, 0, 0), score.Bar(1, 4), 13.0f, 1, 1);
    Place(new ECClef(2), score.Bar(2, 3), 9.0f, 2, 1);
    Place(new ECKey(0, 2, 0), score.Bar(2, 6), 20.0f, 2, 0);
    ECStaff* staves[] = {StaffOf(score.Bar(1, 1)), StaffOf(score.Bar(2, 1))};
    const std::vector<ECBase*> before[] = {InForce(*staves[0]->GetCache(), 8),
                                           InForce(*staves[1]->GetCache(), 8)};
    auto* command = new CCEditTime;
    // Across measures and past the clefs and keys, within a measure, out of a chord and a
    // tuplet.
    const std::vector<std::pair<ECBase*, float>> moves = {
        {score.NoteAt(1, 1, 0), 14.0f}, {score.NoteAt(1, 4, 2), 12.5f},
        {score.NoteAt(2, 3, 0), 10.0f}, {score.NoteAt(2, 5, 2), 3.0f},
        {Member(chord, 0), 9.0f},       {Member(tuplet, 2), 21.0f},
    };
    for (const auto& [element, time] : moves) {
        MCTime at(time);
        ASSERT_NE(command->EditTime(element, &at), nullptr);
    }
    ASSERT_EQ(score.Run(command), 1);
    const std::vector<std::pair<const char*, std::function<int()>>> phases = {
        {"applied", [] { return 1; }},
        {"undone", [&] { return score.get()->Undo(1); }},
        {"redone", [&] { return score.get()->Redo(1); }},
    };
    for (const auto& [phase, run] : phases) {
        ASSERT_EQ(run(), 1) << phase;
        for (int s = 0; s < 2; ++s) {
            SCOPED_TRACE(testing::Message() << phase << ", staff " << s + 1);
            EXPECT_EQ(InForce(*staves[s]->GetCache(), 8), before[s]);
            ExpectCacheInStep(staves[s], 8);
        }
    }
}

// CCEditDuration ---------------------------------------------------------------------------

TEST_F(Edits, DurationEditsChangeTheDurationAndUndoExactly) {
    ECNote* note = score.NoteAt(2, 3, 2);
    MCTime duration(0.5f);
    auto* command = new CCEditDuration(note, &duration);
    command->Ref();
    score.RunAndReplay(command);
    auto* item = static_cast<CCEditDurItem*>(command->GetItem(0));
    EXPECT_EQ(item->GetOldDuration().GetSeconds(), 1.0f);
    EXPECT_EQ(item->GetNewDuration().GetSeconds(), 0.5f);
    ASSERT_EQ(score.get()->Redo(1), 1);
    EXPECT_EQ(note->GetDuration()->GetSeconds(), 0.5f);
    command->Unref(1);
}

// CCEdit, CCEditData, CCEditFilter -----------------------------------------------------------

TEST_F(Edits, ValueEditsUndoToTheValuesBeforeAndRedoToTheEditedOnes) {
    auto* command = new CCEdit;
    static_cast<ECTuplet*>(command->EditEvent(tuplet)->GetEditCopy())->SetTuplet(5, 4, 4);
    EXPECT_EQ(command->EditEvent(tuplet), command->GetItem(0));
    command->Ref();
    score.RunAndReplay(command);
    EXPECT_EQ(tuplet->GetIrregular(), 3);
    ASSERT_EQ(score.get()->Redo(1), 1);
    EXPECT_EQ(tuplet->GetIrregular(), 5);
    EXPECT_EQ(tuplet->GetUnits(), 4);
    command->Unref(1);
}

TEST_F(Edits, AValueEditOutsideAnUndoGroupHasNothingToUndo) {
    auto* command = new CCEdit;
    static_cast<ECTuplet*>(command->EditEvent(tuplet)->GetEditCopy())->SetTuplet(7, 4, 3);
    command->Ref();
    command->SetSynchronous(1);
    ASSERT_EQ(command->Apply(score.get()), 1);
    EXPECT_EQ(command->GetItem(0)->GetUndoCopy(), nullptr);
    command->Undo();
    EXPECT_EQ(tuplet->GetIrregular(), 7);
    command->Unref(1);
}

TEST_F(Edits, RecordEditsUndoExactly) {
    ScopedDataPlugin plugin(RUNTIME_CLASS(DCNote), 1, EventId::Note);
    ECNote* note = score.NoteAt(1, 1, 2);
    auto* record = static_cast<DCNote*>(note->GetData(1, 1));
    ASSERT_NE(record, nullptr);
    record->SetPitch(60);
    auto* command = new CCEditData;
    EXPECT_EQ(command->EditEvent(note), nullptr);
    static_cast<DCNote*>(command->EditData(record, 1)->GetDataCopy())->SetPitch(67);
    command->Ref();
    score.RunAndReplay(command);
    EXPECT_EQ(record->GetPitch(), 60);
    EXPECT_EQ(static_cast<DCNote*>(static_cast<CCEditDataItem*>(command->GetItem(0))->GetOldData())
                  ->GetPitch(),
              60);
    command->Unref(1);
}

TEST_F(Edits, FilterEditsUndoToTheFilterBefore) {
    LCBase filter;
    filter.SetPriority(2);
    auto* command = new CCEditFilter;
    command->EditFilter(&filter)->GetFilterCopy()->SetPriority(9);
    ASSERT_EQ(score.Run(command), 1);
    EXPECT_EQ(filter.GetPriority(), 9);
    ASSERT_EQ(score.get()->Undo(1), 1);
    EXPECT_EQ(filter.GetPriority(), 2);
    ASSERT_EQ(score.get()->Redo(1), 1);
    EXPECT_EQ(filter.GetPriority(), 9);
    score.get()->ClearUndo();
}

// CCEditGraph -----------------------------------------------------------------------------

TEST_F(Edits, GraphEditsRelinkAndUndoToTheOldLinks) {
    ECNote* note = score.NoteAt(1, 2, 0);
    auto* command = new CCEditGraph;
    CCEditGraph::Items items;
    items.push_back(std::make_unique<CCEditGraphItem>(note));
    command->SetGraphItems(1, items);
    MCEventList none;
    items.clear();
    items.push_back(std::make_unique<CCEditGraphItem>(note, chord, none));
    command->SetGraphItems(0, items);
    score.RunAndReplay(command);
    ASSERT_EQ(score.get()->Redo(1), 1);
    EXPECT_EQ(ParentOf(note), chord);
    EXPECT_EQ(note->GetParents()->GetCount(), 1);
}

// Bad input --------------------------------------------------------------------------------

TEST_F(Edits, BadInputIsRefusedAndChangesNothing) {
    StaffScore other(1, 2);
    const std::vector<std::uint8_t> before = score.Bytes();
    MCTime time(6.0f);
    MCTime far(400.0f);
    EXPECT_EQ(CCEditTime().EditTime(nullptr, &time), nullptr);
    EXPECT_EQ(CCEditTime().EditTime(score.NoteAt(1, 1, 0), nullptr), nullptr);
    EXPECT_EQ(CCEdit().EditEvent(nullptr), nullptr);
    EXPECT_EQ(CCEditFilter().EditFilter(nullptr), nullptr);
    EXPECT_EQ(CCEditData().EditData(nullptr, 0), nullptr);

    std::vector<std::pair<const char*, CCBase*>> refused;
    refused.emplace_back("a note of another document",
                         new CCEditTime(other.NoteAt(1, 1, 0), &time));
    refused.emplace_back("a time past the last measure",
                         new CCEditTime(score.NoteAt(1, 1, 0), &far));
    auto* edit = new CCEdit;
    edit->EditEvent(other.NoteAt(1, 2, 0));
    refused.emplace_back("a value edit in another document", edit);
    MCTime half(0.5f);
    refused.emplace_back("a duration edit of an element without one",
                         new CCEditDuration(score.Bar(1, 1), &half));
    auto* cycle = new CCEditGraph;
    CCEditGraph::Items items;
    MCEventList none;
    items.push_back(
        std::make_unique<CCEditGraphItem>(score.Bar(1, 1), score.NoteAt(1, 1, 0), none));
    cycle->SetGraphItems(0, items);
    refused.emplace_back("a link that makes a cycle", cycle);
    for (auto& [what, command] : refused) {
        EXPECT_EQ(score.Run(command), 0) << what;
        EXPECT_EQ(score.Bytes(), before) << what;
    }
    EXPECT_EQ(score.get()->GetUndoCount(), 0);
}

TEST_F(Edits, AFailingCommandInABatchLeavesTheDocumentAsItWas) {
    const std::vector<std::uint8_t> before = score.Bytes();
    MCTime time(21.0f);
    MCTime duration(3.0f);
    auto* list = new MCCommandList;
    ASSERT_NE(list->AddTail(new CCEditTime(Member(chord, 0), &time)), nullptr);
    ASSERT_NE(list->AddTail(new CCEditDuration(score.NoteAt(2, 2, 0), &duration)), nullptr);
    auto* edit = new CCEdit;
    static_cast<ECTuplet*>(edit->EditEvent(tuplet)->GetEditCopy())->SetTuplet(5, 4, 3);
    ASSERT_NE(list->AddTail(edit), nullptr);
    // Fails in Process, after the others have changed the document.
    auto* cycle = new CCEditGraph;
    CCEditGraph::Items items;
    MCEventList none;
    items.push_back(
        std::make_unique<CCEditGraphItem>(score.Bar(1, 1), score.NoteAt(1, 1, 0), none));
    cycle->SetGraphItems(0, items);
    ASSERT_NE(list->AddTail(cycle), nullptr);
    list->SetSynchronous(1);
    MCCommandMgr::BeginUndo(score.get(), CString("batch"));
    {
        MCCommandMgr::FailureWatch watch(score.get()->GetCommandMgr());
        EXPECT_EQ(list->Apply(score.get()), 1); // dispatched; the batch then fails
        EXPECT_EQ(watch.GetFailures(), 1);
    }
    MCCommandMgr::EndUndo(score.get());
    delete list;
    EXPECT_EQ(score.Bytes(), before);
    EXPECT_EQ(score.get()->GetUndoCount(), 0);
}

} // namespace
} // namespace clavenor::test
