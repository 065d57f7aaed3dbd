#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace clavenor::test {
namespace {

class CommandManagerTest : public ::testing::Test {
protected:
    void SetUp() override { m_doc->AddStateHandler(&Handler::State, &m_records); }
    void TearDown() override { MCCommandMgr::SetUndoLevels(m_levels); }

    CCProbe* Probe(const std::string& name, bool synchronous = true,
                   CCProbe::FailAt fail = CCProbe::Never) {
        auto* probe = new CCProbe(&m_journal, name, fail);
        probe->SetSynchronous(synchronous ? 1 : 0);
        return probe;
    }
    void Apply(CCProbe* probe) { EXPECT_EQ(probe->Apply(m_doc.get()), 1); }
    void Begin(const char* name) { MCCommandMgr::BeginUndo(m_doc.get(), CString(name)); }
    void End() { MCCommandMgr::EndUndo(m_doc.get()); }
    // One undo group holding one synchronous command.
    void Group(const char* name) {
        Begin(name);
        Apply(Probe(name));
        End();
    }
    std::string UndoString(int index) {
        CString text;
        m_doc->GetUndoString(text, index);
        return text.str();
    }

    Document m_doc;
    Journal m_journal;
    Journal m_recordLines; // the state records raised
    Handler m_records{&m_recordLines, "rec"};
    int m_levels = MCCommandMgr::GetUndoLevels();
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
    Handler handler{&m_journal, "h"};
    m_doc->AddCommandHandler(&Handler::Command, &handler);
    Begin("Edit");
    EXPECT_EQ(Probe("a")->Apply(m_doc.get()), 1);
    EXPECT_EQ(m_journal.Joined(), "a:prepare h:0/1 a:process h:1/1 a:finish");
    EXPECT_EQ(m_doc->GetUndoCount(), 0);
    End();
    EXPECT_EQ(m_doc->GetUndoCount(), 1);
    EXPECT_EQ(m_recordLines.Joined(), "rec:500:a");
}

// Asynchronous commands run at the pump, the last to finish closes their group, and undo is
// refused while a group has unfinished commands.
TEST_F(CommandManagerTest, AsynchronousCommandsRunAtThePumpAndTheLastToFinishClosesTheGroup) {
    Group("1");
    m_journal.lines.clear();
    m_recordLines.lines.clear();
    Begin("Two");
    Apply(Probe("a", false));
    Apply(Probe("b", false));
    EXPECT_EQ(m_doc->Undo(1), 0);
    End();
    EXPECT_TRUE(m_journal.lines.empty());
    EXPECT_EQ(m_doc->GetUndoCount(), 1);
    EXPECT_TRUE(PumpUntil([&] { return m_doc->GetUndoCount() == 2; }));
    EXPECT_EQ(m_journal.lines.size(), 6u);
    EXPECT_EQ(m_recordLines.Joined(), "rec:500:a:b");
    EXPECT_EQ(m_doc->Undo(1), 1);
    EXPECT_EQ(m_journal.lines.back(), "a:undo");
}

// A document that goes runs the commands and records still queued for it, inside its
// destructor, and nothing queued for another document or for the host.
TEST_F(CommandManagerTest, ADocumentThatGoesRunsOnlyItsOwnQueuedWork) {
    auto* going = new ECPerformance;
    ASSERT_EQ(going->AddChild(new ECConductor, 0), 1);
    auto* mine = new CCProbe(&m_journal, "mine");
    mine->SetSynchronous(0);
    ASSERT_EQ(mine->Apply(going), 1);
    auto* record = new SCStatus(7);
    record->Apply(going);
    Apply(Probe("theirs", false));
    bool hostRan = false;
    PostToOwnerThread([&] { hostRan = true; });
    EXPECT_EQ(CMessageQueue::GetQueuedCount(going), 2u);

    delete going;
    EXPECT_EQ(m_journal.Joined(), "mine:prepare mine:process mine:finish");
    EXPECT_EQ(CMessageQueue::GetQueuedCount(m_doc.get()), 1u);
    EXPECT_FALSE(hostRan);

    PumpUntil([&] { return hostRan && m_journal.lines.size() == 6; });
    EXPECT_TRUE(hostRan);
    EXPECT_EQ(m_journal.lines.size(), 6u);
    EXPECT_EQ(m_journal.lines.back(), "theirs:finish");
}

TEST_F(CommandManagerTest, HandlersRunInPositionOrderAndPreparePassesRepeatUntilAllAgree) {
    Handler late{&m_journal, "late", {0, 0, 1}}, early{&m_journal, "early"},
        middle{&m_journal, "middle"};
    m_doc->GetCommandMgr().AddCommandHandler(&Handler::Command, &late, 0x7FFFFFFF);
    m_doc->GetCommandMgr().AddCommandHandler(&Handler::Command, &early, 0);
    m_doc->GetCommandMgr().AddCommandHandler(&Handler::Command, &middle, 1);
    Apply(Probe("a"));
    EXPECT_EQ(m_journal.Joined(), "a:prepare early:0/1 middle:0/1 late:0/1 early:0/1 middle:0/1 "
                                  "late:0/1 early:0/1 middle:0/1 late:0/1 a:process early:1/1 "
                                  "middle:1/1 late:1/1 a:finish");
}

TEST_F(CommandManagerTest, AFailingPhaseAbortsWithOneRecordAndStopsTheBatch) {
    const std::pair<CCProbe::FailAt, const char*> cases[] = {
        {CCProbe::AtPrepare, "a:prepare b:prepare b:abort"},
        {CCProbe::AtProcess, "a:prepare b:prepare c:prepare a:process b:process b:abort"}};
    for (const auto& [fail, journal] : cases) {
        m_journal.lines.clear();
        m_recordLines.lines.clear();
        MCCommandList list;
        ASSERT_NE(list.AddTail(Probe("a")), nullptr);
        ASSERT_NE(list.AddTail(Probe("b", true, fail)), nullptr);
        ASSERT_NE(list.AddTail(Probe("c")), nullptr);
        Begin("Fails");
        EXPECT_EQ(1, list.Apply(m_doc.get()));
        End();
        EXPECT_EQ(m_journal.Joined(), journal);
        EXPECT_EQ(m_recordLines.Joined(), "rec:501:b");
        EXPECT_EQ(m_doc->GetUndoCount(), 0);
    }

    // A handler's veto stops the batch without an abort or a record.
    Handler veto{&m_journal, "v", {-1}};
    m_doc->AddCommandHandler(&Handler::Command, &veto);
    m_journal.lines.clear();
    Apply(Probe("a"));
    EXPECT_EQ(m_journal.Joined(), "a:prepare v:0/1");
    EXPECT_EQ(m_recordLines.Joined(), "rec:501:b");
}

TEST_F(CommandManagerTest, HistoryKeepsTheUndoLimitAndTrashesTheOldest) {
    MCCommandMgr::SetUndoLevels(-5);
    EXPECT_EQ(MCCommandMgr::GetUndoLevels(), 0);
    MCCommandMgr::SetUndoLevels(20000000);
    EXPECT_EQ(MCCommandMgr::GetUndoLevels(), 10000000);
    MCCommandMgr::SetUndoLevels(3);
    const int trashBefore = MCCommandMgr::GetTrashCount();
    for (const char* name : {"1", "2", "3", "4"}) {
        Group(name);
    }
    EXPECT_EQ(m_doc->GetUndoCount(), 3);
    EXPECT_EQ(MCCommandMgr::GetTrashCount(), trashBefore + 1);
    EXPECT_EQ(UndoString(2), "2");
    const int alive = CCProbe::Alive();
    MCCommandMgr::OnIdle();
    EXPECT_EQ(MCCommandMgr::GetTrashCount(), 0);
    EXPECT_EQ(CCProbe::Alive(), alive - 1);
}

TEST_F(CommandManagerTest, UndoAndRedoReplayEntriesAndNewWorkDropsTheUndoneOnes) {
    EXPECT_EQ(m_doc->Redo(1), 0); // nothing yet
    for (const char* name : {"1", "2", "3"}) {
        Group(name);
    }
    m_journal.lines.clear();
    m_recordLines.lines.clear();
    EXPECT_EQ(m_doc->Undo(0), 0);
    EXPECT_EQ(m_doc->Undo(5), 1);
    EXPECT_EQ(m_journal.Joined(), "3:undo 2:undo 1:undo");
    CString text;
    EXPECT_EQ(m_doc->GetUndoIndex(), 3);
    EXPECT_EQ(m_doc->GetRedoString(text, -1), 1);
    EXPECT_EQ(text, "1");
    m_journal.lines.clear();
    EXPECT_EQ(m_doc->Redo(1), 1);
    EXPECT_EQ(m_journal.Joined(), "1:prepare 1:process 1:finish");
    EXPECT_EQ(m_recordLines.Joined(), "rec:500:1"); // the redo; the undo raised nothing
    EXPECT_EQ(m_doc->GetUndoIndex(), 2);
    Group("4");
    EXPECT_EQ(m_doc->GetUndoCount(), 2);
    EXPECT_EQ(m_doc->GetUndoIndex(), 0);
    EXPECT_EQ(m_doc->Redo(1), 0);
    EXPECT_EQ(UndoString(-1), "4");
    EXPECT_EQ(m_doc->ClearUndo(), 1);
    EXPECT_EQ(m_doc->GetUndoCount(), 0);
    EXPECT_EQ(m_doc->GetUndoIndex(), -1);
    text = "stale";
    EXPECT_EQ(m_doc->GetUndoString(text, -1), 0);
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_EQ(m_doc->Undo(1), 0);
}

TEST_F(CommandManagerTest, CommandRateGathersAsynchronousCommandsAndSynchronousOnesOvertake) {
    Handler handler{&m_journal, "h"};
    m_doc->AddCommandHandler(&Handler::Command, &handler);
    m_doc->SetCommandRate(200);
    MCCommandMgr::BeginNotify(m_doc.get());
    for (const char* name : {"a", "b", "c"}) {
        Apply(Probe(name, false));
    }
    MCCommandMgr::EndNotify(m_doc.get());
    EXPECT_TRUE(PumpUntil([&] { return !m_recordLines.lines.empty(); }));
    EXPECT_EQ(m_journal.Joined(), "a:prepare b:prepare c:prepare h:0/3 a:process b:process "
                                  "c:process h:1/3 a:finish b:finish c:finish");
    EXPECT_EQ(m_recordLines.Joined(), "rec:500:a:b:c");

    m_journal.lines.clear();
    m_doc->SetCommandRate(60000);
    Apply(Probe("queued", false));
    PumpMessages();
    EXPECT_TRUE(m_journal.lines.empty());
    Apply(Probe("now"));
    EXPECT_EQ(m_journal.lines.front(), "now:prepare");
    m_doc->SetCommandRate(0);
    EXPECT_EQ(m_journal.lines.back(), "queued:finish");
}

// Regression: a batch gathered by the timer gave back one reference on the document per
// dispatch only when it ran to the end.
TEST_F(CommandManagerTest, AThrowingHandlerInAGatheredBatchGivesEveryReferenceBack) {
    struct Throwing {
        static int Call(ECBase*, int, void*, void*) { throw std::runtime_error("handler"); }
    };
    const std::uint16_t documentRefs = m_doc->GetRefCount();
    const int alive = CCProbe::Alive();
    m_doc->SetCommandRate(1);
    m_doc->AddCommandHandler(&Throwing::Call, nullptr);
    Apply(Probe("a", false));
    Apply(Probe("b", false));
    bool thrown = false;
    for (int i = 0; i < 1000 && !thrown; ++i) {
        try {
            PumpMessages(std::chrono::milliseconds(5));
        } catch (const std::runtime_error&) {
            thrown = true;
        }
    }
    EXPECT_TRUE(thrown);
    EXPECT_EQ(m_doc->GetRefCount(), documentRefs);
    EXPECT_EQ(CCProbe::Alive(), alive);
    m_doc->SetCommandRate(0);
}

// Each group of a run of edits reaches the handlers in a record of its own, flagged as every
// new record is, however the manager comes by its memory; a record the host deletes during
// the delivery, of a class derived from the record, goes wherever its own memory belongs.
TEST_F(CommandManagerTest, EachGroupOfARunIsHandedOverInAFreshRecord) {
    struct HostRecord : SCCommand {
        char extra[40] = {};
    };
    struct Seen {
        std::vector<std::string> records;
        HostRecord* hosts = nullptr;
        static int Call(ECBase*, int, void* data, void* user) {
            auto* self = static_cast<Seen*>(user);
            auto* record = static_cast<SCCommand*>(data);
            self->records.push_back(std::to_string(record->GetCode()) + " auto " +
                                    std::to_string(record->IsAutoDelete()) + " sync " +
                                    std::to_string(record->IsSynchronous()) + " commands " +
                                    std::to_string(record->GetCommands().GetCount()));
            delete std::exchange(self->hosts, nullptr);
            return 0;
        }
    } seen;
    m_doc->AddStateHandler(&Seen::Call, &seen);
    for (const char* name : {"1", "2", "3"}) {
        seen.hosts = new HostRecord;
        Group(name);
    }
    const std::string fresh = "500 auto 1 sync 1 commands 1";
    EXPECT_EQ(seen.records, (std::vector<std::string>{fresh, fresh, fresh}));
    EXPECT_EQ(m_recordLines.Joined(), "rec:500:1 rec:500:2 rec:500:3");
}

TEST_F(CommandManagerTest, CommandsAndDocumentReferencesBalance) {
    const int alive = CCProbe::Alive();
    const std::uint16_t documentRefs = m_doc->GetRefCount();
    Group("1");
    Apply(Probe("loose"));
    Apply(Probe("async", false));
    PumpUntil([&] { return m_journal.lines.size() == 9; });
    EXPECT_EQ(m_doc->GetRefCount(), documentRefs);
    EXPECT_EQ(CCProbe::Alive(), alive + 1); // only the history still holds one
    m_doc->ClearUndo();
    EXPECT_EQ(CCProbe::Alive(), alive);
}

} // namespace
} // namespace clavenor::test
