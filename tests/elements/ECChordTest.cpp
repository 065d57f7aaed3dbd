#include "clavenor/elements/ECChord.h"
#include "clavenor/elements/ECGraceNote.h"
#include "clavenor/elements/ECMeasure.h"
#include "clavenor/elements/ECNote.h"
#include "clavenor/elements/ECRest.h"
#include "clavenor/model/ECWithTime.h"
#include "clavenor/model/EventRegistry.h"

#include "elements/CountedElement.h"
#include "support/AllocationFailure.h"
#include "support/KindElement.h"

#include <gtest/gtest.h>

#include <new>
#include <vector>

namespace clavenor {
namespace {

using test::Counted;
using test::g_liveElements;
using test::MakeCounted;

// An accent-like mark: a timed element without children.
using Mark = ECWithTime;
using Beam = test::KindElement<EventId::Beam>;
using Tuplet = test::KindElement<EventId::Tuplet>;

std::vector<ECBase*> Children(ECBase* e) {
    std::vector<ECBase*> result;
    MCEventList* list = e->GetChildren();
    for (POSITION pos = list->GetHeadPosition(); pos != nullptr;) {
        result.push_back(list->GetNext(pos));
    }
    return result;
}

int CountOf(MCEventList* list, ECBase* e) {
    int n = 0;
    for (POSITION pos = list->Find(e); pos != nullptr; pos = list->Find(e, pos)) {
        ++n;
    }
    return n;
}

// Every test starts and ends with no counted element alive.
class ECChordDissolution : public ::testing::Test {
protected:
    void SetUp() override { m_live = g_liveElements; }
    void TearDown() override { EXPECT_EQ(g_liveElements, m_live); }

    // A chord at `time` in `parent` with notes at that time and one mark.
    Counted<ECChord>* MakeChord(ECBase* parent, float time, int notes) {
        auto* chord = MakeCounted<ECChord>(nullptr);
        MCTime t(time);
        chord->SetTime(&t);
        if (parent != nullptr) {
            parent->AddChild(chord, 1);
        }
        for (int i = 0; i < notes; ++i) {
            MakeCounted<ECNote>(chord, t, MCTime(1.0f));
        }
        auto* mark = MakeCounted<Mark>(nullptr);
        mark->SetTime(&t);
        chord->AddChild(mark, 0);
        return chord;
    }

