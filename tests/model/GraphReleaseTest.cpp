// The ways a host lets go of a whole graph. Each test ends with no element alive; the
// sanitizer build checks that nothing is freed twice on the way.

#include "support/AllocationFailure.h"
#include "support/TestElements.h"

#include <gtest/gtest.h>

using namespace clavenor;
using test::TLeaf;
using test::TNode;

namespace {

class GraphReleaseTest : public ::testing::Test {
protected:
    void SetUp() override { m_live = test::LiveAllocations(); }
    void TearDown() override {
        EXPECT_EQ(TLeaf::s_nLive + TNode::s_nLive, 0);
        EXPECT_EQ(test::LiveAllocations(), m_live);
    }
    int Live() const { return TLeaf::s_nLive + TNode::s_nLive; }

    // performance -> 2 measures -> 3 chords -> 2 notes each; a beam under each measure
    // (after the chords: a timed child added later goes before an untimed one) shares the
    // first measure's chords.
    TNode* Build() {
        auto* root = new TNode(44);
        for (int m = 0; m < 2; ++m) {
            auto* measure = new TNode(32, static_cast<float>(4 * m));
            root->AddChild(measure, 1);
            auto* beam = new ECWithChild;
            measure->AddChild(beam, 1);
            for (int c = 0; c < 3; ++c) {
                auto* chord = new TNode(12, static_cast<float>(4 * m + c));
                chord->AddChild(new TLeaf, 1);
                chord->AddChild(new TLeaf, 1);
                measure->AddChild(chord, 1);
                if (m == 0) {
                    beam->AddChild(chord, 1);
                }
            }
        }
        return root;
    }

    std::int64_t m_live = 0;
};

} // namespace

TEST_F(GraphReleaseTest, DeepRemovalAndDeletingAnOwnedRoot) {
    TNode* root = Build();
    EXPECT_EQ(root->GetRefCount(), 2) << "held by its measures' parents lists";
    const int before = Live();
    EXPECT_EQ(root->RemoveChild(root->GetChildren()->GetHead(), 1), 1);
    EXPECT_EQ(Live(), before - 1 - 3 - 6);
    delete root;
}

TEST_F(GraphReleaseTest, ADetachedSubtreeIsReleasedAsARoot) {
    TNode* root = Build();
    ECBase* measure = root->GetChildren()->GetTail();
    measure->Ref();
    root->RemoveChild(measure, 0);
    delete root;
    EXPECT_EQ(Live(), 1 + 3 + 6) << "the subtree keeps itself";
    measure->RemoveChildren(1);
    measure->Unref(1);
}

TEST_F(GraphReleaseTest, ARootHeldByRefGoesWithRemoveChildrenThenUnref) {
    TNode* root = Build();
    root->Ref();
    EXPECT_EQ(root->Unref(1), 2) << "Unref alone: the children keep the root alive";
    root->Ref();
    root->RemoveChildren(1);
    EXPECT_TRUE(root->GetRefCount() == 1 && Live() == 1);
    EXPECT_EQ(root->Unref(1), 0);
}

TEST_F(GraphReleaseTest, AnElementHeldElsewhereSurvivesWithoutItsChildren) {
    TNode* root = Build();
    ECBase* chord = root->GetChildren()->GetHead()->GetChildren()->GetHead();
    TNode selection(0);
    selection.AddChild(chord, 0);
    delete root;
    EXPECT_EQ(Live(), 2);
    EXPECT_TRUE(chord->GetChildren()->IsEmpty() && chord->GetParents()->GetCount() == 1);
    selection.RemoveChildren(1);
}
