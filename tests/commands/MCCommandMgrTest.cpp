#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace clavenor::test {
namespace {

// Records what each handler call saw; the scripted results are consumed in order and the
// last one repeats.
struct HandlerScript {
    Journal* journal;
    std::string name;
    std::vector<int> results{1};
    int calls = 0;

    static int Call(ECBase* owner, int phase, void* data, void* user) {
        auto* self = static_cast<HandlerScript*>(user);
        auto* list = static_cast<MCCommandList*>(data);
        self->journal->Add(self->name + ":" + std::to_string(phase) + "/" +
                           std::to_string(list->GetCount()) + (owner != nullptr ? "" : "!"));
        const std::size_t i =
            std::min<std::size_t>(static_cast<std::size_t>(self->calls), self->results.size() - 1);
        ++self->calls;
        return self->results[i];
    }
};

struct RecordLog {
    std::vector<int> codes;
    std::vector<std::vector<std::string>> commands;

    static int Call(ECBase*, int, void* data, void* user) {
        auto* self = static_cast<RecordLog*>(user);
        auto* record = static_cast<SCBase*>(data);
        self->codes.push_back(record->GetCode());
        std::vector<std::string> names;
        if (auto* command = dynamic_cast<SCCommand*>(record)) {
            MCCommandList& list = command->GetCommands();
            for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
                names.push_back(static_cast<CCProbe*>(list.GetNext(pos))->Name());
            }
        }
        self->commands.push_back(names);
        return 0;
    }
};

class CommandManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_levels = MCCommandMgr::GetUndoLevels();
        m_doc->AddStateHandler(&RecordLog::Call, &m_records);
    }
    void TearDown() override { MCCommandMgr::SetUndoLevels(m_levels); }

    CCProbe* Probe(const std::string& name, bool synchronous = true,
                   CCProbe::FailAt fail = CCProbe::Never) {
        auto* probe = new CCProbe(&m_journal, name, fail);
        probe->SetSynchronous(synchronous ? 1 : 0);
        return probe;
    }

    // One undo group holding one synchronous command.
    void Group(const std::string& name) {
        MCCommandMgr::BeginUndo(m_doc.get(), CString(name.c_str()));
        Probe(name)->Apply(m_doc.get());
        MCCommandMgr::EndUndo(m_doc.get());
    }

    Document m_doc;
    Journal m_journal;
    RecordLog m_records;
    int m_levels = 10;
};

TEST_F(CommandManagerTest, RefusesNullArgumentsAndEmptyLists) {
    EXPECT_EQ(MCCommandMgr::ApplyCommand(nullptr, m_doc.get()), 0);
    CCProbe probe(nullptr, "p");
    EXPECT_EQ(MCCommandMgr::ApplyCommand(&probe, nullptr), 0);
    MCCommandList empty;
    EXPECT_EQ(MCCommandMgr::ApplyCommands(&empty, m_doc.get()), 0);
    EXPECT_EQ(MCCommandMgr::ApplyCommands(nullptr, m_doc.get()), 0);
    EXPECT_EQ(probe.GetRefCount(), 0);
}

TEST_F(CommandManagerTest, SynchronousCommandRunsAllPhasesBeforeApplyReturns) {
    HandlerScript handler{&m_journal, "h"};
    m_doc->AddCommandHandler(&HandlerScript::Call, &handler);
    MCCommandMgr::BeginUndo(m_doc.get(), CString("Edit"));
    EXPECT_EQ(Probe("a")->Apply(m_doc.get()), 1);
    EXPECT_EQ(m_journal.Joined(), "a:prepare h:0/1 a:process h:1/1 a:finish");
    EXPECT_EQ(m_doc->GetUndoCount(), 0);
    MCCommandMgr::EndUndo(m_doc.get());
    EXPECT_EQ(m_doc->GetUndoCount(), 1);
    EXPECT_EQ(m_records.codes, std::vector<int>{500});
    EXPECT_EQ(m_records.commands[0], std::vector<std::string>{"a"});
}

