// Random editing against a model: adds and removes of measures, chords, notes, rests and
// grace notes, with and without children, one or two at a time, synchronous and posted,
// inside undo groups or not; measure insertions and removals through the measure map, which
// move everything after them; undo, redo and jumps through the history, idle time, changes
// of the undo limit, and save/load/save. After every step the document must save exactly
// the bytes of a document built from the model (see EditModel for what undo is modelled to
// lose), the history must be where the model says, and at the end nothing may be left.
// Measure commands are modelled to come back exactly, so an undo back to a point where the
// model is as it was gives back the saved bytes recorded there.
//
// CI runs a few fixed seeds. For a longer run, set CLAVENOR_MODEL_SEEDS (how many seeds)
// and CLAVENOR_MODEL_STEPS (steps per seed), for example 200 and 3000, and run
// build/debug/tests/clavenor_tests --gtest_filter='ModelBasedEditing.*'.
// CLAVENOR_MODEL_FIRST_SEED picks the first seed, to replay one that failed.

#include "support/EditModel.h"
#include "support/Score.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <utility>

namespace clavenor::test {
namespace {

int Setting(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::atoi(value) : fallback;
}

// Where two saves part, to start a search for the element at fault.
std::string Difference(const std::vector<std::uint8_t>& got,
                       const std::vector<std::uint8_t>& want) {
    const auto at = std::mismatch(got.begin(), got.end(), want.begin(), want.end()).first;
    return "first difference at byte " + std::to_string(at - got.begin()) + ", sizes " +
           std::to_string(got.size()) + " and " + std::to_string(want.size());
}

class Editor {
public:
    explicit Editor(std::uint32_t seed) : m_random(seed) {
        EXPECT_EQ(m_doc->AddChild(new ECConductor, 0), 1);
        auto* staff = new ECStaff;
        EXPECT_EQ(m_doc->GetChildren()->GetHead()->AddChild(staff, 1), 1);
        staff->Ref();
        m_real.push_back(staff);
        for (int m = 0; m < 3; ++m) {
            const int measure = NewMeasure(static_cast<float>(4 * m), 2);
            EXPECT_EQ(m_real[0]->AddChild(m_real[static_cast<std::size_t>(measure)], 1), 1);
            m_model.LinkDirectly(m_model.GetStaff(), measure);
        }
        // The measure map: a conductor staff with a 4/4 meter and three measures. The staff
        // above stays outside the staff table, so the map holds conductor measures only.
        auto* conductor = static_cast<ECConductor*>(m_doc->GetChildren()->GetHead());
        m_track0 = conductor->GetConductorStaff();
        auto* meter = new ECMeter(4, 4, 0);
        MCTime zero(0.0f);
        meter->SetTime(&zero);
        EXPECT_EQ(m_track0->GetMeterEnv()->AddChild(meter, 1), 1);
        conductor->GetMeasure(0, MCTime(11.5f), 1, 1);
        Hold(m_model.MakeMap(3), m_track0);
        for (int i = 0; i < 3; ++i) {
            Hold(m_model.Columns()[static_cast<std::size_t>(i)], m_track0->GetMeasure(0, i + 1));
        }
    }

    // The document goes first; then the test lets go of what it made.
    ~Editor() {
        delete m_doc;
        MCCommandMgr::OnIdle();
        for (ECBase* element : m_real) {
            element->Unref(1);
        }
    }

    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    /// One random step; what it did is in Last().
    void Step();
    const std::string& Last() const { return m_last; }

    /// Whether the document and the history are as the model says.
    ::testing::AssertionResult Matches() const {
        ECPerformance* expected = m_model.Build();
        const std::vector<std::uint8_t> want = fuzz::Save(expected);
        delete expected;
        if (fuzz::Save(m_doc) != want) {
            return ::testing::AssertionFailure() << "the document differs from the model";
        }
        if (m_doc->GetUndoIndex() != m_model.GetUndoIndex() ||
            m_doc->GetUndoCount() != m_model.GetUndoCount()) {
            return ::testing::AssertionFailure()
                   << "history at " << m_doc->GetUndoIndex() << " of " << m_doc->GetUndoCount()
                   << ", model at " << m_model.GetUndoIndex() << " of " << m_model.GetUndoCount();
        }
        return ::testing::AssertionSuccess();
    }

private:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }
    bool Chance(int percent) { return Pick(100) < percent; }
    float Time() { return static_cast<float>(Pick(16)) / 2; }

    // The element of a node the library made; the test holds it until the end.
    void Hold(int node, ECBase* element) {
        ASSERT_EQ(node, static_cast<int>(m_real.size()));
        element->Ref();
        m_real.push_back(element);
    }

    // A new element of the test and its node; the test holds it until the end.
    int New(EditModel::Kind kind, float time) {
        ECBase* element = nullptr;
        MCTime at(time);
        switch (kind) {
        case EditModel::Measure:
            element = new Counted<ECMeasure>;
            element->SetTime(&at);
            break;
        case EditModel::Chord:
            element = new Counted<ECChord>;
            element->SetTime(&at);
            break;
        case EditModel::Note:
            element = NewNote(time);
            break;
        case EditModel::Grace:
            element = new Counted<ECGraceNote>(at, MCTime(0.125f));
            break;
        default:
            element = new Counted<ECRest>(8);
            element->SetTime(&at);
        }
        element->Ref();
        m_real.push_back(element);
        return m_model.Make(kind, time);
    }
    void LinkNew(int parent, int child) {
        EXPECT_EQ(m_real[static_cast<std::size_t>(parent)]->AddChild(
                      m_real[static_cast<std::size_t>(child)], 1),
                  1);
        m_model.LinkDirectly(parent, child);
    }
    int NewNoteWithGrace(float time) {
        const int note = New(EditModel::Note, time);
        if (Chance(30)) {
            LinkNew(note, New(EditModel::Grace, time - 0.125f));
        }
        return note;
    }
    int NewMeasure(float time, int notes) {
        const int measure = New(EditModel::Measure, time);
        for (int i = 0; i < notes; ++i) {
            LinkNew(measure, NewNoteWithGrace(time + static_cast<float>(i)));
        }
        return measure;
    }
    int NewChord(float time) {
        const int chord = New(EditModel::Chord, time);
        for (int i = Pick(3); i >= 0; --i) {
            LinkNew(chord, New(EditModel::Note, time));
        }
        return chord;
    }

