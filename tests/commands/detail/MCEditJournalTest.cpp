#include "clavenor/commands/detail/MCEditJournal.h"

#include <clavenor/clavenor.h>

#include <gtest/gtest.h>

#include <vector>

namespace clavenor::test {
namespace {

std::vector<ECBase*> Children(ECBase* owner) {
    std::vector<ECBase*> list;
    for (ECBase* element : *owner->GetChildren()) {
        list.push_back(element);
    }
    return list;
}

ECNote* NoteAt(float time) { return new ECNote(MCTime(time), MCTime(0.25f)); }

// A measure whose notes a sort reordered, and a journal that recorded the old order.
class JournalOrder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(m_measure->AddChild(m_a, 0), 1);
        ASSERT_EQ(m_measure->AddChild(m_b, 0), 1);
        MCTime late(3.0f);
        m_a->SetTime(&late); // out of order now: a sort swaps the two
        m_journal.SortChildren(m_measure);
        ASSERT_EQ(Children(m_measure), (std::vector<ECBase*>{m_b, m_a}));
    }
    void TearDown() override {
        m_journal.Clear();
        m_holder.Reset();
    }

    Ref<ECMeasure> m_holder = MakeRef<ECMeasure>();
    ECMeasure* m_measure = m_holder.Get();
    ECNote* m_a = NoteAt(1.0f);
    ECNote* m_b = NoteAt(2.0f);
    MCEditJournal m_journal;
};

TEST_F(JournalOrder, TakingBackAndMakingAgainExchangesTheOrder) {
    m_journal.TakeBack();
    EXPECT_EQ(Children(m_measure), (std::vector<ECBase*>{m_a, m_b}));
    m_journal.MakeAgain();
    EXPECT_EQ(Children(m_measure), (std::vector<ECBase*>{m_b, m_a}));
}

// One child out and another in behind the journal's back: the count is the same, but the
// old order names an element that is no longer a child. The list keeps what it holds, and
// every link stays two-way.
TEST_F(JournalOrder, AListWithOtherElementsOfTheSameCountKeepsItsOrder) {
    m_a->Ref();
    EXPECT_EQ(m_measure->RemoveChild(m_a, 0), 1);
    ECNote* c = NoteAt(0.5f);
    ASSERT_EQ(m_measure->AddChild(c, 1), 1);
    m_journal.TakeBack();
    EXPECT_EQ(Children(m_measure), (std::vector<ECBase*>{c, m_b}));
    EXPECT_TRUE(m_a->GetParents()->IsEmpty());
    EXPECT_NE(c->GetParents()->FindNearEnds(m_measure), nullptr);
    m_a->Unref(1);
}

} // namespace
} // namespace clavenor::test
