// Undo groups: the commands applied between BeginUndo and EndUndo form one named history
// entry, undone and redone as one step. A command applied outside any undo group changes the
// document all the same, but the history never hears of it.

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
    // Every command's Prepare needs the document's conductor.
    auto document = std::make_unique<ECPerformance>();
    auto* conductor = new ECConductor;
    Expect(document->AddChild(conductor, 0) == 1, "the document took the conductor");
    auto* staff = new ECStaff;
    Expect(conductor->AddChild(staff, 1) == 1, "the conductor took the staff");

    //! [undo-group]
    int dispatched = 0;
    MCCommandMgr::BeginUndo(document.get(), CString("Add two measures"));
    for (float start : {0.0f, 4.0f}) {
        auto* measure = new ECMeasure;
        MCTime time(start);
        measure->SetTime(&time);
        auto add = MakeRef<CCAdd>(measure, staff, FCMidi::MidiNull());
        add->SetSynchronous(1);                   // runs before Apply returns
        dispatched += add->Apply(document.get()); // 1 each: dispatched (0: nothing to run on)
    }
    MCCommandMgr::EndUndo(document.get()); // the entry enters the history here

    CString name;
    document->GetUndoString(name, -1);    // "Add two measures", for the Edit menu
    const int undone = document->Undo(1); // 1: both measures went (0: nothing to undo)
    const int redone = document->Redo(1); // 1: both came back
    //! [undo-group]
    Expect(dispatched == 2, "both commands were dispatched");
    Expect(undone == 1, "the group was undone");
    Expect(redone == 1, "the group was redone");
    Expect(name == "Add two measures", "the entry carries the group's name");
    Expect(document->GetUndoCount() == 1, "one history entry for the group");
    Expect(staff->GetChildren()->GetCount() == 2, "undo and redo took both measures");

    //! [outside-group]
    auto add = MakeRef<CCAdd>(new ECMeasure, staff, FCMidi::MidiNull());
    add->SetSynchronous(1);
    const int ran = add->Apply(document.get()); // added; no history entry records it
    //! [outside-group]
    Expect(ran == 1, "the command outside a group was dispatched");
    Expect(staff->GetChildren()->GetCount() == 3, "the command outside a group ran");
    Expect(document->GetUndoCount() == 1, "but the history did not grow");

    document.reset();
    MCCommandMgr::OnIdle();
    return g_failures;
}