    // Something in the document of one of the kinds, or -1.
    int Find(std::initializer_list<EditModel::Kind> kinds) {
        std::vector<int> candidates;
        for (int id : m_model.InDocument()) {
            if (std::find(kinds.begin(), kinds.end(), m_model.At(id).kind) != kinds.end()) {
                candidates.push_back(id);
            }
        }
        return candidates.empty() ? -1
                                  : candidates[static_cast<std::size_t>(
                                        Pick(static_cast<int>(candidates.size())))];
    }

    // An edit made now: the real command and the model's.
    struct Edit {
        CCBase* command;
        EditModel::Command model;
    };
    // Runs the model's command as the real one just ran, and learns the measures a first
    // insertion made.
    void RunModel(const Edit& edit) {
        m_model.Run(edit.model);
        if (edit.model.measures > 0) {
            const std::vector<int>& made = EditModel::Made(edit.model);
            for (std::size_t i = 0; i < made.size() && made[i] == static_cast<int>(m_real.size());
                 ++i) {
                Hold(made[i], m_track0->GetMeasure(0, EditModel::MadeAt(edit.model) + 1 +
                                                          static_cast<int>(i)));
            }
        }
    }
    bool MakeEdit(Edit& edit);
    void Apply(std::vector<Edit>& edits);

