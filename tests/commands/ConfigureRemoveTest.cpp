// Removal planning: a selection becomes the commands that delete it, one generic removal for
// ordinary elements, one command each for keys, clefs, meters and envelope marks, an edit that
// empties a track's name, nothing for the score's structure, and the list so made removes the
// selection and undoes exactly.

#include "support/Score.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace clavenor::test {
namespace {

class RemovalPlanning : public ::testing::Test {
protected:
    RemovalPlanning() {
        conductor = static_cast<ECConductor*>(doc->GetChildren()->GetHead());
        staff = static_cast<ECStaff*>(conductor->GetTrack(ECConductor::KindStaff, 1, 0));
    }
    ~RemovalPlanning() override {
        // The lists hold references; the document goes whole, with what they name.
        selection.RemoveAll();
        commands.RemoveAll();
        doc.reset();
        MCCommandMgr::OnIdle();
    }

    ECMeasure* Bar(int number) { return conductor->GetMeasure(1, number); }
    template <class T>
    T* Put(T* element, int bar, float offset = 0.0f) {
        SetSeconds(element, Bar(bar)->GetTime()->GetSeconds() + offset);
        EXPECT_EQ(Bar(bar)->AddChild(element, 1), 1);
        return element;
    }
    // The ids of the commands in `list`, in order.
    static std::vector<int> Ids(const MCCommandList& list) {
        std::vector<int> ids;
        for (CCBase* command : list) {
            ids.push_back(command->GetCommandId());
        }
        return ids;
    }