TEST_F(CommandManagerTest, AsynchronousCommandRunsAtThePumpAndClosesItsGroup) {
    MCCommandMgr::BeginUndo(m_doc.get(), CString("Later"));
    Probe("a", false)->Apply(m_doc.get());
    MCCommandMgr::EndUndo(m_doc.get());
    EXPECT_TRUE(m_journal.lines.empty());
    EXPECT_EQ(m_doc->GetUndoCount(), 0);
    EXPECT_TRUE(PumpUntil([&] { return m_doc->GetUndoCount() == 1; }));
    EXPECT_EQ(m_journal.Joined(), "a:prepare a:process a:finish");
    EXPECT_EQ(m_records.codes, std::vector<int>{500});
}

TEST_F(CommandManagerTest, GroupIsClosedByTheLastCommandToFinish) {
    MCCommandMgr::BeginUndo(m_doc.get(), CString("Two"));
    Probe("a", false)->Apply(m_doc.get());
    Probe("b", false)->Apply(m_doc.get());
    MCCommandMgr::EndUndo(m_doc.get());
    PumpUntil([&] { return m_journal.lines.size() == 6; });
    ASSERT_EQ(m_doc->GetUndoCount(), 1);
    EXPECT_EQ(m_records.commands, (std::vector<std::vector<std::string>>{{"a", "b"}}));
    m_doc->Undo(1);
    EXPECT_EQ(m_journal.lines.back(), "a:undo");
}

TEST_F(CommandManagerTest, PrepareHandlerPassesRepeatUntilAllAgree) {
    HandlerScript first{&m_journal, "x", {0, 0, 1}};
    HandlerScript second{&m_journal, "y"};
    m_doc->AddCommandHandler(&HandlerScript::Call, &first);
    m_doc->AddCommandHandler(&HandlerScript::Call, &second);
    Probe("a")->Apply(m_doc.get());
    EXPECT_EQ(first.calls, 4); // three prepare passes and the process pass
    EXPECT_EQ(second.calls, 4);
}

TEST_F(CommandManagerTest, HandlerPositionsOrderTheCalls) {
    HandlerScript late{&m_journal, "late"};
    HandlerScript early{&m_journal, "early"};
    HandlerScript middle{&m_journal, "middle"};
    m_doc->GetCommandMgr().AddCommandHandler(&HandlerScript::Call, &late, 0x7FFFFFFF);
    m_doc->GetCommandMgr().AddCommandHandler(&HandlerScript::Call, &early, 0);
    m_doc->GetCommandMgr().AddCommandHandler(&HandlerScript::Call, &middle, 1);
    Probe("a")->Apply(m_doc.get());
    EXPECT_EQ(m_journal.lines[1], "early:0/1");
    EXPECT_EQ(m_journal.lines[2], "middle:0/1");
    EXPECT_EQ(m_journal.lines[3], "late:0/1");
}

TEST_F(CommandManagerTest, FailingPrepareAbortsWithOneRecordAndStopsTheBatch) {
    MCCommandList list;
    list.AddTail(Probe("a"));
    list.AddTail(Probe("b", true, CCProbe::AtPrepare));
    list.AddTail(Probe("c"));
    MCCommandMgr::BeginUndo(m_doc.get(), CString("Fails"));
    list.Apply(m_doc.get());
    MCCommandMgr::EndUndo(m_doc.get());
    EXPECT_EQ(m_journal.Joined(), "a:prepare b:prepare b:abort");
    EXPECT_EQ(m_records.codes, std::vector<int>{501});
    EXPECT_EQ(m_records.commands[0], std::vector<std::string>{"b"});
}

TEST_F(CommandManagerTest, FailingProcessAbortsAfterEarlierCommandsProcessed) {
    MCCommandList list;
    list.AddTail(Probe("a"));
    list.AddTail(Probe("b", true, CCProbe::AtProcess));
    list.Apply(m_doc.get());
    EXPECT_EQ(m_journal.Joined(), "a:prepare b:prepare a:process b:process b:abort");
    EXPECT_EQ(m_records.codes, std::vector<int>{501});
}

