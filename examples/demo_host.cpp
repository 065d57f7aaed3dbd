// A small host: builds an element graph, saves and reloads it, walks it, drives a document
// through commands with handlers, undo and redo, adds controller data whose values it pulls
// block by block as a player would, copies a measure's notes from one document into another
// through the clipboard, edits a score with every kind of edit command and undoes and redoes
// all of it, and lists the filters of its plug-ins. It prints what it did, and exits with a
// failure status when undo or redo did not give back the score's saved bytes.

#include <clavenor/clavenor.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace clavenor;

namespace {

// What the model refuses, it answers with 0 (or a null position) and leaves as it was; a
// host checks, or goes on with a smaller score than it thinks it has. The demo stops.
[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "demo_host: %s\n", what.c_str());
    std::exit(EXIT_FAILURE);
}

// AddChild refuses a child already there, one that would make a cycle, and any when no
// memory is left.
void Link(ECBase* parent, ECBase* child, int sorted) {
    if (parent->AddChild(child, sorted) == 0) {
        Fail(std::string("a ") + parent->GetRuntimeClass()->m_lpszClassName + " refused a " +
             child->GetRuntimeClass()->m_lpszClassName);
    }
}

// Apply answers 0 for a command that never ran (no document, or it could not be queued);
// how a batch that ran fared is the failure watch's and the handlers' business.
void Dispatch(CCBase& command, ECPerformance* document) {
    if (command.Apply(document) == 0) {
        Fail(std::string("a ") + command.GetRuntimeClass()->m_lpszClassName + " did not run");
    }
}

// Undo and redo answer 0 when they did nothing; the demo says so rather than go on as if.
void Undo(ECPerformance* document) {
    if (document->Undo(1) == 0) {
        std::printf("  (nothing was undone)\n");
    }
}

void Redo(ECPerformance* document) {
    if (document->Redo(1) == 0) {
        std::printf("  (nothing was redone)\n");
    }
}

void PrintTree(ECBase* element, int indent) {
    std::printf("%*s%s (event %d", indent * 2, "", element->GetRuntimeClass()->m_lpszClassName,
                element->GetEventId());
    if (MCTime* time = element->GetTime()) {
        if (*time != MCTime::TimeNull()) {
            std::printf(", time %g", static_cast<double>(time->GetSeconds()));
        }
    }
    std::printf(", %u reference%s)\n", element->GetRefCount(),
                element->GetRefCount() == 1 ? "" : "s");
    if (MCEventList* children = element->GetChildren()) {
        for (ECBase* child : *children) {
            PrintTree(child, indent + 1);
        }
    }
}

// A small command of this host: moves one element in time, and undoes itself by applying the
// opposite move. It holds its element by a handle (spelt in full: inside a command, Ref names
// the command's own member function).
class CCNudge : public CCBase {
public:
    CCNudge(ECBase* element, float delta) : m_element(element), m_delta(delta) {}

    int Process() override {
        MCTime time = *m_element->GetTime();
        time += MCTime(m_delta);
        m_element->SetTime(&time);
        return CCBase::Process();
    }
    void Undo() override {
        auto back = MakeRef<CCNudge>(m_element.Get(), -m_delta);
        back->SetSynchronous(IsSynchronous());
        // An exception from Undo passes on to whoever undoes: the entry is then put back.
        if (back->Apply(GetTarget()) == 0) {
            throw std::runtime_error("the opposite move did not run");
        }
    }
    float Delta() const { return m_delta; }

private:
    clavenor::Ref<ECBase> m_element;
    float m_delta;
};

const char* PhaseName(int phase) {
    return phase == MCCommandMgr::PhasePrepare ? "prepare" : "process";
}

int PrintCommandPhase(ECBase*, int phase, void* data, void*) {
    std::printf("    command handler: %s pass over %d command(s)\n", PhaseName(phase),
                static_cast<MCCommandList*>(data)->GetCount());
    return 1;
}

int PrintRecord(ECBase*, int, void* data, void*) {
    auto* record = static_cast<SCBase*>(data);
    std::printf("    state handler: record %d", record->GetCode());
    if (auto* commands = dynamic_cast<SCCommand*>(record)) {
        std::printf(" with moves");
        for (CCBase* command : commands->GetCommands()) {
            std::printf(" %+g", static_cast<double>(static_cast<CCNudge*>(command)->Delta()));
        }
    }
    std::printf("\n");
    return 0;
}

void ShowCommandRoad() {
    std::printf("\ndriving a document through commands:\n");
    auto document = std::make_unique<ECPerformance>();
    Link(document.get(), new ECConductor, 0);
    auto* element = new ECWithTime;
    MCTime start(1.0f);
    element->SetTime(&start);
    Link(document.get(), element, 1);
    document->AddCommandHandler(&PrintCommandPhase, nullptr);
    document->AddStateHandler(&PrintRecord, nullptr);
    auto time = [element] { return static_cast<double>(element->GetTime()->GetSeconds()); };

    std::printf("  an undo group of two synchronous moves:\n");
    MCCommandMgr::BeginUndo(document.get(), CString("Move twice"));
    for (float delta : {0.5f, 0.25f}) {
        auto move = MakeRef<CCNudge>(element, delta);
        move->SetSynchronous(1);
        Dispatch(*move, document.get());
    }
    MCCommandMgr::EndUndo(document.get());
    CString name;
    document->GetUndoString(name, -1);
    std::printf("  time is now %g; the history holds %d entry, \"%s\"\n", time(),
                document->GetUndoCount(), name.GetString());

    std::printf("  undo:\n");
    Undo(document.get());
    std::printf("  time is back at %g\n  redo:\n", time());
    Redo(document.get());
    std::printf("  time is again %g\n", time());

    std::printf("  three asynchronous moves gathered by a command rate of 50 ms:\n");
    document->SetCommandRate(50);
    MCCommandMgr::BeginUndo(document.get(), CString("Drag"));
    for (int i = 0; i < 3; ++i) {
        Dispatch(*MakeRef<CCNudge>(element, 1.0f), document.get());
    }
    MCCommandMgr::EndUndo(document.get());
    std::printf("  applied; nothing has run yet (time %g); pumping the host's loop\n", time());
    while (document->GetUndoCount() < 2) {
        PumpMessages(std::chrono::milliseconds(100));
    }
    std::printf("  time is %g after one batch; %d entries in the history\n", time(),
                document->GetUndoCount());

    document.reset();
    MCCommandMgr::OnIdle();
}

void PrintNamedTree(ECBase* element, int indent) {
    std::printf("%*s%s", indent * 2, "", GetEventString(element).GetString());
    if (MCTime* time = element->GetTime()) {
        std::printf(" at %g", static_cast<double>(time->GetSeconds()));
    }
    if (MCTime* duration = element->GetDuration()) {
        std::printf(" for %g", static_cast<double>(duration->GetSeconds()));
    }
    std::printf("\n");
    if (MCEventList* children = element->GetChildren()) {
        for (ECBase* child : *children) {
            PrintNamedTree(child, indent + 1);
        }
    }
}

