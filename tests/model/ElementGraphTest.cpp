#include "clavenor/model/ECWithChild.h"
#include "clavenor/model/ECWithTime.h"
#include "clavenor/model/ECWithTimeChild.h"

#include "support/TestElements.h"

#include <gtest/gtest.h>

#include <vector>

using namespace clavenor;
using test::TLeaf;
using test::TNode;
using Elements = std::vector<ECBase*>;

namespace {

Elements Items(MCEventList* list) {
    Elements items;
    for (POSITION pos = list->GetHeadPosition(); pos != nullptr;) {
        items.push_back(list->GetNext(pos));
    }
    return items;
}

bool HasChildrenBit(ECBase* e) { return (e->GetFlags() & ECBase::FlagHasChildren) != 0; }

// A measure holding one chord with two notes; the test holds the measure.
struct Measure {
    Measure() {
        measure->Ref();
        for (TLeaf* note : {noteA, noteB}) {
            chord->AddChild(note, 0);
        }
        measure->AddChild(chord, 0);
        chord->Watch(&chordGone);
        noteA->Watch(&noteAGone);
        noteB->Watch(&noteBGone);
    }
    ~Measure() {
        measure->RemoveChildren(1);
        measure->Unref(1);
    }
    TNode* measure = new TNode(32);
    TNode* chord = new TNode(12);
    TLeaf* noteA = new TLeaf(0.0f, 37);
    TLeaf* noteB = new TLeaf(0.0f, 37);
    int chordGone = 0, noteAGone = 0, noteBGone = 0;
};

} // namespace

TEST(ElementGraphAddChild, RefusalsReferencesAndFlags) {
    Measure m;
    EXPECT_EQ(m.chord->AddChild(m.noteA, 1), 0) << "already a child";
    EXPECT_EQ(m.chord->AddChild(nullptr, 0), 0);
    EXPECT_EQ(m.chord->AddChild(m.chord, 0), 0);
    EXPECT_EQ(m.noteA->AddChild(m.noteB, 0), 0) << "a timed leaf has no children";
    EXPECT_EQ(Items(m.chord->GetChildren()), (Elements{m.noteA, m.noteB}));
    EXPECT_EQ(Items(m.noteA->GetParents()), (Elements{m.chord}));
    EXPECT_EQ(m.noteA->GetRefCount(), 1);
    EXPECT_EQ(m.chord->GetRefCount(), 3) << "the measure's list and two notes' parents lists";
    EXPECT_TRUE(m.chord->RemoveChild(m.measure, 0) == 0 && m.chord->RemoveParent(m.noteA) == 0);
    m.chord->RemoveChild(m.noteA, 0);
    EXPECT_TRUE(HasChildrenBit(m.chord) && !HasChildrenBit(m.noteB));
    m.chord->RemoveChildren(0);
    EXPECT_FALSE(HasChildrenBit(m.chord));
    m.chord->SetSelected(3);
    EXPECT_EQ(m.chord->GetFlags() & 0xFFu, ECBase::FlagSelected);
    m.chord->SetSelected(2);
    EXPECT_EQ(m.chord->IsSelected(), 0);

    // Sorted: equal times keep their order, an untimed child goes to the head.
    auto* t2 = new TLeaf(2.0f);
    auto* t1 = new TLeaf(1.0f);
    auto* t2b = new TLeaf(2.0f);
    auto* t3 = new TLeaf(3.0f);
    auto* untimed = new ECWithChild;
    for (ECBase* c : Elements{t2, t1, t2b, t3, untimed}) {
        m.chord->AddChild(c, 1);
    }
    EXPECT_EQ(Items(m.chord->GetChildren()), (Elements{untimed, t1, t2, t2b, t3}));
}

TEST(ElementGraphRemove, ASharedChildLivesUntilItsLastParentLetsGo) {
    Measure m;
    TNode beam(7);
    auto* shared = new TLeaf;
    int gone = 0;
    shared->Watch(&gone);
    for (TNode* parent : {&beam, m.measure}) {
        parent->AddChild(shared, 0);
    }
    EXPECT_EQ(Items(shared->GetParents()), (Elements{&beam, m.measure}));
    EXPECT_EQ(beam.RemoveChild(shared, 0), 1);
    EXPECT_TRUE(gone == 0 && !HasChildrenBit(&beam));
    EXPECT_EQ(Items(shared->GetParents()), (Elements{m.measure}));
    EXPECT_EQ(m.measure->RemoveChild(shared, 0), 1);
    EXPECT_NE(gone, 0);

    // A chord with notes is kept alive by them unless removed deeply.
    beam.AddChild(m.chord, 0);
    beam.RemoveChild(m.chord, 0);
    EXPECT_EQ(m.measure->RemoveChild(m.chord, 1), 1);
    EXPECT_TRUE(m.chordGone != 0 && m.noteAGone != 0 && !HasChildrenBit(m.measure));
}

