// Removing the members of ties, slurs, glissandi and beams with the remove command, in every
// order: each removal's undo gives back the bytes of before it, and redo those of after,
// lines that dissolved included; and what the undo of a chord or tuplet removal does not
// bring back.

#include "support/AllocationFailure.h"
#include "support/Score.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

namespace clavenor::test {
namespace {

// Measure 0 holds notes at 0, 1, 2 and 3 and a rest at 1.5, with a beam over the notes at 2
// and 3; measure 1 notes at 4, 5 and 6. A tie joins the notes at 0 and 1, a slur the note at
// 1, the rest and the notes at 2 and 3, a glissando and then a slur the notes at 5 and 6 (so
// that the line a note joined first stays when the later one dissolves). Lines carry times
// between their members', so that every list has one order by time.
class LineScore {
public:
    LineScore() {
        EXPECT_EQ(m_doc->GetChildren()->GetHead()->AddChild(m_staff, 1), 1);
        SetSeconds(m_measure, 0.0f);
        EXPECT_EQ(m_staff->AddChild(m_measure, 1), 1);
        for (float at : {1.0f, 2.0f, 3.0f}) {
            notes.push_back(Put(NewNote(at), m_measure, 1));
        }
        notes.insert(notes.begin(), Put(NewNote(0.0f), m_measure, 1));
        rest = Put(new Counted<ECRest>(11), nullptr);
        SetSeconds(rest, 1.5f);
        EXPECT_EQ(m_measure->AddChild(rest, 1), 1);
        second = NewBar(4.0f, 3);
        EXPECT_EQ(m_staff->AddChild(second, 1), 1);
        for (ECBase* note : Items(second->GetChildren())) {
            notes.push_back(static_cast<ECNote*>(note));
        }
        tie = Line(new Counted<ECTie>, 0.5f, m_staff, {notes[0], notes[1]});
        slur = Line(new Counted<ECSlur>, 1.25f, m_staff, {notes[1], rest, notes[2], notes[3]});
        beam = Line(new Counted<ECBeam>, 2.5f, m_measure, {notes[2], notes[3]});
        glissando = Line(new Counted<ECGlissando>, 5.5f, m_staff, {notes[5], notes[6]});
        phrase = Line(new Counted<ECSlur>, 5.75f, m_staff, {notes[5], notes[6]});
    }

    template <class T>
    T* Line(T* line, float time, ECBase* parent, std::initializer_list<ECBase*> members) {
        SetSeconds(line, time);
        for (ECBase* member : members) {
            EXPECT_EQ(line->AddChild(member, 1), 1);
        }
        EXPECT_EQ(parent->AddChild(line, 1), 1);
        return line;
    }

    void Apply(CCBase* command, const char* name = "edit") { Edit(m_doc.get(), command, name); }
    std::vector<std::uint8_t> Bytes() { return fuzz::Save(m_doc.get()); }