ECNote* MakeNote(float time, float length) {
    MCTime start(time);
    MCTime duration(length);
    return new ECNote(start, duration);
}

// The bytes a host saves for `document` (the main pass, then the fix-up pass).
std::vector<std::uint8_t> SavedBytes(ECPerformance* document) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    document->Serialize(ar);
    ACPostSerialize post(ar);
    post.Apply(document);
    ar.Close();
    return file.Detach();
}

// Saves a document the way a host does and loads the bytes into a new performance of the
// version written.
std::unique_ptr<ECPerformance> SaveAndReload(ECPerformance* document) {
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        document->Serialize(ar);
        ACPostSerialize post(ar);
        post.Apply(document);
        ar.Close();
    }
    std::printf("  saved %llu bytes\n", static_cast<unsigned long long>(file.GetLength()));
    file.SeekToBegin();
    auto reloaded = std::make_unique<ECPerformance>();
    reloaded->SetVersion(ECPerformance::WriteVersion);
    ECPerformance* previous = ECPerformance::SetActivePerformance(reloaded.get());
    {
        CArchive ar(&file, CArchive::load);
        reloaded->Serialize(ar);
        ACPostSerialize post(ar);
        post.Apply(reloaded.get());
        ar.Close();
    }
    ECPerformance::SetActivePerformance(previous);
    return reloaded;
}

void ShowScore() {
    std::printf("\nentering a small score through commands:\n");
    auto score = std::make_unique<ECPerformance>();
    auto* conductor = new ECConductor;
    Link(score.get(), conductor, 0);
    auto* staff = new ECStaff;
    Link(conductor, staff, 1);
    ECMeasure* measures[2];
    for (int i = 0; i < 2; ++i) {
        measures[i] = new ECMeasure;
        MCTime start(static_cast<float>(4 * i));
        measures[i]->SetTime(&start);
        Link(staff, measures[i], 1);
    }

    MCCommandMgr::BeginUndo(score.get(), CString("Enter notes"));
    auto add = MakeRef<CCAdd>();
    add->SetSynchronous(1);
    auto* chord = new ECChord;
    MCTime zero(0.0f);
    chord->SetTime(&zero);
    add->Add(chord, measures[0], FCMidi::MidiNull());
    for (int pitch : {60, 64, 67}) {
        add->Add(MakeNote(0.0f, 2.0f), chord,
                 FCMidi(static_cast<std::uint32_t>(0x00640090 | (pitch << 8))));
    }
    auto* rest = new ECRest(5);
    MCTime two(2.0f);
    rest->SetTime(&two);
    add->Add(rest, measures[0], FCMidi::MidiNull());
    for (int i = 0; i < 4; ++i) {
        add->Add(MakeNote(4.0f + static_cast<float>(i), 1.0f), measures[1], FCMidi::MidiNull());
    }
    Dispatch(*add, score.get());
    MCCommandMgr::EndUndo(score.get());

    auto reloaded = SaveAndReload(score.get());
    std::printf("  the reloaded score:\n");
    PrintNamedTree(reloaded.get(), 2);
    std::printf("  the rest's length from its type: %g quarter notes\n",
                static_cast<double>(ECRest::GetRestDuration(5, 0).GetSeconds()));

    Undo(score.get());
    ACCount notes;
    notes.AddEvtType(EventId::Note);
    notes.Apply(score.get());
    std::printf("  after undo the original score holds %d notes; after redo ",
                notes.GetEventCount());
    Redo(score.get());
    notes.Reset();
    notes.Apply(score.get());
    std::printf("%d\n", notes.GetEventCount());

    reloaded.reset();
    score.reset();
    MCCommandMgr::OnIdle();
}

template <class T>
T* AtTime(T* element, float time) {
    MCTime at(time);
    element->SetTime(&at);
    return element;
}

// Runs `command` synchronously in an undo entry of its own.
void Run(ECPerformance* score, CCBase* command, const char* name) {
    MCCommandMgr::BeginUndo(score, CString(name));
    command->SetSynchronous(1);
    Dispatch(*command, score);
    MCCommandMgr::EndUndo(score);
}

void PrintBars(ECConductor* conductor, int track) {
    ECConductorStaff* track0 = conductor->GetConductorStaff();
    for (int number = 1; number <= track0->GetMaxMeasureNumber(); ++number) {
        ECMeasure* bar = conductor->GetMeasure(track, number);
        std::printf("    bar %d at %g:", number, static_cast<double>(bar->GetTime()->GetSeconds()));
        for (ECBase* child : *bar->GetChildren()) {
            std::printf(" %s", GetEventString(child).GetString());
            if (MCTime* time = child->GetTime()) {
                std::printf("@%g", static_cast<double>(time->GetSeconds()));
            }
        }
        std::printf("\n");
    }
}