TEST_F(CommandManagerTest, HandlerVetoStopsTheBatchWithoutAbort) {
    HandlerScript veto{&m_journal, "v", {-1}};
    m_doc->AddCommandHandler(&HandlerScript::Call, &veto);
    Probe("a")->Apply(m_doc.get());
    EXPECT_EQ(m_journal.Joined(), "a:prepare v:0/1");
    EXPECT_TRUE(m_records.codes.empty());
}

TEST_F(CommandManagerTest, HistoryKeepsTheUndoLimitAndTrashesTheOldest) {
    MCCommandMgr::SetUndoLevels(3);
    const int trashBefore = MCCommandMgr::GetTrashCount();
    for (const char* name : {"1", "2", "3", "4"}) {
        Group(name);
    }
    EXPECT_EQ(m_doc->GetUndoCount(), 3);
    EXPECT_EQ(MCCommandMgr::GetTrashCount(), trashBefore + 1);
    CString text;
    m_doc->GetUndoString(text, 2);
    EXPECT_EQ(text, "2");
    const int alive = CCProbe::Alive();
    MCCommandMgr::OnIdle();
    EXPECT_EQ(MCCommandMgr::GetTrashCount(), 0);
    EXPECT_EQ(CCProbe::Alive(), alive - 1);
}

TEST_F(CommandManagerTest, UndoLevelsAreClamped) {
    MCCommandMgr::SetUndoLevels(-5);
    EXPECT_EQ(MCCommandMgr::GetUndoLevels(), 0);
    MCCommandMgr::SetUndoLevels(20000000);
    EXPECT_EQ(MCCommandMgr::GetUndoLevels(), 10000000);
}

TEST_F(CommandManagerTest, NewWorkDropsTheUndoneEntries) {
    Group("1");
    Group("2");
    Group("3");
    EXPECT_EQ(m_doc->Undo(2), 1);
    EXPECT_EQ(m_doc->GetUndoIndex(), 2);
    Group("4");
    EXPECT_EQ(m_doc->GetUndoCount(), 2);
    EXPECT_EQ(m_doc->GetUndoIndex(), 0);
    EXPECT_EQ(m_doc->Redo(1), 0);
    CString text;
    EXPECT_EQ(m_doc->GetUndoString(text, -1), 1);
    EXPECT_EQ(text, "4");
}

TEST_F(CommandManagerTest, UndoAndRedoReplayEntriesInOneNotifyGroup) {
    EXPECT_EQ(m_doc->Redo(1), 0); // nothing yet
    Group("1");
    Group("2");
    m_journal.lines.clear();
    m_records.codes.clear();
    EXPECT_EQ(m_doc->Undo(0), 0);
    EXPECT_EQ(m_doc->Undo(5), 1);
    EXPECT_EQ(m_journal.Joined(), "2:undo 1:undo");
    EXPECT_EQ(m_doc->GetUndoIndex(), 2);
    CString text;
    EXPECT_EQ(m_doc->GetRedoString(text, -1), 1);
    EXPECT_EQ(text, "1");
    m_journal.lines.clear();
    EXPECT_EQ(m_doc->Redo(1), 1);
    EXPECT_EQ(m_journal.Joined(), "1:prepare 1:process 1:finish");
    EXPECT_EQ(m_records.codes, std::vector<int>{500}); // the redo; the undo raised nothing
    EXPECT_EQ(m_doc->GetUndoIndex(), 1);
    m_doc->SetUndoIndex(0);
    EXPECT_EQ(m_doc->GetUndoIndex(), 0);
}

TEST_F(CommandManagerTest, ClearUndoEmptiesHistoryAndBlocksUndo) {
    Group("1");
    EXPECT_EQ(m_doc->ClearUndo(), 1);
    EXPECT_EQ(m_doc->GetUndoCount(), 0);
    EXPECT_EQ(m_doc->GetUndoIndex(), -1);
    CString text("stale");
    EXPECT_EQ(m_doc->GetUndoString(text, -1), 0);
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_EQ(m_doc->Undo(1), 0);
    EXPECT_EQ(m_doc->Redo(1), 0);
}

