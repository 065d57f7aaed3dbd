#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace clavenor::test {
namespace {

struct Listener {
    Journal* journal;
    std::string name;
    ECBase* expectedOwner = nullptr;

    static int Call(ECBase* owner, int phase, void* data, void* user) {
        auto* self = static_cast<Listener*>(user);
        auto* record = static_cast<SCBase*>(data);
        self->journal->Add(self->name + ":" + std::to_string(record->GetCode()) +
                           (owner == self->expectedOwner && phase == 0 ? "" : "?"));
        return 0;
    }
};

// Counts its own destruction, so tests can see who deleted a record and when.
class CountedRecord : public SCBase {
public:
    CountedRecord(int code, int* deleted) : SCBase(code), m_deleted(deleted) {}
    ~CountedRecord() override { ++*m_deleted; }

private:
    int* m_deleted;
};

class StateManagerTest : public ::testing::Test {
protected:
    void TearDown() override { MCStateMgr::SetGlobalHandler(nullptr, nullptr); }

    Document m_doc;
    Journal m_journal;
};

TEST_F(StateManagerTest, HandlersThenGlobalHandlerSeeEachRecordInOrder) {
    Listener a{&m_journal, "A", m_doc.get()};
    Listener b{&m_journal, "B", m_doc.get()};
    Listener g{&m_journal, "G", m_doc.get()};
    m_doc->AddStateHandler(&Listener::Call, &a);
    m_doc->AddStateHandler(&Listener::Call, &b);
    MCStateMgr::SetGlobalHandler(&Listener::Call, &g);
    SCFile* record = new SCFile(42);
    record->Apply(m_doc.get());
    EXPECT_EQ(m_journal.Joined(), "A:42 B:42 G:42");
}

TEST_F(StateManagerTest, AsynchronousRecordsWaitForThePumpAndKeepTheirOrder) {
    Listener a{&m_journal, "A", m_doc.get()};
    m_doc->AddStateHandler(&Listener::Call, &a);
    const std::uint16_t refs = m_doc->GetRefCount();
    (new SCStatus(7, "first"))->Apply(m_doc.get());
    (new SCTime(8, MCTime(2.0f)))->Apply(m_doc.get());
    EXPECT_TRUE(m_journal.lines.empty());
    EXPECT_EQ(m_doc->GetRefCount(), refs + 2); // each queued record holds the document
    PumpUntil([&] { return m_journal.lines.size() == 2; });
    EXPECT_EQ(m_journal.Joined(), "A:7 A:8");
    EXPECT_EQ(m_doc->GetRefCount(), refs);
}

TEST_F(StateManagerTest, AutoDeleteDecidesWhoDeletesTheRecord) {
    int deleted = 0;
    auto* kept = new CountedRecord(1, &deleted);
    kept->SetSynchronous(1);
    kept->SetAutoDelete(0);
    kept->Apply(m_doc.get());
    EXPECT_EQ(deleted, 0);
    delete kept;
    auto* dropped = new CountedRecord(2, &deleted);
    dropped->SetSynchronous(1);
    dropped->Apply(m_doc.get());
    EXPECT_EQ(deleted, 2);
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
    Listener g{&m_journal, "G"};
    MCStateMgr::SetGlobalHandler(&Listener::Call, &g);
    (new SCFile(5))->Apply(nullptr);
    CMessageQueue::DestroyWindow(main);
    EXPECT_EQ(m_journal.Joined(), "main:12928:5");
    (new SCFile(6))->Apply(nullptr); // no main window: dropped quietly
    EXPECT_EQ(m_journal.lines.size(), 1u);
}

TEST_F(StateManagerTest, ModeRecordsChangeTheModeAndSupplyTheEvent) {
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

TEST(RecordTest, CodeKeepsTheFlagsAndCopiesCopyEverything) {
    SCBase record(0x1234567);
    EXPECT_EQ(record.GetCode(), 0x234567);
    EXPECT_EQ(record.IsAutoDelete(), 1);
    EXPECT_EQ(record.IsSynchronous(), 0);
    record.SetSynchronous(1);
    record.SetCode(1600);
    EXPECT_EQ(record.IsSynchronous(), 1);
    const int before = SCStatus::GetActionCount();
    {
        SCStatus status(3, "saving");
        status.SetProgressRange(5, 50);
        SCStatus copy(status);
        int low = 0;
        int high = 0;
        copy.GetProgressRange(low, high);
        EXPECT_EQ(copy.GetMessage(), "saving");
        EXPECT_EQ(low + high, 55);
        EXPECT_EQ(SCStatus::GetActionCount(), before + 2);
    }
    EXPECT_EQ(SCStatus::GetActionCount(), before);
    EXPECT_EQ(SCStatus(1, 11933u).GetMessage(), "Note");
    EXPECT_EQ(SCTime().GetTime(), MCTime::TimeNull());
}

class SelectionTest : public ::testing::Test {
protected:
    ECWithTime* Element(float time, bool selected) {
        auto* e = new ECWithTime;
        MCTime t(time);
        e->SetTime(&t);
        e->SetSelected(selected ? 1 : 0);
        m_owned.AddTail(e);
        return e;
    }

    MCEventList m_owned;
};

TEST_F(SelectionTest, ToggleRemovesSelectedAndAddsTheOthers) {
    ECWithTime* a = Element(1, true);
    ECWithTime* b = Element(2, true);
    ECWithTime* c = Element(3, false);
    MCEventList current;
    current.AddTail(a);
    current.AddTail(b);
    SCSelection record(SCSelection::CodeToggle, b);
    record.AddToSelection(c);
    record.AddToSelection(c);
    EXPECT_EQ(record.GetEvents(0)->GetCount(), 2);
    EXPECT_EQ(record.GetEvents(1), nullptr);
    EXPECT_EQ(record.UpdateSelection(current), 1);
    ASSERT_EQ(current.GetCount(), 2);
    EXPECT_EQ(current.GetHead(), a);
    EXPECT_EQ(current.GetTail(), c);
    EXPECT_EQ(record.GetEvents(2)->GetHead(), c);
    EXPECT_EQ(record.GetEvents(3)->GetHead(), b);
    EXPECT_EQ(b->IsSelected(), 0);
    EXPECT_EQ(c->IsSelected(), 1);
}

TEST_F(SelectionTest, AddingWhatIsAlreadySelectedChangesNothing) {
    ECWithTime* a = Element(1, true);
    MCEventList current;
    current.AddTail(a);
    SCSelection record(SCSelection::CodeAdd, a);
    EXPECT_EQ(record.UpdateSelection(current), 0);
    EXPECT_EQ(current.GetCount(), 1);
    SCSelection unknown(1699, a);
    EXPECT_EQ(unknown.UpdateSelection(current), 0);
    EXPECT_EQ(unknown.IsUpdated(), 0);
}

TEST_F(SelectionTest, ReplaceRemoveAndClear) {
    ECWithTime* a = Element(1, true);
    ECWithTime* b = Element(2, false);
    MCEventList current;
    current.AddTail(a);
    SCSelection replace(SCSelection::CodeReplace, b);
    EXPECT_EQ(replace.UpdateSelection(current), 1);
    EXPECT_EQ(current.GetHead(), b);
    EXPECT_EQ(a->IsSelected(), 0);
    SCSelection remove(SCSelection::CodeRemove, b);
    EXPECT_EQ(remove.UpdateSelection(current), 1);
    EXPECT_TRUE(current.IsEmpty());
    current.AddTail(a);
    SCSelection clear(SCSelection::CodeClear);
    EXPECT_EQ(clear.UpdateSelection(current), 1);
    EXPECT_TRUE(current.IsEmpty());
}

} // namespace
} // namespace clavenor::test