void ShowNotation() {
    std::printf("\nnotation, then a meter change that re-bars the score:\n");
    auto score = std::make_unique<ECPerformance>();
    auto* conductor = new ECConductor;
    Link(score.get(), conductor, 0);
    ECConductorStaff* track0 = conductor->GetConductorStaff();
    Link(track0->GetMeterEnv(), AtTime(new ECMeter(4, 4, 0), 0.0f), 1);
    auto* staff = static_cast<ECStaff*>(conductor->GetTrack(ECConductor::KindStaff, 1, 1));
    conductor->GetMeasure(0, MCTime(23.5f), 1, 1);
    auto bar = [conductor](int number) { return conductor->GetMeasure(1, number); };

    // Six bars of quarter notes, but for a triplet of eighths on the first beat of bar 2.
    auto add = MakeRef<CCAdd>();
    add->SetSynchronous(1);
    add->Add(AtTime(new ECClef(0), 0.0f), bar(1), FCMidi::MidiNull());
    add->Add(AtTime(new ECKey(0, 0, 0), 0.0f), bar(1), FCMidi::MidiNull());
    std::vector<ECNote*> notes;
    for (int beat = 0; beat < 24; ++beat) {
        if (beat == 4) {
            auto* triplet = AtTime(new ECTuplet(3, 2, 3), 4.0f);
            add->Add(triplet, bar(2), FCMidi::MidiNull());
            for (int i = 0; i < 3; ++i) {
                add->Add(MakeNote(4.0f + static_cast<float>(i) / 3.0f, 0.5f), triplet,
                         FCMidi::MidiNull());
            }
            continue;
        }
        ECNote* note = MakeNote(static_cast<float>(beat), 1.0f);
        note->SetVoiceTrack(0, 1);
        add->Add(note, bar(beat / 4 + 1), FCMidi::MidiNull());
        notes.push_back(note);
    }
    Dispatch(*add, score.get());

    auto lines = MakeRef<CCAdd>();
    lines->SetSynchronous(1);
    auto* tie = new ECTie;
    lines->Add(tie, staff, FCMidi::MidiNull());
    lines->Add(notes[2], tie, FCMidi::MidiNull());
    lines->Add(notes[3], tie, FCMidi::MidiNull());
    auto* slur = new ECSlur;
    lines->Add(slur, staff, FCMidi::MidiNull());
    for (int i = 6; i < 10; ++i) {
        lines->Add(notes[static_cast<std::size_t>(i)], slur, FCMidi::MidiNull());
    }
    auto* beam = AtTime(new ECBeam, 0.0f);
    lines->Add(beam, bar(1), FCMidi::MidiNull());
    lines->Add(notes[0], beam, FCMidi::MidiNull());
    lines->Add(notes[1], beam, FCMidi::MidiNull());
    for (int i : {12, 14}) {
        lines->Add(new ECAccent(1), notes[static_cast<std::size_t>(i)], FCMidi::MidiNull());
    }
    Dispatch(*lines, score.get());

    Run(score.get(), new CCAddKey(AtTime(new ECKey(2, 0, 0), 8.0f), bar(3)), "Key change");
    Run(score.get(), new CCAddClef(AtTime(new ECClef(2), 12.0f), bar(4)), "Clef change");
    std::printf("  in 4/4, with a key change in bar 3 and a clef change in bar 4:\n");
    PrintBars(conductor, 1);

    const std::vector<std::uint8_t> before = SavedBytes(score.get());
    auto meter = MakeRef<CCAddMeter>(AtTime(new ECMeter(3, 4, ECMeter::TypeComputed), 8.0f));
    // The entry holds the command too; the handle keeps it readable afterwards.
    Run(score.get(), meter.Get(), "3/4 from bar 3");
    std::printf("  in 3/4 from bar 3 (%d bars appended from bar %d):\n",
                meter->GetAddedMeasureCount(), meter->GetFirstAddedMeasure());
    PrintBars(conductor, 1);
    std::printf("  the key of bar 5 has %d sharps; the clef of bar 5 is %s\n",
                staff->GetKeyAtTime(*bar(5)->GetTime(), 0)->GetNumSharps(),
                GetEventString(staff->GetClefAtTime(*bar(5)->GetTime(), 0)).GetString());
    const std::vector<std::uint8_t> after = SavedBytes(score.get());
    Undo(score.get());
    const bool undone = SavedBytes(score.get()) == before;
    Redo(score.get());
    std::printf("  undo gives back the saved bytes of before: %s; redo those of after: %s\n",
                undone ? "yes" : "no", SavedBytes(score.get()) == after ? "yes" : "no");

    score.reset();
    MCCommandMgr::OnIdle();
}

// Pulls the values of `envelope` block by block, as a player does, and prints the changes.
void PlayBlocks(ECEnvelope* envelope, const char* name, float end) {
    std::printf("  %s:", name);
    envelope->Reset();
    for (float from = 0.0f; from < end; from += 1.0f) {
        CArray<EVALUE> values;
        envelope->GetValues(MCTime(from), MCTime(from + 1.0f), 1.0f, values, 1);
        std::printf(" |");
        for (int i = 0; i < values.GetSize(); ++i) {
            std::printf(" %g@%g", static_cast<double>(values[i].value),
                        static_cast<double>(values[i].time.GetSeconds()));
        }
    }
    std::printf("\n");
}

void ShowControllerData() {
    std::printf("\nadding controller data through commands:\n");
    auto score = std::make_unique<ECPerformance>();
    auto* conductor = new ECConductor;
    Link(score.get(), conductor, 0);
    auto* staff = new ECStaff;
    Link(conductor, staff, 1);

    auto midi = [](int status, int data1, int data2) {
        return FCMidi(static_cast<std::uint32_t>(status | (data1 << 8) | (data2 << 16)));
    };
    constexpr int kControl = 0xB0;
    constexpr int kVolume = 7;
    constexpr int kSustain = 64;

    // A volume ramp from silence to 100 over the first four beats.
    auto* volume = new ECControllerEnv;
    volume->SetControllerType(kVolume);
    volume->SetMinDeltaTime(MCTime(0.25f));
    auto* rampStart = AtTime(new ECControlChange(kVolume), 0.0f);
    rampStart->SetStyle(ECEnvPoint::StyleLinear);
    rampStart->SetValue(0.0f);
    auto* rampEnd = AtTime(new ECControlChange(kVolume), 4.0f);
    rampEnd->SetValue(100.0f);

    // A sustain pedal held from beat 1 to beat 3.
    auto* sustain = new ECControllerEnv;
    sustain->SetControllerType(kSustain);
    auto* down = AtTime(new ECPedal(0, MCTime(2.0f)), 1.0f);
    down->SetControllerNum(kSustain);
    down->SetValue(127.0f);
    auto* up = AtTime(new ECPedal(0, MCTime(0.0f)), 3.0f);
    up->SetControllerNum(kSustain);
    up->SetValue(0.0f);

    // A forte on beat 2, sounding with the velocity the user's preferences give it.
    auto* dynamics = new ECEnvelope;
    dynamics->SetEnvelopeName(CString("Velocity"));
    dynamics->SetDefaultValue(static_cast<float>(GetDynamicValue(5)));
    auto* forte = AtTime(new ECDynamic(6, MCTime(0.0f)), 2.0f);
    forte->SetValue(static_cast<float>(GetDynamicValue(forte->GetDynamicType())));

    MCCommandMgr::BeginUndo(score.get(), CString("Controller data"));
    auto add = MakeRef<CCAdd>();
    add->SetSynchronous(1);
    for (ECEnvelope* envelope :
         {static_cast<ECEnvelope*>(volume), static_cast<ECEnvelope*>(sustain), dynamics}) {
        add->Add(envelope, staff, FCMidi::MidiNull());
    }
    add->Add(rampStart, volume, midi(kControl, kVolume, 0));
    add->Add(rampEnd, volume, midi(kControl, kVolume, 100));
    add->Add(down, sustain, midi(kControl, kSustain, 127));
    add->Add(up, sustain, midi(kControl, kSustain, 0));
    add->Add(forte, dynamics, FCMidi::MidiNull());
    Dispatch(*add, score.get());
    MCCommandMgr::EndUndo(score.get());

    MCEventList pedalMark;
    if (pedalMark.AddTail(down) == nullptr || pedalMark.AddTail(up) == nullptr) {
        Fail("no memory for the pedal mark's list");
    }
    sustain->AddAnchorGroup(&pedalMark);
    std::printf("  a \"%s\" ramp, a \"%s\" mark of %d points kept together, and a \"%s\" "
                "at velocity %g\n",
                GetControllerString(kVolume, ControllerNumbered).GetString(),
                GetControllerString(kSustain, ControllerName).GetString(),
                sustain->GetAnchorGroup(up)->GetCount(), GetEventString(forte).GetString(),
                static_cast<double>(forte->GetValue()));
    std::printf("  what a player pulls, one beat per block (value@time):\n");
    PlayBlocks(volume, "volume ", 5.0f);
    PlayBlocks(sustain, "sustain", 5.0f);
    PlayBlocks(dynamics, "velocity", 5.0f);

    Undo(score.get());
    std::printf("  after undo the staff holds %d envelopes\n", staff->GetChildren()->GetCount());
    add.Reset();
    score.reset();
    MCCommandMgr::OnIdle();
}