    std::mt19937 m_random;
    ECPerformance* m_doc = new ECPerformance;
    ECConductorStaff* m_track0 = nullptr;
    EditModel m_model;
    std::vector<ECBase*> m_real; // by node id
    std::string m_last;
};

bool Editor::MakeEdit(Edit& edit) {
    const int choice = Pick(10);
    std::vector<std::pair<int, int>> items;
    std::vector<int> removed;
    const int columns = static_cast<int>(m_model.Columns().size());
    switch (choice) {
    case 8: {
        const int count = 1 + Pick(2);
        const int index = Pick(columns + 2) - 1;
        m_last +=
            "insert " + std::to_string(count) + " measures at " + std::to_string(index) + "; ";
        edit = Edit{new CCAddMeasure(count, index), m_model.MakeInsertMeasures(count, index)};
        return true;
    }
    case 9: {
        const int count = 1 + Pick(2);
        const int index = Pick(columns);
        m_last +=
            "remove " + std::to_string(count) + " measures at " + std::to_string(index) + "; ";
        edit = Edit{new CCRemoveMeasure(count, index), m_model.MakeRemoveMeasures(count, index)};
        return true;
    }
    case 0: {
        const int notes = Pick(4);
        items.emplace_back(NewMeasure(static_cast<float>(4 * Pick(8)), notes), m_model.GetStaff());
        m_last += "add a measure with " + std::to_string(notes) + " notes; ";
        break;
    }
    case 1:
    case 2: {
        const int parent = Find({EditModel::Measure, EditModel::Chord});
        if (parent < 0) {
            return false;
        }
        items.emplace_back(NewNoteWithGrace(Time()), parent);
        m_last += "add a note; ";
        break;
    }
    case 3: {
        const int measure = Find({EditModel::Measure});
        if (measure < 0) {
            return false;
        }
        items.emplace_back(Chance(50) ? NewChord(Time()) : New(EditModel::Rest, Time()), measure);
        if (Chance(30)) {
            items.emplace_back(New(EditModel::Note, Time()), measure);
        }
        m_last += "add a chord or a rest; ";
        break;
    }
    default: {
        const int first = Find({EditModel::Measure, EditModel::Chord, EditModel::Note,
                                EditModel::Rest, EditModel::Grace});
        if (first < 0) {
            return false;
        }
        removed.push_back(first);
        if (Chance(25)) {
            const int second = Find({EditModel::Chord, EditModel::Note, EditModel::Rest});
            if (second >= 0) {
                removed.push_back(second);
            }
        }
        m_last += "remove " + std::to_string(removed.size()) + "; ";
    }
    }
    if (removed.empty()) {
        auto* add = new CCAdd;
        for (const auto& [child, parent] : items) {
            add->Add(m_real[static_cast<std::size_t>(child)],
                     m_real[static_cast<std::size_t>(parent)], FCMidi::MidiNull());
        }
        edit = Edit{add, m_model.MakeAdd(items)};
    } else {
        auto* remove = new CCRemove;
        for (int id : removed) {
            remove->Remove(m_real[static_cast<std::size_t>(id)]);
        }
        edit = Edit{remove, m_model.MakeRemove(removed)};
    }
    return true;
}

void Editor::Apply(std::vector<Edit>& edits) {
    // A measure command goes alone, runs at once (so that the measures it makes are known
    // before anything else changes the map) and is always recorded: the history of a
    // careful host, whose undo finds the document as the command left it.
    const bool measures = edits.front().model.measures != 0;
    const bool grouped = measures || Chance(80);
    const bool posted = !measures && Chance(30);
    m_last += grouped ? "grouped" : "not grouped";
    m_last += posted ? ", posted" : "";
    if (grouped) {
        MCCommandMgr::BeginUndo(m_doc, CString("edit"));
        m_model.BeginGroup();
    } else if (Chance(50)) {
        MCCommandMgr::BeginNotify(m_doc);
    }
    for (Edit& edit : edits) {
        edit.command->SetSynchronous(posted ? 0 : 1);
        EXPECT_EQ(edit.command->Apply(m_doc), 1);
        if (!posted) {
            RunModel(edit);
        }
        if (grouped) {
            m_model.Record(edit.model);
        }
    }
    if (grouped) {
        MCCommandMgr::EndUndo(m_doc);
    } else {
        MCCommandMgr::EndNotify(m_doc);
    }
    if (posted) {
        while (CMessageQueue::GetQueuedCount() > 0) {
            PumpMessages();
        }
        for (const Edit& edit : edits) {
            RunModel(edit);
        }
    }
    if (grouped) {
        m_model.EndGroup();
    }
}

void Editor::Step() {
    m_last.clear();
    const int choice = Pick(20);
    if (choice < 11) {
        std::vector<Edit> edits;
        for (int n = Chance(20) ? 2 : 1; n > 0; --n) {
            Edit edit{};
            if (!MakeEdit(edit)) {
                continue;
            }
            if (edit.model.measures != 0 && !edits.empty()) {
                delete edit.command; // a measure command goes alone
                continue;
            }
            edits.push_back(edit);
            if (edit.model.measures != 0) {
                break;
            }
        }
        if (!edits.empty()) {
            Apply(edits);
        }
    } else if (choice < 14) {
        const int count = 1 + Pick(3);
        m_last = "undo " + std::to_string(count);
        EXPECT_EQ(m_doc->Undo(count), m_model.Undo(count));
    } else if (choice < 16) {
        const int count = 1 + Pick(3);
        m_last = "redo " + std::to_string(count);
        EXPECT_EQ(m_doc->Redo(count), m_model.Redo(count));
    } else if (choice == 16) {
        const int index = Pick(m_model.GetUndoCount() + 1);
        m_last = "jump to " + std::to_string(index);
        m_doc->SetUndoIndex(index);
        m_model.SetUndoIndex(index);
    } else if (choice == 17) {
        m_last = "idle";
        MCCommandMgr::OnIdle();
    } else if (choice == 18) {
        const int levels = 1 + Pick(8);
        m_last = "undo limit " + std::to_string(levels);
        MCCommandMgr::SetUndoLevels(levels);
        m_model.SetUndoLevels(levels);
    } else {
        m_last = "save, load, save";
        const std::vector<std::uint8_t> saved = fuzz::Save(m_doc);
        ECPerformance* copy = fuzz::Load(saved.data(), saved.size(), ECPerformance::WriteVersion);
        EXPECT_EQ(fuzz::Save(copy), saved);
        delete copy;
    }
}

TEST(ModelBasedEditing, RandomEditsUndosAndRedosMatchTheModel) {
    const int seeds = Setting("CLAVENOR_MODEL_SEEDS", 16);
    const int steps = Setting("CLAVENOR_MODEL_STEPS", 400);
    const int first = Setting("CLAVENOR_MODEL_FIRST_SEED", 1);
    const int levels = MCCommandMgr::GetUndoLevels();
    const int live = g_liveElements;
    for (int seed = first; seed < first + seeds; ++seed) {
        {
            MCCommandMgr::SetUndoLevels(10);
            Editor editor(static_cast<std::uint32_t>(seed));
            ASSERT_TRUE(editor.Matches()) << "seed " << seed << " before the first step";
            for (int step = 1; step <= steps; ++step) {
                editor.Step();
                ASSERT_TRUE(editor.Matches())
                    << "seed " << seed << ", step " << step << ": " << editor.Last();
            }
        }
        MCCommandMgr::OnIdle();
        ASSERT_EQ(g_liveElements, live) << "seed " << seed << ": elements left behind";
    }
    MCCommandMgr::SetUndoLevels(levels);
}

// Random editing with the commands whose undo is exact: keys, clefs and meters added and
// removed, measures inserted and removed, notes added and taken out again (each at a time
// none of its siblings share, so that an undo puts it back where it was), on the measure
// commands' score (two staves in the table, meters of 4/4, 3/4 and 6/8, tempi, a wave
// track). Here the model is the saved bytes themselves: after an undo or redo to any point
// of the history the document saves exactly the bytes it saved there, every element of a
// staff's measure lies inside that measure, a loaded copy saves the same bytes (a list left
// out of order would be sorted by the load), and what a command refused changes nothing.
// CLAVENOR_MODEL_SEEDS, CLAVENOR_MODEL_STEPS and
// CLAVENOR_MODEL_FIRST_SEED apply as above.
//
// The whole edit road adds marks on a controller envelope and the tempo map and the removal
// of envelope points, accents, tuplets, system-exclusive events, time, duration, event,
// record, filter and graph edits, grouping staves, paste, removal of random selections
// through ConfigureRemove, and the removal of a staff (never recorded, so the history is
// cleared as a host clears it). CI runs it for the fixed seeds below;
// CLAVENOR_MODEL_WHOLE_ROAD=1 adds it to the first test as well. The last test adds
// inserting, copying and renumbering staves, which CLAVENOR_MODEL_TRACKS=1 adds to the
// others.
// Where an undo restores less by design (a removed child comes back after the siblings of
// its time; a removed chord or tuplet hands its members to the measure, also when the removal
// is the undo of a plain add of one, and a removed tuplet comes back empty beside them, the
// redo of the tuplet's own addition then refilling it) the byte check skips the points of the
// history that depend on it and says why. What such an undo leaves in a measure (a tuplet's
// members, even those past the end of a measure that a meter change shortened under the
// tuplet) is left out of the check that every element lies inside its measure.
class ExactEditor {
public:
    ExactEditor(std::uint32_t seed, bool wholeRoad, bool tracks)
        : m_random(seed), m_wholeRoad(wholeRoad), m_tracks(tracks) {
        m_doc->AddStateHandler(&ExactEditor::State, this);
        m_volume->SetControllerType(7);
        EXPECT_EQ(Staff(1)->AddChild(m_volume, 1), 1);
        // Records for the data edits, on the notes the score starts with.
        if (m_wholeRoad) {
            for (ECBase* note : InBars(EventId::Note)) {
                note->GetData(1, 1);
            }
        }
        m_states.push_back(fuzz::Save(m_doc.get()));
        m_lossy.push_back(nullptr);
        m_known.push_back(true);
        m_addedTuplets.push_back(nullptr);
    }
    ~ExactEditor() {
        for (ECBase* stray : m_strays) {
            stray->Unref(1);
        }
    }
    ExactEditor(const ExactEditor&) = delete;
    ExactEditor& operator=(const ExactEditor&) = delete;

    void Step();
    /// The steps so far, one a line, the latest last.
    std::string Trail() const {
        std::string trail;
        for (const std::string& step : m_trail) {
            trail += "\n  " + step;
        }
        return trail;
    }

    /// Learns the bytes of a point of the history that no exact undo or redo reached.
    void Learn() {
        if (!m_known[m_at]) {
            m_states[m_at] = fuzz::Save(m_doc.get());
            m_known[m_at] = true;
        }
    }

