// The key and clef commands: a new key or clef replaces the one at its time and makes an
// equal follower of the same hand redundant; removing one takes an equal follower of the one
// before with it; undo gives back the saved bytes of before and redo those of after.

#include "support/Score.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace clavenor::test {
namespace {

bool InMeasure(ECBase* element) { return element->GetParents()->GetCount() > 0; }

// The score of the measure commands' tests (ten measures on two staves), with keys and
// clefs for both hands on staff 1.
class MarkCommands : public ::testing::Test {
protected:
    MarkCommands() {
        conductor = static_cast<ECConductor*>(doc->GetChildren()->GetHead());
        staff = static_cast<ECStaff*>(conductor->GetTrack(ECConductor::KindStaff, 1, 0));
    }
    ~MarkCommands() override {
        doc.reset();
        MCCommandMgr::OnIdle();
    }

    ECKey* PutKey(int bar, std::uint8_t sharps, std::uint8_t hand = 0) {
        auto* key = new ECKey(sharps, 0, 0);
        key->SetHand(hand);
        Place(key, bar);
        return key;
    }
    ECClef* PutClef(int bar, std::uint8_t type, std::uint8_t hand = 0) {
        auto* clef = new ECClef(type);
        clef->SetHand(hand);
        Place(clef, bar);
        return clef;
    }
    // A key or clef not yet in the score, at the start of measure `bar`.
    template <class T>
    T* At(T* element, int bar) {
        element->SetTime(Bar(bar)->GetTime());
        element->SetVoiceTrack(0, 1);
        return element;
    }
    ECMeasure* Bar(int number) { return conductor->GetMeasure(1, number); }
    std::vector<std::uint8_t> Bytes() { return fuzz::Save(doc.get()); }
    void Do(CCBase* command) { Edit(doc.get(), command); }

    // Runs `command`, then checks that undo and redo give back the bytes of before and after,
    // twice over, and that the bytes of after load and save again unchanged.
    void ExpectExactUndo(CCBase* command) {
        const std::vector<std::uint8_t> before = Bytes();
        Do(command);
        const std::vector<std::uint8_t> after = Bytes();
        EXPECT_NE(after, before);
        for (int round = 0; round < 2; ++round) {
            ASSERT_EQ(doc->Undo(1), 1);
            EXPECT_EQ(Bytes(), before);
            ASSERT_EQ(doc->Redo(1), 1);
            EXPECT_EQ(Bytes(), after);
        }
        std::unique_ptr<ECPerformance> loaded(
            fuzz::Load(after.data(), after.size(), ECPerformance::WriteVersion));
        EXPECT_EQ(fuzz::Save(loaded.get()), after);
    }

