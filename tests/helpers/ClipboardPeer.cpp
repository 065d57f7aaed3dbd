// A second host for the cross-process clipboard tests: copies music onto, or pastes it
// from, a shared clipboard in the folder it is given, through the library's commands.
//
//   clavenor_clipboard_peer FOLDER copy NOTES        copy a measure of NOTES notes
//   clavenor_clipboard_peer FOLDER copy-loop ROUNDS  copy 200 and 201 notes by turns
//   clavenor_clipboard_peer FOLDER paste             paste; print what arrived
//
// Exit status: 0 done, 1 the command failed, 2 usage.

#include <clavenor/clavenor.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace clavenor;

namespace {

constexpr int kInfoKey = 1;
constexpr int kFailedRecord = 501;

bool g_failed = false;

int OnRecord(ECBase*, int, void* data, void*) {
    if (static_cast<SCBase*>(data)->GetCode() == kFailedRecord) {
        g_failed = true;
    }
    return 0;
}

// The peer builds its score from fresh elements, so a refused link is a fault of the peer.
void Link(ECBase* parent, ECBase* child, int sorted) {
    if (parent->AddChild(child, sorted) != 1) {
        std::fprintf(stderr, "clavenor_clipboard_peer: a link of the score was refused\n");
        std::exit(1);
    }
}

// A document with one staff and one measure holding `notes` notes, half a beat apart.
ECPerformance* MakeScore(int notes, ECMeasure*& measure) {
    auto* score = new ECPerformance;
    auto* conductor = new ECConductor;
    Link(score, conductor, 0);
    auto* staff = new ECStaff;
    Link(conductor, staff, 1);
    measure = new ECMeasure;
    MCTime zero(0.0f);
    measure->SetTime(&zero);
    Link(staff, measure, 1);
    for (int i = 0; i < notes; ++i) {
        Link(measure, new ECNote(MCTime(0.5f * static_cast<float>(i)), MCTime(0.5f)), 1);
    }
    return score;
}

int Copy(int notes) {
    ECMeasure* measure = nullptr;
    ECPerformance* score = MakeScore(notes, measure);
    auto* copy = new CCCopy;
    copy->SetSynchronous(1);
    copy->CopyEvents(measure->GetChildren());
    const std::string origin = "peer " + std::to_string(notes);
    copy->CopyInfo(kInfoKey, origin.c_str(), static_cast<int>(origin.size() + 1));
    g_failed = false;
    score->AddStateHandler(&OnRecord, nullptr);
    const int applied = copy->Apply(score);
    delete score;
    MCCommandMgr::OnIdle();
    return applied == 1 && !g_failed ? 0 : 1;
}

int Paste() {
    ECMeasure* measure = nullptr;
    ECPerformance* score = MakeScore(0, measure);
    auto* paste = new CCPaste;
    paste->SetSynchronous(1);
    paste->Ref();
    const int applied = paste->Apply(score);
    const void* info = paste->GetInfo(kInfoKey);
    MCEventList& events = paste->GetEvents();
    std::printf("notes=%d type=%d info=%s", events.GetCount(),
                paste->GetDataInfo() != nullptr ? paste->GetDataInfo()->GetEventType() : -1,
                info != nullptr ? static_cast<const char*>(info) : "-");
    if (!events.IsEmpty()) {
        std::printf(" first=%g last=%g",
                    static_cast<double>(events.GetHead()->GetTime()->GetSeconds()),
                    static_cast<double>(events.GetTail()->GetTime()->GetSeconds()));
    }
    std::printf(" error=%s\n", paste->GetError().IsEmpty() ? "-" : paste->GetError().GetString());
    const int status = applied == 1 && paste->GetError().IsEmpty() ? 0 : 1;
    paste->Unref(1);
    delete score;
    MCCommandMgr::OnIdle();
    return status;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s FOLDER copy NOTES | copy-loop ROUNDS | paste\n", argv[0]);
        return 2;
    }
    CSharedDataTransfer clipboard(argv[1]);
    CDataTransfer::SetActive(&clipboard);
    const std::string verb = argv[2];
    if (verb == "copy" && argc == 4) {
        return Copy(std::atoi(argv[3]));
    }
    if (verb == "copy-loop" && argc == 4) {
        for (int round = 0; round < std::atoi(argv[3]); ++round) {
            if (Copy(200 + round % 2) != 0) {
                return 1;
            }
        }
        return 0;
    }
    if (verb == "paste" && argc == 3) {
        return Paste();
    }
    std::fprintf(stderr, "usage: %s FOLDER copy NOTES | copy-loop ROUNDS | paste\n", argv[0]);
    return 2;
}