    ::testing::AssertionResult Matches() const {
        if (!m_roundTrip.empty()) {
            return ::testing::AssertionFailure() << m_roundTrip;
        }
        // A load refuses a measure map whose slots do not follow the staff table.
        for (int number = 1; number <= Bars(); ++number) {
            for (int staff = 1; staff <= Staves(); ++staff) {
                ECMeasure* bar = Conductor()->GetMeasure(staff, number);
                if (bar == nullptr || bar->GetParents()->Find(Staff(staff)) == nullptr) {
                    return ::testing::AssertionFailure()
                           << "the measure map's measure " << number << " of staff " << staff
                           << " is not that staff's";
                }
            }
        }
        const std::vector<std::uint8_t> now = fuzz::Save(m_doc.get());
        if (now != m_states[m_at]) {
            return ::testing::AssertionFailure()
                   << "the document differs from the bytes saved at " << m_at << " of "
                   << m_states.size() - 1 << " (" << Difference(now, m_states[m_at]) << ")";
        }
        for (int track = 1; track <= 2; ++track) {
            for (int number = 1; number <= Bars(); ++number) {
                ECMeasure* bar = Conductor()->GetMeasure(track, number);
                const MCTime start = *bar->GetTime();
                const MCTime end = number < Bars()
                                       ? *Conductor()->GetMeasure(track, number + 1)->GetTime()
                                       : Track0()->GetMaxMeasureEndTime();
                for (ECBase* child : *bar->GetChildren()) {
                    if (m_strays.count(child) != 0) {
                        continue;
                    }
                    const MCTime& at = *child->GetTime();
                    if (at < start || !(at < end)) {
                        return ::testing::AssertionFailure()
                               << "staff " << track << ", measure " << number << " from "
                               << start.GetSeconds() << " to " << end.GetSeconds() << " holds "
                               << child->GetRuntimeClass()->m_lpszClassName << " at "
                               << at.GetSeconds();
                    }
                }
            }
        }
        const int count = static_cast<int>(m_states.size()) - 1;
        if (m_doc->GetUndoCount() != count ||
            (count > 0 && m_doc->GetUndoIndex() != count - static_cast<int>(m_at))) {
            return ::testing::AssertionFailure()
                   << "history at " << m_doc->GetUndoIndex() << " of " << m_doc->GetUndoCount()
                   << ", expected " << count - static_cast<int>(m_at) << " of " << count;
        }
        return ::testing::AssertionSuccess();
    }

private:
    static int State(ECBase*, int, void* data, void* user) {
        static_cast<ExactEditor*>(user)->m_lastCode = static_cast<SCBase*>(data)->GetCode();
        return 1;
    }

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }
    bool Chance(int percent) { return Pick(100) < percent; }

    ECConductor* Conductor() const { return m_doc->GetConductor(); }
    ECStaff* Staff(int number) const {
        return static_cast<ECStaff*>(Conductor()->GetTrack(ECConductor::KindStaff, number, 0));
    }
    int Staves() const { return Conductor()->GetMaxTrackNumber(ECConductor::KindStaff); }
    template <class T>
    T* Any(const std::vector<T*>& from) {
        return from.empty() ? nullptr
                            : from[static_cast<std::size_t>(Pick(static_cast<int>(from.size())))];
    }
    // The notes of the staves 1 and 2 that an undo of their removal puts back where they were.
    std::vector<ECBase*> LoneNotes() const {
        std::vector<ECBase*> notes;
        for (ECBase* note : InBars(EventId::Note)) {
            if (note->GetParents()->GetCount() == 1 &&
                AloneAtItsTime(note, note->GetParents()->GetHead())) {
                notes.push_back(note);
            }
        }
        return notes;
    }
    MCTime AnyTime() {
        ECMeasure* bar = Conductor()->GetMeasure(0, 1 + Pick(std::max(Bars(), 1)));
        MCTime at = bar != nullptr ? *bar->GetTime() : MCTime(0.0f);
        at += MCTime(static_cast<float>(Pick(8)) / 4);
        return at;
    }
    std::vector<ECEnvPoint*> Points() const {
        std::vector<ECEnvPoint*> points;
        for (ECBase* point : *m_volume->GetChildren()) {
            points.push_back(static_cast<ECEnvPoint*>(point));
        }
        return points;
    }
    ECConductorStaff* Track0() const { return Conductor()->GetConductorStaff(); }
    int Bars() const { return Track0()->GetMaxMeasureNumber(); }
    float BarLength(ECMeasure* bar) const {
        ECMeter* meter = Conductor()->GetMeterAtTime(*bar->GetTime());
        return meter != nullptr ? meter->GetMeasureLength() : 4.0f;
    }
    // A measure of a staff of the table, or null.
    ECMeasure* AnyBar(int& track) {
        track = 1 + Pick(2);
        return Bars() > 0 ? Conductor()->GetMeasure(track, 1 + Pick(Bars())) : nullptr;
    }
    // What the staves of the table hold of `id`, measure by measure.
    std::vector<ECBase*> InBars(int id) const {
        std::vector<ECBase*> found;
        for (int track = 1; track <= 2; ++track) {
            for (int number = 1; number <= Bars(); ++number) {
                ECMeasure* bar = Conductor()->GetMeasure(track, number);
                for (ECBase* child :
                     bar != nullptr ? Items(bar->GetChildren()) : std::vector<ECBase*>{}) {
                    if (child->GetEventId() == id) {
                        found.push_back(child);
                    }
                }
            }
        }
        return found;
    }
    static bool AloneAtItsTime(ECBase* element, ECBase* parent) {
        for (ECBase* sibling : *parent->GetChildren()) {
            if (sibling != element && sibling->GetTime() != nullptr &&
                *sibling->GetTime() == *element->GetTime()) {
                return false;
            }
        }
        return true;
    }
    template <class T>
    T* Timed(T* element, const MCTime& time) {
        MCTime at = time;
        element->SetTime(&at);
        return element;
    }

    CCBase* MakeEdit();
    CCBase* MakeMarkOrEdit();
    CCBase* MakeTrackEdit();
    void Apply(CCBase* command);
    void Apply(const std::function<void()>& edit);
    void Paste();
    void RemoveSelection();
    void RemoveTrack();
    // An undo or redo from `from` to m_at over an entry whose undo restores less: the
    // points of the history are then learnt again as they are reached.
    void Crossed(std::size_t from);
    // The undo of a tuplet's removal brings it back empty, beside its notes; the redo of the
    // tuplet's addition then takes the notes into it again, which its undo did not take out
    // of that state. From then on the addition restores less too.
    void NoteEmptiedTuplets();
    void Stray(ECBase* element) {
        if (m_strays.insert(element).second) {
            element->Ref();
        }
    }