    std::unique_ptr<ECPerformance> doc{fuzz::MakeScoreDocument()};
    ECConductor* conductor = nullptr;
    ECStaff* staff = nullptr;

private:
    void Place(ECWithTime* element, int bar) {
        At(element, bar);
        EXPECT_EQ(Bar(bar)->AddChild(element, 1), 1);
    }
};

TEST_F(MarkCommands, AKeyEqualToTheNextOfItsHandMakesThatOneRedundant) {
    ECKey* opening = PutKey(1, 0);
    ECKey* next = PutKey(5, 2);
    ECKey* other = PutKey(5, 2, 1);
    auto* added = At(new ECKey(2, 0, 0), 3);
    auto* command = new CCAddKey(added, Bar(3));
    command->Ref();
    Do(command);
    EXPECT_EQ(command->GetKey(1), opening);
    EXPECT_EQ(command->GetKeyInfo(1)->GetRemove(), 0);
    EXPECT_EQ(command->GetKey(2), next);
    EXPECT_EQ(command->GetKeyInfo(2)->GetRemove(), 1);
    EXPECT_FALSE(InMeasure(next));
    EXPECT_TRUE(InMeasure(other));
    EXPECT_EQ(staff->GetKeyAtTime(*Bar(6)->GetTime(), 0), added);
    ASSERT_EQ(doc->Undo(1), 1);
    EXPECT_TRUE(InMeasure(next));
    EXPECT_FALSE(InMeasure(added));
    EXPECT_EQ(staff->GetKeyAtTime(*Bar(6)->GetTime(), 0), next);
    command->Unref(1);
}

TEST_F(MarkCommands, AKeyAtTheTimeOfOneOfItsHandReplacesItAndLeavesTheOtherHand) {
    PutKey(1, 0);
    ECKey* replaced = PutKey(3, 1);
    ECKey* other = PutKey(3, 1, 1);
    auto* added = At(new ECKey(4, 0, 0), 3);
    Do(new CCAddKey(added, Bar(3)));
    EXPECT_FALSE(InMeasure(replaced));
    EXPECT_TRUE(InMeasure(other));
    EXPECT_EQ(staff->GetKeyAtTime(*Bar(3)->GetTime(), 0), added);
    EXPECT_EQ(staff->GetKeyAtTime(*Bar(3)->GetTime(), 1), other);
}

TEST_F(MarkCommands, RemovingAKeyBetweenEqualOnesRemovesTheOneAfterToo) {
    PutKey(1, 3);
    ECKey* middle = PutKey(4, 1);
    ECKey* after = PutKey(7, 3);
    ECKey* later = PutKey(9, 5);
    Do(new CCRemoveKey(middle));
    EXPECT_FALSE(InMeasure(middle));
    EXPECT_FALSE(InMeasure(after));
    EXPECT_TRUE(InMeasure(later));
}

TEST_F(MarkCommands, RemovingTheFirstKeyKeepsTheNext) {
    ECKey* first = PutKey(1, 3);
    ECKey* next = PutKey(4, 3);
    Do(new CCRemoveKey(first));
    EXPECT_FALSE(InMeasure(first));
    EXPECT_TRUE(InMeasure(next));
}

TEST_F(MarkCommands, ClefsReplaceAndDropRedundantFollowersAsKeysDo) {
    PutClef(1, 0);
    ECClef* replaced = PutClef(2, 1);
    ECClef* follower = PutClef(6, 3);
    ECClef* other = PutClef(6, 3, 1);
    auto* added = At(new ECClef(3), 2);
    Do(new CCAddClef(added, Bar(2)));
    EXPECT_FALSE(InMeasure(replaced));
    EXPECT_FALSE(InMeasure(follower));
    EXPECT_TRUE(InMeasure(other));
    EXPECT_EQ(staff->GetClefAtTime(*Bar(8)->GetTime(), 0), added);
}

TEST_F(MarkCommands, UndoAndRedoGiveBackTheSavedBytes) {
    PutKey(1, 0);
    PutKey(1, 0, 1);
    PutKey(4, 2);
    PutKey(6, 2);
    ECKey* last = PutKey(8, 0);
    PutClef(1, 0);
    ECClef* bass = PutClef(3, 2);
    PutClef(5, 0);
    PutClef(7, 2);
    {
        SCOPED_TRACE("a key replacing one and dropping its follower");
        ExpectExactUndo(new CCAddKey(At(new ECKey(2, 0, 0), 4), Bar(4)));
    }
    {
        SCOPED_TRACE("a key of the other hand");
        ExpectExactUndo(new CCAddKey(At(new ECKey(0, 3, 1), 2), Bar(2)));
    }
    {
        SCOPED_TRACE("removing a clef");
        ExpectExactUndo(new CCRemoveClef(PutClef(6, 0)));
    }
    {
        SCOPED_TRACE("removing the clef that made one redundant");
        ExpectExactUndo(new CCRemoveClef(bass));
    }
    {
        SCOPED_TRACE("a clef at the end");
        ExpectExactUndo(new CCAddClef(At(new ECClef(4), 10), Bar(10)));
    }
    {
        SCOPED_TRACE("removing the last key");
        ExpectExactUndo(new CCRemoveKey(last));
    }
}

TEST_F(MarkCommands, MirrorsOfARemovedKeyStopShowingItAndComeBackWithTheUndo) {
    PutKey(1, 0);
    ECKey* key = PutKey(4, 2);
    auto* mirror = new ECMirror;
    mirror->SetMirrorEvent(key, 1);
    mirror->SetTime(key->GetTime());
    mirror->SetVoiceTrack(0, 2);
    ASSERT_EQ(conductor->GetMeasure(2, 4)->AddChild(mirror, 1), 1);
    ExpectExactUndo(new CCRemoveKey(key));
    EXPECT_EQ(mirror->GetMirrorEvent(), nullptr);
    ASSERT_EQ(doc->Undo(1), 1);
    EXPECT_EQ(mirror->GetMirrorEvent(), key);
}

TEST_F(MarkCommands, OneMarkPerCommand) {
    auto* first = new ECKey(1, 0, 0);
    auto* second = new ECKey(2, 0, 0);
    first->Ref();
    second->Ref();
    {
        CCAddKey add(first, Bar(1));
        EXPECT_EQ(add.Add(second, Bar(2), FCMidi::MidiNull()), nullptr);
        EXPECT_EQ(add.GetItems().size(), 1U);
    }
    {
        CCRemoveKey remove(first);
        EXPECT_EQ(remove.Remove(second), nullptr);
        CCAddClef clef;
        EXPECT_EQ(clef.Add(first, Bar(1), FCMidi::MidiNull()), nullptr);
    }
    first->Unref(1);
    second->Unref(1);
}

TEST_F(MarkCommands, AKeyForAMeasureUnderNoStaffFailsAndChangesNothing) {
    PutKey(1, 0);
    const std::vector<std::uint8_t> before = Bytes();
    auto* loose = new ECMeasure;
    loose->Ref();
    auto* key = new ECKey(1, 0, 0);
    key->Ref();
    Do(new CCAddKey(key, loose));
    EXPECT_EQ(Bytes(), before);
    EXPECT_FALSE(InMeasure(key));
    key->Unref(1);
    loose->Unref(1);
}

} // namespace
} // namespace clavenor::test
