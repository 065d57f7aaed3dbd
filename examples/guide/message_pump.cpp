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
    document->AddChild(conductor, 0);
    auto* staff = new ECStaff;
    conductor->AddChild(staff, 1);

    //! [asynchronous]
    auto add = MakeRef<CCAdd>(new ECMeasure, staff, FCMidi::MidiNull());
    add->Apply(document.get()); // asynchronous (the default): queued, not run yet
    const int before = staff->GetChildren()->GetCount(); // 0
    PumpMessages();                                      // runs it, on this thread
    //! [asynchronous]
    Expect(before == 0, "nothing ran before the pump");
    Expect(staff->GetChildren()->GetCount() == 1, "the pump ran the command");

    //! [other-thread]
    // The document belongs to the owning thread: another thread hands its edit over,
    // and RunOnOwnerThread blocks that thread until the owning thread has pumped it.
    std::atomic<bool> done{false};
    std::thread worker([&] {
        RunOnOwnerThread([&] {
            auto late = MakeRef<CCAdd>(new ECMeasure, staff, FCMidi::MidiNull());
            late->SetSynchronous(1);
            late->Apply(document.get());
        });
        done = true;
    });
    while (!done) {
        PumpMessages(std::chrono::milliseconds(10)); // the host's event loop
    }
    worker.join();
    //! [other-thread]
    Expect(staff->GetChildren()->GetCount() == 2, "the other thread's command ran here");

    document.reset();
    MCCommandMgr::OnIdle();
    return g_failures;
}
