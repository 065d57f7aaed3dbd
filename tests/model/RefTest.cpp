// Handles on elements and commands, and range-for over the lists: what a host uses instead
// of counting references by hand.

#include "support/AllocationFailure.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <type_traits>
#include <utility>
#include <vector>

using namespace clavenor;
using namespace clavenor::test;

namespace {

// `delete handle` and passing a handle where a pointer is taken do not compile.
static_assert(!std::is_convertible_v<Ref<ECBase>, ECBase*>);
static_assert(std::is_convertible_v<Ref<TLeaf>, Ref<ECBase>>);
static_assert(!std::is_convertible_v<Ref<ECBase>, Ref<TLeaf>>);

using Handles = LeakChecked;

TEST_F(Handles, EachHandleHoldsOneReference) {
    Ref<TLeaf> leaf = MakeRef<TLeaf>(1.0f);
    EXPECT_EQ(leaf->GetRefCount(), 1);
    Ref<TLeaf> copy = leaf;
    EXPECT_EQ(leaf->GetRefCount(), 2);
    Ref<ECBase> base = std::move(copy);
    EXPECT_FALSE(copy);
    EXPECT_EQ(base, leaf);
    EXPECT_EQ(leaf->GetRefCount(), 2);
    base.Reset();
    EXPECT_EQ(leaf->GetRefCount(), 1);

    leaf->Ref();
    Ref<TLeaf> adopted = Ref<TLeaf>::Adopt(leaf.Get());
    EXPECT_EQ(leaf->GetRefCount(), 2);
    TLeaf* raw = adopted.Release();
    EXPECT_EQ(adopted, nullptr);
    EXPECT_EQ(raw->GetRefCount(), 2);
    raw->Unref(1);

    leaf.Reset();
    EXPECT_EQ(Live(), 0);
}

// The shared score (BuildScore) of 16 counted elements: a root, two measures of two chords of
// two notes, and a beam over the first measure's chords.
TEST_F(Handles, TheLastHandleOnAFreeStandingRootReleasesTheGraphBelow) {
    { Ref<TNode> root(BuildScore()); }
    EXPECT_EQ(Live(), 0);

    // Two handles: the graph stays until the second goes.
    Ref<TNode> root(BuildScore());
    Ref<TNode> second = root;
    root.Reset();
    EXPECT_EQ(Live(), 16);

    // An element held by its own handle survives the release, detached and without its
    // children; a linked element's handle only gives its reference back.
    ECBase* firstMeasure = second->GetChildren()->GetHead();
    Ref<ECBase> chord(firstMeasure->GetChildren()->GetHead());
    { Ref<ECBase> measure(firstMeasure); }
    EXPECT_EQ(Live(), 16);
    second.Reset();
    EXPECT_EQ(Live(), 1);
    EXPECT_TRUE(chord->GetParents()->IsEmpty());
    EXPECT_TRUE(chord->GetChildren()->IsEmpty());
    chord.Reset();
    EXPECT_EQ(Live(), 0);
}

TEST_F(Handles, ACommandHeldByAHandleOutlivesItsBatchAndGoesWithTheHandle) {
    Document document;
    Journal journal;
    const int alive = CCProbe::Alive();
    {
        auto probe = MakeRef<CCProbe>(&journal, "held");
        probe->SetSynchronous(1);
        EXPECT_EQ(probe->Apply(document.get()), 1);
        EXPECT_EQ(journal.Joined(), "held:prepare held:process held:finish");
        EXPECT_EQ(probe->GetRefCount(), 1);
    }
    EXPECT_EQ(CCProbe::Alive(), alive);
}

TEST(ListIteration, RangeForVisitsEveryItemInOrderAndTheBodyMayRemoveTheCurrentOne) {
    auto* parent = new TNode(32);
    Ref<TNode> hold(parent);
    std::vector<ECBase*> added;
    for (float t : {1.0f, 2.0f, 3.0f}) {
        added.push_back(Put(new TLeaf(t), parent));
    }
    std::vector<ECBase*> seen;
    for (ECBase* e : *parent->GetChildren()) {
        seen.push_back(e);
        EXPECT_EQ(parent->RemoveChild(e, 1), 1);
    }
    EXPECT_EQ(seen, added);
    EXPECT_TRUE(parent->GetChildren()->IsEmpty());

    MCObList objects;
    ASSERT_NE(objects.AddTail(parent), nullptr);
    std::vector<CObject*> seenObjects(objects.begin(), objects.end());
    EXPECT_EQ(seenObjects, std::vector<CObject*>{parent});

    Journal journal;
    MCCommandList commands;
    ASSERT_NE(commands.AddTail(new CCProbe(&journal, "a")), nullptr);
    ASSERT_NE(commands.AddTail(new CCProbe(&journal, "b")), nullptr);
    std::string names;
    for (CCBase* command : commands) {
        names += static_cast<CCProbe*>(command)->Name();
    }
    EXPECT_EQ(names, "ab");
}

} // namespace
