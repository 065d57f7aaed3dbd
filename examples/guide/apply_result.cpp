// What Apply's result means, and where failure is reported. Apply returns 1 when the command
// was dispatched, not when it succeeded: a command whose Prepare, Process or Finish fails
// aborts its batch, and the host learns of it from a change record with code 501
// (SCCommand::CodeAborted) delivered to its state handlers, at once.

#include <clavenor/clavenor.h>

#include <cstdio>
#include <memory>

using namespace clavenor;

namespace {

int g_failures = 0;

void Expect(bool fact, const char* what) {
    std::printf("%s: %s\n", fact ? "ok" : "FAILED", what);
    g_failures += fact ? 0 : 1;
}

//! [failure-handler]
// Counts the commands of the batches that failed.
int OnAbort(ECBase*, int, void* data, void* userData) {
    auto* record = static_cast<SCBase*>(data);
    if (record->GetCode() == SCCommand::CodeAborted) {
        *static_cast<int*>(userData) += static_cast<SCCommand*>(record)->GetCommands().GetCount();
    }
    return 0;
}
//! [failure-handler]

} // namespace

int main() {
    // No conductor: every command's Prepare fails on this document.
    auto document = std::make_unique<ECPerformance>();
    auto* staff = new ECStaff;
    Expect(document->AddChild(staff, 1) == 1, "the document took the staff");
    int failed = 0;
    document->AddStateHandler(&OnAbort, &failed);

    //! [apply-result]
    auto add = MakeRef<CCAdd>(new ECMeasure, staff, FCMidi::MidiNull());
    add->SetSynchronous(1);
    const int dispatched = add->Apply(document.get()); // 1: dispatched, and then it failed
    const int refused = add->Apply(nullptr);           // 0: nothing to dispatch to
    //! [apply-result]
    Expect(dispatched == 1, "Apply reported the dispatch");
    Expect(refused == 0, "Apply refused a null document");
    Expect(failed == 1, "the state handler heard of the failed command");
    Expect(staff->GetChildren()->IsEmpty(), "the document did not change");

    document.reset();
    MCCommandMgr::OnIdle();
    return g_failures;
}