namespace clavenor::test {
namespace {

TEST(PrefsRecordTest, ReloadsSelectionColourAndUndoLimitBeforeHandlers) {
    Document doc;
    CMemProfileStore store;
    CProfileStore* previous = CProfileStore::SetActiveStore(&store);
    const int levels = MCCommandMgr::GetUndoLevels();
    struct Seen {
        int levels = -1;
        static int Call(ECBase*, int, void*, void* user) {
            static_cast<Seen*>(user)->levels = MCCommandMgr::GetUndoLevels();
            return 0;
        }
    } seen;
    doc->AddStateHandler(&Seen::Call, &seen);

    MCCommandMgr::SetUndoLevels(3);
    SCSelection::SetColor(7);
    (new SCPrefs)->Apply(doc.get());
    PumpUntil([&] { return seen.levels != -1; });
    EXPECT_EQ(seen.levels, 10); // nothing stored: the defaults
    EXPECT_EQ(SCSelection::GetColor(), 255u);

    SaveIntPreference("Settings", "UndoLevels", 25);
    SaveIntPreference("Settings\\Color", "Selection", 0xFF00);
    seen.levels = -1;
    (new SCPrefs)->Apply(doc.get());
    PumpUntil([&] { return seen.levels != -1; });
    EXPECT_EQ(seen.levels, 25);
    EXPECT_EQ(SCSelection::GetColor(), 0xFF00u);

    (new SCPrefs(1601))->Apply(doc.get()); // another code changes nothing
    PumpMessages();
    EXPECT_EQ(MCCommandMgr::GetUndoLevels(), 25);

    MCCommandMgr::SetUndoLevels(levels);
    SCSelection::SetColor(255);
    CProfileStore::SetActiveStore(previous);
}

} // namespace
} // namespace clavenor::test
