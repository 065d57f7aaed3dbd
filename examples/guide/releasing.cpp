// Releasing a graph. The host owns each document (std::unique_ptr); elements and commands
// are reference counted, and a host holds them with Ref<T>. Deleting a document releases
// its whole graph; an element the host still holds survives, detached. History entries
// that left the history wait for OnIdle.

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

} // namespace

int main() {
    //! [ownership]
    Ref<ECBase> kept;
    int links = 0; // what AddChild answered: 1 for each link made, 0 for one refused
    {
        auto document = std::make_unique<ECPerformance>();
        auto* conductor = new ECConductor;
        links += document->AddChild(conductor, 0);
        auto* staff = new ECStaff;
        links += conductor->AddChild(staff, 1);
        for (int i = 0; i < 4; ++i) {
            links += staff->AddChild(new ECMeasure, 0);
        }
        int measures = 0;
        for (ECBase* child : *staff->GetChildren()) { // range-for over any element list
            measures += child->GetEventId() == EventId::Measure ? 1 : 0;
        }
        std::printf("%d measures\n", measures);
        kept = Ref<ECBase>(staff->GetChildren()->GetHead()); // one more reference
    } // the document goes, and its whole graph with it, except what a handle holds
    const bool detached = kept->GetParents()->IsEmpty(); // true: it has no parent now
    kept.Reset();                                        // the last reference: the measure goes
    //! [ownership]
    Expect(links == 6, "every link was made");
    Expect(detached, "the kept measure survived its document, detached");

    //! [subtree]
    // A free-standing subtree: the last handle on its root releases everything below it.
    int linked = 0;
    {
        auto staff = MakeRef<ECStaff>();
        auto measure = MakeRef<ECMeasure>();
        linked = staff->AddChild(measure.Get(), 0); // 0 if refused: the handle still frees it
    } // both handles gone: the staff and its measure are released
    //! [subtree]
    Expect(linked == 1, "the staff took the measure");

    //! [idle]
    // History entries pushed out of the history (or dropped by new work) are freed here,
    // with the commands and elements they still hold. Call it from the host's idle time.
    MCCommandMgr::OnIdle();
    //! [idle]
    return g_failures;
}
