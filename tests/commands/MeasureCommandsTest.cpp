// The measure commands: inserting measures pushes later material back, removing them pulls
// it forward, re-filing puts elements into the measure of their time; undo gives back the
// saved bytes of before and redo those of after, and a failed batch changes nothing.

#include "support/Score.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace clavenor::test {

// A clef or key as the staff cache and the measure commands see it: event id 14 or 29, the
// hand in bit 15, which it archives with the rest of its second byte.
class TStaffMark : public Counted<ECWithTime> {
public:
    TStaffMark(float time, int track, int hand) {
        SetSeconds(this, time);
        SetVoiceTrack(0, track);
        SetFlag(0x8000, hand != 0);
    }
    void Serialize(CArchive& ar) override {
        ECWithTime::Serialize(ar);
        std::uint8_t byte = GetSubtype();
        if (ar.IsStoring()) {
            ar << byte;
        } else {
            ar >> byte;
            SetSubtype(byte);
        }
    }
};

class TClefMark : public TStaffMark {
    DECLARE_SERIAL(TClefMark)
public:
    explicit TClefMark(float time = 0.0f, int track = 1, int hand = 0)
        : TStaffMark(time, track, hand) {}
    int GetEventId() const override { return EventId::Clef; }
};
IMPLEMENT_SERIAL(TClefMark, ECWithTime, 2 | CRuntimeClass::VersionableSchema)

class TKeyMark : public TStaffMark {
    DECLARE_SERIAL(TKeyMark)
public:
    explicit TKeyMark(float time = 0.0f, int track = 1, int hand = 0)
        : TStaffMark(time, track, hand) {}
    int GetEventId() const override { return EventId::Key; }
};
IMPLEMENT_SERIAL(TKeyMark, ECWithTime, 2 | CRuntimeClass::VersionableSchema)

namespace {

float Seconds(ECBase* element) { return element->GetTime()->GetSeconds(); }

bool InDocument(ECBase* element) {
    return element->GetAncestor(EventId::Performance, -1) != nullptr;
}

int Veto(ECBase*, int phase, void*, void*) { return phase == MCCommandMgr::PhaseProcess ? -1 : 1; }

// Six measures of 4/4 on one staff, two notes in each (on beats 1 and 3), and an opening
// clef and key in the first measure.
class MeasureScore {
public:
    static constexpr int kMeasures = 6;

    MeasureScore() {
        staff = static_cast<ECStaff*>(conductor->GetTrack(ECConductor::KindStaff, 1, 1));
        track0 = conductor->GetConductorStaff();
        AddMeter(4, 4, 0.0f);
        Extend(4.0f * kMeasures);
        for (int m = 1; m <= kMeasures; ++m) {
            for (float beat : {0.0f, 2.0f}) {
                ECNote* note = NewNote(4.0f * static_cast<float>(m - 1) + beat);
                note->SetVoiceTrack(0, 1);
                EXPECT_EQ(Bar(m)->AddChild(note, 1), 1);
                notes.push_back(note);
            }
        }
        EXPECT_EQ(Bar(1)->AddChild(clef, 1), 1);
        EXPECT_EQ(Bar(1)->AddChild(key, 1), 1);
    }

    ECMeter* AddMeter(int numerator, int denominator, float time) {
        auto* meter = new ECMeter(static_cast<std::uint8_t>(numerator),
                                  static_cast<std::uint8_t>(denominator), ECMeter::TypeComputed);
        SetSeconds(meter, time);
        EXPECT_EQ(track0->GetMeterEnv()->AddChild(meter, 1), 1);
        return meter;
    }
    // Measures up to `end`, each in the meter in force where it starts.
    void Extend(float end) { conductor->GetMeasure(0, MCTime(end - 0.5f), 1, 1); }

    ECMeasure* Bar(int number) { return conductor->GetMeasure(1, number); }
    std::vector<float> NoteTimes() {
        std::vector<float> times;
        for (ECNote* note : notes) {
            times.push_back(Seconds(note));
        }
        return times;
    }
    std::vector<std::uint8_t> Bytes() { return fuzz::Save(m_doc.get()); }
    void Do(CCBase* command) { Edit(m_doc.get(), command); }

