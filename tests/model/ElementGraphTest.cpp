// The element graph: linking, removal, reference counting, copies, searches up and down,
// and the ways a host lets go of a whole graph. Every test ends with no counted element and
// no allocation left; the sanitizer build checks that nothing is freed twice on the way.

#include "support/AllocationFailure.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace clavenor;
using namespace clavenor::test;

namespace {

using Elements = std::vector<ECBase*>;

bool HasChildrenBit(ECBase* e) { return (e->GetFlags() & ECBase::FlagHasChildren) != 0; }

using ElementGraph = LeakChecked;

// A measure holding one chord with two notes; the test holds the measure.
struct Bar {
    Bar() {
        measure->Ref();
        EXPECT_EQ(chord->AddChild(noteA, 0), 1);
        EXPECT_EQ(chord->AddChild(noteB, 0), 1);
        EXPECT_EQ(measure->AddChild(chord, 0), 1);
        chord->Watch(&chordGone);
        noteA->Watch(&noteAGone);
        noteB->Watch(&noteBGone);
    }
    ~Bar() {
        measure->RemoveChildren(1);
        measure->Unref(1);
    }
    TNode* measure = new TNode(32);
    TNode* chord = new TNode(12);
    TLeaf* noteA = new TLeaf;
    TLeaf* noteB = new TLeaf;
    int chordGone = 0, noteAGone = 0, noteBGone = 0;
};

TEST_F(ElementGraph, AddChildRefusalsReferencesFlagsAndOrder) {
    Bar m;
    EXPECT_EQ(m.chord->AddChild(m.noteA, 1), 0) << "already a child";
    EXPECT_EQ(m.chord->AddChild(nullptr, 0), 0);
    EXPECT_EQ(m.chord->AddChild(m.chord, 0), 0);
    EXPECT_EQ(m.noteA->AddChild(m.noteB, 0), 0) << "a timed leaf has no children";
    EXPECT_EQ(Items(m.chord->GetChildren()), (Elements{m.noteA, m.noteB}));
    EXPECT_EQ(Items(m.noteA->GetParents()), (Elements{m.chord}));
    EXPECT_EQ(m.noteA->GetRefCount(), 1);
    EXPECT_EQ(m.chord->GetRefCount(), 3) << "the measure's list and two notes' parents lists";
    EXPECT_EQ(m.chord->RemoveChild(m.measure, 0), 0);
    EXPECT_EQ(m.chord->RemoveParent(m.noteA), 0);
    EXPECT_EQ(m.chord->RemoveChild(m.noteA, 0), 1);
    EXPECT_TRUE(HasChildrenBit(m.chord));
    EXPECT_TRUE(!HasChildrenBit(m.noteB));
    m.chord->RemoveChildren(0);
    EXPECT_FALSE(HasChildrenBit(m.chord));
    m.chord->SetSelected(3);
    EXPECT_EQ(m.chord->GetFlags() & 0xFFu, ECBase::FlagSelected) << "bit 0 of the argument";

    // Sorted: equal times keep their order, an untimed child goes to the head.
    auto *t2 = new TLeaf(2.0f), *t1 = new TLeaf(1.0f), *t2b = new TLeaf(2.0f);
    auto* untimed = new Counted<ECWithChild>;
    for (ECBase* c : Elements{t2, t1, t2b, untimed}) {
        ASSERT_EQ(m.chord->AddChild(c, 1), 1);
    }
    EXPECT_EQ(Items(m.chord->GetChildren()), (Elements{untimed, t1, t2, t2b}));
}

// A shared child lives until its last parent lets go; a shallow removal leaves the children,
// a deep one releases them from the tail.
TEST_F(ElementGraph, RemovalSharedDeepShallowAndFromAllParents) {
    Bar m;
    TNode beam(7);
    auto* shared = new TLeaf;
    int gone = 0;
    shared->Watch(&gone);
    ASSERT_EQ(beam.AddChild(shared, 0), 1);
    ASSERT_EQ(m.measure->AddChild(shared, 0), 1);
    EXPECT_EQ(Items(shared->GetParents()), (Elements{&beam, m.measure}));
    EXPECT_EQ(beam.RemoveChild(shared, 0), 1);
    EXPECT_EQ(gone, 0);
    EXPECT_TRUE(!HasChildrenBit(&beam));
    EXPECT_EQ(Items(shared->GetParents()), (Elements{m.measure}));
    EXPECT_EQ(m.measure->RemoveChild(shared, 0), 1);
    EXPECT_NE(gone, 0);

    m.chord->Ref();
    EXPECT_EQ(m.measure->RemoveChild(m.chord, 0), 1);
    EXPECT_EQ(m.noteAGone + m.noteBGone + m.chordGone, 0);
    EXPECT_EQ(m.noteA->GetParents()->GetHead(), m.chord) << "shallow: the notes stay";

    ASSERT_EQ(m.measure->AddChild(m.chord, 0), 1);
    ASSERT_EQ(beam.AddChild(m.chord, 0), 1);
    EXPECT_EQ(m.chord->RemoveFromParents(), 1);
    EXPECT_TRUE(m.chord->GetParents()->IsEmpty());
    EXPECT_TRUE(m.measure->GetChildren()->IsEmpty());
    EXPECT_TRUE(beam.GetChildren()->IsEmpty());
    EXPECT_EQ(m.chord->GetChildren()->GetCount(), 2);

    ASSERT_EQ(m.measure->AddChild(m.chord, 0), 1);
    EXPECT_EQ(m.measure->RemoveChild(m.chord, 1), 1);
    EXPECT_NE(m.noteAGone, 0);
    EXPECT_NE(m.noteBGone, 0);
    EXPECT_EQ(m.chordGone, 0);
    EXPECT_LT(m.noteBGone, m.noteAGone) << "children are released from the tail";
    EXPECT_TRUE(m.chord->GetChildren()->IsEmpty());
    EXPECT_TRUE(!HasChildrenBit(m.chord));
    EXPECT_EQ(m.chord->Unref(1), 0);
    EXPECT_NE(m.chordGone, 0);
}

// Regression: a host could link an element under its own descendant, and the next walk
// overflowed the stack. The check walks each ancestor once, however many ways lead to it.
TEST_F(ElementGraph, AnAncestorOfTheNewParentIsRefused) {
    Bar m;
    TNode beam(7);
    ASSERT_EQ(beam.AddChild(m.chord, 0), 1);
    EXPECT_EQ(m.chord->AddChild(m.measure, 1), 0);
    EXPECT_EQ(m.noteA->GetParents()->GetCount(), 1);
    auto* grace = new TNode(27);
    EXPECT_EQ(m.chord->RemoveChild(m.noteB, 0), 1);
    auto* note = new TNode(37);
    ASSERT_EQ(m.chord->AddChild(note, 0), 1);
    ASSERT_EQ(note->AddChild(grace, 0), 1);
    EXPECT_EQ(grace->AddChild(m.measure, 0), 0) << "three levels up";
    EXPECT_EQ(grace->AddChild(&beam, 0), 0) << "through the second parent";
    EXPECT_TRUE(grace->GetChildren()->IsEmpty());
    EXPECT_TRUE(m.measure->GetParents()->IsEmpty());
    EXPECT_EQ(Items(beam.GetParents()), Elements{});
    EXPECT_EQ(grace->AddChild(new TLeaf, 0), 1) << "a leaf is never an ancestor";

    // Forty diamonds above the parent: two million million ways up, eighty ancestors.
    auto* top = new TNode(32);
    top->Ref();
    ECBase* bottom = top;
    for (int i = 0; i < 40; ++i) {
        auto *left = new TNode(12), *right = new TNode(12), *join = new TNode(12);
        ASSERT_EQ(bottom->AddChild(left, 0), 1);
        ASSERT_EQ(bottom->AddChild(right, 0), 1);
        ASSERT_EQ(left->AddChild(join, 0), 1);
        ASSERT_EQ(right->AddChild(join, 0), 1);
        bottom = join;
    }
    auto* subtree = new TNode(12);
    ASSERT_EQ(subtree->AddChild(new TLeaf, 0), 1);
    EXPECT_EQ(bottom->AddChild(subtree, 0), 1);
    EXPECT_EQ(bottom->AddChild(top, 0), 0);
    bottom->RemoveChildren(1);
    top->RemoveChildren(1);
    top->Unref(1);
}

// Regression: the count reads in 16 bits but is kept whole.
TEST_F(ElementGraph, UnrefRules) {
    auto* e = new TLeaf;
    int gone = 0;
    e->Watch(&gone);
    EXPECT_EQ(e->Ref(), 1);
    EXPECT_EQ(e->Ref(), 2);
    EXPECT_EQ(e->Unref(0), 1);
    EXPECT_EQ(e->Unref(0), 0);
    EXPECT_EQ(e->Unref(0), 0) << "never below 0, and Unref(0) never destroys";
    for (int i = 0; i < 0xFFFF; ++i) {
        e->Ref();
    }
    EXPECT_EQ(e->Ref(), 0) << "the count reads in 16 bits";
    EXPECT_EQ(e->GetRefCount(), 0);
    // ...but 65536 holders keep the element alive until the last lets go.
    for (int i = 0; i < 0xFFFF; ++i) {
        e->Unref(1);
    }
    EXPECT_EQ(gone, 0);
    EXPECT_EQ(e->Unref(1), 0);
    EXPECT_NE(gone, 0) << "Unref(1) at 0 destroys";
}

TEST_F(ElementGraph, CopyAssignmentEqualityAndDefaults) {
    Bar m;
    MCTime t(1, 2, 3, 480);
    m.chord->SetTime(&t);
    m.chord->SetVoiceTrack(2, 9);
    m.chord->SetSelected(1);
    // Copy construction takes the time and the voice/track, nothing of the graph.
    TNode copy(*m.chord);
    EXPECT_EQ(copy, *m.chord);
    EXPECT_EQ(copy.GetTime()->GetMode(), MCTime::ModeBarPulseTick);
    EXPECT_TRUE(copy.GetChildren()->IsEmpty());
    EXPECT_TRUE(copy.GetParents()->IsEmpty());
    EXPECT_EQ(copy.GetRefCount(), 0);
    EXPECT_EQ(copy.GetFlags(), 0);
    // Assignment and Copy take the voice/track only; another class gives nothing.
    TNode target(12, 4.0f);
    target = *m.chord;
    EXPECT_EQ(target.GetTime()->GetSeconds(), 4.0f);
    EXPECT_EQ(target.GetTrack(), 9);
    EXPECT_TRUE(target.GetChildren()->IsEmpty());
    EXPECT_NE(target, *m.chord);
    target.SetTime(&t);
    EXPECT_EQ(target, *m.chord);
    target.SetVoice(4);
    EXPECT_NE(target, *m.chord);
    ECWithTime a, b;
    ECWithChild x, y;
    a.SetVoiceTrack(1, 3);
    EXPECT_EQ(b.Copy(&a), &b);
    b.Copy(&x);
    EXPECT_EQ(b.GetVoice(), 1);
    EXPECT_EQ(*b.GetTime(), MCTime::TimeNull());
    EXPECT_EQ(x, y) << "containers compare equal whatever they hold";
    EXPECT_NE(static_cast<ECBase&>(x), static_cast<ECBase&>(y)) << "elements: identity";
    EXPECT_EQ(x.GetTime(), nullptr);
    EXPECT_EQ(x.GetVoice(), 15);
    EXPECT_EQ(x.GetTrack(), 2047);
}

TEST_F(ElementGraph, GetDescendantIsDepthFirstWithinTheDepthAndKeepsOutOfBeams) {
    Measure measure;
    auto* beam = Make<Beam>(0, &measure);
    Make<Note>(0, beam);
    auto* chord = Make<Chord>(0, &measure);
    auto* first = Make<Note>(0, chord);
    auto* deep = Make<Clef>(0, first);
    Make<Clef>(1, &measure);
    auto* envelope = Make<Envelope>(2, &measure);

    const std::tuple<ECBase*, int, int, ECBase*> cases[] = {
        {first, EventId::Note, -1, first}, // from the element itself
        {chord, EventId::Note, 0, nullptr},
        {chord, EventId::Note, 1, first},
        {&measure, EventId::Note, 1, nullptr},
        {&measure, EventId::Note, 2, first}, // not the note only the beam holds
        {&measure, EventId::Beam, -1, beam},
        {&measure, EventId::Clef, -1, deep}, // the chord's subtree before its next sibling
        {&measure, EventId::Envelope, -1, envelope}};
    for (const auto& [from, id, depth, found] : cases) {
        EXPECT_EQ(from->GetDescendant(id, depth), found) << id << " " << depth;
    }
}

TEST_F(ElementGraph, GetAncestorWalksParentsWithoutClippingWithinTheDepth) {
    // chord's parents: the beam (listed first), then the measure; each has its own staff.
    Staff beamStaff, measureStaff;
    auto* beam = Make<Beam>(0, &beamStaff);
    auto* measure = Make<Measure>(0, &measureStaff);
    auto* chord = Make<Chord>(0, beam);
    ASSERT_EQ(measure->AddChild(chord, 0), 1);
    auto* note = Make<Note>(0, chord);
    auto* envelope = Make<Envelope>(0, measure);
    auto* point = Make<EnvPoint>(0, envelope);

    const std::tuple<ECBase*, int, int, ECBase*> cases[] = {
        {note, EventId::Chord, 0, nullptr},
        {note, EventId::Chord, 1, chord},
        {note, EventId::Measure, 1, nullptr},
        {note, EventId::Measure, 2, measure},
        {note, EventId::Staff, -1, &beamStaff}, // through the beam, which a walk would clip
        {measure, EventId::Staff, -1, &measureStaff},
        {note, EventId::Performance, -1, nullptr},
        {point, EventId::Envelope, 1, envelope},
        {point, EventId::Measure, 1, nullptr}, // not bypassed: the envelope is a level
        {point, EventId::Measure, 2, measure}};
    for (const auto& [from, id, depth, found] : cases) {
        EXPECT_EQ(from->GetAncestor(id, depth), found) << id << " " << depth;
    }
}

// Two timed measures of three chords, an uncounted beam-like container under each: 21
// counted elements.
constexpr ScoreShape Performance{.chords = 3, .timed = true, .containerPerMeasure = true};

TEST_F(ElementGraph, WholeGraphsAreReleasedWhicheverWayTheHostLetsGo) {
    // Deep removal, then deleting an owned root.
    TNode* root = BuildScore(Performance);
    EXPECT_EQ(root->GetRefCount(), 2) << "held by its measures' parents lists";
    EXPECT_EQ(root->RemoveChild(root->GetChildren()->GetHead(), 1), 1);
    EXPECT_EQ(Live(), 1 + 1 + 3 + 6) << "the root and the other measure";
    delete root;
    EXPECT_EQ(Live(), 0);

    // A detached subtree is released as a root of its own.
    root = BuildScore(Performance);
    ECBase* measure = root->GetChildren()->GetTail();
    measure->Ref();
    EXPECT_EQ(root->RemoveChild(measure, 0), 1);
    delete root;
    EXPECT_EQ(Live(), 1 + 3 + 6) << "the subtree keeps itself";
    measure->RemoveChildren(1);
    measure->Unref(1);
    EXPECT_EQ(Live(), 0);

    // A root held by Ref goes with RemoveChildren and then Unref, not with Unref alone.
    root = BuildScore(Performance);
    root->Ref();
    EXPECT_EQ(root->Unref(1), 2) << "the children keep the root alive";
    root->Ref();
    root->RemoveChildren(1);
    EXPECT_EQ(root->GetRefCount(), 1);
    EXPECT_EQ(Live(), 1);
    EXPECT_EQ(root->Unref(1), 0);

    // An element held elsewhere survives without its children.
    root = BuildScore(Performance);
    ECBase* chord = root->GetChildren()->GetHead()->GetChildren()->GetHead();
    TNode selection(0);
    ASSERT_EQ(selection.AddChild(chord, 0), 1);
    delete root;
    EXPECT_EQ(Live(), 2);
    EXPECT_TRUE(chord->GetChildren()->IsEmpty());
    EXPECT_EQ(chord->GetParents()->GetCount(), 1);
    selection.RemoveChildren(1);
}

// Removed material is taken apart when the last command that could restore it lets go: down
// to what another parent or another command still holds, and as deep as it goes.
TEST_F(ElementGraph, TheLastCommandHoldDismantlesWhatNothingElseKeeps) {
    auto* root = new TNode(32);
    auto* shared = new TNode(12);
    auto* held = new TNode(12);
    TNode outside(7);
    ASSERT_EQ(root->AddChild(shared, 0), 1);
    ASSERT_EQ(root->AddChild(held, 0), 1);
    ASSERT_EQ(outside.AddChild(shared, 0), 1);
    ASSERT_EQ(shared->AddChild(new TLeaf, 0), 1);
    ASSERT_EQ(held->AddChild(new TLeaf, 0), 1);
    ECBase* at = root;
    for (int level = 0; level < 100000; ++level) {
        auto* next = new TNode(12);
        ASSERT_EQ(at->AddChild(next, 0), 1);
        at = next;
    }
    root->AddCommandHold();
    root->AddCommandHold();
    held->AddCommandHold();
    root->ReleaseCommandHold();
    EXPECT_EQ(root->GetChildren()->GetCount(), 3) << "another command still holds it";
    root->ReleaseCommandHold();
    EXPECT_EQ(Live(), 1 + 4) << "the chain and the root are gone";
    EXPECT_EQ(shared->GetChildren()->GetCount(), 1) << "another parent keeps it whole";
    EXPECT_EQ(Items(shared->GetParents()), (Elements{&outside}));
    EXPECT_EQ(held->GetChildren()->GetCount(), 1) << "a command keeps it whole";
    EXPECT_TRUE(held->GetParents()->IsEmpty());
    held->ReleaseCommandHold();
    EXPECT_EQ(Live(), 1 + 2);
    outside.RemoveChildren(1);

    // Material with a parent, and a performance, are never taken apart.
    auto* linked = new TNode(12);
    ASSERT_EQ(outside.AddChild(linked, 0), 1);
    ASSERT_EQ(linked->AddChild(new TLeaf, 0), 1);
    linked->AddCommandHold();
    linked->ReleaseCommandHold();
    EXPECT_EQ(linked->GetChildren()->GetCount(), 1);
    outside.RemoveChildren(1);
    ECPerformance performance;
    ASSERT_EQ(performance.AddChild(new TLeaf, 0), 1);
    performance.AddCommandHold();
    performance.ReleaseCommandHold();
    EXPECT_EQ(performance.GetChildren()->GetCount(), 1);
}

TEST_F(ElementGraph, FailedAllocationsInAddChildAndSortedAddEventChangeNothing) {
    // What an insertion may change: order, references, parents and the owner's flags.
    auto snapshot = [](ECBase* owner, MCEventList* list, ECBase* extra) {
        std::vector<std::uintptr_t> s{extra->GetRefCount(), owner->GetFlags(), owner->GetRefCount(),
                                      static_cast<std::uintptr_t>(extra->GetParents()->GetCount())};
        for (ECBase* e : Items(list)) {
            s.insert(s.end(), {reinterpret_cast<std::uintptr_t>(e), e->GetRefCount()});
        }
        return s;
    };
    // AddChild unsorted and sorted (a node in each list), and a sorted AddEvent (one node).
    for (int mode : {0, 1, 2}) {
        TNode parent(32);
        MCEventList list;
        MCEventList* into = mode < 2 ? parent.GetChildren() : &list;
        for (float t : {1.0f, 3.0f}) {
            ASSERT_EQ(parent.AddChild(new TLeaf(t), 1), 1);
            EXPECT_NE(list.AddEvent(new TLeaf(t), 1), nullptr);
        }
        // A parent's own list is made with its first child; before, it answers a shared one.
        into = mode < 2 ? parent.GetChildren() : &list;
        TLeaf child(2.0f);
        child.Ref();
        const auto before = snapshot(&parent, into, &child);
        const std::int64_t live = LiveAllocations();
        bool added = false;
        EXPECT_EQ(ForEachAllocationFailure(
                      [&] {
                          added = mode < 2 ? parent.AddChild(&child, mode) == 1
                                           : list.AddEvent(&child, 1) != nullptr;
                      },
                      [&] {
                          EXPECT_FALSE(added);
                          EXPECT_EQ(snapshot(&parent, into, &child), before);
                          EXPECT_EQ(LiveAllocations(), live);
                      }),
                  mode < 2 ? 2 : 1)
            << mode;
        EXPECT_EQ(Items(into)[mode == 0 ? 2 : 1], &child) << mode;
        list.RemoveEvent(&child);
        parent.RemoveChildren(1);
    }
}

// Parking takes a link apart keeping both list nodes; putting it back restores both lists
// exactly, with no memory either way, and falls back to time order when the neighbour went.
TEST_F(ElementGraph, AParkedLinkGoesBackExactlyWhereItStood) {
    TNode parent(32);
    TNode other(32);
    auto* a = Put(Make<TLeaf>(1.0f), &parent);
    auto* b = Put(Make<TLeaf>(1.0f), &parent);
    auto* c = Put(Make<TLeaf>(1.0f), &parent);
    ASSERT_EQ(other.AddChild(b, 0), 1); // b has two parents, parent first
    MCEventList park;
    ECWithChild::ParkedLink link;
    int parked = 0;
    int unparked = 0;
    std::vector<int> counts;
    counts.reserve(3);
    bool allocated = false;
    {
        FailNthAllocation failure(1);
        parked = parent.ParkChild(b, park, link);
        counts.push_back(parent.GetChildren()->GetCount());
        counts.push_back(b->GetParents()->GetCount());
        counts.push_back(park.GetCount());
        unparked = parent.UnparkChild(b, park, link);
        allocated = failure.Triggered();
    }
    EXPECT_EQ(parked, 1);
    EXPECT_EQ(counts, (std::vector<int>{2, 1, 2}));
    EXPECT_EQ(link.childBefore, a);
    EXPECT_EQ(link.parentBefore, nullptr);
    EXPECT_EQ(unparked, 1);
    EXPECT_FALSE(allocated);
    EXPECT_EQ(Items(parent.GetChildren()), (Elements{a, b, c}));
    EXPECT_EQ(Items(b->GetParents()), (Elements{&parent, &other}));
    EXPECT_TRUE(park.IsEmpty());
    EXPECT_EQ(parent.UnparkChild(b, park, link), 0) << "nothing parked";
    EXPECT_EQ(other.ParkChild(a, park, link), 0) << "not a child";

    // The neighbour it stood after has gone: back by time, after the equal ones.
    ASSERT_EQ(parent.ParkChild(c, park, link), 1);
    EXPECT_EQ(link.childBefore, b);
    EXPECT_EQ(parent.RemoveChild(b, 0), 1);
    ASSERT_EQ(parent.UnparkChild(c, park, link), 1);
    EXPECT_EQ(Items(parent.GetChildren()), (Elements{a, c}));
    EXPECT_TRUE(HasChildrenBit(&parent));
    other.RemoveChildren(1);
    parent.RemoveChildren(1);
}

// An envelope's queries stay right after one of its points was parked and put back.
TEST_F(ElementGraph, AnEnvelopeAnswersRightAroundParkedPoints) {
    ECControllerEnv envelope;
    std::vector<ECEnvPoint*> points;
    for (float t : {0.0f, 1.0f, 2.0f, 3.0f}) {
        auto* point = new ECControlChange(7);
        SetSeconds(point, t);
        ASSERT_EQ(envelope.AddChild(point, 1), 1);
        points.push_back(point);
    }
    EXPECT_EQ(envelope.GetPointBeforeEqual(MCTime(2.5f)), points[2]);
    MCEventList park;
    ECWithChild::ParkedLink link;
    ASSERT_EQ(envelope.ParkChild(points[2], park, link), 1);
    EXPECT_EQ(envelope.GetPointBeforeEqual(MCTime(2.5f)), points[1]);
    EXPECT_EQ(envelope.GetPointAtIndex(2), points[3]);
    ASSERT_EQ(envelope.UnparkChild(points[2], park, link), 1);
    EXPECT_EQ(envelope.GetPointBeforeEqual(MCTime(2.5f)), points[2]);
    EXPECT_EQ(envelope.GetIndexForPoint(points[3]), 3);
    envelope.RemoveChildren(1);
}

} // namespace