    Document m_doc;
    ECStaff* m_staff = new ECStaff;
    ECMeasure* m_measure = new ECMeasure;
    std::vector<ECNote*> notes;
    ECRest* rest = nullptr;
    ECMeasure* second = nullptr;
    ECTie* tie = nullptr;
    ECSlur* slur = nullptr;
    ECBeam* beam = nullptr;
    ECGlissando* glissando = nullptr;
    ECSlur* phrase = nullptr;
};

class LineUndo : public ::testing::Test, public LineScore {};

TEST_F(LineUndo, EveryOrderOfRemovalUndoesAndRedoesToTheSameBytes) {
    const std::vector<std::uint8_t> original = Bytes();
    std::array<int, 6> order{0, 1, 2, 3, 4, 5};
    // The members to remove, by position in `order`: notes 0 to 3, the rest, note 5.
    int orders = 0;
    MCCommandMgr::OnIdle();
    const std::int64_t live = LiveAllocations();
    do {
        {
            LineScore fresh;
            auto pick = [&](int k) -> ECBase* {
                return k == 4 ? static_cast<ECBase*>(fresh.rest) : fresh.notes[k == 5 ? 5 : k];
            };
            std::vector<std::vector<std::uint8_t>> states{fresh.Bytes()};
            ASSERT_EQ(states[0], original);
            for (int k : order) {
                fresh.Apply(new CCRemove(pick(k)), "remove");
                states.push_back(fresh.Bytes());
            }
            for (std::size_t i = states.size() - 1; i > 0; --i) {
                ASSERT_EQ(fresh.m_doc->Undo(1), 1);
                ASSERT_EQ(fresh.Bytes(), states[i - 1])
                    << "undo of step " << i << ", order " << orders;
            }
            for (std::size_t i = 1; i < states.size(); ++i) {
                ASSERT_EQ(fresh.m_doc->Redo(1), 1);
                ASSERT_EQ(fresh.Bytes(), states[i]) << "redo of step " << i << ", order " << orders;
            }
        }
        // What the commands held goes with the document and its history.
        MCCommandMgr::OnIdle();
        ASSERT_EQ(LiveAllocations(), live) << "order " << orders;
        ++orders;
    } while (std::next_permutation(order.begin(), order.end()));
    EXPECT_EQ(orders, 720);
}

TEST_F(LineUndo, DissolvedLinesLeaveTheDocumentAndComeBackWhole) {
    const std::vector<std::uint8_t> original = Bytes();
    // One command takes both tied notes and the rest; another the beamed notes.
    auto* first = new CCRemove(notes[0]);
    first->Remove(notes[1]);
    first->Remove(rest);
    Apply(first);
    EXPECT_TRUE(tie->GetParents()->IsEmpty());
    EXPECT_EQ(Items(slur->GetChildren()), (std::vector<ECBase*>{notes[2], notes[3]}));
    auto* second = new CCRemove(notes[3]);
    second->Remove(notes[2]);
    Apply(second);
    EXPECT_TRUE(slur->GetParents()->IsEmpty());
    EXPECT_TRUE(beam->GetParents()->IsEmpty());
    EXPECT_TRUE(m_measure->GetChildren()->IsEmpty());
    EXPECT_EQ(1, m_doc->Undo(2));
    EXPECT_EQ(Bytes(), original);
    EXPECT_EQ(1, m_doc->Redo(1));
    EXPECT_TRUE(tie->GetParents()->IsEmpty());

    // A line taken out itself keeps its members, and so comes back whole.
    EXPECT_EQ(1, m_doc->Undo(1));
    Apply(new CCRemove(glissando));
    EXPECT_EQ(glissando->GetChildren()->GetCount(), 2);
    Apply(new CCRemove(notes[5]));
    EXPECT_EQ(glissando->GetChildren()->GetCount(), 2) << "a detached glissando is locked";
    EXPECT_EQ(1, m_doc->Undo(2));
    EXPECT_EQ(Bytes(), original);
}

// A removed chord comes back without its notes, which stay in the measure, and so does a
// tuplet; a note taken out of either comes back in the measure. The lines the chord was in
// take it back all the same.
TEST_F(LineUndo, WhatTheUndoOfChordAndTupletRemovalsDoesNotBringBack) {
    ECChord* chord = NewChord(3.5f, 2);
    ASSERT_EQ(m_measure->AddChild(chord, 1), 1);
    ASSERT_EQ(slur->AddChild(chord, 1), 1);
    Apply(new CCRemove(chord));
    EXPECT_EQ(1, m_doc->Undo(1));
    EXPECT_TRUE(chord->GetChildren()->IsEmpty());
    EXPECT_EQ(Items(slur->GetChildren()).back(), chord);
    EXPECT_EQ(m_measure->GetChildren()->GetCount(), 9) << "its notes stayed in the measure";

    auto* tuplet = new Counted<ECTuplet>;
    SetSeconds(tuplet, 6.0f);
    ASSERT_EQ(second->AddChild(tuplet, 1), 1);
    tuplet->Ref(); // to look at it once it has dissolved
    ECNote* member = Put(NewNote(6.25f), tuplet, 1);
    Apply(new CCRemove(member));
    EXPECT_TRUE(tuplet->GetParents()->IsEmpty()) << "the tuplet dissolved";
    EXPECT_EQ(1, m_doc->Undo(1));
    EXPECT_EQ(Items(member->GetParents()), std::vector<ECBase*>{second});
    EXPECT_TRUE(tuplet->GetParents()->IsEmpty());
    tuplet->Unref(1);
}

} // namespace
} // namespace clavenor::test