    // Notes carry records of this class, for the data edits.
    ScopedDataPlugin m_plugin{RUNTIME_CLASS(DCNote), 1, EventId::Note};
    // A filter the history may name: it outlives the document.
    LCBase m_filter;
    std::mt19937 m_random;
    std::unique_ptr<ECPerformance> m_doc{fuzz::MakeScoreDocument()};
    ECControllerEnv* m_volume = new Counted<ECControllerEnv>;
    // The bytes at every point of the history, the oldest first, and where the document is;
    // for each point, why the undo of the entry that led there restores less (or null), and
    // whether its bytes are known.
    std::vector<std::vector<std::uint8_t>> m_states;
    std::vector<const char*> m_lossy;
    std::vector<bool> m_known;
    // For each point, the tuplet that the entry which led there added (held by that entry),
    // or null.
    std::vector<ECBase*> m_addedTuplets;
    // What an undo that restores less may leave in a measure (the members of a removed or
    // pasted tuplet, an added tuplet its removal's undo brought back empty), held by the test. A
    // measure or meter change made before they came moves back on its undo only what it
    // moved itself, so these can end up outside their measure.
    std::set<ECBase*> m_strays;
    const char* m_reason = nullptr;  // of the edit being made
    ECBase* m_addedTuplet = nullptr; // of the edit being made
    const bool m_wholeRoad;
    const bool m_tracks;
    std::size_t m_at = 0;
    int m_limit = 10;
    int m_lastCode = 0;
    std::string m_last;
    std::vector<std::string> m_trail;
    std::string m_roundTrip; // why the last save, load and save failed, or empty
};

CCBase* ExactEditor::MakeEdit() {
    int track = 0;
    const int choice = Pick(m_wholeRoad ? 30 : 12);
    if (choice >= 22) {
        return MakeTrackEdit();
    }
    if (choice >= 12) {
        return MakeMarkOrEdit();
    }
    switch (choice) {
    case 0:
    case 1: {
        ECMeasure* bar = AnyBar(track);
        if (bar == nullptr) {
            return nullptr;
        }
        auto* key = new Counted<ECKey>(static_cast<std::uint8_t>(Pick(3)),
                                       static_cast<std::uint8_t>(Pick(2)), 0);
        key->SetHand(static_cast<std::uint8_t>(Pick(2)));
        MCTime at = *bar->GetTime();
        if (Chance(25)) {
            at += MCTime(BarLength(bar) / 2);
        }
        m_last = "add a key to staff " + std::to_string(track) + " at " +
                 std::to_string(at.GetSeconds());
        return new CCAddKey(Timed(key, at), bar);
    }
    case 2:
    case 3: {
        ECMeasure* bar = AnyBar(track);
        if (bar == nullptr) {
            return nullptr;
        }
        auto* clef = new Counted<ECClef>(static_cast<std::uint8_t>(Pick(3)));
        clef->SetHand(static_cast<std::uint8_t>(Pick(2)));
        MCTime at = *bar->GetTime();
        if (Chance(25)) {
            at += MCTime(BarLength(bar) / 2);
        }
        m_last = "add a clef to staff " + std::to_string(track) + " at " +
                 std::to_string(at.GetSeconds());
        return new CCAddClef(Timed(clef, at), bar);
    }
    case 4: {
        const std::vector<ECBase*> keys = InBars(EventId::Key);
        if (keys.empty()) {
            return nullptr;
        }
        m_last = "remove a key";
        return new CCRemoveKey(static_cast<ECKey*>(
            keys[static_cast<std::size_t>(Pick(static_cast<int>(keys.size())))]));
    }
    case 5: {
        const std::vector<ECBase*> clefs = InBars(EventId::Clef);
        if (clefs.empty()) {
            return nullptr;
        }
        m_last = "remove a clef";
        return new CCRemoveClef(static_cast<ECClef*>(
            clefs[static_cast<std::size_t>(Pick(static_cast<int>(clefs.size())))]));
    }
    case 6: {
        static constexpr int kMeters[][2] = {{4, 4}, {3, 4}, {2, 4}, {6, 8}, {5, 4}, {7, 8}};
        const auto& m = kMeters[Pick(6)];
        const int number = 1 + Pick(std::max(Bars(), 1));
        ECMeasure* bar = Conductor()->GetMeasure(0, number);
        auto* meter = new Counted<ECMeter>(static_cast<std::uint8_t>(m[0]),
                                           static_cast<std::uint8_t>(m[1]), ECMeter::TypeComputed);
        m_last = "add " + std::to_string(m[0]) + "/" + std::to_string(m[1]) + " at bar " +
                 std::to_string(number);
        return new CCAddMeter(Timed(meter, bar != nullptr ? *bar->GetTime() : MCTime(0.0f)));
    }
    case 7: {
        ECMeterEnv* meters = Track0()->GetMeterEnv();
        const int count = meters->GetChildren()->GetCount();
        // The first meter now and then: the command must refuse it.
        const int index = Chance(10) ? 0 : count > 1 ? 1 + Pick(count - 1) : 0;
        m_last = "remove meter " + std::to_string(index);
        return new CCRemoveMeter(static_cast<ECMeter*>(meters->GetPointAtIndex(index)));
    }
    case 8: {
        const int count = 1 + Pick(2);
        const int index = Pick(Bars() + 2) - 1;
        m_last = "insert " + std::to_string(count) + " measures at " + std::to_string(index);
        return new CCAddMeasure(count, index);
    }
    case 9: {
        const int count = 1 + Pick(2);
        const int index = Pick(std::max(Bars(), 1));
        m_last = "remove " + std::to_string(count) + " measures at " + std::to_string(index);
        return new CCRemoveMeasure(count, index);
    }
    case 10: {
        ECMeasure* bar = AnyBar(track);
        if (bar == nullptr) {
            return nullptr;
        }
        MCTime at = *bar->GetTime();
        at += MCTime(static_cast<float>(Pick(8)) * BarLength(bar) / 8);
        ECNote* note = NewNote(at.GetSeconds());
        note->SetVoiceTrack(0, static_cast<std::uint16_t>(track));
        if (!AloneAtItsTime(note, bar)) {
            note->Unref(1);
            return nullptr;
        }
        m_last = "add a note to staff " + std::to_string(track) + " at " +
                 std::to_string(at.GetSeconds());
        return new CCAdd(note, bar, FCMidi::MidiNull());
    }
    default: {
        ECBase* note = Any(LoneNotes());
        if (note == nullptr) {
            return nullptr;
        }
        m_last = "remove a note";
        return new CCRemove(note);
    }
    }
}

