// Material that commands take out of a document, or have not yet put in, stays whole while
// any command can still put it back, and is freed once none can.

#include "support/Score.h"

#include <gtest/gtest.h>

namespace clavenor::test {
namespace {

using RemovedMaterial = Score;

// Regression: the inverse removal that the undo of an add makes dismantled the measure when
// it was released, and the redo brought the measure back empty.
TEST_F(RemovedMaterial, UndoThenRedoOfAnAddBringsTheChildrenBackToo) {
    ECMeasure* bar = NewBar(4.0f, 2);
    ECNote* note = NewNote(0.0f);
    ASSERT_EQ(note->AddChild(new Counted<ECGraceNote>(MCTime(-0.125f), MCTime(0.125f)), 0), 1);
    auto* add = new CCAdd(bar, m_staff, FCMidi::MidiNull());
    add->Add(note, m_measure, FCMidi::MidiNull());
    Run(add);
    const std::vector<std::uint8_t> added = Bytes();
    ASSERT_EQ(m_doc->Undo(1), 1);
    ASSERT_EQ(m_doc->Redo(1), 1);
    EXPECT_EQ(bar->GetChildren()->GetCount(), 2);
    EXPECT_EQ(note->GetChildren()->GetCount(), 1);
    EXPECT_EQ(Bytes(), added);
}

// Regression: the first removal's entry, dropped by the second removal and freed at idle,
// dismantled the measure that the second entry puts back.
TEST_F(RemovedMaterial, AnEntryFreedAtIdleLeavesWhatALiveEntryPutsBack) {
    ECMeasure* bar = NewBar(4.0f, 2);
    ASSERT_EQ(m_staff->AddChild(bar, 1), 1);
    const std::vector<std::uint8_t> before = Bytes();
    Run(new CCRemove(bar), "remove");
    ASSERT_EQ(m_doc->Undo(1), 1);
    Run(new CCRemove(bar), "remove again");
    MCCommandMgr::OnIdle();
    ASSERT_EQ(m_doc->Undo(1), 1);
    EXPECT_EQ(bar->GetChildren()->GetCount(), 2);
    EXPECT_EQ(Bytes(), before);
}

// What an add put in and its undo took out again is freed with the last command that could
// put it back, children and all; so is what a removal took out.
TEST_F(RemovedMaterial, MaterialNoCommandCanPutBackIsFreed) {
    const int live = g_liveElements;
    Run(new CCAdd(NewBar(4.0f, 3), m_staff, FCMidi::MidiNull()));
    ECMeasure* removed = NewBar(8.0f, 2);
    ASSERT_EQ(m_staff->AddChild(removed, 1), 1);
    Run(new CCRemove(removed));
    EXPECT_EQ(g_liveElements, live + 4 + 3);
    ASSERT_EQ(m_doc->Undo(2), 1);
    Run(new CCAdd(NewNote(1.0f), m_measure, FCMidi::MidiNull()));
    MCCommandMgr::OnIdle();
    EXPECT_EQ(g_liveElements, live + 3 + 1) << "the undone add's measure and notes are gone";
    m_doc->ClearUndo();
    EXPECT_EQ(g_liveElements, live + 3 + 1) << "the removal was undone: its measure stays";
}

// A host's reference keeps the element alive but does not keep it whole; what another
// command still holds keeps its own children.
TEST_F(RemovedMaterial, AHostReferenceDoesNotCountButAnotherCommandDoes) {
    ECMeasure* bar = NewBar(4.0f, 2);
    ASSERT_EQ(m_staff->AddChild(bar, 1), 1);
    ECBase* kept = bar->GetChildren()->GetHead();
    ASSERT_EQ(kept->AddChild(new Counted<ECGraceNote>(MCTime(3.875f), MCTime(0.125f)), 0), 1);
    bar->Ref();
    // Never applied, but it could put the note into the document.
    auto* holder = new CCAdd(kept, m_measure, FCMidi::MidiNull());
    holder->Ref();
    const int live = g_liveElements;
    Run(new CCRemove(bar));
    m_doc->ClearUndo();
    EXPECT_TRUE(bar->GetChildren()->IsEmpty()) << "dismantled although the host holds it";
    EXPECT_EQ(g_liveElements, live - 1) << "the note no command held";
    EXPECT_EQ(kept->GetChildren()->GetCount(), 1) << "the note a command holds stays whole";
    EXPECT_TRUE(kept->GetParents()->IsEmpty());
    holder->Unref(1);
    EXPECT_EQ(g_liveElements, live - 3);
    bar->Unref(1);
    EXPECT_EQ(g_liveElements, live - 4);
}

} // namespace
} // namespace clavenor::test