// Where each note of a score falls: its measure, its bar, beat and tick (counted from 1 for
// reading) and the second at which it sounds.
std::string DescribeNotes(ECPerformance* score) {
    ECConductor* conductor = score->GetConductor();
    ECConductorStaff* track0 = conductor->GetConductorStaff();
    ACFindEvents find;
    find.AddEvtType(EventId::Note);
    find.Apply(score);
    MCEventList* notes = find.GetEvents();
    notes->Sort();
    std::string lines;
    char line[160];
    for (ECBase* note : *notes) {
        MCTime position = *note->GetTime();
        track0->GetMeterEnv()->GetBarPulseTick(position, MCTime::GlobalPPQ);
        MCTime clock = *note->GetTime();
        track0->GetTempoEnv()->GetClockTime(clock);
        const BPTTime& bpt = position.GetBarPulseTick();
        std::snprintf(line, sizeof line,
                      "    staff %d, quarter %5.2f: measure %d, bar %d beat %d tick %3d, %6.3f s\n",
                      note->GetTrack(), static_cast<double>(note->GetTime()->GetSeconds()),
                      conductor->GetMeasureNumberAtTime(*note->GetTime()), bpt.bar + 1,
                      bpt.pulse + 1, bpt.tick, static_cast<double>(clock.GetSeconds()));
        lines += line;
    }
    return lines;
}

void ShowTimeline() {
    std::printf("\na score built through its conductor:\n");
    auto score = std::make_unique<ECPerformance>();
    auto* conductor = new ECConductor;
    Link(score.get(), conductor, 0);

    MCCommandMgr::BeginUndo(score.get(), CString("Set up the score"));
    // The conductor staff, the staves and the meter and tempo maps come into the document
    // through commands the first time they are asked for.
    conductor->GetTrack(ECConductor::KindStaff, 1, 1);
    conductor->GetTrack(ECConductor::KindStaff, 2, 1);
    ECConductorStaff* track0 = conductor->GetConductorStaff();
    auto marks = MakeRef<CCAdd>();
    marks->SetSynchronous(1);
    ECBase* meters = track0->GetMeterEnv();
    marks->Add(AtTime(new ECMeter(4, 4, 0), 0.0f), meters, FCMidi::MidiNull());
    marks->Add(AtTime(new ECMeter(3, 4, ECMeter::TypeComputed), 16.0f), meters, FCMidi::MidiNull());
    // 96 to the quarter, a change to 72 at the third bar that speeds up evenly to 132 at the
    // sixth.
    ECBase* tempi = track0->GetTempoEnv();
    auto* start = AtTime(new ECTempo, 0.0f);
    // Positive tempi, which SetTempo takes (it refuses only one that is not).
    (void)start->SetTempo(96.0f, 1.0f);
    auto* change = AtTime(new ECTempo(ECTempo::TypeAccelerando, MCTime(11.0f)), 8.0f);
    (void)change->SetTempo(72.0f, 1.0f);
    change->SetStyle(ECEnvPoint::StyleLinear);
    auto* arrival = AtTime(new ECTempo, 19.0f);
    (void)arrival->SetTempo(132.0f, 1.0f);
    for (ECTempo* mark : {start, change, arrival}) {
        marks->Add(mark, tempi, FCMidi::MidiNull());
    }
    Dispatch(*marks, score.get());
    MCCommandMgr::EndUndo(score.get());

    // Eight measures: four of 4/4 until the 3/4 meter takes over at quarter 16.
    conductor->GetMeasure(0, MCTime(27.5f), 1, 1);
    std::printf("  %d measures, ending at quarter %g\n", conductor->GetMaxMeasureNumber(),
                static_cast<double>(conductor->GetMaxMeasureEndTime().GetSeconds()));

    MCCommandMgr::BeginUndo(score.get(), CString("Enter notes"));
    auto notes = MakeRef<CCAdd>();
    notes->SetSynchronous(1);
    const float melody[] = {0.0f,  1.0f,  2.0f,  3.0f,  4.0f,  6.0f,  8.0f,
                            12.0f, 16.0f, 17.5f, 19.0f, 22.0f, 25.0f, 27.0f};
    auto enter = [&](int staff, float time, float length) {
        ECNote* note = MakeNote(time, length);
        note->SetVoiceTrack(0, staff);
        notes->Add(note, conductor->GetMeasure(staff, MCTime(time), 0, 1), FCMidi::MidiNull());
    };
    for (float time : melody) {
        enter(1, time, 1.0f);
    }
    for (float time : {0.0f, 8.0f, 16.0f, 25.0f}) {
        enter(2, time, 3.0f);
    }
    Dispatch(*notes, score.get());
    MCCommandMgr::EndUndo(score.get());

    const std::string before = DescribeNotes(score.get());
    std::printf("  where the notes fall:\n%s", before.c_str());
    auto reloaded = SaveAndReload(score.get());
    const std::string after = DescribeNotes(reloaded.get());
    std::printf("  the reloaded score:\n%s  %s\n", after.c_str(),
                after == before ? "the same answers" : "DIFFERENT answers");

    // Two measures go in before the third: everything from there on moves two bars later,
    // and every staff gets the new measures. Undo gives back exactly the score of before.
    const std::vector<std::uint8_t> saved = SavedBytes(score.get());
    MCCommandMgr::BeginUndo(score.get(), CString("Insert measures"));
    auto insert = MakeRef<CCAddMeasure>(2, 2);
    insert->SetSynchronous(1);
    Dispatch(*insert, score.get());
    MCCommandMgr::EndUndo(score.get());
    std::printf("  two measures inserted before measure 3, in %d/%d: %d measures, ending at "
                "quarter %g\n",
                insert->GetMeter()->GetNumerator(), insert->GetMeter()->GetDenominator(),
                conductor->GetMaxMeasureNumber(),
                static_cast<double>(conductor->GetMaxMeasureEndTime().GetSeconds()));
    std::printf("  where the notes fall now:\n%s", DescribeNotes(score.get()).c_str());
    const std::vector<std::uint8_t> inserted = SavedBytes(score.get());
    Undo(score.get());
    const bool undone = SavedBytes(score.get()) == saved;
    Redo(score.get());
    const bool redone = SavedBytes(score.get()) == inserted;
    std::printf("  undo gives back %s, redo %s\n",
                undone ? "the bytes saved before" : "DIFFERENT bytes",
                redone ? "those saved after" : "DIFFERENT bytes");

    insert.Reset();
    marks.Reset();
    notes.Reset();
    reloaded.reset();
    score.reset();
    MCCommandMgr::OnIdle();
}

