// A small host: builds an element graph, saves and reloads it, walks it, drives a document
// through commands with handlers, undo and redo, adds controller data whose values it pulls
// block by block as a player would, copies a measure's notes from one document into another
// through the clipboard, and lists the filters of its plug-ins. It prints what it did.

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
    ShowPlugins();
    return 0;
}
