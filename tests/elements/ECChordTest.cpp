#include "clavenor/elements/ECChord.h"
#include "clavenor/elements/ECMeasure.h"
#include "clavenor/elements/ECNote.h"
#include "clavenor/elements/ECRest.h"
#include "clavenor/model/ECWithTime.h"
#include "clavenor/model/EventRegistry.h"

#include "elements/CountedElement.h"
#include "support/KindElement.h"

#include <gtest/gtest.h>

#include <vector>

namespace clavenor {
namespace {

using test::Counted;
using test::g_liveElements;
using test::MakeCounted;
using Mark = ECWithTime; // stands in for an accent
using Beam = test::KindElement<EventId::Beam>;

std::vector<ECBase*> Children(ECBase* e) {
    std::vector<ECBase*> result;
    MCEventList* list = e->GetChildren();
    for (POSITION pos = list->GetHeadPosition(); pos != nullptr;) {
        result.push_back(list->GetNext(pos));
    }
    return result;
}

class ECChordDissolution : public ::testing::Test {
protected:
    void SetUp() override { m_live = g_liveElements; }
    void TearDown() override { EXPECT_EQ(g_liveElements, m_live); }

    // A chord at `time` in `parent`: its notes, then one mark.
    static Counted<ECChord>* MakeChord(ECBase* parent, float time, int notes) {
        MCTime t(time);
        auto* chord = MakeCounted<ECChord>(nullptr);
        chord->SetTime(&t);
        parent->AddChild(chord, 1);
        for (int i = 0; i < notes; ++i) {
            MakeCounted<ECNote>(chord, t, MCTime(1.0f));
        }
        chord->AddChild(MakeCounted<Mark>(nullptr), 0);
        return chord;
    }

    int m_live = 0;
};

TEST_F(ECChordDissolution, TheLastNoteTakesTheMarksAndTheChordOutOfEveryParent) {
    auto* measure = MakeCounted<ECMeasure>(nullptr);
    auto* beam = MakeCounted<Beam>(measure);
    Counted<ECChord>* chord = MakeChord(measure, 1.0f, 1);
    beam->AddChild(chord, 0);
    chord->Ref(); // to look at it afterwards

    EXPECT_EQ(chord->RemoveChild(chord->GetChildren()->GetHead(), 0), 1);
    EXPECT_TRUE(chord->GetChildren()->IsEmpty());
    EXPECT_TRUE(chord->GetParents()->IsEmpty());
    EXPECT_EQ(chord->GetRefCount(), 1);
    EXPECT_EQ(Children(measure), std::vector<ECBase*>{beam});
    EXPECT_TRUE(beam->GetChildren()->IsEmpty());
    EXPECT_EQ(g_liveElements, m_live + 3); // the note and the mark are gone
    chord->Unref(1);
    delete measure;
}

TEST_F(ECChordDissolution, AChordStaysWhileANoteRemainsAndRefusesStrangers) {
    auto* measure = MakeCounted<ECMeasure>(nullptr);
    Counted<ECChord>* chord = MakeChord(measure, 1.0f, 2);
    std::vector<ECBase*> members = Children(chord);
    ECNote stranger;
    EXPECT_EQ(chord->RemoveChild(&stranger, 1), 0);
    EXPECT_EQ(chord->RemoveChild(members[2], 0), 1); // the mark
    EXPECT_EQ(chord->RemoveChild(members[0], 0), 1);
    EXPECT_EQ(Children(chord), std::vector<ECBase*>{members[1]});
    EXPECT_EQ(Children(measure), std::vector<ECBase*>{chord});
    delete measure;
}

TEST_F(ECChordDissolution, RemovingTheChordLeavesItsNotesInTheMeasureOnceEach) {
    auto* measure = MakeCounted<ECMeasure>(nullptr);
    auto* late = MakeCounted<ECRest>(nullptr, 8);
    MCTime two(2.0f);
    late->SetTime(&two);
    measure->AddChild(late, 1);
    Counted<ECChord>* chord = MakeChord(measure, 1.0f, 2);
    std::vector<ECBase*> notes = Children(chord);
    measure->AddChild(notes[0], 1); // already a child of the measure as well

    EXPECT_EQ(chord->RemoveFromParents(), 1);
    EXPECT_EQ(Children(measure), (std::vector<ECBase*>{notes[0], notes[1], late}));
    EXPECT_EQ(notes[0]->GetParents()->GetCount(), 1);
    EXPECT_EQ(g_liveElements, m_live + 4); // chord and mark are gone
    delete measure;
}

// Loaded documents may hold any graph. Here the chord that dissolves while its child is
// released deeply holds, beside that child, another parent of the child, and an element
// that only it holds and whose own child holds it back.
TEST_F(ECChordDissolution, NestedDissolutionsInAnOddGraphReleaseEverything) {
    for (bool chordFirst : {true, false}) {
        auto* root = MakeCounted<ECWithChild>(nullptr);
        auto* outer = MakeCounted<ECChord>(root);
        auto* other = MakeCounted<ECWithTimeChild>(nullptr);
        auto* inner = MakeCounted<ECChord>(nullptr);
        MakeCounted<Mark>(inner);
        auto* leaf = MakeCounted<ECWithTimeChild>(outer);
        MakeCounted<Mark>(leaf);
        outer->AddChild(other, 0);
        ECBase* first = chordFirst ? static_cast<ECBase*>(outer) : other;
        first->AddChild(inner, 0);
        (first == outer ? static_cast<ECBase*>(other) : outer)->AddChild(inner, 0);
        delete root;
        EXPECT_EQ(g_liveElements, m_live) << chordFirst;
    }
}

} // namespace
} // namespace clavenor
