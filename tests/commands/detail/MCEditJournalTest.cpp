#include "clavenor/commands/detail/MCEditJournal.h"

#include <clavenor/clavenor.h>

#include <gtest/gtest.h>

#include <functional>
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

// A measure of a note at 1, a clef at 2 and a key at 3, and a staff apart; the steps of one
// case go into a journal of their own.
struct CacheSteps {
    CacheSteps() {
        clef->SetTime(&two);
        key->SetTime(&three);
        for (ECBase* element : std::vector<ECBase*>{note, clef, key}) {
            EXPECT_EQ(measure->AddChild(element, 1), 1);
        }
    }
    ~CacheSteps() { journal.Clear(); }

    MCTime two{2.0f};
    MCTime three{3.0f};
    Ref<ECMeasure> measure = MakeRef<ECMeasure>();
    Ref<ECStaff> staff = MakeRef<ECStaff>();
    ECNote* note = NoteAt(1.0f);
    ECClef* clef = new ECClef(1);
    ECKey* key = new ECKey(2, 0, 0);
    MCEditJournal journal;
};

TEST(JournalStaffCaches, OnlyStepsOfClefsKeysAndWhatHoldsThemCanChangeACache) {
    struct Case {
        const char* what;
        std::function<void(CacheSteps&)> step;
        bool can;
    };
    MCTime later(5.0f);
    const std::vector<Case> cases = {
        {"a note's time", [&](CacheSteps& c) { c.journal.SetTime(c.note, later); }, false},
        {"a clef's time", [&](CacheSteps& c) { c.journal.SetTime(c.clef, later); }, true},
        {"a key's time", [&](CacheSteps& c) { c.journal.SetTime(c.key, later); }, true},
        {"a note linked",
         [](CacheSteps& c) { EXPECT_TRUE(c.journal.Link(c.measure.Get(), NoteAt(0.5f))); }, false},
        {"a clef linked",
         [](CacheSteps& c) { EXPECT_TRUE(c.journal.Link(c.measure.Get(), new ECClef(2))); }, true},
        {"a note unlinked",
         [](CacheSteps& c) { EXPECT_TRUE(c.journal.Unlink(c.measure.Get(), c.note)); }, false},
        {"a key unlinked",
         [](CacheSteps& c) { EXPECT_TRUE(c.journal.Unlink(c.measure.Get(), c.key)); }, true},
        {"a measure linked into a staff",
         [](CacheSteps& c) { EXPECT_TRUE(c.journal.Link(c.staff.Get(), c.measure.Get())); }, true},
        {"a sort that moves a note past the clef and key",
         [&](CacheSteps& c) {
             c.note->SetTime(&later);
             c.journal.SortChildren(c.measure.Get());
         },
         false},
        {"a sort that puts the key before the clef",
         [&](CacheSteps& c) {
             c.clef->SetTime(&later);
             c.journal.SortChildren(c.measure.Get());
         },
         true},
        {"an order kept for a change to come",
         [](CacheSteps& c) { c.journal.KeepOrder(c.measure.Get()); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CacheSteps steps;
        c.step(steps);
        EXPECT_FALSE(steps.journal.IsEmpty());
        EXPECT_EQ(steps.journal.CanChangeStaffCaches(), c.can);
        steps.journal.Clear();
        EXPECT_FALSE(steps.journal.CanChangeStaffCaches());
    }
}

} // namespace
} // namespace clavenor::test