CCBase* ExactEditor::MakeMarkOrEdit() {
    const MCTime at = AnyTime();
    const std::string when = " at " + std::to_string(at.GetSeconds());
    auto timed = [&at](ECBase* mark) {
        MCTime time = at;
        mark->SetTime(&time);
        return mark;
    };
    switch (Pick(10)) {
    case 0:
        m_last = "hold a pedal" + when;
        return new CCAddPedal(
            static_cast<ECPedal*>(timed(new Counted<ECPedal>(0, MCTime(1.0f + Pick(4))))),
            m_volume);
    case 1:
        m_last = "add a crescendo" + when;
        return new CCAddDynamic(
            static_cast<ECDynamic*>(timed(new Counted<ECDynamic>(11, MCTime(2.0f)))), m_volume);
    case 2:
        m_last = "add an octave transposition" + when;
        return new CCAddTranspose(
            static_cast<ECTranspose*>(timed(new Counted<ECTranspose>(0, MCTime(1.0f)))), m_volume);
    case 3:
        m_last = "add an accelerando" + when;
        return new CCAddTempo(static_cast<ECTempo*>(timed(
                                  new Counted<ECTempo>(ECTempo::TypeAccelerando, MCTime(2.0f)))),
                              Track0()->GetTempoEnv());
    case 4: {
        ECEnvPoint* point = Any(Points());
        if (point == nullptr) {
            return nullptr;
        }
        m_last = "remove a point of the volume";
        return new CCRemoveEnvPoint(point);
    }
    case 5: {
        ECBase* note = Any(InBars(EventId::Note));
        if (note == nullptr) {
            return nullptr;
        }
        m_last = "accent a note";
        return new CCAddNoteModifier(new Counted<ECAccent>, note);
    }
    case 6: {
        int track = 0;
        ECMeasure* bar = AnyBar(track);
        if (bar == nullptr) {
            return nullptr;
        }
        auto* tuplet = new Counted<ECTuplet>;
        MCTime start = *bar->GetTime();
        start += MCTime(static_cast<float>(Pick(4)) / 4);
        tuplet->SetTime(&start);
        for (int i = 0; i < 3; ++i) {
            ECNote* note = NewNote(start.GetSeconds() + static_cast<float>(i) / 6);
            note->SetVoiceTrack(0, static_cast<std::uint16_t>(track));
            EXPECT_EQ(tuplet->AddChild(note, 1), 1);
        }
        m_last = "add a tuplet to staff " + std::to_string(track) + " at " +
                 std::to_string(start.GetSeconds());
        m_addedTuplet = tuplet;
        return new CCAddTuplet(tuplet, bar, FCMidi::MidiNull());
    }
    case 7: {
        FCMidiSysEx reset;
        reset.SetGMSystemOn(0x7F);
        m_last = "add a system-exclusive event" + when;
        return new CCAddSysEx(timed(new Counted<ECSystemMessage>(0)), Track0(), reset);
    }
    case 8: {
        ECBase* note = Any(InBars(EventId::Note));
        if (note == nullptr) {
            return nullptr;
        }
        MCTime time = AnyTime();
        m_last = "move a note to " + std::to_string(time.GetSeconds());
        return new CCEditTime(note, &time);
    }
    default: {
        ECBase* note = Any(InBars(EventId::Note));
        if (note == nullptr) {
            return nullptr;
        }
        MCTime duration(0.25f * static_cast<float>(1 + Pick(8)));
        m_last = "give a note the duration " + std::to_string(duration.GetSeconds());
        return new CCEditDuration(note, &duration);
    }
    }
}

CCBase* ExactEditor::MakeTrackEdit() {
    switch (Pick(10)) {
    case 0: {
        std::vector<ECBase*> marks = InBars(EventId::Key);
        for (ECBase* clef : InBars(EventId::Clef)) {
            marks.push_back(clef);
        }
        ECBase* mark = Any(marks);
        if (mark == nullptr) {
            return nullptr;
        }
        auto* edit = new CCEdit;
        ECBase* copy = edit->EditEvent(mark)->GetEditCopy();
        if (auto* key = dynamic_cast<ECKey*>(copy)) {
            key->SetHand(static_cast<std::uint8_t>(1 - key->GetHand()));
        } else if (auto* clef = dynamic_cast<ECClef*>(copy)) {
            clef->SetHand(static_cast<std::uint8_t>(1 - clef->GetHand()));
        }
        m_last = "edit the hand of a key or clef";
        return edit;
    }
    case 1: {
        std::vector<ECBase*> recorded;
        for (ECBase* note : InBars(EventId::Note)) {
            if (note->GetData(1, 0) != nullptr) {
                recorded.push_back(note);
            }
        }
        ECBase* note = Any(recorded);
        if (note == nullptr) {
            return nullptr;
        }
        auto* edit = new CCEditData;
        static_cast<DCNote*>(
            edit->EditData(static_cast<DCNote*>(note->GetData(1, 0)), 1)->GetDataCopy())
            ->SetPitch(static_cast<std::uint8_t>(40 + Pick(40)));
        m_last = "edit a note's record";
        return edit;
    }
    case 2: {
        auto* edit = new CCEditFilter;
        edit->EditFilter(&m_filter)->GetFilterCopy()->SetPriority(Pick(10));
        m_last = "edit a filter";
        return edit;
    }
    case 3: {
        // A note moved to the measure of the same number on the other staff.
        ECBase* note = Any(LoneNotes());
        if (note == nullptr) {
            return nullptr;
        }
        auto* from = static_cast<ECMeasure*>(note->GetParents()->GetHead());
        const int track = from->GetTrack() == 1 ? 2 : 1;
        ECMeasure* to = Conductor()->GetMeasure(track, *from->GetTime(), 0, 0);
        if (to == nullptr || !AloneAtItsTime(note, to)) {
            return nullptr;
        }
        auto* graph = new CCEditGraph;
        CCEditGraph::Items items;
        items.push_back(std::make_unique<CCEditGraphItem>(note));
        graph->SetGraphItems(1, items);
        MCEventList none;
        items.clear();
        items.push_back(std::make_unique<CCEditGraphItem>(note, to, none));
        graph->SetGraphItems(0, items);
        m_last = "relink a note to staff " + std::to_string(track);
        return graph;
    }
    case 4: {
        if (!m_tracks) {
            return nullptr;
        }
        const int position = Pick(Staves() + 2);
        if (Chance(30)) {
            auto* add = new CCAddTrack;
            add->AddMidiTrack(1, 1);
            add->AddWaveTrack(1);
            add->SetInsertPosition(position);
            m_last = "insert a staff and a wave track at " + std::to_string(position);
            return add;
        }
        m_last = "insert a staff at " + std::to_string(position);
        return new CCAddTrack(new Counted<ECStaff>, position);
    }
    case 5: {
        if (!m_tracks) {
            return nullptr;
        }
        const int number = 1 + Pick(Staves());
        auto* copy = new CCCopyTracks;
        copy->CopyTrack(Staff(number));
        m_last = "copy staff " + std::to_string(number);
        return copy;
    }
    case 6: {
        if (!m_tracks) {
            return nullptr;
        }
        const int number = 1 + Pick(Staves());
        const int to = 1 + Pick(Staves());
        auto* order = new CCOrderTracks;
        order->OrderTrack(Staff(number), to);
        m_last = "renumber staff " + std::to_string(number) + " to " + std::to_string(to);
        return order;
    }
    case 7: {
        const int first = Pick(Staves());
        const int last = first + Pick(Staves() - first);
        auto* group = new CCGroupStaves;
        group->GroupStaves(first, last, Pick(2));
        m_last = "group staves " + std::to_string(first) + " to " + std::to_string(last);
        return group;
    }
    case 8:
        Paste();
        return nullptr;
    default:
        if (Chance(10)) {
            RemoveTrack();
        } else {
            RemoveSelection();
        }
        return nullptr;
    }
}