// Most containers never get a child (a note without marks), so their list is made with the
// first child: until then every one answers the same empty list, and a first link refused for
// want of memory leaves neither the link nor a list behind.
TEST_F(ElementGraph, AContainerMakesItsChildrenListWithItsFirstChildOnly) {
    TNode a;
    TNode b;
    ASSERT_NE(a.GetChildren(), nullptr);
    EXPECT_TRUE(a.GetChildren()->IsEmpty());
    EXPECT_EQ(a.GetChildren(), b.GetChildren()) << "one shared empty list";

    TLeaf child(1.0f);
    child.Ref();
    const std::int64_t live = LiveAllocations();
    int added = 0;
    EXPECT_EQ(ForEachAllocationFailure([&] { added = a.AddChild(&child, 1); },
                                       [&] {
                                           EXPECT_EQ(added, 0);
                                           EXPECT_EQ(a.GetChildren(), b.GetChildren());
                                           EXPECT_FALSE(HasChildrenBit(&a));
                                           EXPECT_TRUE(child.GetParents()->IsEmpty());
                                           EXPECT_EQ(child.GetRefCount(), 1);
                                           EXPECT_EQ(LiveAllocations(), live);
                                       }),
              3)
        << "the list and a node in each list";
    ASSERT_EQ(added, 1);
    MCEventList* own = a.GetChildren();
    EXPECT_NE(own, b.GetChildren());

    // A move into a container without a list makes it, or changes nothing.
    int moved = 0;
    EXPECT_EQ(ForEachAllocationFailure([&] { moved = a.MoveChild(&child, &b, 1); },
                                       [&] {
                                           EXPECT_EQ(moved, 0);
                                           EXPECT_EQ(a.GetChildren()->GetHead(), &child);
                                           EXPECT_EQ(child.GetParents()->GetHead(), &a);
                                       }),
              1);
    ASSERT_EQ(moved, 1);
    EXPECT_EQ(b.GetChildren()->GetHead(), &child);
    EXPECT_EQ(a.GetChildren(), own) << "a list, once made, stays with its element";
    EXPECT_TRUE(a.GetChildren()->IsEmpty());
    b.RemoveChildren(0);
}
