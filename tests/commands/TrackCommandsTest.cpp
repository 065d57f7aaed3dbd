// The track commands: staves and wave tracks inserted, copied with their content, renumbered
// and grouped; undo gives back the saved bytes of before and redo those of after; bad input
// is refused and a failing batch takes its tracks out again.

#include "support/FailingBatch.h"
#include "support/StaffScore.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace clavenor::test {
namespace {

int Notes(ECBase* measure) {
    int count = 0;
    for (ECBase* child : *measure->GetChildren()) {
        count += child->GetEventId() == EventId::Note ? 1 : 0;
    }
    return count;
}

class Tracks : public ::testing::Test {
protected:
    ECTrack* Staff(int number) const {
        return static_cast<ECTrack*>(conductor->GetTrack(ECConductor::KindStaff, number, 0));
    }
    static CCOrderTracks* Renumbering(ECTrack* track, int number) {
        auto* command = new CCOrderTracks;
        command->OrderTrack(track, number);
        return command;
    }

    StaffScore score{3, 4};
    ECConductor* conductor = score.Conductor();
};

TEST_F(Tracks, ThreeStavesAddedAtTwoTakeNumbersTwoToFour) {
    ECBase* oldSecond = conductor->GetTrack(ECConductor::KindStaff, 2, 0);
    auto* command = new CCAddTrack;
    command->AddMidiTrack(1, 3);
    command->SetInsertPosition(2);
    command->Ref();
    ASSERT_EQ(score.Run(command), 1);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(conductor->GetTrack(ECConductor::KindStaff, 2 + i, 0),
                  command->GetItems()[static_cast<std::size_t>(i)]->GetChild());
    }
    EXPECT_EQ(conductor->GetTrack(ECConductor::KindStaff, 5, 0), oldSecond);
    EXPECT_EQ(conductor->GetMaxTrackNumber(ECConductor::KindStaff), 6);
    command->Unref(1);
}

TEST_F(Tracks, UndoAndRedoOfTrackCommandsGiveBackTheSavedBytes) {
    {
        SCOPED_TRACE("staves and a wave track");
        auto* command = new CCAddTrack;
        command->AddMidiTrack(1, 2);
        command->AddWaveTrack(1);
        command->SetInsertPosition(1);
        score.RunAndReplay(command);
    }
    {
        SCOPED_TRACE("a copy of two staves");
        auto* command = new CCCopyTracks;
        command->CopyTrack(
            static_cast<ECTrack*>(conductor->GetTrack(ECConductor::KindStaff, 1, 0)));
        command->CopyTrack(
            static_cast<ECTrack*>(conductor->GetTrack(ECConductor::KindStaff, 3, 0)));
        score.RunAndReplay(command);
    }
    {
        SCOPED_TRACE("renumbering");
        auto* command = new CCOrderTracks;
        command->OrderTrack(
            static_cast<ECTrack*>(conductor->GetTrack(ECConductor::KindStaff, 1, 0)), 2);
        score.RunAndReplay(command);
    }
    {
        SCOPED_TRACE("grouping");
        auto* command = new CCGroupStaves;
        command->GroupStaves(1, 2, 0);
        score.RunAndReplay(command);
    }
}

// Inserting a staff moves every later staff, with all it holds, to a new number; the undo
// must give back each word as it was, also one that was unset or named another track than
// its staff (a renumbering can leave two staves on one number).
TEST_F(Tracks, UndoingAStaffInsertionGivesBackTheWordsOfTheStavesItMoved) {
    struct Case {
        const char* name;
        int position;
        bool withWave;
    };
    for (const Case& c :
         {Case{"a staff at 1", 1, false}, Case{"a staff at 2", 2, false},
          Case{"a staff and a wave track at 1", 1, true}, Case{"a staff appended", -1, false}}) {
        SCOPED_TRACE(c.name);
        StaffScore words{3, 2};
        ECConductor* table = words.Conductor();
        // A key with its word unset and a note naming a track beyond the staves.
        auto* key = new Counted<ECKey>(1, 0, 0);
        MCTime at(4.0f);
        key->SetTime(&at);
        ASSERT_NE(words.Bar(2, 2)->AddChild(key, 1), 0);
        ECNote* stray = words.NoteAt(3, 1, 0);
        stray->SetVoiceTrack(0, 9);
        // The last staff on a number past the others', which appending moves too.
        table->GetTrack(ECConductor::KindStaff, 3, 0)->SetVoiceTrack(14, 5);
        auto* command = new CCAddTrack;
        command->AddMidiTrack(1, 1);
        if (c.withWave) {
            command->AddWaveTrack(1);
        }
        command->SetInsertPosition(c.position);
        words.RunAndReplay(command);
        EXPECT_EQ(stray->GetTrack(), 9);
    }
}

