// Uses the installed package as a host would: builds a small graph, saves and reloads it, and
// checks that every element kind is known even to a static link that names none of them.

#include <clavenor/clavenor.h>

#include <cstdio>
#include <memory>

using namespace clavenor;

int main() {
    const int classes = RegisterClasses();

    auto document = std::make_unique<ECPerformance>();
    auto staff = MakeRef<ECStaff>();
    const int linked = document->AddChild(staff.Get(), 1);
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        document->Serialize(ar);
        ar.Close();
    }
    file.SeekToBegin();
    auto copy = std::make_unique<ECPerformance>();
    copy->SetVersion(ECPerformance::WriteVersion);
    ECPerformance* previous = ECPerformance::SetActivePerformance(copy.get());
    {
        CArchive ar(&file, CArchive::load);
        copy->Serialize(ar);
        ar.Close();
    }
    ECPerformance::SetActivePerformance(previous);
    int children = 0;
    for (ECBase* child : *copy->GetChildren()) {
        children += child->GetEventId() == EventId::Staff ? 1 : 0;
    }

    // Nothing here names the wave track class: only the registration makes it known.
    Ref<ECBase> track(CreateEvent(EventId::WaveTrack));
    const bool ok = classes > 0 && linked == 1 && children == 1 && track &&
                    CRuntimeClass::FromName("ECWaveTrack") == track->GetRuntimeClass();
    std::printf("consumer linked against the installed clavenor (%d classes): %s\n", classes,
                ok ? "ok" : "FAILED");
    return ok ? 0 : 1;
}
