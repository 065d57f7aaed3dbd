// Notify groups: the host's state handlers hear of finished commands in change records
// (SCCommand, code 500), one record per notify group holding all its commands. An undo
// group is a notify group too. A command applied outside both produces no record.

#include <clavenor/clavenor.h>

#include <cstdio>
#include <memory>
#include <vector>

using namespace clavenor;

namespace {

int g_failures = 0;

void Expect(bool fact, const char* what) {
    std::printf("%s: %s\n", fact ? "ok" : "FAILED", what);
    g_failures += fact ? 0 : 1;
}

//! [handler]
// A state handler: runs on the owning thread for every record delivered to the document.
// The record belongs to the state manager, which deletes it after the delivery.
int OnChange(ECBase* /*document*/, int /*code*/, void* data, void* userData) {
    auto* record = static_cast<SCBase*>(data);
    auto* commandsPerRecord = static_cast<std::vector<int>*>(userData);
    if (auto* finished = dynamic_cast<SCCommand*>(record)) {
        if (record->GetCode() == SCCommand::CodeFinished) {
            commandsPerRecord->push_back(finished->GetCommands().GetCount());
        }
    }
    return 0;
}
//! [handler]

void AddMeasure(ECPerformance* document, ECBase* staff) {
    auto add = MakeRef<CCAdd>(new ECMeasure, staff, FCMidi::MidiNull());
    add->SetSynchronous(1);
    Expect(add->Apply(document) == 1, "a command was dispatched");
}

} // namespace

int main() {
    auto document = std::make_unique<ECPerformance>();
    auto* conductor = new ECConductor;
    Expect(document->AddChild(conductor, 0) == 1, "the document took the conductor");
    auto* staff = new ECStaff;
    Expect(conductor->AddChild(staff, 1) == 1, "the conductor took the staff");
    std::vector<int> commandsPerRecord;

    //! [notify-group]
    document->AddStateHandler(&OnChange, &commandsPerRecord);

    MCCommandMgr::BeginNotify(document.get());
    for (int i = 0; i < 3; ++i) {
        AddMeasure(document.get(), staff);
    }
    MCCommandMgr::EndNotify(document.get()); // one record with three commands, now

    AddMeasure(document.get(), staff); // no group: changed, but no record at all
    //! [notify-group]
    Expect(commandsPerRecord == std::vector<int>{3}, "one record held the group's three commands");
    Expect(staff->GetChildren()->GetCount() == 4, "all four commands ran");

    document.reset();
    MCCommandMgr::OnIdle();
    return g_failures;
}