// A document with one staff and one measure starting at time 0.
std::unique_ptr<ECPerformance> MakeScore(ECMeasure*& measure) {
    auto score = std::make_unique<ECPerformance>();
    auto* conductor = new ECConductor;
    Link(score.get(), conductor, 0);
    auto* staff = new ECStaff;
    Link(conductor, staff, 1);
    measure = new ECMeasure;
    MCTime zero(0.0f);
    measure->SetTime(&zero);
    Link(staff, measure, 1);
    return score;
}

void ShowClipboard() {
    std::printf("\ncopying a measure's notes from one document into another:\n");
    ECMeasure* source = nullptr;
    ECMeasure* target = nullptr;
    auto from = MakeScore(source);
    auto to = MakeScore(target);
    for (float t : {0.0f, 1.0f, 2.0f, 3.0f}) {
        Link(source, MakeNote(t, 1.0f), 1);
    }

    // The copy goes to the process's clipboard; it changes nothing and is never undone.
    auto copy = MakeRef<CCCopy>();
    copy->SetSynchronous(1);
    copy->CopyEvents(source->GetChildren());
    Dispatch(*copy, from.get());
    std::printf("  the clipboard holds \"%s\" and \"%s\": %s\n", MCClipFormat::MusicData,
                MCClipFormat::MusicInfo, CCPaste::ClipboardHasValidData() ? "yes" : "no");

    // The paste reads new elements; a CCAdd puts them into the other document, undoably.
    auto paste = MakeRef<CCPaste>();
    paste->SetSynchronous(1);
    Dispatch(*paste, to.get());
    std::printf("  pasted %d notes (event type %d)\n", paste->GetEvents().GetCount(),
                paste->GetDataInfo() != nullptr ? paste->GetDataInfo()->GetEventType() : -1);
    auto add = MakeRef<CCAdd>();
    add->SetSynchronous(1);
    for (ECBase* pasted : paste->GetEvents()) {
        add->Add(pasted, target, FCMidi::MidiNull());
    }
    MCCommandMgr::BeginUndo(to.get(), CString("Paste"));
    Dispatch(*add, to.get());
    MCCommandMgr::EndUndo(to.get());

    // The copies share nothing with the originals: moving an original moves no copy.
    MCTime later(8.0f);
    source->GetChildren()->GetHead()->SetTime(&later);
    std::printf("  the target measure after moving the first original to 8:\n");
    PrintNamedTree(target, 2);
    CString undo;
    to->GetUndoString(undo, -1);
    std::printf("  the target's history: \"%s\"\n", undo.GetString());

    add.Reset();
    paste.Reset();
    copy.Reset();
    from.reset();
    to.reset();
    MCCommandMgr::OnIdle();
}

// A step of the edit road that the library refused: the demo cannot go on meaningfully, so
// it says which and stops with a failure status.
[[noreturn]] void Refused(const char* what) {
    std::fprintf(stderr, "clavenor_demo: %s was refused\n", what);
    std::exit(EXIT_FAILURE);
}

void Link(ECBase* parent, ECBase* child, const char* what) {
    if (parent->AddChild(child, 1) == 0) {
        Refused(what);
    }
}

// Applies `command` synchronously in an undo group of its own named `name`, as a host's menu
// command does; stops the demo when it was refused or its batch failed.
void Edit(ECPerformance* score, CCBase* command, const char* name) {
    MCCommandMgr::FailureWatch failures(score->GetCommandMgr());
    const int entries = score->GetUndoCount();
    MCCommandMgr::BeginUndo(score, CString(name));
    command->SetSynchronous(1);
    const int applied = command->Apply(score);
    MCCommandMgr::EndUndo(score);
    if (applied == 0 || failures.GetFailures() != 0 || score->GetUndoCount() != entries + 1) {
        Refused(name);
    }
}

// The score of the edit road: two staves over eight 4/4 bars at 96 to the quarter, quarter
// notes in bars 1 to 4 of staff 1 (each with a record of its pitch), half notes in bars 1 to
// 4 of staff 2 and a chord at the start of bar 5, a key at the start of each staff, and
// volume, sustain and transposition envelopes on staff 1. Built outside undo groups, with the
// history cleared afterwards: the road's entries are the only ones.
struct EditRoadScore {
    std::unique_ptr<ECPerformance> document = std::make_unique<ECPerformance>();
    ECConductor* conductor = new ECConductor;
    ECControllerEnv* volume = new ECControllerEnv;
    ECControllerEnv* sustain = new ECControllerEnv;
    ECEnvelope* transposition = new ECEnvelope;
    ECNote* chord[3] = {};

    EditRoadScore() {
        Link(document.get(), conductor, "the conductor");
        conductor->GetTrack(ECConductor::KindStaff, 1, 1);
        conductor->GetTrack(ECConductor::KindStaff, 2, 1);
        ECConductorStaff* track0 = conductor->GetConductorStaff();
        Link(track0->GetMeterEnv(), AtTime(new ECMeter(4, 4, 0), 0.0f), "the opening meter");
        auto* tempo = AtTime(new ECTempo, 0.0f);
        (void)tempo->SetTempo(96.0f, 1.0f); // a positive tempo, which SetTempo takes
        Link(track0->GetTempoEnv(), tempo, "the opening tempo");
        conductor->GetMeasure(0, MCTime(31.5f), 1, 1);

        auto add = MakeRef<CCAdd>();
        add->SetSynchronous(1);
        auto place = [&add](ECBase* child, ECBase* parent, std::uint32_t midi) {
            if (add->Add(child, parent, FCMidi(midi)) == nullptr) {
                Refused("an element of the score");
            }
        };
        constexpr std::uint32_t kNoteOn = 0x00640090; // velocity 100, pitch to be or'ed in
        for (int staff = 1; staff <= 2; ++staff) {
            place(AtTime(new ECKey(0, 0, 0), 0.0f), Bar(staff, 1), 0);
        }
        for (int beat = 0; beat < 16; ++beat) {
            ECNote* note = MakeNote(static_cast<float>(beat), 1.0f);
            note->SetVoiceTrack(0, 1);
            place(note, Bar(1, beat / 4 + 1), kNoteOn | static_cast<std::uint32_t>(60 + beat) << 8);
        }
        for (int half = 0; half < 8; ++half) {
            ECNote* note = MakeNote(2.0f * static_cast<float>(half), 2.0f);
            note->SetVoiceTrack(0, 2);
            place(note, Bar(2, half / 2 + 1), kNoteOn | 48u << 8);
        }
        auto* triad = AtTime(new ECChord, 16.0f);
        place(triad, Bar(2, 5), 0);
        for (int i = 0; i < 3; ++i) {
            chord[i] = MakeNote(16.0f, 4.0f);
            chord[i]->SetVoiceTrack(0, 2);
            place(chord[i], triad, kNoteOn | static_cast<std::uint32_t>(48 + 4 * i) << 8);
        }
        volume->SetControllerType(7);
        sustain->SetControllerType(64);
        transposition->SetEnvelopeName(CString("Transposition"));
        for (ECEnvelope* envelope :
             {static_cast<ECEnvelope*>(volume), static_cast<ECEnvelope*>(sustain), transposition}) {
            place(envelope, Staff(1), 0);
        }
        if (add->Apply(document.get()) == 0) {
            Refused("the score");
        }
        for (int beat = 0; beat < 16; ++beat) {
            auto* record = static_cast<DCNote*>(NoteAt(1, static_cast<float>(beat))->GetData(1, 1));
            if (record == nullptr) {
                Refused("a note's record");
            }
            record->SetPitch(static_cast<std::uint8_t>(60 + beat));
        }
        document->ClearUndo();
    }