TEST_F(CommandManagerTest, UndoIsRefusedWhileAGroupHasUnfinishedCommands) {
    Group("1");
    MCCommandMgr::BeginUndo(m_doc.get(), CString("pending"));
    Probe("late", false)->Apply(m_doc.get());
    EXPECT_EQ(m_doc->Undo(1), 0);
    MCCommandMgr::EndUndo(m_doc.get());
    PumpUntil([&] { return m_doc->GetUndoCount() == 2; });
    EXPECT_EQ(m_doc->Undo(1), 1);
}

TEST_F(CommandManagerTest, CommandRateGathersAsynchronousCommandsIntoOneBatch) {
    HandlerScript handler{&m_journal, "h"};
    m_doc->AddCommandHandler(&HandlerScript::Call, &handler);
    m_doc->SetCommandRate(200);
    MCCommandMgr::BeginNotify(m_doc.get());
    for (const char* name : {"a", "b", "c"}) {
        Probe(name, false)->Apply(m_doc.get());
    }
    MCCommandMgr::EndNotify(m_doc.get());
    EXPECT_TRUE(PumpUntil([&] { return !m_records.codes.empty(); }));
    EXPECT_EQ(m_journal.Joined(), "a:prepare b:prepare c:prepare h:0/3 a:process b:process "
                                  "c:process h:1/3 a:finish b:finish c:finish");
    EXPECT_EQ(m_records.commands, (std::vector<std::vector<std::string>>{{"a", "b", "c"}}));
}

TEST_F(CommandManagerTest, RemovingTheTimerRunsWhatItHolds) {
    m_doc->SetCommandRate(60000);
    Probe("a", false)->Apply(m_doc.get());
    PumpMessages();
    EXPECT_TRUE(m_journal.lines.empty());
    m_doc->SetCommandRate(0);
    EXPECT_EQ(m_journal.Joined(), "a:prepare a:process a:finish");
}

TEST_F(CommandManagerTest, SynchronousCommandOvertakesQueuedOnes) {
    m_doc->SetCommandRate(60000);
    Probe("queued", false)->Apply(m_doc.get());
    PumpMessages();
    Probe("now")->Apply(m_doc.get());
    EXPECT_EQ(m_journal.lines.front(), "now:prepare");
    m_doc->SetCommandRate(0);
    EXPECT_EQ(m_journal.lines.back(), "queued:finish");
}

TEST_F(CommandManagerTest, CommandsAndDocumentReferencesBalance) {
    const int alive = CCProbe::Alive();
    const std::uint16_t documentRefs = m_doc->GetRefCount();
    Group("1");
    Probe("loose")->Apply(m_doc.get());
    Probe("async", false)->Apply(m_doc.get());
    PumpUntil([&] { return m_journal.lines.size() == 9; });
    EXPECT_EQ(m_doc->GetRefCount(), documentRefs);
    EXPECT_EQ(CCProbe::Alive(), alive + 1); // only the history still holds one
    m_doc->ClearUndo();
    EXPECT_EQ(CCProbe::Alive(), alive);
}

TEST(CommandListTest, HoldsReferencesAndFindsOrMakesCommands) {
    auto* probe = new CCProbe(nullptr, "p");
    {
        MCCommandList list;
        list.AddTail(probe);
        EXPECT_EQ(probe->GetRefCount(), 1);
        EXPECT_EQ(list.GetCommand(15, nullptr), probe);
        EXPECT_EQ(list.GetCommand(99, nullptr), nullptr);
        EXPECT_EQ(list.IsSynchronous(), 0);
        list.SetSynchronous(1);
        EXPECT_EQ(list.IsSynchronous(), 1);
        probe->Ref();
    }
    EXPECT_EQ(probe->Unref(1), 0); // the list gave its reference back; this deletes it
    MCCommandList empty;
    EXPECT_EQ(empty.IsSynchronous(), 1);
    EXPECT_EQ(empty.GetTarget(), nullptr);
}

} // namespace
} // namespace clavenor::test