    int m_live = 0;
};

TEST_F(ECChordDissolution, RemovingTheLastNoteTakesTheMarksAndTheChordAway) {
    auto* measure = MakeCounted<ECMeasure>(nullptr);
    Counted<ECChord>* chord = MakeChord(measure, 1.0f, 1);
    auto* beam = MakeCounted<Beam>(measure);
    beam->AddChild(chord, 0);
    const int before = g_liveElements;

    EXPECT_EQ(chord->RemoveChild(chord->GetChildren()->GetHead(), 0), 1);
    // Note, mark and chord are gone; so is the chord from the measure and the beam.
    EXPECT_EQ(g_liveElements, before - 3);
    EXPECT_EQ(Children(measure), std::vector<ECBase*>{beam});
    EXPECT_TRUE(beam->GetChildren()->IsEmpty());
    EXPECT_EQ(measure->GetFlags() & ECBase::FlagHasChildren, ECBase::FlagHasChildren);
    delete measure;
}

TEST_F(ECChordDissolution, AHeldChordSurvivesItsDissolutionDetachedAndEmpty) {
    auto* measure = MakeCounted<ECMeasure>(nullptr);
    Counted<ECChord>* chord = MakeChord(measure, 1.0f, 1);
    ECBase* mark = chord->GetChildren()->GetTail();
    mark->Ref();
    chord->Ref();

    EXPECT_EQ(chord->RemoveChild(chord->GetChildren()->GetHead(), 1), 1);
    EXPECT_EQ(chord->GetRefCount(), 1);
    EXPECT_TRUE(chord->GetChildren()->IsEmpty());
    EXPECT_EQ(chord->GetFlags() & ECBase::FlagHasChildren, 0u);
    EXPECT_TRUE(chord->GetParents()->IsEmpty());
    EXPECT_TRUE(mark->GetParents()->IsEmpty());
    EXPECT_TRUE(measure->GetChildren()->IsEmpty());
    chord->Unref(1);
    mark->Unref(1);
    delete measure;
}

TEST_F(ECChordDissolution, AChordKeepsItsPlaceWhileANoteRemains) {
    auto* measure = MakeCounted<ECMeasure>(nullptr);
    Counted<ECChord>* chord = MakeChord(measure, 1.0f, 2);
    std::vector<ECBase*> children = Children(chord);

    EXPECT_EQ(chord->RemoveChild(children[2], 0), 1); // the mark
    EXPECT_EQ(chord->RemoveChild(children[0], 0), 1); // one note
    EXPECT_EQ(Children(chord), std::vector<ECBase*>{children[1]});
    EXPECT_EQ(Children(measure), std::vector<ECBase*>{chord});
    delete measure;
}

TEST_F(ECChordDissolution, RemovingSomethingThatIsNotAChildChangesNothing) {
    // Not even a chord that nothing but its notes holds is released.
    Counted<ECChord>* chord = MakeChord(nullptr, 0.0f, 1);
    auto* stranger = MakeCounted<ECNote>(nullptr);
    const int before = g_liveElements;
    EXPECT_EQ(chord->RemoveChild(stranger, 1), 0);
    EXPECT_EQ(chord->RemoveChild(nullptr, 1), 0);
    EXPECT_EQ(chord->RemoveChild(chord, 1), 0);
    EXPECT_EQ(g_liveElements, before);
    EXPECT_EQ(chord->GetChildren()->GetCount(), 2);
    EXPECT_EQ(chord->GetRefCount(), 2);
    delete stranger;
    delete chord;
}

TEST_F(ECChordDissolution, RemovingAllChildrenReleasesTheChordFromEveryParent) {
    auto* measure = MakeCounted<ECMeasure>(nullptr);
    auto* beam = MakeCounted<Beam>(measure);
    Counted<ECChord>* chord = MakeChord(measure, 0.0f, 3);
    beam->AddChild(chord, 0);
    const int before = g_liveElements;

    EXPECT_EQ(chord->RemoveChildren(0), 1);
    EXPECT_EQ(g_liveElements, before - 5);
    EXPECT_EQ(Children(measure), std::vector<ECBase*>{beam});
    EXPECT_TRUE(beam->GetChildren()->IsEmpty());
    delete measure;
}

TEST_F(ECChordDissolution, RemovingTheChordLeavesItsNotesInTheMeasureOnceEach) {
    auto* measure = MakeCounted<ECMeasure>(nullptr);
    MCTime t0(0.0f), t2(2.0f);
    auto* early = MakeCounted<ECRest>(nullptr, 8);
    auto* late = MakeCounted<ECRest>(nullptr, 8);
    early->SetTime(&t0);
    late->SetTime(&t2);
    measure->AddChild(early, 1);
    measure->AddChild(late, 1);
    Counted<ECChord>* chord = MakeChord(measure, 1.0f, 2);
    std::vector<ECBase*> members = Children(chord);
    measure->AddChild(members[0], 1); // already a direct child of the measure as well
    const int before = g_liveElements;

    EXPECT_EQ(chord->RemoveFromParents(), 1);
    // The chord and its mark are gone; the notes sit in time order in the measure.
    EXPECT_EQ(g_liveElements, before - 2);
    EXPECT_EQ(Children(measure), (std::vector<ECBase*>{early, members[0], members[1], late}));
    for (ECBase* note : {members[0], members[1]}) {
        EXPECT_EQ(note->GetParents()->GetCount(), 1);
        EXPECT_EQ(CountOf(measure->GetChildren(), note), 1);
    }
    delete measure;
}

TEST_F(ECChordDissolution, NotesGoToTheNearestEnclosingMeasureThroughATuplet) {
    auto* measure = MakeCounted<ECMeasure>(nullptr);
    auto* tuplet = MakeCounted<Tuplet>(measure);
    Counted<ECChord>* chord = MakeChord(tuplet, 0.5f, 2);
    std::vector<ECBase*> members = Children(chord);

    EXPECT_EQ(chord->RemoveFromParents(), 1);
    EXPECT_EQ(Children(measure), (std::vector<ECBase*>{tuplet, members[0], members[1]}));
    EXPECT_TRUE(tuplet->GetChildren()->IsEmpty());
    delete measure;
}

TEST_F(ECChordDissolution, WithoutAMeasureTheChordKeepsItsChildren) {
    auto* beam = MakeCounted<Beam>(nullptr);
    Counted<ECChord>* chord = MakeChord(beam, 0.0f, 2);
    chord->Ref();

    EXPECT_EQ(chord->RemoveFromParents(), 1);
    EXPECT_TRUE(chord->GetParents()->IsEmpty());
    EXPECT_EQ(chord->GetChildren()->GetCount(), 3);
    EXPECT_TRUE(beam->GetChildren()->IsEmpty());
    // Released as a root held by a reference.
    chord->RemoveChildren(1);
    chord->Unref(1);
    delete beam;
}

TEST_F(ECChordDissolution, DeepRemovalFromTheMeasureReleasesEverything) {
    auto* measure = MakeCounted<ECMeasure>(nullptr);
    auto* beam = MakeCounted<Beam>(measure);
    Counted<ECChord>* first = MakeChord(measure, 0.0f, 2);
    Counted<ECChord>* second = MakeChord(measure, 1.0f, 1);
    beam->AddChild(first, 0);
    beam->AddChild(second, 0);
    const int before = g_liveElements;

    EXPECT_EQ(measure->RemoveChild(first, 1), 1);
    EXPECT_EQ(g_liveElements, before - 4);
    EXPECT_EQ(Children(beam), std::vector<ECBase*>{second});
    EXPECT_EQ(beam->RemoveChild(second, 1), 1);
    EXPECT_EQ(Children(measure), std::vector<ECBase*>{beam});
    delete measure;
}

// Loaded documents can hold any graph. Here a dissolving chord's other child is a second
// parent of the chord whose removal set the dissolution off.
TEST_F(ECChordDissolution, NestedDissolutionsInAnOddGraphReleaseEverything) {
    for (bool chordFirst : {true, false}) {
        auto* root = MakeCounted<ECWithChild>(nullptr);
        auto* outer = MakeCounted<ECChord>(root);
        auto* other = MakeCounted<ECWithTimeChild>(nullptr);
        auto* inner = MakeCounted<ECChord>(nullptr);
        MakeCounted<Mark>(inner);
        auto* leaf = MakeCounted<ECWithTimeChild>(nullptr);
        MakeCounted<Mark>(leaf);
        outer->AddChild(leaf, 0); // only the chord holds it, and its child holds it back
        outer->AddChild(other, 0);
        if (chordFirst) {
            outer->AddChild(inner, 0);
            other->AddChild(inner, 0);
        } else {
            other->AddChild(inner, 0);
            outer->AddChild(inner, 0);
        }
        delete root;
        EXPECT_EQ(g_liveElements, m_live) << chordFirst;
    }
}

TEST_F(ECChordDissolution, UnderAllocationFailureTheChordStaysWholeOrNoNoteLeaks) {
    for (int n = 1;; ++n) {
        auto* measure = MakeCounted<ECMeasure>(nullptr);
        Counted<ECChord>* chord = MakeChord(measure, 0.0f, 2);
        MakeCounted<ECGraceNote>(chord->GetChildren()->GetHead());
        bool triggered = false;
        {
            test::FailNthAllocation failure(n);
            try {
                chord->RemoveFromParents();
            } catch (const std::bad_alloc&) {
            }
            triggered = failure.Triggered();
        }
        std::vector<ECBase*> left = Children(measure);
        if (left.size() == 1 && left[0]->GetEventId() == EventId::Chord) {
            EXPECT_EQ(left[0]->GetChildren()->GetCount(), 3) << n; // failed before any change
        } else {
            for (ECBase* e : left) {
                EXPECT_EQ(e->GetEventId(), EventId::Note) << n;
            }
        }
        delete measure;
        EXPECT_EQ(g_liveElements, m_live) << n;
        if (!triggered) {
            EXPECT_EQ(left.size(), 2u);
            EXPECT_GT(n, 2); // the search and the moves allocate
            break;
        }
    }
}

} // namespace
} // namespace clavenor