    std::unique_ptr<ECPerformance> doc{fuzz::MakeScoreDocument()};
    ECConductor* conductor = nullptr;
    ECStaff* staff = nullptr;
    MCEventList selection{10};
    MCCommandList commands{10};
};

TEST_F(RemovalPlanning, NoSelectionOrOnlyTheScoresStructureYieldsNothing) {
    ASSERT_NE(commands.AddTail(new CCAdd), nullptr);
    EXPECT_EQ(ConfigureRemove(nullptr, &commands), 0);
    EXPECT_EQ(commands.GetCount(), 1);
    commands.RemoveAll();
    for (ECBase* element : std::initializer_list<ECBase*>{
             Bar(1), Put(new ECBarline, 2), staff, conductor->GetConductorStaff(), doc.get()}) {
        ASSERT_NE(selection.AddTail(element), nullptr);
    }
    EXPECT_EQ(ConfigureRemove(&selection, &commands), 0);
    EXPECT_TRUE(commands.IsEmpty());
}

TEST_F(RemovalPlanning, KeysClefsAndMetersAtTimeZeroStayAndLaterOnesGetACommandEach) {
    for (ECBase* element : std::initializer_list<ECBase*>{
             Put(new ECKey(2, 0, 0), 1), Put(new ECClef(0), 1), Put(new ECKey(3, 0, 0), 2),
             Put(new ECClef(2), 3), Put(new ECKey(1, 0, 0), 1, 0.001f)}) {
        ASSERT_NE(selection.AddTail(element), nullptr);
    }
    ASSERT_NE(selection.AddTail(conductor->GetConductorStaff()->GetMeterEnv()->GetPointAtIndex(0)),
              nullptr);
    ASSERT_NE(selection.AddTail(conductor->GetConductorStaff()->GetMeterEnv()->GetPointAtIndex(1)),
              nullptr);
    EXPECT_EQ(ConfigureRemove(&selection, &commands), 1);
    EXPECT_EQ(Ids(commands), (std::vector<int>{39, 37, 39, 41}));
}

TEST_F(RemovalPlanning, OrdinaryElementsShareOneRemovalAndANoteGoesWithItsChord) {
    std::vector<ECBase*> notes;
    for (float offset : {0.0f, 0.5f, 1.0f}) {
        notes.push_back(Put(NewNote(0.0f), 2, offset));
    }
    ECBase* rest = Put(new ECRest(8), 2, 2.0f);
    ECChord* chord = Put(NewChord(0.0f, 2), 3);
    for (ECBase* element : notes) {
        ASSERT_NE(selection.AddTail(element), nullptr);
    }
    ASSERT_NE(selection.AddTail(chord->GetChildren()->GetHead()), nullptr);
    ASSERT_NE(selection.AddTail(rest), nullptr);
    ASSERT_NE(selection.AddTail(chord), nullptr);
    ASSERT_NE(commands.AddTail(new CCAddKey), nullptr);
    ASSERT_EQ(ConfigureRemove(&selection, &commands), 1);
    ASSERT_EQ(Ids(commands), (std::vector<int>{4, 36}));
    auto* removal = static_cast<CCRemove*>(commands.GetTail());
    MCEventList removed;
    removal->GetRemoveEvents(removed);
    EXPECT_EQ(Items(&removed), (std::vector<ECBase*>{notes[0], notes[1], notes[2], rest, chord}));

    // A removal already in the list takes the next selection's elements.
    MCEventList more;
    ASSERT_NE(more.AddTail(Put(NewNote(0.0f), 4)), nullptr);
    EXPECT_EQ(ConfigureRemove(&more, &commands), 1);
    EXPECT_EQ(commands.GetCount(), 2);
    EXPECT_EQ(removal->GetItems().size(), 6u);
}

TEST_F(RemovalPlanning, EnvelopeMarksGetACommandEachAndTheListRemovesAndUndoesExactly) {
    ECTempoEnv* tempi = conductor->GetConductorStaff()->GetTempoEnv();
    ASSERT_NE(selection.AddTail(tempi->GetPointAtIndex(1)), nullptr);
    ASSERT_NE(selection.AddTail(Put(NewNote(0.0f), 2, 0.25f)), nullptr);
    ASSERT_NE(selection.AddTail(tempi->GetPointAtIndex(3)), nullptr);
    ASSERT_NE(selection.AddTail(Put(new ECText(3, CString("Flute")), 2)), nullptr);
    const std::vector<std::uint8_t> before = fuzz::Save(doc.get());
    ASSERT_EQ(ConfigureRemove(&selection, &commands), 1);
    EXPECT_EQ(Ids(commands), (std::vector<int>{38, 36, 38, 21}));
    commands.SetSynchronous(1);
    MCCommandMgr::BeginUndo(doc.get(), CString("delete"));
    ASSERT_EQ(commands.Apply(doc.get()), 1);
    MCCommandMgr::EndUndo(doc.get());
    EXPECT_EQ(tempi->GetPointCount(), 3);
    const std::vector<std::uint8_t> after = fuzz::Save(doc.get());
    ASSERT_EQ(doc->Undo(1), 1);
    EXPECT_EQ(fuzz::Save(doc.get()), before);
    ASSERT_EQ(doc->Redo(1), 1);
    EXPECT_EQ(fuzz::Save(doc.get()), after);
}

TEST_F(RemovalPlanning, ATrackNameIsEmptiedNotRemovedAndComesBackOnUndo) {
    auto* name = new ECText(3, CString("Flute"));
    SetSeconds(name, 0.0f);
    ASSERT_EQ(staff->AddChild(name, 1), 1);
    auto* remark = new ECText(0, CString("dolce"));
    SetSeconds(remark, 0.0f);
    ASSERT_EQ(staff->AddChild(remark, 1), 1);
    ASSERT_NE(selection.AddTail(name), nullptr);
    ASSERT_NE(selection.AddTail(remark), nullptr);
    // An edit already in the list takes the name, as the removal takes the remark.
    auto* edit = new CCEdit;
    ASSERT_NE(commands.AddTail(edit), nullptr);
    const std::vector<std::uint8_t> before = fuzz::Save(doc.get());
    ASSERT_EQ(ConfigureRemove(&selection, &commands), 1);
    ASSERT_EQ(Ids(commands), (std::vector<int>{21, 36}));
    ASSERT_EQ(edit->GetItemCount(), 1);
    EXPECT_EQ(edit->GetItem(0)->GetEvent(), name);
    EXPECT_EQ(static_cast<ECText*>(edit->GetItem(0)->GetEditCopy())->GetText(), CString());
    EXPECT_EQ(name->GetText(), CString("Flute")) << "planning changes nothing";

    commands.SetSynchronous(1);
    MCCommandMgr::BeginUndo(doc.get(), CString("delete"));
    ASSERT_EQ(commands.Apply(doc.get()), 1);
    MCCommandMgr::EndUndo(doc.get());
    EXPECT_EQ(name->GetText(), CString());
    EXPECT_EQ(name->GetTextType(), 3);
    EXPECT_TRUE(staff->GetChildren()->Find(name) != nullptr);
    EXPECT_EQ(remark->GetAncestor(EventId::Performance, -1), nullptr);
    ASSERT_EQ(doc->Undo(1), 1);
    EXPECT_EQ(name->GetText(), CString("Flute"));
    EXPECT_EQ(fuzz::Save(doc.get()), before);
}

TEST_F(RemovalPlanning, ASelectionSpanningTwoDocumentsOrNoneIsRefused) {
    std::unique_ptr<ECPerformance> other{fuzz::MakeScoreDocument()};
    auto* otherConductor = static_cast<ECConductor*>(other->GetChildren()->GetHead());
    ASSERT_NE(selection.AddTail(Put(NewNote(0.0f), 2)), nullptr);
    ASSERT_NE(selection.AddTail(otherConductor->GetMeasure(1, 2)->GetChildren()->GetHead()),
              nullptr);
    EXPECT_EQ(ConfigureRemove(&selection, &commands), 0);
    EXPECT_TRUE(commands.IsEmpty());
    MCEventList loose;
    auto* note = NewNote(0.0f);
    ASSERT_NE(loose.AddTail(note), nullptr);
    EXPECT_EQ(ConfigureRemove(&loose, &commands), 0);
    EXPECT_TRUE(commands.IsEmpty());
    EXPECT_EQ(ConfigureRemove(&loose, nullptr), 0);
}

} // namespace
} // namespace clavenor::test