    ECStaff* Staff(int number) const {
        return static_cast<ECStaff*>(conductor->GetTrack(ECConductor::KindStaff, number, 0));
    }
    ECMeasure* Bar(int staff, int number) const { return conductor->GetMeasure(staff, number); }
    // The note of `staff` at `time`, in the measure that holds the time.
    ECNote* NoteAt(int staff, float time) const {
        ECMeasure* bar = conductor->GetMeasure(staff, MCTime(time), 0, 0);
        for (ECBase* child : *bar->GetChildren()) {
            if (child->GetEventId() == EventId::Note && child->GetTime()->GetSeconds() == time) {
                return static_cast<ECNote*>(child);
            }
        }
        Refused("a note the demo looks for");
    }
    int Staves() const { return conductor->GetMaxTrackNumber(ECConductor::KindStaff); }
};

// The value of an envelope mark's end point (the last of the command's first anchor list).
float EndValue(CCAddEnvPoint* command) {
    return static_cast<ECEnvPoint*>(command->GetEnvItem(0)->GetAnchorList()->GetTail())->GetValue();
}

void ShowMarks(EditRoadScore& s) {
    ECPerformance* score = s.document.get();
    auto* level = AtTime(new ECControlChange(7), 0.0f);
    level->SetValue(90.0f);
    Edit(score, MakeRef<CCAddEnvPoint>(level, s.volume).Get(), "Volume point");
    std::printf("  CCAddEnvPoint      a volume point of %g at the start\n",
                static_cast<double>(level->GetValue()));

    auto* crescendo = AtTime(new ECDynamic(11, MCTime(4.0f)), 4.0f);
    auto dynamic = MakeRef<CCAddDynamic>(crescendo, s.volume);
    Edit(score, dynamic.Get(), "Crescendo");
    std::printf("  CCAddDynamic       a crescendo over bar 2 ramps the volume from %g to %g\n",
                static_cast<double>(crescendo->GetValue()),
                static_cast<double>(EndValue(dynamic.Get())));

    auto* down = AtTime(new ECPedal(0, MCTime(2.0f)), 8.0f);
    auto pedal = MakeRef<CCAddPedal>(down, s.sustain);
    Edit(score, pedal.Get(), "Pedal");
    std::printf("  CCAddPedal         the sustain pedal down at quarter 8 (%g), up at 10 (%g)\n",
                static_cast<double>(down->GetValue()), static_cast<double>(EndValue(pedal.Get())));

    auto* octave = AtTime(new ECTranspose(0, MCTime(4.0f)), 12.0f);
    auto transpose = MakeRef<CCAddTranspose>(octave, s.transposition);
    Edit(score, transpose.Get(), "8va");
    std::printf("  CCAddTranspose     an octave up over bar 4: %+g semitones, then %+g\n",
                static_cast<double>(octave->GetValue()),
                static_cast<double>(EndValue(transpose.Get())));

    auto* accelerando = AtTime(new ECTempo(ECTempo::TypeAccelerando, MCTime(4.0f)), 16.0f);
    ECTempoEnv* tempi = s.conductor->GetConductorStaff()->GetTempoEnv();
    auto tempo = MakeRef<CCAddTempo>(accelerando, tempi);
    Edit(score, tempo.Get(), "Accelerando");
    std::printf("  CCAddTempo         an accelerando over bar 5, from %g to %g to the quarter\n",
                static_cast<double>(accelerando->GetValue()),
                static_cast<double>(EndValue(tempo.Get())));

    ECBase* crescendoEnd = dynamic->GetEnvItem(0)->GetAnchorList()->GetTail();
    Edit(score, MakeRef<CCRemoveEnvPoint>(static_cast<ECEnvPoint*>(crescendoEnd)).Get(),
         "Remove crescendo");
    std::printf("  CCRemoveEnvPoint   removing the crescendo's end takes its start along: %d "
                "volume point left\n",
                s.volume->GetPointCount());

    auto* accent = new ECAccent;
    Edit(score, MakeRef<CCAddNoteModifier>(accent, s.chord[0]->GetParents()->GetHead()).Get(),
         "Accent");
    int accents = 0;
    for (ECNote* note : s.chord) {
        accents += note->GetChildren()->GetCount();
    }
    std::printf("  CCAddNoteModifier  an accent on the chord of bar 5 goes to each note: %d "
                "accents\n",
                accents);

    auto* triplet = AtTime(new ECTuplet(3, 2, 3), 20.0f);
    for (int i = 0; i < 3; ++i) {
        ECNote* note = MakeNote(20.0f + static_cast<float>(i) / 3.0f, 1.0f / 3.0f);
        note->SetVoiceTrack(0, 2);
        Link(triplet, note, "a note of the triplet");
    }
    auto tuplet = MakeRef<CCAddTuplet>(triplet, s.Bar(2, 6), FCMidi::MidiNull());
    Edit(score, tuplet.Get(), "Triplet");
    std::printf("  CCAddTuplet        a triplet of %d eighths at the start of bar 6 of staff 2\n",
                tuplet->GetNotes().GetCount());

    FCMidiSysEx reset;
    reset.SetGMSystemOn(0x7F);
    auto* message = AtTime(new ECSystemMessage(0), 0.0f);
    Edit(score, MakeRef<CCAddSysEx>(message, s.conductor->GetConductorStaff(), reset).Get(),
         "GM reset");
    std::printf("  CCAddSysEx         a General MIDI reset of %u bytes at the start\n",
                reset.GetSysExBufLength());
}