TEST_F(Tracks, AStaffWithMoreMeasuresThanTheScoreLosesTheSurplus) {
    auto* staff = new ECStaff;
    for (int m = 0; m < 6; ++m) {
        ASSERT_EQ(staff->AddChild(NewBar(4.0f * static_cast<float>(m), 1), 1), 1);
    }
    ASSERT_EQ(score.Run(new CCAddTrack(staff, -1)), 1);
    int measures = 0;
    for (ECBase* child : *staff->GetChildren()) {
        measures += child->GetEventId() == EventId::Measure ? 1 : 0;
    }
    EXPECT_EQ(measures, 4);
}

TEST_F(Tracks, ACopiedStaffCarriesItsContentOnItsNewTrack) {
    auto* command = new CCCopyTracks;
    command->CopyTrack(static_cast<ECTrack*>(conductor->GetTrack(ECConductor::KindStaff, 2, 0)));
    command->Ref();
    ASSERT_EQ(score.Run(command), 1);
    EXPECT_EQ(conductor->GetMaxTrackNumber(ECConductor::KindStaff), 4);
    for (int m = 1; m <= 4; ++m) {
        ECMeasure* bar = score.Bar(4, m);
        EXPECT_EQ(Notes(bar), 2) << m;
        for (ECBase* child : *bar->GetChildren()) {
            EXPECT_EQ(child->GetTrack(), 4) << m;
        }
    }
    EXPECT_EQ(command->GetMeasureCopies().GetCount(), 8);
    command->Unref(1);
}

// Elements with children of their own are copied whole; the redo copies the source anew and
// must save what the first copy saved, with every note inside its chord or tuplet again.
TEST_F(Tracks, TheRedoOfACopyGivesBackChordsAndTupletsWhole) {
    ECMeasure* bar = score.Bar(2, 2);
    auto* chord = new Counted<ECChord>;
    MCTime at(5.0f);
    chord->SetTime(&at);
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(chord->AddChild(NewNote(5.0f), 1), 1);
    }
    ASSERT_EQ(bar->AddChild(chord, 1), 1);
    auto* tuplet = new Counted<ECTuplet>;
    MCTime start(7.0f);
    tuplet->SetTime(&start);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(tuplet->AddChild(NewNote(7.0f + static_cast<float>(i) / 3), 1), 1);
    }
    ASSERT_EQ(bar->AddChild(tuplet, 1), 1);
    auto* command = new CCCopyTracks;
    command->CopyTrack(Staff(2));
    score.RunAndReplay(command);
}

// The entries after a copy name the copied elements: a redo must bring back those very
// elements, on the numbers they had, for the later redos to find them.
TEST_F(Tracks, RedoingACopyAndAMeasureInsertionAfterItGivesBackTheSavedBytes) {
    auto* copy = new CCCopyTracks;
    copy->CopyTrack(Staff(1));
    copy->CopyTrack(Staff(3));
    ASSERT_EQ(score.Run(copy), 1);
    ASSERT_EQ(score.Run(new CCAddMeasure(1, 1)), 1);
    const std::vector<std::uint8_t> after = score.Bytes();
    ASSERT_EQ(score.get()->Undo(2), 1);
    ASSERT_EQ(score.get()->Redo(2), 1);
    EXPECT_EQ(score.Bytes(), after);
}

TEST_F(Tracks, RenumberingATrackAndUndoingPutsItsElementsBack) {
    ECNote* note = score.NoteAt(1, 2, 0);
    auto* command = new CCOrderTracks;
    auto* first = static_cast<ECTrack*>(conductor->GetTrack(ECConductor::KindStaff, 1, 0));
    command->OrderTrack(first, 3);
    command->Ref();
    EXPECT_EQ(command->GetOldTrackNum(first), 1);
    EXPECT_EQ(command->GetNewTrackNum(first), 3);
    EXPECT_EQ(command->GetNewTrackNum(1), 3);
    EXPECT_EQ(command->GetNewTrackNum(2), -1);
    ASSERT_EQ(score.Run(command), 1);
    EXPECT_EQ(note->GetTrack(), 3);
    ASSERT_EQ(score.get()->Undo(1), 1);
    EXPECT_EQ(note->GetTrack(), 1);
    command->Unref(1);
}