void ExactEditor::Paste() {
    int track = 0;
    ECMeasure* bar = AnyBar(track);
    if (bar == nullptr || bar->GetChildren()->IsEmpty()) {
        return;
    }
    // Copied from one staff, pasted into the measure of the same number on the other.
    auto* copy = new CCCopy;
    copy->SetSynchronous(1);
    copy->CopyEvents(bar->GetChildren());
    if (copy->Apply(m_doc.get()) == 0) {
        delete copy;
        return;
    }
    auto* paste = new CCPaste;
    paste->Ref();
    paste->SetSynchronous(1);
    (void)paste->Apply(m_doc.get());
    ECMeasure* to = Conductor()->GetMeasure(track == 1 ? 2 : 1, *bar->GetTime(), 0, 0);
    if (to != nullptr && !paste->GetEvents().IsEmpty()) {
        auto* add = new CCAdd;
        bool tuplet = false;
        for (ECBase* element : paste->GetEvents()) {
            add->Add(element, to, FCMidi::MidiNull());
            if (element->GetEventId() == EventId::Tuplet) {
                tuplet = true;
                for (ECBase* member : *element->GetChildren()) {
                    Stray(member);
                }
            }
            if (!AloneAtItsTime(element, to)) {
                m_reason = "a pasted element that shares its time with one of the measure's";
            }
            // The undo of an add removes the added elements, and a chord that leaves its
            // measure leaves its notes there as single notes (a tuplet: below).
            if (element->GetEventId() == EventId::Chord) {
                m_reason = "the undo of a pasted chord leaves its notes in the measure";
            }
        }
        if (tuplet) {
            // The undo of a plain add is a removal, and a removed tuplet hands its members to
            // the measure: they stay behind.
            m_reason = "the undo of a plain add of a tuplet leaves its members in the measure";
        }
        m_last = "paste measure " + std::to_string(bar->GetTrack()) + " into the other staff";
        Apply(add);
    }
    paste->Unref(1);
}

void ExactEditor::RemoveSelection() {
    MCEventList selection(10);
    std::vector<ECBase*> candidates = InBars(EventId::Note);
    for (int id : {EventId::Key, EventId::Clef, EventId::Tuplet}) {
        for (ECBase* element : InBars(id)) {
            candidates.push_back(element);
        }
    }
    for (ECEnvPoint* point : Points()) {
        candidates.push_back(point);
    }
    for (int n = 1 + Pick(4); n > 0 && !candidates.empty(); --n) {
        const auto at = candidates.begin() + Pick(static_cast<int>(candidates.size()));
        ECBase* element = *at;
        candidates.erase(at);
        EXPECT_NE(selection.AddTail(element), nullptr);
        if (element->GetEventId() == EventId::Note &&
            (element->GetParents()->GetCount() != 1 ||
             !AloneAtItsTime(element, element->GetParents()->GetHead()))) {
            m_reason = "a removed child comes back after the siblings of its time";
        }
        if (element->GetEventId() == EventId::Tuplet) {
            m_reason = "a removed tuplet comes back empty, its notes left in the measure";
            for (ECBase* member : *element->GetChildren()) {
                Stray(member);
            }
        }
    }
    MCCommandList commands(10);
    if (selection.IsEmpty() || ConfigureRemove(&selection, &commands) == 0) {
        m_reason = nullptr;
        return;
    }
    m_last = "remove a selection of " + std::to_string(selection.GetCount());
    Apply([&] {
        commands.SetSynchronous(1);
        MCCommandMgr::BeginUndo(m_doc.get(), CString("remove"));
        (void)commands.Apply(m_doc.get());
        MCCommandMgr::EndUndo(m_doc.get());
    });
}

void ExactEditor::RemoveTrack() {
    // The staves 1 and 2 stay for the checks.
    if (Staves() < 3) {
        return;
    }
    const int number = 3 + Pick(Staves() - 2);
    if (m_volume->GetParents()->Find(Staff(number)) != nullptr) {
        return;
    }
    m_last = "remove staff " + std::to_string(number) + ", clear the history";
    // Never recorded: a host that takes a track out lets go of the history that named it.
    Edit(m_doc.get(), new CCRemoveTrack(Staff(number)));
    (void)m_doc->ClearUndo();
    m_states.assign(1, fuzz::Save(m_doc.get()));
    m_lossy.assign(1, nullptr);
    m_known.assign(1, true);
    m_addedTuplets.assign(1, nullptr);
    m_at = 0;
}

void ExactEditor::Apply(CCBase* command) {
    Apply([&] { Edit(m_doc.get(), command); });
}