void ShowEdits(EditRoadScore& s, LCBase& filter) {
    ECPerformance* score = s.document.get();
    ECKey* key = s.Staff(1)->GetKeyAtTime(MCTime(0.0f), 0);
    auto edit = MakeRef<CCEdit>();
    static_cast<ECKey*>(edit->EditEvent(key)->GetEditCopy())->SetNumSharps(2);
    Edit(score, edit.Get(), "Key");
    std::printf("  CCEdit             the key of staff 1 edited in place: %d sharps\n",
                key->GetNumSharps());

    ECNote* third = s.NoteAt(1, 2.0f);
    auto* pitch = static_cast<DCNote*>(third->GetData(1, 0));
    auto data = MakeRef<CCEditData>();
    static_cast<DCNote*>(data->EditData(pitch, 1)->GetDataCopy())->SetPitch(63);
    Edit(score, data.Get(), "Pitch");
    std::printf("  CCEditData         the record of the note at quarter 2: pitch %d\n",
                pitch->GetPitch());

    auto edited = MakeRef<CCEditFilter>();
    edited->EditFilter(&filter)->GetFilterCopy()->SetPriority(5);
    Edit(score, edited.Get(), "Filter");
    std::printf("  CCEditFilter       a filter's priority, kept outside the document: %d\n",
                filter.GetPriority());

    ECNote* first = s.NoteAt(1, 0.0f);
    MCTime half(0.5f);
    Edit(score, MakeRef<CCEditDuration>(first, &half).Get(), "Duration");
    std::printf("  CCEditDuration     the first note shortened to %g quarter\n",
                static_cast<double>(first->GetDuration()->GetSeconds()));

    ECNote* moved = s.NoteAt(1, 4.0f);
    MCTime later(24.0f);
    Edit(score, MakeRef<CCEditTime>(moved, &later).Get(), "Move note");
    std::printf("  CCEditTime         the note at quarter 4 moved to %g, into measure %d\n",
                static_cast<double>(moved->GetTime()->GetSeconds()),
                s.conductor->GetMeasureNumberAtTime(*moved->GetTime()));

    ECNote* relinked = s.NoteAt(1, 9.0f);
    auto graph = MakeRef<CCEditGraph>();
    CCEditGraph::Items items;
    items.push_back(std::make_unique<CCEditGraphItem>(relinked));
    graph->SetGraphItems(1, items);
    MCEventList none;
    items.clear();
    items.push_back(std::make_unique<CCEditGraphItem>(relinked, s.Bar(2, 3), none));
    graph->SetGraphItems(0, items);
    Edit(score, graph.Get(), "Relink note");
    std::printf("  CCEditGraph        the note at quarter 9 relinked into bar 3 of staff %d\n",
                relinked->GetParents()->GetHead() == s.Bar(2, 3) ? 2 : 1);
}

void ShowTrackEdits(EditRoadScore& s) {
    ECPerformance* score = s.document.get();
    auto group = MakeRef<CCGroupStaves>();
    group->GroupStaves(1, 2, 0);
    Edit(score, group.Get(), "Group staves");
    std::printf("  CCGroupStaves      staves %d to %d grouped\n", group->GetFirstStaff(),
                group->GetLastStaff());

    auto add = MakeRef<CCAddTrack>();
    add->AddMidiTrack(1, 1);
    Edit(score, add.Get(), "New staff");
    std::printf("  CCAddTrack         a new staff %d, with %d measures\n", s.Staves(),
                s.Staff(s.Staves())->GetChildren()->GetCount());

    // Staff 1 holds no chord or tuplet: the redo of a copy of one does not yet give back the
    // bytes of the copy (a chord's notes come back loose beside it).
    auto copy = MakeRef<CCCopyTracks>();
    copy->CopyTrack(s.Staff(1));
    Edit(score, copy.Get(), "Copy staff");
    std::printf("  CCCopyTracks       staff 1 copied as staff %d with %d elements of its "
                "measures\n",
                s.Staves(), copy->GetMeasureCopies().GetCount());

    ECStaff* fresh = s.Staff(3);
    ECStaff* copied = s.Staff(4);
    auto order = MakeRef<CCOrderTracks>();
    order->OrderTrack(fresh, 4);
    order->OrderTrack(copied, 3);
    Edit(score, order.Get(), "Exchange staves");
    std::printf("  CCOrderTracks      the new staff and the copy exchange numbers: the copy is "
                "staff %d\n",
                s.Staff(3) == copied ? 3 : 4);
}

void ShowRemoval(EditRoadScore& s) {
    ECPerformance* score = s.document.get();
    MCEventList selection;
    auto select = [&selection](ECBase* element) {
        if (selection.AddTail(element) == nullptr) {
            Refused("a selected element");
        }
    };
    // No chord or tuplet: the undo of their removal brings them back without their members
    // (see CCRemove), which the byte check below would rightly report.
    select(s.sustain->GetPointAtIndex(0)); // the pedal mark
    select(s.NoteAt(1, 10.0f));
    select(s.NoteAt(2, 12.0f));
    MCCommandList commands;
    if (ConfigureRemove(&selection, &commands) == 0) {
        Refused("the removal of a selection");
    }
    std::string made;
    for (CCBase* command : commands) {
        made += std::string(made.empty() ? "" : ", ") + command->GetRuntimeClass()->m_lpszClassName;
    }
    commands.SetSynchronous(1);
    MCCommandMgr::FailureWatch failures(score->GetCommandMgr());
    MCCommandMgr::BeginUndo(score, CString("Delete"));
    const int applied = commands.Apply(score);
    MCCommandMgr::EndUndo(score);
    if (applied == 0 || failures.GetFailures() != 0) {
        Refused("the removal of a selection");
    }
    std::printf("  ConfigureRemove    a pedal mark and a note of each staff: %s\n", made.c_str());
}

// Every family of edit commands on one score, each in an undo group of its own, then the whole
// history undone and redone: the saved bytes must come back each way. Returns false when they
// do not.
bool ShowEditRoad() {
    std::printf("\nevery kind of edit, each in an undo group, then all undone and redone:\n");
    // The history must hold every entry of the road.
    const int levels = MCCommandMgr::GetUndoLevels();
    MCCommandMgr::SetUndoLevels(64);
    // Notes carry a record of their pitch (view code 1) while the road runs.
    CPluginData pitches(RUNTIME_CLASS(DCNote), 1, EventId::Note);
    if (CPluginData::AddPlugin(&pitches) == 0) {
        Refused("the note records' registration");
    }
    LCBase filter; // the history names it, so it outlives the document
    bool same = false;
    {
        EditRoadScore s;
        const std::vector<std::uint8_t> before = SavedBytes(s.document.get());
        ShowMarks(s);
        ShowEdits(s, filter);
        ShowTrackEdits(s);
        ShowRemoval(s);
        const std::vector<std::uint8_t> after = SavedBytes(s.document.get());
        const int entries = s.document->GetUndoCount();
        int undone = 0;
        while (s.document->Undo(1) == 1) {
            ++undone;
        }
        const bool undoneSame = SavedBytes(s.document.get()) == before;
        int redone = 0;
        while (s.document->Redo(1) == 1) {
            ++redone;
        }
        const bool redoneSame = SavedBytes(s.document.get()) == after;
        std::printf("  %d entries undone: %s; %d redone: %s\n", undone,
                    undoneSame ? "the bytes saved before the edits" : "DIFFERENT bytes", redone,
                    redoneSame ? "the bytes saved after them" : "DIFFERENT bytes");
        same = undone == entries && redone == entries && undoneSame && redoneSame;
    }
    MCCommandMgr::OnIdle();
    if (CPluginData::RemovePlugin(&pitches) == 0) {
        Refused("the note records' removal");
    }
    MCCommandMgr::SetUndoLevels(levels);
    return same;
}