// Staves may share a number for a while (a host renumbers one track at a time). The tables
// then hold an order the numbers alone do not give, and the undo must bring it back.
TEST_F(Tracks, RenumberingStavesThatShareANumberUndoesToTheSavedBytes) {
    ECTrack* third = Staff(3);
    ASSERT_EQ(score.Run(Renumbering(third, 2)), 1); // staves 1, 2, 2
    score.RunAndReplay(Renumbering(third, 1));      // ordered 1, 1, 2 and back
    EXPECT_EQ(Staff(3), third);
}

// Every conductor measure holds the measure of the staff at the same slot of the staff table;
// a load refuses a map that does not. Measures made while staves shared a number carry
// their slot's number, not their staff's, so the map must follow the table as it is
// ordered, not sort itself by its own numbers.
TEST_F(Tracks, RenumberingKeepsTheMeasureMapWithTheStaffTable) {
    ECTrack* first = Staff(1);
    ASSERT_EQ(score.Run(Renumbering(Staff(3), 1)), 1); // staves 1, 1, 2
    ASSERT_EQ(score.Run(new CCAddMeasure(1, -1)), 1);
    const std::vector<std::uint8_t> before = score.Bytes();
    ASSERT_EQ(score.Run(Renumbering(first, 3)), 1);
    for (int staff = 1; staff <= 3; ++staff) {
        for (int number = 1; number <= 5; ++number) {
            EXPECT_NE(score.Bar(staff, number)->GetParents()->Find(Staff(staff)), nullptr)
                << "staff " << staff << ", measure " << number;
        }
    }
    const std::vector<std::uint8_t> after = score.Bytes();
    std::unique_ptr<ECPerformance> loaded(
        fuzz::Load(after.data(), after.size(), ECPerformance::WriteVersion));
    EXPECT_EQ(fuzz::Save(loaded.get()), after);
    ASSERT_EQ(score.get()->Undo(1), 1);
    EXPECT_EQ(score.Bytes(), before);
}

TEST_F(Tracks, UngroupingAndUndoingBringsTheGroupBack) {
    MCGroup& table = score.Track0()->GetGroup();
    int id = -1;
    ASSERT_EQ(table.GroupTracks(1, 3, 0, id), 1);
    const std::vector<std::uint8_t> grouped = score.Bytes();
    auto* command = new CCGroupStaves;
    command->UngroupStaves(id);
    command->Ref();
    ASSERT_EQ(score.Run(command), 1);
    EXPECT_EQ(command->GetFirstStaff(), 1);
    EXPECT_EQ(command->GetLastStaff(), 3);
    EXPECT_EQ(command->GetGroupType(), 0);
    ASSERT_NE(score.Bytes(), grouped);
    ASSERT_EQ(score.get()->Undo(1), 1);
    int first = 0;
    int last = 0;
    int kind = 0;
    ASSERT_EQ(table.GetGroupInfo(id, first, last, kind), 1);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(last, 3);
    EXPECT_EQ(kind, 0);
    EXPECT_EQ(score.Bytes(), grouped);
    command->Unref(1);
}

TEST_F(Tracks, BadInputIsRefusedAndChangesNothing) {
    StaffScore other(1, 1);
    const std::vector<std::uint8_t> before = score.Bytes();
    EXPECT_EQ(CCRemoveTrack().Remove(score.Bar(1, 1)), nullptr);
    std::vector<std::pair<const char*, CCBase*>> refused;
    auto* copy = new CCCopyTracks;
    copy->CopyTrack(
        static_cast<ECTrack*>(other.Conductor()->GetTrack(ECConductor::KindStaff, 1, 0)));
    refused.emplace_back("a copy of another document's staff", copy);
    auto* order = new CCOrderTracks;
    order->OrderTrack(
        static_cast<ECTrack*>(other.Conductor()->GetTrack(ECConductor::KindStaff, 1, 0)), 2);
    refused.emplace_back("renumbering another document's staff", order);
    auto* outOfRange = new CCOrderTracks;
    outOfRange->OrderTrack(static_cast<ECTrack*>(conductor->GetTrack(ECConductor::KindStaff, 1, 0)),
                           4000);
    refused.emplace_back("a number out of range", outOfRange);
    auto* ungroup = new CCGroupStaves;
    ungroup->UngroupStaves(77);
    refused.emplace_back("ungrouping a group that does not exist", ungroup);
    for (auto& [what, command] : refused) {
        EXPECT_EQ(score.Run(command), 0) << what;
        EXPECT_EQ(score.Bytes(), before) << what;
    }
}