void ExactEditor::Apply(const std::function<void()>& edit) {
    m_lastCode = 0;
    const char* reason = std::exchange(m_reason, nullptr);
    ECBase* tuplet = std::exchange(m_addedTuplet, nullptr);
    const std::vector<std::uint8_t> before = fuzz::Save(m_doc.get());
    edit();
    if (m_lastCode != 500) {
        EXPECT_EQ(fuzz::Save(m_doc.get()), before) << "a refused command changed the document";
        m_last += " (refused)";
        return;
    }
    if (reason != nullptr) {
        m_last += std::string(" (its undo restores less: ") + reason + ")";
    }

    m_states.resize(m_at + 1);
    m_lossy.resize(m_at + 1);
    m_known.resize(m_at + 1);
    m_addedTuplets.resize(m_at + 1);
    m_states.push_back(fuzz::Save(m_doc.get()));
    m_lossy.push_back(reason);
    m_known.push_back(true);
    m_addedTuplets.push_back(tuplet);
    if (static_cast<int>(m_states.size()) - 1 > m_limit) {
        const auto drop = static_cast<std::ptrdiff_t>(m_states.size()) - m_limit - 1;
        m_states.erase(m_states.begin(), m_states.begin() + drop);
        m_lossy.erase(m_lossy.begin(), m_lossy.begin() + drop);
        m_known.erase(m_known.begin(), m_known.begin() + drop);
        m_addedTuplets.erase(m_addedTuplets.begin(), m_addedTuplets.begin() + drop);
    }
    m_at = m_states.size() - 1;
}

void ExactEditor::Crossed(std::size_t from) {
    const std::size_t low = std::min(from, m_at);
    const std::size_t high = std::max(from, m_at);
    for (std::size_t i = low + 1; i <= high; ++i) {
        if (m_lossy[i] != nullptr) {
            m_last += std::string(" (no byte check: ") + m_lossy[i] + ")";
            std::fill(m_known.begin(), m_known.end(), false);
            return;
        }
    }
}

void ExactEditor::NoteEmptiedTuplets() {
    for (std::size_t i = 0; i < m_addedTuplets.size(); ++i) {
        ECBase* tuplet = m_addedTuplets[i];
        if (tuplet != nullptr && m_lossy[i] == nullptr && tuplet->GetChildren()->IsEmpty() &&
            !tuplet->GetParents()->IsEmpty()) {
            m_lossy[i] = "the redo of an added tuplet refills it after its removal's undo";
            Stray(tuplet);
        }
    }
}

void ExactEditor::Step() {
    m_last.clear();
    NoteEmptiedTuplets();
    const int choice = Pick(20);
    const int past = static_cast<int>(m_at);
    const int ahead = static_cast<int>(m_states.size() - 1 - m_at);
    if (choice < 12) {
        if (CCBase* command = MakeEdit()) {
            Apply(command);
        }
    } else if (choice < 15) {
        const int count = 1 + Pick(3);
        m_last = "undo " + std::to_string(count);
        EXPECT_EQ(m_doc->Undo(count), past > 0 ? 1 : 0);
        const std::size_t from = m_at;
        m_at -= static_cast<std::size_t>(std::min(count, past));
        Crossed(from);
    } else if (choice < 18) {
        const int count = 1 + Pick(3);
        m_last = "redo " + std::to_string(count);
        EXPECT_EQ(m_doc->Redo(count), ahead > 0 ? 1 : 0);
        const std::size_t from = m_at;
        m_at += static_cast<std::size_t>(std::min(count, ahead));
        Crossed(from);
    } else if (choice == 18) {
        const int levels = 2 + Pick(9);
        m_last = "undo limit " + std::to_string(levels) + ", idle";
        MCCommandMgr::SetUndoLevels(levels);
        m_limit = levels;
        MCCommandMgr::OnIdle();
    } else {
        m_last = "save, load, save";
        const std::vector<std::uint8_t> saved = fuzz::Save(m_doc.get());
        std::unique_ptr<ECPerformance> copy(
            fuzz::Load(saved.data(), saved.size(), ECPerformance::WriteVersion));
        const std::vector<std::uint8_t> again = fuzz::Save(copy.get());
        if (again != saved) {
            m_roundTrip = "a loaded copy saves other bytes (" + Difference(again, saved) + ")";
        }
    }
    m_trail.push_back(m_last);
}

void SweepExactly(bool wholeRoad, int seeds, int steps,
                  bool tracks = Setting("CLAVENOR_MODEL_TRACKS", 0) != 0) {
    const int first = Setting("CLAVENOR_MODEL_FIRST_SEED", 1);
    const int levels = MCCommandMgr::GetUndoLevels();
    const int live = g_liveElements;
    for (int seed = first; seed < first + seeds; ++seed) {
        {
            MCCommandMgr::SetUndoLevels(10);
            ExactEditor editor(static_cast<std::uint32_t>(seed), wholeRoad, tracks);
            for (int step = 1; step <= steps; ++step) {
                editor.Step();
                editor.Learn();
                ASSERT_TRUE(editor.Matches())
                    << "seed " << seed << ", step " << step << ", after:" << editor.Trail();
            }
        }
        MCCommandMgr::OnIdle();
        ASSERT_EQ(g_liveElements, live) << "seed " << seed << ": elements left behind";
    }
    MCCommandMgr::SetUndoLevels(levels);
}

TEST(ModelBasedEditing, KeyClefAndMeterCommandsMixedWithTheOthersUndoToTheSavedBytes) {
    SweepExactly(Setting("CLAVENOR_MODEL_WHOLE_ROAD", 0) != 0, Setting("CLAVENOR_MODEL_SEEDS", 12),
                 Setting("CLAVENOR_MODEL_STEPS", 150));
}

TEST(ModelBasedEditing, TheWholeEditRoadUndoesToTheSavedBytes) {
    SweepExactly(true, Setting("CLAVENOR_MODEL_SEEDS", 24), Setting("CLAVENOR_MODEL_STEPS", 200));
}

TEST(ModelBasedEditing, TheWholeEditRoadWithTrackCommandsUndoesToTheSavedBytes) {
    SweepExactly(true, Setting("CLAVENOR_MODEL_SEEDS", 12), Setting("CLAVENOR_MODEL_STEPS", 150),
                 true);
}

} // namespace
} // namespace clavenor::test