void ShowPlugins() {
    const std::string folder = CPlugin::GetPluginFolder();
    std::printf("\nplug-ins in %s:\n", folder.c_str());
    if (!std::filesystem::is_directory(folder)) {
        std::printf("  no plug-in folder\n");
        return;
    }
    CPlugin::Initialize();
    MCMapStringToPtr& filters = CPluginFilter::GetPlugins();
    CString key;
    void* value = nullptr;
    for (POSITION pos = filters.GetStartPosition(); pos != nullptr;) {
        filters.GetNextAssoc(pos, key, value);
        auto* filter = static_cast<CPluginFilter*>(value);
        std::printf("  filter \"%s\": class %s, code 0x%08X\n", key.GetString(),
                    filter->GetFilterClass() != nullptr ? filter->GetFilterClass()->m_lpszClassName
                                                        : "(none)",
                    filter->GetFilterCode());
    }
    std::printf("  %d filter(s) found\n", filters.GetCount());
    CPlugin::UnInitialize();
}

} // namespace

int main() {
    // Needed only when the library is linked statically; harmless otherwise.
    RegisterClasses();
    std::printf("Clavenor demonstration host\n\n");

    // A time in bar/pulse/tick form goes through the archive and back.
    MCTime position(3, 1, 240, 480);
    CMemFile timeFile;
    {
        CArchive ar(&timeFile, CArchive::store);
        position.Serialize(ar, -1);
        ar.Close();
    }
    std::printf("MCTime bar 3 pulse 1 tick 240 @480 archived as %llu bytes:",
                static_cast<unsigned long long>(timeFile.GetLength()));
    for (std::uint64_t i = 0; i < timeFile.GetLength(); ++i) {
        std::printf(" %02X", timeFile.GetData()[i]);
    }
    timeFile.SeekToBegin();
    MCTime reloaded;
    {
        CArchive ar(&timeFile, CArchive::load);
        reloaded.Serialize(ar, ECPerformance::GetActiveVersion());
    }
    reloaded.SetPPQ(960);
    const BPTTime& bpt = reloaded.GetBarPulseTick();
    std::printf("\nreloaded and moved to 960 ppq: bar %d pulse %d tick %d ppq %d (equal: %s)\n\n",
                bpt.bar, bpt.pulse, bpt.tick, bpt.ppq, reloaded == position ? "yes" : "no");

    // A document root with two containers, children added out of order in sorted mode, and
    // one element shared by both containers.
    auto document = std::make_unique<ECPerformance>();
    auto* first = new ECWithTimeChild;
    auto* second = new ECWithTimeChild;
    Link(document.get(), first, 0);
    Link(document.get(), second, 0);
    for (float t : {2.0f, 1.0f, 3.0f}) {
        auto* event = new ECWithTime;
        MCTime time(t);
        event->SetTime(&time);
        Link(first, event, 1);
    }
    auto* shared = new ECWithTime;
    MCTime sharedTime(1.5f);
    shared->SetTime(&sharedTime);
    Link(first, shared, 1);
    Link(second, shared, 1);

    std::printf("built a graph:\n");
    PrintTree(document.get(), 1);

    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        document->Serialize(ar);
        ar.Close();
    }
    std::printf("\nsaved as %llu bytes; loading it into a new document\n",
                static_cast<unsigned long long>(file.GetLength()));
    file.SeekToBegin();
    auto copy = std::make_unique<ECPerformance>();
    // The stream carries no version: the host sets the one it saved before loading.
    copy->SetVersion(ECPerformance::WriteVersion);
    ECPerformance* previous = ECPerformance::SetActivePerformance(copy.get());
    {
        CArchive ar(&file, CArchive::load);
        copy->Serialize(ar);
        ar.Close();
    }
    ECPerformance::SetActivePerformance(previous);
    PrintTree(copy.get(), 1);

    ECBase* found = copy->GetDescendant(73, -1);
    std::printf("\nfirst timed element found below the copy: time %g\n",
                found != nullptr ? static_cast<double>(found->GetTime()->GetSeconds()) : -1.0);

    // Walks over the original document: a count, a time-range search and a retiming.
    std::printf("\nwalking the original document:\n");
    ACCount all;
    all.Apply(document.get());
    ACCount timed;
    timed.AddEvtType(EventId::WithTime);
    timed.Apply(document.get());
    std::printf("  count: %d elements visited (the shared one twice), %d of them \"%s\" "
                "(event %d)\n",
                all.GetEventCount(), timed.GetEventCount(),
                RUNTIME_CLASS(ECWithTime)->m_lpszClassName, EventId::WithTime);

    {
        // The result list holds a reference on each element found, until the action goes.
        ACFindTime range(MCTime(1.5f), MCTime(3.0f), ACFindTime::StartOnly);
        range.Apply(document.get());
        std::printf("  search for times in [1.5, 3): %d found at", range.GetEvents()->GetCount());
        for (ECBase* found : *range.GetEvents()) {
            std::printf(" %g", static_cast<double>(found->GetTime()->GetSeconds()));
        }
        std::printf("\n");
    }
    ACDeltaTime later(MCTime(0.5f), MCTime(2.0f), MCTime::TimeMax(), ACFindTime::StartOnly);
    later.Apply(document.get());
    std::printf("  retiming: everything from time 2 on moved later by 0.5:\n");
    PrintTree(document.get(), 2);
    std::printf("  display name of the root: \"%s\"\n", GetEventString(document.get()).GetString());

    // Both roots are owned by this host; deleting them releases their graphs deeply.
    document.reset();
    copy.reset();
    std::printf("released both documents\n");

    ShowCommandRoad();
    ShowScore();
    ShowNotation();
    ShowControllerData();
    ShowTimeline();
    ShowClipboard();
    const bool exact = ShowEditRoad();
    ShowPlugins();
    return exact ? EXIT_SUCCESS : EXIT_FAILURE;
}