TEST(ElementGraphRemove, DeepShallowAndFromAllParents) {
    Measure m;
    TNode beam(7);
    m.chord->Ref();
    EXPECT_EQ(m.measure->RemoveChild(m.chord, 0), 1);
    EXPECT_EQ(m.noteAGone + m.noteBGone + m.chordGone, 0);
    EXPECT_EQ(m.noteA->GetParents()->GetHead(), m.chord) << "shallow: the notes stay";

    m.measure->AddChild(m.chord, 0);
    beam.AddChild(m.chord, 0);
    EXPECT_EQ(m.chord->RemoveFromParents(), 1);
    EXPECT_TRUE(m.chord->GetParents()->IsEmpty() && m.measure->GetChildren()->IsEmpty() &&
                beam.GetChildren()->IsEmpty());
    EXPECT_EQ(m.chord->GetChildren()->GetCount(), 2);

    m.measure->AddChild(m.chord, 0);
    EXPECT_EQ(m.measure->RemoveChild(m.chord, 1), 1);
    EXPECT_TRUE(m.noteAGone != 0 && m.noteBGone != 0 && m.chordGone == 0);
    EXPECT_LT(m.noteBGone, m.noteAGone) << "children are released from the tail";
    EXPECT_TRUE(m.chord->GetChildren()->IsEmpty() && !HasChildrenBit(m.chord));
    EXPECT_EQ(m.chord->Unref(1), 0);
    EXPECT_NE(m.chordGone, 0);
}

TEST(ElementGraphRemove, UnrefRules) {
    auto* e = new TLeaf;
    int gone = 0;
    e->Watch(&gone);
    EXPECT_TRUE(e->Ref() == 1 && e->Ref() == 2 && e->Unref(0) == 1 && e->Unref(0) == 0);
    EXPECT_EQ(e->Unref(0), 0) << "never below 0, and Unref(0) never destroys";
    for (int i = 0; i < 0xFFFF; ++i) {
        e->Ref();
    }
    EXPECT_EQ(e->Ref(), 0) << "the count reads in 16 bits";
    EXPECT_EQ(e->GetRefCount(), 0);
    // ...but is kept whole: 65536 holders keep the element alive until the last lets go.
    for (int i = 0; i < 0xFFFF; ++i) {
        e->Unref(1);
    }
    EXPECT_EQ(gone, 0);
    EXPECT_EQ(e->Unref(1), 0);
    EXPECT_NE(gone, 0) << "Unref(1) at 0 destroys";
}

TEST(ElementCopy, CopyAssignmentEqualityAndDefaults) {
    Measure m;
    MCTime t(1, 2, 3, 480);
    m.chord->SetTime(&t);
    m.chord->SetVoiceTrack(2, 9);
    m.chord->SetSelected(1);
    // Copy construction takes the time and the voice/track, nothing of the graph.
    TNode copy(*m.chord);
    EXPECT_TRUE(copy == *m.chord && copy.GetTime()->GetMode() == 2);
    EXPECT_TRUE(copy.GetChildren()->IsEmpty() && copy.GetParents()->IsEmpty() &&
                copy.GetRefCount() == 0 && copy.GetFlags() == 0);
    // Assignment and Copy take the voice/track only.
    TNode target(12, 4.0f);
    target = *m.chord;
    EXPECT_TRUE(target.GetTime()->GetSeconds() == 4.0f && target.GetTrack() == 9);
    EXPECT_TRUE(target.GetChildren()->IsEmpty() && target != *m.chord);
    target.SetTime(&t);
    EXPECT_TRUE(target == *m.chord);
    target.SetVoice(4);
    EXPECT_TRUE(target != *m.chord);
    ECWithTime a, b;
    a.SetVoiceTrack(1, 3);
    EXPECT_EQ(b.Copy(&a), &b);
    ECWithChild x, y;
    b.Copy(&x); // another class: nothing
    EXPECT_TRUE(b.GetVoice() == 1 && *b.GetTime() == MCTime::TimeNull());
    EXPECT_TRUE(x == y) << "containers compare equal whatever they hold";
    EXPECT_FALSE(static_cast<ECBase&>(x) == static_cast<ECBase&>(y)) << "elements: identity";

    ECBase base;
    EXPECT_TRUE(base.GetEventId() == 6 && x.GetEventId() == 72 && a.GetEventId() == 73 &&
                copy.ECWithTimeChild::GetEventId() == 74);
    EXPECT_TRUE(x.GetTime() == nullptr && x.GetVoice() == 15 && x.GetTrack() == 2047);
    EXPECT_TRUE(base.GetData()->GetSize() == 2 && a.GetTrack() == 3);
    b.SetVoiceTrack(16, 1);
    EXPECT_TRUE(b.GetVoice() == 0 && b.GetTrack() == 1);
}

TEST(ElementGraphSearch, DescendantsAndAncestors) {
    Measure m;
    TNode performance(44);
    performance.AddChild(m.measure, 0);
    auto* beam = new TNode(7);
    auto* beamed = new TLeaf(0.0f, 38);
    beam->AddChild(beamed, 0);
    m.measure->AddChild(beam, 0);

    EXPECT_EQ(m.noteA->GetDescendant(37, -1), m.noteA);
    EXPECT_EQ(m.chord->GetDescendant(37, 0), nullptr);
    EXPECT_EQ(m.chord->GetDescendant(37, 1), m.noteA) << "depth-first, list order";
    EXPECT_EQ(performance.GetDescendant(37, 2), nullptr);
    EXPECT_EQ(performance.GetDescendant(37, 3), m.noteA);
    EXPECT_EQ(performance.GetDescendant(7, -1), beam);
    EXPECT_EQ(performance.GetDescendant(38, -1), nullptr) << "beams are not entered";
    EXPECT_EQ(beamed->GetAncestor(7, -1), beam) << "walking up nothing is clipped";
    EXPECT_EQ(beamed->GetAncestor(44, 2), nullptr);
    EXPECT_EQ(beamed->GetAncestor(44, 3), &performance);
    EXPECT_EQ(m.noteB->GetAncestor(32, -1), m.measure);
    EXPECT_EQ(m.noteB->GetAncestor(99, -1), nullptr);
    performance.RemoveChildren(1);
}