TEST_F(Tracks, AFailingBatchTakesItsTracksOutAgain) {
    const std::vector<std::uint8_t> before = score.Bytes();
    auto* list = new MCCommandList;
    auto* add = new CCAddTrack;
    add->AddMidiTrack(1, 2);
    add->SetInsertPosition(2);
    ASSERT_NE(list->AddTail(add), nullptr);
    auto* group = new CCGroupStaves;
    group->GroupStaves(1, 4, 0);
    ASSERT_NE(list->AddTail(group), nullptr);
    auto* remove =
        new CCRemoveTrack(static_cast<ECTrack*>(conductor->GetTrack(ECConductor::KindStaff, 3, 0)));
    ASSERT_NE(list->AddTail(remove), nullptr);
    auto* ungroup = new CCGroupStaves;
    ungroup->UngroupStaves(77);
    ASSERT_NE(list->AddTail(ungroup), nullptr);
    list->SetSynchronous(1);
    {
        MCCommandMgr::FailureWatch watch(score.get()->GetCommandMgr());
        EXPECT_EQ(list->Apply(score.get()), 1); // dispatched; the batch then fails
        EXPECT_EQ(watch.GetFailures(), 1);
    }
    delete list;
    EXPECT_EQ(score.Bytes(), before);
}

// A score of three staves with a wave track, and the removals to take back.
class RemovedTracks : public Tracks {
protected:
    void SetUp() override {
        auto* add = new CCAddTrack;
        add->AddWaveTrack(2);
        ASSERT_EQ(score.Run(add), 1);
        auto* group = new CCGroupStaves;
        group->GroupStaves(2, 3, 1);
        ASSERT_EQ(score.Run(group), 1);
        score.get()->ClearUndo();
    }
    ECTrack* Wave(int number) const {
        return static_cast<ECTrack*>(conductor->GetTrack(ECConductor::KindWaveTrack, number, 0));
    }

    struct Case {
        const char* what;
        std::function<CCRemoveTrack*()> make;
    };
    std::vector<Case> Cases() {
        return {
            {"the middle staff", [this] { return new CCRemoveTrack(Staff(2)); }},
            {"the first wave track", [this] { return new CCRemoveTrack(Wave(1)); }},
            {"a wave track and two staves",
             [this] {
                 auto* remove = new CCRemoveTrack(Wave(2));
                 EXPECT_NE(remove->Remove(Staff(1)), nullptr);
                 EXPECT_NE(remove->Remove(Staff(3)), nullptr);
                 return remove;
             }},
        };
    }
};

// Regression: a failed batch put removed tracks back through the conductor's insertion,
// which needs memory that a batch failing for want of it may not have.
TEST_F(RemovedTracks, AFailedBatchPutsThemBackExactlyWithoutMemory) {
    const std::vector<std::uint8_t> before = score.Bytes();
    for (const Case& c : Cases()) {
        Allocated allocated;
        EXPECT_EQ(ApplyFailing(score.get(), c.make(), allocated), 1) << c.what;
        EXPECT_EQ(allocated.reverted, allocated.refused) << c.what << ": the revert allocated";
        EXPECT_EQ(score.Bytes(), before) << c.what;
        EXPECT_EQ(score.get()->GetUndoCount(), 0) << c.what;
    }
}

// Whichever allocation fails, in Process or on the way back, the batch fails and every
// byte comes back.
TEST_F(RemovedTracks, AFailedAllocationAnywhereLeavesTheDocumentAsItWas) {
    const std::vector<std::uint8_t> before = score.Bytes();
    for (const Case& c : Cases()) {
        const int failures =
            ForEachFailingBatchAllocation(score.get(), c.make, [&](std::int64_t n) {
                ASSERT_EQ(score.Bytes(), before) << c.what << ", allocation " << n << " failing";
            });
        EXPECT_GT(failures, 0) << c.what;
    }
}

} // namespace
} // namespace clavenor::test
