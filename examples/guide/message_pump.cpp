// The message pump: commands and change records run on one thread, the owning thread (the
// thread that constructed the first performance). Asynchronous commands, and anything other
// threads apply, wait there until the host pumps its messages.

#include <clavenor/clavenor.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

using namespace clavenor;

namespace {

int g_failures = 0;

void Expect(bool fact, const char* what) {
    std::printf("%s: %s\n", fact ? "ok" : "FAILED", what);
    g_failures += fact ? 0 : 1;
}

} // namespace

int main() {
    auto document = std::make_unique<ECPerformance>(); // this thread now owns the queue
    auto* conductor = new ECConductor;
    Expect(document->AddChild(conductor, 0) == 1, "the document took the conductor");
    auto* staff = new ECStaff;
    Expect(conductor->AddChild(staff, 1) == 1, "the conductor took the staff");

    //! [asynchronous]
    auto add = MakeRef<CCAdd>(new ECMeasure, staff, FCMidi::MidiNull());
    const int queued = add->Apply(document.get());       // asynchronous (the default): 1, queued
    const int before = staff->GetChildren()->GetCount(); // 0
    PumpMessages();                                      // runs it, on this thread
    //! [asynchronous]
    Expect(queued == 1, "the command was queued");
    Expect(before == 0, "nothing ran before the pump");
    Expect(staff->GetChildren()->GetCount() == 1, "the pump ran the command");

    //! [other-thread]
    // The document belongs to the owning thread: another thread hands its edit over,
    // and RunOnOwnerThread blocks that thread until the owning thread has pumped it.
    std::atomic<bool> done{false};
    int dispatched = 0;
    std::thread worker([&] {
        RunOnOwnerThread([&] {
            auto late = MakeRef<CCAdd>(new ECMeasure, staff, FCMidi::MidiNull());
            late->SetSynchronous(1);
            dispatched = late->Apply(document.get()); // on the owning thread, so no race
        });
        done = true;
    });
    while (!done) {
        PumpMessages(std::chrono::milliseconds(10)); // the host's event loop
    }
    worker.join();
    //! [other-thread]
    Expect(dispatched == 1, "the other thread's command was dispatched");
    Expect(staff->GetChildren()->GetCount() == 2, "the other thread's command ran here");

    document.reset();
    MCCommandMgr::OnIdle();
    return g_failures;
}