    Document m_doc;
    ECConductor* conductor = m_doc->GetConductor();
    ECStaff* staff = nullptr;
    ECConductorStaff* track0 = nullptr;
    std::vector<ECNote*> notes;
    TClefMark* clef = new TClefMark;
    TKeyMark* key = new TKeyMark;
};

class MeasureCommands : public ::testing::Test, public MeasureScore {};

TEST_F(MeasureCommands, MeasuresInsertedAtTheStartPushEverythingBackButTheOpeningClefAndKey) {
    ECMeasure* first = Bar(1);
    std::vector<float> expected = NoteTimes();
    for (float& time : expected) {
        time += 8.0f;
    }
    Do(new CCAddMeasure(2, 0));
    EXPECT_EQ(track0->GetMaxMeasureNumber(), kMeasures + 2);
    EXPECT_EQ(track0->GetMaxMeasureEndTime(), MCTime(4.0f * (kMeasures + 2)));
    EXPECT_EQ(NoteTimes(), expected);
    EXPECT_EQ(Bar(3), first);
    EXPECT_EQ(Seconds(first), 8.0f);
    EXPECT_EQ(Seconds(Bar(2)), 4.0f);
    for (ECBase* mark : {static_cast<ECBase*>(clef), static_cast<ECBase*>(key)}) {
        EXPECT_EQ(mark->GetParents()->GetHead(), Bar(1));
        EXPECT_EQ(mark->GetParents()->GetCount(), 1);
        EXPECT_EQ(Seconds(mark), 0.0f);
    }
    EXPECT_EQ(staff->GetCache()->GetClefAtTime(MCTime(20.0f), 0), clef);
}

TEST_F(MeasureCommands, MeasuresAppendedAfterTheLastMoveNothing) {
    const std::vector<float> before = NoteTimes();
    Do(new CCAddMeasure(2, -1));
    EXPECT_EQ(NoteTimes(), before);
    EXPECT_EQ(track0->GetMaxMeasureNumber(), kMeasures + 2);
    EXPECT_EQ(Seconds(Bar(kMeasures + 1)), 24.0f);
    EXPECT_EQ(Seconds(Bar(kMeasures + 2)), 28.0f);
    EXPECT_TRUE(Bar(kMeasures + 2)->GetChildren()->IsEmpty());
}

TEST_F(MeasureCommands, RemovingMeasuresThreeAndFourPullsTheRestForwardAndTakesTheirNotes) {
    ECMeasure* fifth = Bar(5);
    Do(new CCRemoveMeasure(2, 2));
    EXPECT_EQ(track0->GetMaxMeasureNumber(), kMeasures - 2);
    EXPECT_EQ(track0->GetMaxMeasureEndTime(), MCTime(4.0f * (kMeasures - 2)));
    EXPECT_EQ(Bar(3), fifth);
    EXPECT_EQ(Seconds(fifth), 8.0f);
    const std::vector<float> times = NoteTimes();
    const std::vector<float> kept = {0, 2, 4, 6, 8, 10, 12, 14};
    EXPECT_EQ(std::vector<float>(times.begin(), times.begin() + 4),
              std::vector<float>(kept.begin(), kept.begin() + 4));
    EXPECT_EQ(std::vector<float>(times.begin() + 8, times.end()),
              std::vector<float>(kept.begin() + 4, kept.end()));
    for (int i = 4; i < 8; ++i) {
        EXPECT_FALSE(InDocument(notes[static_cast<std::size_t>(i)])) << i;
    }
}

TEST_F(MeasureCommands, ARemovalOfMoreMeasuresThanThereAreLeavesTheLastOne) {
    ECMeasure* last = Bar(kMeasures);
    auto* removal = new CCRemoveMeasure(100, 0);
    removal->Ref();
    Do(removal);
    EXPECT_EQ(removal->GetRemoveCount(), kMeasures - 1);
    EXPECT_EQ(track0->GetMaxMeasureNumber(), 1);
    EXPECT_EQ(Bar(1), last);
    EXPECT_EQ(Seconds(last), 0.0f);
    // The opening clef and key are put back, into what is now the first measure.
    EXPECT_EQ(clef->GetParents()->GetHead(), last);
    EXPECT_EQ(key->GetParents()->GetHead(), last);
    MCTime start;
    MCTime end;
    removal->GetRemoveRegion(start, end);
    EXPECT_EQ(start, MCTime(0.0f));
    EXPECT_EQ(end, MCTime(20.0f));
    removal->Unref(1);
}

TEST_F(MeasureCommands, ACourtesyClefAtTheEndOfTheRemovedRunMovesToTheEndOfTheMeasureBefore) {
    auto* courtesy = new TClefMark(16.0f);
    ASSERT_EQ(Bar(4)->AddChild(courtesy, 1), 1);
    auto* stale = new TClefMark(8.0f, 1, 1); // the courtesy clef for the removed run
    ASSERT_EQ(Bar(2)->AddChild(stale, 1), 1);
    auto* opening = new TClefMark(16.0f, 1, 1); // opens measure 5, which stays
    ASSERT_EQ(Bar(5)->AddChild(opening, 1), 1);
    ECMeasure* second = Bar(2);
    Do(new CCRemoveMeasure(2, 2));
    EXPECT_EQ(courtesy->GetParents()->GetHead(), second);
    EXPECT_EQ(Seconds(courtesy), 8.0f);
    EXPECT_FALSE(InDocument(stale));
    EXPECT_EQ(opening->GetParents()->GetHead(), Bar(3));
    EXPECT_EQ(Seconds(opening), 8.0f);
}

// The first measure goes: the opening meter stays unless one begins where the region ends.
TEST_F(MeasureCommands, TheOpeningMeterSurvivesUnlessAnotherBeginsAtTheRegionEnd) {
    struct Case {
        const char* name;
        float second; // time of a second meter, or < 0 for none
        int numerator;
    };
    for (const Case& c : {Case{"no other meter", -1.0f, 4}, Case{"one at the region end", 4.0f, 3},
                          Case{"one later", 8.0f, 4}}) {
        MeasureScore score;
        ECMeter* opening = score.track0->GetMeterEnv()->GetMeterAt(MCTime(0.0f));
        if (c.second >= 0.0f) {
            score.AddMeter(3, 4, c.second);
        }
        score.Do(new CCRemoveMeasure(1, 0));
        ECMeter* first = score.conductor->GetMeterAtTime(MCTime(0.0f));
        ASSERT_NE(first, nullptr) << c.name;
        EXPECT_EQ(first->GetNumerator(), c.numerator) << c.name;
        EXPECT_EQ(first == opening, c.numerator == 4) << c.name;
        EXPECT_EQ(Seconds(first), 0.0f) << c.name;
    }
}

// The meter change inside the removed run governs the measures after it, which keep their
// length: it stays, and takes over where the run began.
TEST_F(MeasureCommands, AMeterChangeInsideTheRemovedRunKeepsGoverningTheMeasuresAfterIt) {
    Document doc;
    ECConductor* c = doc->GetConductor();
    c->GetTrack(ECConductor::KindStaff, 1, 1);
    ECMeterEnv* meters = c->GetConductorStaff()->GetMeterEnv();
    for (auto [numerator, time] : {std::pair{4, 0.0f}, std::pair{3, 8.0f}}) {
        auto* meter = new ECMeter(static_cast<std::uint8_t>(numerator), 4, 0);
        SetSeconds(meter, time);
        ASSERT_EQ(meters->AddChild(meter, 1), 1);
    }
    c->GetMeasure(0, MCTime(19.5f), 1, 1); // 0, 4, 8, 11, 14, 17
    ECMeter* threeFour = c->GetMeterAtTime(MCTime(8.0f));
    Edit(doc.get(), new CCRemoveMeasure(2, 1)); // the measures at 4 and 8: [4, 11)
    EXPECT_EQ(c->GetMeterAtTime(MCTime(4.0f)), threeFour);
    EXPECT_EQ(Seconds(threeFour), 4.0f);
    EXPECT_EQ(Seconds(c->GetMeasure(0, 3)), 7.0f);
    EXPECT_EQ(c->GetMaxMeasureEndTime(), MCTime(13.0f));
    MCTime next = c->GetMaxMeasureEndTime();
    c->GetMeasure(0, next, 1, 1);
    EXPECT_EQ(c->GetMaxMeasureEndTime(), MCTime(16.0f)) << "appended in 3/4";
}

TEST_F(MeasureCommands, AnInsertWithoutAMeterFailsAndChangesNothing) {
    Document doc;
    doc->GetConductor()->GetTrack(ECConductor::KindStaff, 1, 1);
    doc->GetConductor()->GetConductorStaff()->GetMeterEnv();
    Journal journal;
    Handler states{&journal, "state"};
    doc->AddStateHandler(&Handler::State, &states);
    const std::vector<std::uint8_t> before = fuzz::Save(doc.get());
    journal.lines.clear();
    Edit(doc.get(), new CCAddMeasure(1, 0));
    EXPECT_EQ(journal.Joined(), "state:501:5");
    EXPECT_EQ(fuzz::Save(doc.get()), before);
    EXPECT_EQ(doc->GetUndoCount(), 0);
}

// Later entries of the history name the measures an insertion made, so a redo brings those
// same measures back.
TEST_F(MeasureCommands, RedoBringsBackTheSameMeasuresForTheEntriesAfterIt) {
    Do(new CCAddMeasure(1, 0));
    ECMeasure* inserted = Bar(1);
    ECNote* note = NewNote(1.0f);
    Do(new CCAdd(note, inserted, FCMidi::MidiNull()));
    const std::vector<std::uint8_t> after = Bytes();
    ASSERT_EQ(m_doc->Undo(2), 1);
    EXPECT_FALSE(InDocument(inserted));
    ASSERT_EQ(m_doc->Redo(2), 1);
    EXPECT_EQ(Bytes(), after);
    EXPECT_EQ(Bar(1), inserted);
    EXPECT_EQ(note->GetParents()->GetHead(), inserted);
}

// A batch that fails after the command ran (here a handler's veto) takes it back exactly,
// caches included, and the command works when tried again.
TEST_F(MeasureCommands, AFailedBatchTakesTheCommandBackExactly) {
    const std::vector<std::function<CCBase*()>> commands = {
        [] { return new CCAddMeasure(2, 0); },
        [] { return new CCRemoveMeasure(2, 0); },
        [] { return new CCAddMeasure(1, 3); },
        [] { return new CCRemoveMeasure(3, 2); },
    };
    for (std::size_t i = 0; i < commands.size(); ++i) {
        MeasureScore score;
        const std::vector<std::uint8_t> before = score.Bytes();
        score.m_doc->AddCommandHandler(&Veto, nullptr);
        score.Do(commands[i]());
        EXPECT_EQ(score.Bytes(), before) << i;
        EXPECT_EQ(score.m_doc->GetUndoCount(), 0) << i;
        EXPECT_EQ(score.staff->GetCache()->GetClefAtTime(MCTime(2.0f), 0), score.clef) << i;
        score.m_doc->RemoveCommandHandlers();
        score.Do(commands[i]());
        EXPECT_NE(score.Bytes(), before) << i;
        ASSERT_EQ(score.m_doc->Undo(1), 1) << i;
        EXPECT_EQ(score.Bytes(), before) << i;
    }
}

// A host that changes the map outside the history (against the advice to group every edit)
// gets no exact undo, but a whole document: the map never names a measure an undo took out,
// and what is saved loads.
TEST_F(MeasureCommands, AnUndoAfterAnUnrecordedMapChangeLeavesAWholeDocument) {
    Do(new CCAddMeasure(2, 1));
    auto* unrecorded = new CCRemoveMeasure(1, 2);
    unrecorded->SetSynchronous(1);
    ASSERT_EQ(unrecorded->Apply(m_doc.get()), 1);
    ASSERT_EQ(m_doc->Undo(1), 1);
    m_doc->ClearUndo();
    MCCommandMgr::OnIdle();
    for (int number = 1; number <= track0->GetMaxMeasureNumber(); ++number) {
        ECMeasure* column = track0->GetMeasure(0, number);
        EXPECT_NE(column->GetParents()->FindNearEnds(track0), nullptr) << number;
    }
    const std::vector<std::uint8_t> saved = Bytes();
    std::unique_ptr<ECPerformance> loaded(
        fuzz::Load(saved.data(), saved.size(), ECPerformance::WriteVersion));
    EXPECT_EQ(fuzz::Save(loaded.get()), saved);
}

TEST_F(MeasureCommands, MirrorsOfRemovedTempiStopShowingThemAndComeBackWithTheUndo) {
    ECTempoEnv* tempi = track0->GetTempoEnv();
    auto* opening = new ECTempo;
    ASSERT_EQ(tempi->AddChild(opening, 1), 1);
    auto* removed = new ECTempo;
    SetSeconds(removed, 8.0f);
    ASSERT_EQ(tempi->AddChild(removed, 1), 1);
    auto* mirror = new ECMirror;
    SetSeconds(mirror, 16.0f);
    ASSERT_EQ(Bar(5)->AddChild(mirror, 1), 1);
    mirror->SetMirrorEvent(removed, 1);
    const std::vector<std::uint8_t> before = Bytes();
    Do(new CCRemoveMeasure(2, 2));
    EXPECT_EQ(mirror->GetMirrorEvent(), nullptr);
    EXPECT_TRUE(removed->GetMirrors().IsEmpty());
    EXPECT_FALSE(InDocument(mirror));
    EXPECT_FALSE(InDocument(removed));
    ASSERT_EQ(m_doc->Undo(1), 1);
    EXPECT_EQ(Bytes(), before);
    EXPECT_EQ(mirror->GetMirrorEvent(), removed);
    EXPECT_EQ(removed->GetMirrors().GetHead(), mirror);
}

TEST_F(MeasureCommands, SuppliedMeasuresAreInsertedWithWhatTheyHold) {
    auto* column = new ECConductorMeasure(MCTime(0.0f));
    auto* bar = new ECMeasure;
    bar->SetVoiceTrack(14, 1);
    ECNote* held = NewNote(4.5f);
    ASSERT_EQ(bar->AddChild(held, 1), 1);
    auto* insert = new CCAddMeasure(5, 1);
    insert->Add(column, nullptr, FCMidi::MidiNull());
    insert->Add(bar, nullptr, FCMidi::MidiNull());
    insert->Ref();
    Do(insert);
    EXPECT_EQ(insert->GetInsertCount(), 1);
    EXPECT_EQ(track0->GetMaxMeasureNumber(), kMeasures + 1);
    EXPECT_EQ(Bar(2), bar);
    EXPECT_EQ(Seconds(bar), 4.0f);
    EXPECT_TRUE(InDocument(held));
    EXPECT_NE(track0->GetMeasure(0, 2), column) << "every column gets a new conductor measure";
    insert->Unref(1);
}

// Elements whose time lies in another measure go there; one that ends past the last measure
// makes measures appended.
TEST_F(MeasureCommands, AdjustingMovesChildrenToTheMeasureOfTheirTimeAndAppendsMeasures) {
    ECNote* early = NewNote(5.0f); // in measure 2's time, filed in measure 1
    ASSERT_EQ(Bar(1)->AddChild(early, 1), 1);
    auto* late = new Counted<ECNote>(MCTime(22.0f), MCTime(4.0f)); // ends past the end, at 26
    ASSERT_EQ(Bar(6)->AddChild(late, 1), 1);
    auto* adjust = new CCAdjustMeasureChildren;
    adjust->SetReverse(1);
    adjust->Ref();
    EXPECT_EQ(adjust->CanUndo(), 0);
    Do(adjust);
    EXPECT_EQ(early->GetParents()->GetHead(), Bar(2));
    EXPECT_EQ(late->GetParents()->GetHead(), Bar(6));
    EXPECT_EQ(track0->GetMaxMeasureNumber(), kMeasures + 1);
    EXPECT_EQ(adjust->GetFirstAddedMeasure(), kMeasures + 1);
    EXPECT_EQ(adjust->GetAddedMeasureCount(), 1);
    EXPECT_EQ(m_doc->GetUndoCount(), 0);
    adjust->Unref(1);
}

TEST_F(MeasureCommands, AFailedBatchTakesAdjustingBackAppendedMeasuresIncluded) {
    ECNote* early = NewNote(5.0f);
    ASSERT_EQ(Bar(1)->AddChild(early, 1), 1);
    ASSERT_EQ(Bar(6)->AddChild(new Counted<ECNote>(MCTime(23.0f), MCTime(6.0f)), 1), 1);
    const std::vector<std::uint8_t> before = Bytes();
    m_doc->AddCommandHandler(&Veto, nullptr);
    Do(new CCAdjustMeasureChildren);
    EXPECT_EQ(Bytes(), before);
    EXPECT_EQ(early->GetParents()->GetHead(), Bar(1));
    EXPECT_EQ(track0->GetMaxMeasureNumber(), kMeasures);
}

// A mark that lasts is one anchor group of its start and end points. A removal that takes
// only some of them must not leave a group naming a point outside the envelope: the saved
// group would name an element that a load drops, and the surviving point would carry its
// removed partner along in later edits.
TEST_F(MeasureCommands, MarksCutByARemovalLoseTheirAnchorGroupsAndTheUndoBringsThemBack) {
    auto* volume = new ECControllerEnv;
    volume->SetControllerType(7);
    ASSERT_NE(staff->AddChild(volume, 1), 0);
    auto mark = [](ECEnvPoint* point, float time) {
        SetSeconds(point, time);
        return point;
    };
    auto* inside = static_cast<ECTranspose*>(mark(new ECTranspose(0, MCTime(2.0f)), 9.0f));
    auto* endsInside = static_cast<ECDynamic*>(mark(new ECDynamic(11, MCTime(4.0f)), 6.0f));
    auto* startsInside = static_cast<ECPedal*>(mark(new ECPedal(0, MCTime(2.0f)), 11.5f));
    auto* after = static_cast<ECPedal*>(mark(new ECPedal(0, MCTime(1.0f)), 17.0f));
    Do(new CCAddTranspose(inside, volume));
    Do(new CCAddDynamic(endsInside, volume));
    Do(new CCAddPedal(startsInside, volume));
    Do(new CCAddPedal(after, volume));
    ASSERT_EQ(volume->GetAnchorGroupCount(), 4);
    ECEnvPoint* release = volume->GetPointAt(MCTime(13.5f));
    ASSERT_NE(release, nullptr);
    const std::vector<std::uint8_t> before = Bytes();

    Do(new CCRemoveMeasure(1, 2)); // the third measure, [8, 12)
    const std::vector<std::uint8_t> removed = Bytes();
    EXPECT_EQ(volume->GetAnchorGroup(endsInside), nullptr);
    EXPECT_EQ(volume->GetAnchorGroup(release), nullptr);
    ASSERT_EQ(volume->GetAnchorGroupCount(), 1);
    EXPECT_EQ(Items(volume->GetAnchorGroupAt(0)),
              (std::vector<ECBase*>{after, volume->GetPointAt(MCTime(14.0f))}));
    std::unique_ptr<ECPerformance> loaded(
        fuzz::Load(removed.data(), removed.size(), ECPerformance::WriteVersion));
    EXPECT_EQ(fuzz::Save(loaded.get()), removed);

    ASSERT_EQ(m_doc->Undo(1), 1);
    EXPECT_EQ(Bytes(), before);
    EXPECT_EQ(volume->GetAnchorGroupCount(), 4);
    ASSERT_EQ(m_doc->Redo(1), 1);
    EXPECT_EQ(Bytes(), removed);
}

// On a score of several meters, tempi with a ramp and a pause, two staves and a wave track:
// after each insertion or removal, undo gives back the bytes of before, redo those of
// after, and the document saved after loads and saves the same bytes.
TEST(MeasureCommandsOnAScore, UndoAndRedoGiveBackTheSavedBytes) {
    struct Case {
        const char* name;
        bool insert;
        int count;
        int index;
    };
    const Case cases[] = {
        {"insert one at the start", true, 1, 0}, {"insert two in 4/4", true, 2, 3},
        {"insert in 3/4", true, 1, 5},           {"append three", true, 3, -1},
        {"remove the first", false, 1, 0},       {"remove across a meter", false, 3, 2},
        {"remove in 6/8", false, 1, 8},          {"remove the last", false, 1, 9},
        {"remove all but one", false, 100, 0},   {"remove nothing", false, 0, 3},
    };
    for (const Case& c : cases) {
        std::unique_ptr<ECPerformance> doc(fuzz::MakeScoreDocument());
        const std::vector<std::uint8_t> before = fuzz::Save(doc.get());
        Edit(doc.get(), c.insert ? static_cast<CCBase*>(new CCAddMeasure(c.count, c.index))
                                 : static_cast<CCBase*>(new CCRemoveMeasure(c.count, c.index)));
        const std::vector<std::uint8_t> after = fuzz::Save(doc.get());
        EXPECT_EQ(after == before, c.count == 0) << c.name;
        for (int round = 0; round < 2; ++round) {
            ASSERT_EQ(doc->Undo(1), 1) << c.name;
            EXPECT_EQ(fuzz::Save(doc.get()), before) << c.name;
            ASSERT_EQ(doc->Redo(1), 1) << c.name;
            EXPECT_EQ(fuzz::Save(doc.get()), after) << c.name;
        }
        std::unique_ptr<ECPerformance> loaded(
            fuzz::Load(after.data(), after.size(), ECPerformance::WriteVersion));
        EXPECT_EQ(fuzz::Save(loaded.get()), after) << c.name;
        fuzz::QueryTimeline(loaded.get());
        loaded.reset();
        doc.reset();
        MCCommandMgr::OnIdle();
    }
}

} // namespace
} // namespace clavenor::test
