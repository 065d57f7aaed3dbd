#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace clavenor::test {
namespace {

class StateManagerTest : public ::testing::Test {
protected:
    void TearDown() override { MCStateMgr::SetGlobalHandler(nullptr, nullptr); }

    Document m_doc;
    Journal m_journal;
    Handler m_a{&m_journal, "A"};
};

TEST_F(StateManagerTest, HandlersThenTheGlobalHandlerSeeEachRecordInOrder) {
    Handler b{&m_journal, "B"}, g{&m_journal, "G"};
    m_doc->AddStateHandler(&Handler::State, &m_a);
    m_doc->AddStateHandler(&Handler::State, &b);
    MCStateMgr::SetGlobalHandler(&Handler::State, &g);
    (new SCFile(42))->Apply(m_doc.get());
    EXPECT_EQ(m_journal.Joined(), "A:42 B:42 G:42");

    // Asynchronous records wait for the pump, keep their order and hold the document.
    m_journal.lines.clear();
    const std::uint16_t refs = m_doc->GetRefCount();
    (new SCStatus(7, "first"))->Apply(m_doc.get());
    (new SCTime(8, MCTime(2.0f)))->Apply(m_doc.get());
    EXPECT_TRUE(m_journal.lines.empty());
    EXPECT_EQ(m_doc->GetRefCount(), refs + 2);
    PumpUntil([&] { return m_journal.lines.size() == 6; });
    EXPECT_EQ(m_journal.Joined(), "A:7 B:7 G:7 A:8 B:8 G:8");
    EXPECT_EQ(m_doc->GetRefCount(), refs);
}

TEST_F(StateManagerTest, AutoDeleteDecidesWhoDeletesTheRecord) {
    const int live = g_liveElements;
    auto* kept = new Counted<SCFile>(1);
    kept->SetAutoDelete(0);
    kept->Apply(m_doc.get());
    EXPECT_EQ(g_liveElements, live + 1);
    delete kept;
    (new Counted<SCFile>(2))->Apply(m_doc.get());
    EXPECT_EQ(g_liveElements, live);
}

TEST_F(StateManagerTest, RecordWithoutDocumentGoesToTheMainWindowOnly) {
    static Journal* journal = nullptr;
    journal = &m_journal;
    HWND main = CMessageQueue::CreateHiddenWindow(
        "host", [](HWND, UINT message, WPARAM, LPARAM lParam) -> LRESULT {
            journal->Add("main:" + std::to_string(message) + ":" +
                         std::to_string(reinterpret_cast<SCBase*>(lParam)->GetCode()));
            return 0;
        });
    CMessageQueue::SetMainWindow(main);
    Handler g{&m_journal, "G"};
    MCStateMgr::SetGlobalHandler(&Handler::State, &g);
    (new SCFile(5))->Apply(nullptr);
    CMessageQueue::DestroyWindow(main);
    EXPECT_EQ(m_journal.Joined(), "main:12928:5");
    (new SCFile(6))->Apply(nullptr); // no main window: dropped quietly
    EXPECT_EQ(m_journal.lines.size(), 1u);
}

TEST_F(StateManagerTest, ModeRecordsSetTheModeAndModeTwoSuppliesTheEvent) {
    static ECWithTime element;
    SCMode::SetEventFunc([](void*) -> ECBase* { return &element; }, nullptr);
    (new SCMode(1502))->Apply(m_doc.get());
    EXPECT_EQ(SCMode::GetMode(), 1502);
    EXPECT_EQ(SCMode::GetEvent(), &element);
    (new SCMode(1499))->Apply(m_doc.get());
    EXPECT_EQ(SCMode::GetMode(), 1502);
    (new SCMode(1500))->Apply(m_doc.get());
    EXPECT_EQ(SCMode::GetEvent(), nullptr);
    SCMode::SetEventFunc(nullptr, nullptr);
}

TEST_F(StateManagerTest, PrefsRecordsReloadSelectionColourAndUndoLimitBeforeHandlers) {
    CMemProfileStore store;
    CProfileStore* previous = CProfileStore::SetActiveStore(&store);
    const int levels = MCCommandMgr::GetUndoLevels();
    static int seen;
    m_doc->AddStateHandler(
        [](ECBase*, int, void*, void*) {
            seen = MCCommandMgr::GetUndoLevels();
            return 0;
        },
        nullptr);
    auto reload = [&](int code) {
        seen = -1;
        (new SCPrefs(code))->Apply(m_doc.get());
        PumpUntil([&] { return seen != -1; });
    };
    MCCommandMgr::SetUndoLevels(3);
    SCSelection::SetColor(7);
    reload(SCPrefs::CodeChanged);
    EXPECT_EQ(seen, 10) << "nothing stored: the defaults";
    EXPECT_EQ(SCSelection::GetColor(), 255u) << "nothing stored: the defaults";
    EXPECT_EQ(1, SaveIntPreference("Settings", "UndoLevels", 25));
    EXPECT_EQ(1, SaveIntPreference("Settings\\Color", "Selection", 0xFF00));
    reload(SCPrefs::CodeChanged);
    EXPECT_EQ(seen, 25);
    EXPECT_EQ(SCSelection::GetColor(), 0xFF00u);
    EXPECT_EQ(1, SaveIntPreference("Settings", "UndoLevels", 30));
    reload(1601); // another code changes nothing
    EXPECT_EQ(MCCommandMgr::GetUndoLevels(), 25);

    MCCommandMgr::SetUndoLevels(levels);
    SCSelection::SetColor(255);
    CProfileStore::SetActiveStore(previous);
}

class SelectionTest : public ::testing::Test {
protected:
    ECWithTime* Element(bool selected) {
        auto* e = new ECWithTime;
        e->SetSelected(selected ? 1 : 0);
        EXPECT_NE(m_owned.AddTail(e), nullptr);
        return e;
    }
    MCEventList m_owned, current;
    ECWithTime *a = Element(true), *b = Element(true), *c = Element(false);
};

TEST_F(SelectionTest, UpdatesTheSelectionByCode) {
    ASSERT_NE(current.AddTail(a), nullptr);
    ASSERT_NE(current.AddTail(b), nullptr);
    SCSelection toggle(SCSelection::CodeToggle, b);
    toggle.AddToSelection(c);
    toggle.AddToSelection(c);
    EXPECT_EQ(toggle.GetEvents(0)->GetCount(), 2);
    EXPECT_EQ(toggle.GetEvents(1), nullptr);
    EXPECT_EQ(toggle.UpdateSelection(current), 1);
    EXPECT_EQ(Items(&current), (std::vector<ECBase*>{a, c}));
    EXPECT_EQ(toggle.GetEvents(2)->GetHead(), c);
    EXPECT_EQ(toggle.GetEvents(3)->GetHead(), b);
    EXPECT_EQ(b->IsSelected(), 0);
    EXPECT_EQ(c->IsSelected(), 1);

    EXPECT_EQ(SCSelection(SCSelection::CodeAdd, a).UpdateSelection(current), 0);
    SCSelection unknown(1699, a);
    EXPECT_EQ(unknown.UpdateSelection(current), 0);
    EXPECT_EQ(unknown.IsUpdated(), 0);
    EXPECT_EQ(SCSelection(SCSelection::CodeReplace, b).UpdateSelection(current), 1);
    EXPECT_EQ(Items(&current), std::vector<ECBase*>{b});
    EXPECT_EQ(a->IsSelected(), 0);
    EXPECT_EQ(SCSelection(SCSelection::CodeRemove, b).UpdateSelection(current), 1);
    EXPECT_TRUE(current.IsEmpty());
    ASSERT_NE(current.AddTail(a), nullptr);
    EXPECT_EQ(SCSelection(SCSelection::CodeClear).UpdateSelection(current), 1);
    EXPECT_TRUE(current.IsEmpty());
}

} // namespace
} // namespace clavenor::test
