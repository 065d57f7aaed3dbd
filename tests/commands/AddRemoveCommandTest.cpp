#include "support/AllocationFailure.h"
#include "support/FailingBatch.h"
#include "support/Score.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <set>
#include <span>
#include <utility>

namespace clavenor::test {
namespace {

TEST_F(Score, AddLinksInTimeOrderAndTheSameChildMayGoUnderTwoParents) {
    auto* later = NewNote(2.0f);
    auto* earlier = NewNote(1.0f);
    auto* second = new ECMeasure;
    ASSERT_EQ(m_staff->AddChild(second, 1), 1);
    auto* add = new CCAdd(later, m_measure, FCMidi::MidiNull());
    add->Add(earlier, m_measure, FCMidi(0x00403C90u));
    add->Add(earlier, second, FCMidi::MidiNull());
    EXPECT_EQ(add->GetItems()[1]->GetMidiData().GetValue().dwData, 0x00403C90u);
    Run(add);
    EXPECT_EQ(m_measure->GetChildren()->GetHead(), earlier);
    EXPECT_EQ(m_measure->GetChildren()->GetTail(), later);
    EXPECT_EQ(earlier->GetParents()->GetCount(), 2);
    MCEventList added;
    EXPECT_EQ(add->GetAddEvents(added), 1);
    EXPECT_EQ(added.GetCount(), 3);
}

// Regression: a refused link was ignored. Some items were linked and success reported, or
// nothing was linked, nothing reported, and the elements no one linked leaked.
TEST_F(Score, AnAddWithARefusedLinkChangesNothingAndReportsTheFailure) {
    Journal journal;
    Handler states{&journal, "state"};
    m_doc->AddStateHandler(&Handler::State, &states);
    ECChord* chord = NewChord(0.0f, 1);
    ASSERT_EQ(m_measure->AddChild(chord, 1), 1);
    auto* leaf = new TLeaf(2.0f);
    ASSERT_EQ(m_measure->AddChild(leaf, 1), 1);
    // Taken back from containers that file their children in tables: the staff table, the
    // conductor staff, the tempo map's index. A table left naming a freed track or point
    // fails the save below under AddressSanitizer.
    ECConductor* conductor = m_doc->GetConductor();
    ECConductorStaff* timeline = conductor->GetConductorStaff();
    ECTempoEnv* tempi = timeline->GetTempoEnv();
    const int staves = conductor->GetMaxTrackNumber(ECConductor::KindStaff);
    const std::vector<std::uint8_t> before = Bytes();
    const int live = g_liveElements;

    auto* cycle = new CCAdd(NewNote(0.0f), chord, FCMidi::MidiNull());
    cycle->Add(m_measure, chord, FCMidi::MidiNull()); // the measure under its own chord
    auto* childless = new CCAdd(NewBar(4.0f, 2), m_staff, FCMidi::MidiNull());
    childless->Add(NewNote(3.0f), leaf, FCMidi::MidiNull()); // a leaf takes no children
    auto* tables = new CCAdd(new ECStaff, conductor, FCMidi::MidiNull());
    tables->Add(new ECTempo, tempi, FCMidi::MidiNull());
    tables->Add(NewNote(3.0f), leaf, FCMidi::MidiNull());
    // More items than one word of linked flags holds, the last refused.
    auto* many = new CCAdd(NewNote(3.0f), m_measure, FCMidi::MidiNull());
    for (int i = 1; i < 70; ++i) {
        many->Add(NewNote(3.0f + static_cast<float>(i) / 16), m_measure, FCMidi::MidiNull());
    }
    many->Add(NewNote(3.0f), leaf, FCMidi::MidiNull());
    for (CCAdd* add : {cycle, childless, tables, many}) {
        journal.lines.clear();
        Run(add);
        EXPECT_EQ(journal.Joined(), "state:501:0");
        EXPECT_EQ(Bytes(), before);
        EXPECT_EQ(m_doc->GetUndoCount(), 0);
    }
    EXPECT_EQ(g_liveElements, live) << "what no one linked went with its command";
    EXPECT_EQ(conductor->GetConductorStaff(), timeline);
    EXPECT_EQ(conductor->GetMaxTrackNumber(ECConductor::KindStaff), staves);
}

// Regression: a redo whose link was refused moved the history on as if it had been done.
TEST_F(Score, ARedoThatCannotLinkIsRefusedAndTheHistoryStays) {
    ECMeasure* bar = NewBar(4.0f, 1);
    Run(new CCAdd(bar, m_staff, FCMidi::MidiNull()));
    const std::vector<std::uint8_t> added = Bytes();
    ASSERT_EQ(m_doc->Undo(1), 1);
    const std::vector<std::uint8_t> undone = Bytes();
    ASSERT_EQ(bar->AddChild(m_staff, 0), 1); // now the staff cannot go under the measure
    EXPECT_EQ(m_doc->Redo(1), 0);
    EXPECT_EQ(m_doc->GetUndoIndex(), 1);
    EXPECT_EQ(Bytes(), undone);
    EXPECT_EQ(bar->RemoveChild(m_staff, 0), 1);
    EXPECT_EQ(m_doc->Redo(1), 1);
    EXPECT_EQ(Bytes(), added);
}

TEST_F(Score, RemoveRecordsTheNearestParentOfTheFirstTypeFound) {
    auto* chord = new ECChord;
    ASSERT_EQ(m_measure->AddChild(chord, 1), 1);
    ECNote* note = NewNote(0.0f);
    ASSERT_EQ(chord->AddChild(note, 1), 1);
    ASSERT_EQ(chord->AddChild(NewNote(0.0f), 1), 1);
    auto* remove = new CCRemove(note);
    EXPECT_EQ(remove->Remove(note), nullptr) << "one item per element";
    // A note lists the measure before the chord among its parent types.
    EXPECT_EQ(remove->GetItems()[0]->GetParent(), m_measure);
    // An element listing the chord first records the chord.
    struct ChordFirst : public ECWithTime {
        int GetParentTypes(CArray<int, int>& types) override {
            types.Add(EventId::Chord);
            types.Add(EventId::Measure);
            return 1;
        }
    };
    auto* mark = new ChordFirst;
    ASSERT_EQ(chord->AddChild(mark, 0), 1);
    CCRemoveItem* item = remove->Remove(mark);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->GetParent(), chord);
    Run(remove);
    EXPECT_EQ(note->GetParents()->GetCount(), 0);
    EXPECT_EQ(1, m_doc->Undo(1));
    EXPECT_EQ(note->GetParents()->GetHead(), m_measure);
    EXPECT_EQ(mark->GetParents()->GetHead(), chord);
}

TEST_F(Score, UndoneRemovalLeavesTheElementIntactWhenItsHistoryIsFreed) {
    auto* chord = new Counted<ECChord>;
    ASSERT_EQ(m_measure->AddChild(chord, 1), 1);
    ASSERT_EQ(chord->AddChild(NewNote(0.0f), 1), 1);
    ASSERT_EQ(chord->AddChild(NewNote(0.0f), 1), 1);
    const int live = g_liveElements;
    Run(new CCRemove(chord));
    EXPECT_EQ(1, m_doc->Undo(1));
    m_doc->ClearUndo();
    MCCommandMgr::OnIdle();
    EXPECT_EQ(g_liveElements, live);
    EXPECT_EQ(m_measure->GetChildren()->GetCount(), 3) << "the chord's notes stayed in the "
                                                          "measure when it was removed";
}

TEST_F(Score, RemovedElementsAreFreedWithTheirHistory) {
    auto* chord = new Counted<ECChord>;
    ASSERT_EQ(m_measure->AddChild(chord, 1), 1);
    ASSERT_EQ(chord->AddChild(NewNote(0.0f), 1), 1);
    const int live = g_liveElements;
    auto* remove = new CCRemove;
    MCEventList both;
    ASSERT_NE(both.AddTail(chord), nullptr);
    ASSERT_NE(both.AddTail(chord->GetChildren()->GetHead()), nullptr);
    remove->Remove(&both);
    both.RemoveAll();
    Run(remove);
    EXPECT_EQ(g_liveElements, live) << "the history still holds them";
    m_doc->ClearUndo();
    EXPECT_EQ(g_liveElements, live - 2);
}

// A removal that a failing batch takes back, and what it removes.
struct RemovalCase {
    const char* what;
    std::vector<ECBase*> selection;
};

// A measure of everything a removal takes apart on its own account: a chord with an accent
// (at 1.0, before a note of the same time, so that time order alone cannot place it back),
// and a tuplet of a note and a two-note chord (at 2.0, after a note of the same time).
class Dissolving : public Score {
protected:
    Dissolving() {
        chord = NewChord(1.0f, 2);
        EXPECT_EQ(chord->AddChild(new Counted<ECAccent>, 0), 1);
        EXPECT_EQ(m_measure->AddChild(chord, 1), 1);
        EXPECT_EQ(m_measure->AddChild(NewNote(1.0f), 1), 1);
        EXPECT_EQ(m_measure->AddChild(NewNote(2.0f), 1), 1);
        tuplet = new Counted<ECTuplet>;
        SetSeconds(tuplet, 2.0f);
        EXPECT_EQ(m_measure->AddChild(tuplet, 1), 1);
        EXPECT_EQ(tuplet->AddChild(NewNote(2.0f), 1), 1);
        inner = NewChord(2.5f, 2);
        EXPECT_EQ(tuplet->AddChild(inner, 1), 1);
    }

    ECBase* Note(ECBase* container, int index) {
        return Items(container->GetChildren())[static_cast<std::size_t>(index)];
    }
    // Each case's removal, in a failing batch, gives every byte and every parents list's
    // order back and leaves no history, without allocating on its way back; and `answers`
    // (when given), what the document answers beyond its bytes, are as before each case.
    void ExpectExactReverts(std::span<const RemovalCase> cases,
                            const std::function<std::vector<double>()>& answers = {});
    // Each case's removal, in a failing batch whose Nth allocation fails, for every N up to
    // one past the last, leaves the bytes and the links as they were.
    void ExpectNothingChangesWhicheverAllocationFails(std::span<const RemovalCase> cases);
    // Every element of the document with its parents in their order, which the bytes do not
    // hold.
    std::vector<std::pair<ECBase*, std::vector<ECBase*>>> Links() {
        std::vector<std::pair<ECBase*, std::vector<ECBase*>>> links;
        std::set<ECBase*> seen;
        std::vector<ECBase*> pending{m_doc.get()};
        while (!pending.empty()) {
            ECBase* element = pending.back();
            pending.pop_back();
            if (!seen.insert(element).second) {
                continue;
            }
            links.emplace_back(element, Items(element->GetParents()));
            if (const MCEventList* children = element->GetChildren()) {
                for (ECBase* child : Items(children)) {
                    pending.push_back(child);
                }
            }
        }
        return links;
    }

    ECChord* chord = nullptr;
    ECTuplet* tuplet = nullptr;
    ECChord* inner = nullptr;
};

// A removal of every element of `selection`, each one accepted.
CCRemove* RemovalOf(const std::vector<ECBase*>& selection, const char* what) {
    auto* remove = new CCRemove;
    for (ECBase* element : selection) {
        EXPECT_NE(remove->Remove(element), nullptr) << what;
    }
    return remove;
}

// Regression: a failed batch brought a removed chord or tuplet back empty, with its members
// left in the measure, and put elements back by time rather than where they stood; and it
// needed memory to do so, which a batch that failed for want of memory may not have.
TEST_F(Dissolving, AFailedBatchPutsChordsAndTupletsBackAsTheyWere) {
    const RemovalCase cases[] = {
        {"a chord", {chord}},
        {"one note of a chord", {Note(chord, 1)}},
        {"every note of a chord", {Note(chord, 0), Note(chord, 1)}},
        {"a tuplet", {tuplet}},
        {"every member of a tuplet", {Note(tuplet, 0), inner}},
        {"the notes of a chord in a tuplet", {Note(inner, 0), Note(inner, 1), Note(tuplet, 0)}},
        {"a chord in a tuplet, then the tuplet", {inner, tuplet}},
        {"a tuplet, then a chord that was in it", {tuplet, inner, chord}},
    };
    ExpectExactReverts(cases);
}

// Regression: a failed batch put plain elements back through AddChild, by time and with
// memory that a batch failing for want of it may not have. The plain notes of the measure
// stand after the chord and before the tuplet of their times, where time order alone puts
// neither back.
TEST_F(Dissolving, AFailedBatchPutsPlainElementsBackWhereTheyStoodWithoutMemory) {
    const RemovalCase cases[] = {
        {"a note after a chord of its time", {Note(m_measure, 1)}},
        {"a note before a tuplet of its time", {Note(m_measure, 2)}},
        {"both plain notes", {Note(m_measure, 2), Note(m_measure, 1)}},
        {"plain notes, a chord and a tuplet",
         {Note(m_measure, 1), chord, Note(m_measure, 2), tuplet}},
        {"the accent of a chord", {Note(chord, 2)}},
    };
    ExpectExactReverts(cases);
}

// Regression: a chord whose marks had children of their own came back through AddChild.
TEST_F(Dissolving, AFailedBatchPutsAChordBackWithTheChildrenOfItsMarks) {
    auto* turn = new Counted<ECTurn>;
    ASSERT_EQ(turn->AddChild(new Counted<ECAccent>, 0), 1);
    ASSERT_EQ(turn->AddChild(new Counted<ECAccent>, 0), 1);
    ASSERT_EQ(chord->AddChild(turn, 0), 1);
    const RemovalCase cases[] = {
        {"every note of the chord", {Note(chord, 0), Note(chord, 1)}},
        {"the chord", {chord}},
        {"the mark", {turn}},
    };
    ExpectExactReverts(cases);
}

void Dissolving::ExpectExactReverts(std::span<const RemovalCase> cases,
                                    const std::function<std::vector<double>()>& answers) {
    const std::vector<std::uint8_t> before = Bytes();
    const auto links = Links();
    const std::vector<double> answered = answers ? answers() : std::vector<double>{};
    for (const auto& c : cases) {
        Allocated allocated;
        EXPECT_EQ(ApplyFailing(m_doc.get(), RemovalOf(c.selection, c.what), allocated), 1)
            << c.what;
        EXPECT_EQ(Bytes(), before) << c.what;
        EXPECT_EQ(Links(), links) << c.what;
        EXPECT_EQ(allocated.reverted, allocated.refused) << c.what << ": the revert allocated";
        EXPECT_EQ(m_doc->GetUndoCount(), 0) << c.what;
        if (answers) {
            EXPECT_EQ(answers(), answered) << c.what;
        }
    }
}

// Whichever allocation of the removal fails, before its room is set aside or after, the batch
// fails and every byte comes back.
TEST_F(Dissolving, AFailedAllocationAnywhereInARemovalLeavesTheDocumentAsItWas) {
    const RemovalCase cases[] = {
        {"plain notes", {Note(m_measure, 2), Note(m_measure, 1)}},
        {"plain notes, a chord and a tuplet",
         {Note(m_measure, 1), chord, Note(m_measure, 2), tuplet}},
    };
    ExpectNothingChangesWhicheverAllocationFails(cases);
}

void Dissolving::ExpectNothingChangesWhicheverAllocationFails(std::span<const RemovalCase> cases) {
    const std::vector<std::uint8_t> before = Bytes();
    const auto links = Links();
    for (const auto& c : cases) {
        const int failures = ForEachFailingBatchAllocation(
            m_doc.get(), [&] { return RemovalOf(c.selection, c.what); },
            [&](std::int64_t n) {
                ASSERT_EQ(Bytes(), before) << c.what << ", allocation " << n << " failing";
                ASSERT_EQ(Links(), links) << c.what << ", allocation " << n << " failing";
            });
        EXPECT_GT(failures, 0) << c.what;
    }
}

// A clef and a key among notes of their time, where time order alone puts neither back, both
// also in a measure of a second staff, whose cache tracks them as well.
class Clefs : public Dissolving {
protected:
    Clefs() {
        clef = new Counted<ECClef>(2);
        SetSeconds(clef, 1.0f);
        key = new Counted<ECKey>(2, 0, 0);
        SetSeconds(key, 1.0f);
        for (ECBase* mark : {static_cast<ECBase*>(clef), static_cast<ECBase*>(key)}) {
            EXPECT_EQ(m_measure->AddChild(mark, 1), 1);
        }
        EXPECT_EQ(m_measure->AddChild(NewNote(1.0f), 1), 1);
        other = new Counted<ECStaff>;
        EXPECT_EQ(m_doc->GetConductor()->AddChild(other, 1), 1);
        ECMeasure* bar = NewBar(0.0f, 2);
        EXPECT_EQ(other->AddChild(bar, 1), 1);
        EXPECT_EQ(bar->AddChild(clef, 1), 1);
        EXPECT_EQ(bar->AddChild(key, 1), 1);
    }

    // The clef and the key each staff's cache gives at and just before a few times, for
    // both hands: 0 for none, 1 for the clef, 2 for the key, 3 for anything else.
    std::vector<double> CacheAnswers() {
        auto named = [&](const ECBase* element) {
            return element == nullptr ? 0.0 : element == clef ? 1.0 : element == key ? 2.0 : 3.0;
        };
        std::vector<double> answers;
        for (ECStaff* staff : {m_staff, other}) {
            for (std::uint8_t hand = 0; hand < 2; ++hand) {
                for (const float at : {0.0f, 1.0f, 1.5f, 3.0f}) {
                    const MCTime time(at);
                    answers.push_back(named(staff->GetClefAtTime(time, hand)));
                    answers.push_back(named(staff->GetClefBeforeTime(time, hand)));
                    answers.push_back(named(staff->GetKeyAtTime(time, hand)));
                    answers.push_back(named(staff->GetKeyBeforeTime(time, hand)));
                }
            }
        }
        return answers;
    }

    ECClef* clef = nullptr;
    ECKey* key = nullptr;
    ECStaff* other = nullptr;
};

// Regression: a failed batch put clefs and keys back through their measures' AddChild, by
// time, and with memory for the caches, which a batch failing for want of it may not have.
TEST_F(Clefs, AFailedBatchPutsThemBackWhereTheyStoodAndTheCachesAsTheyWere) {
    ASSERT_EQ(m_staff->GetClefAtTime(MCTime(1.0f), 0), clef);
    ASSERT_EQ(other->GetKeyAtTime(MCTime(1.0f), 0), key);
    const RemovalCase cases[] = {
        {"a clef among notes of its time", {clef}},
        {"a key among notes of its time", {key}},
        {"a clef, its key and the note after them", {Note(m_measure, 4), key, clef}},
        {"the measure holding them", {m_measure}},
        {"the measure of the second staff", {other->GetChildren()->GetHead()}},
    };
    ExpectExactReverts(cases, [this] { return CacheAnswers(); });
}

// A conductor measure files clefs in the conductor staff's cache, and its staff names it in
// its measure map, which a removal leaves as it is.
TEST_F(Clefs, AFailedBatchPutsAConductorMeasureBackWithTheClefItHolds) {
    ECConductor* conductor = m_doc->GetConductor();
    ASSERT_NE(conductor->GetMeasure(0, MCTime(12.0f), 1, 1), nullptr);
    ECConductorStaff* timeline = conductor->GetConductorStaff();
    ECMeasure* bar = timeline->GetMeasure(0, 2);
    ASSERT_NE(bar, nullptr);
    auto* barClef = new Counted<ECClef>(3);
    SetSeconds(barClef, bar->GetTime()->GetSeconds());
    ASSERT_EQ(bar->AddChild(barClef, 1), 1);
    const MCTime at = *bar->GetTime();
    ASSERT_EQ(timeline->GetClefAtTime(at, 0), barClef);
    m_doc->ClearUndo();
    const RemovalCase cases[] = {
        {"a conductor measure between two others", {bar}},
        {"the clef of a conductor measure", {barClef}},
    };
    ExpectExactReverts(cases, [&] {
        return std::vector<double>{timeline->GetClefAtTime(at, 0) == barClef ? 1.0 : 0.0,
                                   timeline->GetMeasure(0, 2) == bar ? 1.0 : 0.0};
    });
}

TEST_F(Clefs, AFailedAllocationAnywhereInTheirRemovalLeavesTheDocumentAsItWas) {
    const RemovalCase cases[] = {
        {"a clef and a key", {clef, key}},
        {"the measure holding them", {m_measure}},
    };
    ExpectNothingChangesWhicheverAllocationFails(cases);
    EXPECT_EQ(m_staff->GetKeyAtTime(MCTime(1.0f), 0), key);
    EXPECT_EQ(other->GetClefAtTime(MCTime(1.0f), 0), clef);
}

// A controller envelope of the staff, and the tempo and meter maps, three points each; the
// second tempo mark speeds up, so that the clock times of the marks after it depend on it.
class Maps : public Dissolving {
protected:
    Maps() {
        volume = new Counted<ECControllerEnv>;
        EXPECT_EQ(m_staff->AddChild(volume, 1), 1);
        ECConductorStaff* timeline = m_doc->GetConductor()->GetConductorStaff();
        tempi = timeline->GetTempoEnv();
        meters = timeline->GetMeterEnv();
        const float tempo[] = {60.0f, 120.0f, 90.0f};
        for (int i = 0; i < 3; ++i) {
            const float at = 2.0f * static_cast<float>(i);
            auto* point = new Counted<ECEnvPoint>;
            SetSeconds(point, at);
            point->SetValue(static_cast<float>(10 * i));
            EXPECT_EQ(volume->AddChild(point, 1), 1);
            auto* mark = new Counted<ECTempo>;
            SetSeconds(mark, at);
            EXPECT_EQ(mark->SetTempo(tempo[i], 1.0f), 1);
            EXPECT_EQ(tempi->AddChild(mark, 1), 1);
            if (meters->GetPointAt(MCTime(4.0f * static_cast<float>(i))) == nullptr) {
                EXPECT_EQ(meters->AddChild(At(new Counted<ECMeter>(3, 4, 0), 4.0f * i), 1), 1);
            }
        }
    }

    static ECBase* At(ECBase* point, float time) {
        SetSeconds(point, time);
        return point;
    }
    static ECBase* PointOf(ECEnvelope* envelope, int index) {
        return envelope->GetPointAtIndex(index);
    }

    // What the maps know beyond their bytes: whether the conductor staff names them, every
    // tempo mark's clock time and value, every meter's bar, pulse and tick.
    std::vector<double> MapAnswers() {
        ECConductorStaff* timeline = m_doc->GetConductor()->GetConductorStaff();
        std::vector<double> answers{timeline->GetTempoEnv() == tempi ? 1.0 : 0.0,
                                    timeline->GetMeterEnv() == meters ? 1.0 : 0.0};
        for (ECBase* point : *tempi->GetChildren()) {
            auto* mark = static_cast<ECTempo*>(point);
            answers.push_back(mark->GetClockTime().GetSeconds());
            answers.push_back(mark->GetValue());
        }
        for (ECBase* point : *meters->GetChildren()) {
            const BPTTime& at = static_cast<ECMeter*>(point)->GetBarPulseTick();
            answers.insert(answers.end(),
                           {static_cast<double>(at.bar), static_cast<double>(at.pulse),
                            static_cast<double>(at.tick)});
        }
        return answers;
    }

    ECControllerEnv* volume = nullptr;
    ECTempoEnv* tempi = nullptr;
    ECMeterEnv* meters = nullptr;
};

// Regression: a failed batch put envelope points, tempo marks and meters, and the maps
// themselves, back through their parents' AddChild, by time and with memory a batch failing
// for want of it may not have; and a removed first tempo mark left the next one at time zero,
// where the removal had moved it.
TEST_F(Maps, AFailedBatchPutsPointsBackWithTheMapsAsTheyWere) {
    ASSERT_EQ(tempi->GetPointCount(), 3);
    ASSERT_EQ(meters->GetPointCount(), 3);
    const RemovalCase cases[] = {
        {"a controller point between two others", {PointOf(volume, 1)}},
        {"the first controller point", {PointOf(volume, 0)}},
        {"a tempo mark the later clock times depend on", {PointOf(tempi, 1)}},
        {"the first tempo mark, which lets the next one move to time zero", {PointOf(tempi, 0)}},
        {"the first two tempo marks", {PointOf(tempi, 0), PointOf(tempi, 1)}},
        {"a meter between two others", {PointOf(meters, 1)}},
        {"a point of every map", {PointOf(meters, 2), PointOf(tempi, 2), PointOf(volume, 2)}},
        {"the controller envelope", {volume}},
        {"the tempo map", {tempi}},
        {"the meter map and the tempo map", {meters, tempi}},
    };
    ExpectExactReverts(cases, [this] { return MapAnswers(); });
}

// Regression: a failed batch put a removed wave track back through the conductor's
// AddChild, after the other wave tracks and without its number.
TEST_F(Dissolving, AFailedBatchPutsWaveTracksBackWithTheirNumbers) {
    ECConductor* conductor = m_doc->GetConductor();
    std::vector<ECTrack*> tracks;
    for (int number = 1; number <= 3; ++number) {
        tracks.push_back(conductor->GetTrack(ECConductor::KindWaveTrack, number, 1));
        ASSERT_NE(tracks.back(), nullptr);
    }
    m_doc->ClearUndo();
    const RemovalCase cases[] = {
        {"the first of three wave tracks", {tracks[0]}},
        {"the middle one", {tracks[1]}},
        {"the last two, the last first", {tracks[2], tracks[1]}},
    };
    ExpectExactReverts(cases, [&] {
        std::vector<double> numbers;
        for (ECTrack* track : tracks) {
            numbers.push_back(conductor->GetTrackNumber(ECConductor::KindWaveTrack, track));
        }
        return numbers;
    });
}

TEST_F(Maps, AFailedAllocationAnywhereInTheirRemovalLeavesTheDocumentAsItWas) {
    const RemovalCase cases[] = {
        {"a point of every map", {PointOf(meters, 1), PointOf(tempi, 0), PointOf(volume, 1)}},
    };
    const std::vector<double> answers = MapAnswers();
    ExpectNothingChangesWhicheverAllocationFails(cases);
    EXPECT_EQ(MapAnswers(), answers);
}

// Three staves of the staff table over three conductor measures, each measure of each staff
// holding a note on its staff's track: taking a staff out moves the later ones, with their
// notes, one number back.
class Staves : public Dissolving {
protected:
    Staves() {
        ECConductor* conductor = m_doc->GetConductor();
        for (int number = 1; number <= 3; ++number) {
            staves.push_back(
                static_cast<ECStaff*>(conductor->GetTrack(ECConductor::KindStaff, number, 1)));
            EXPECT_NE(staves.back(), nullptr);
        }
        EXPECT_NE(conductor->GetMeasure(0, MCTime(8.0f), 1, 1), nullptr);
        timeline = conductor->GetConductorStaff();
        for (int number = 1; number <= 3; ++number) {
            for (int column = 1; column <= 3; ++column) {
                ECMeasure* bar = timeline->GetMeasure(number, column);
                EXPECT_NE(bar, nullptr);
                bars.push_back(bar);
                ECNote* note = NewNote(bar->GetTime()->GetSeconds());
                note->SetVoiceTrack(1, number);
                EXPECT_EQ(bar->AddChild(note, 1), 1);
            }
        }
        m_doc->ClearUndo();
    }

    ECMeasure* Bar(int staff, int column) {
        return bars[static_cast<std::size_t>(3 * (staff - 1) + column - 1)];
    }
    ECBase* NoteIn(int staff) { return Bar(staff, 2)->GetChildren()->GetHead(); }

    // Each staff's number, and for each slot of each conductor measure which of the staves'
    // measures it names (-1: none).
    std::vector<double> TableAnswers() {
        std::vector<double> answers;
        ECConductor* conductor = m_doc->GetConductor();
        for (ECStaff* staff : staves) {
            answers.push_back(conductor->GetTrackNumber(ECConductor::KindStaff, staff));
        }
        for (int number = 1; number <= 3; ++number) {
            for (int column = 1; column <= 3; ++column) {
                const auto at =
                    std::find(bars.begin(), bars.end(), timeline->GetMeasure(number, column));
                answers.push_back(at != bars.end() ? static_cast<double>(at - bars.begin()) : -1.0);
            }
        }
        return answers;
    }

    std::vector<ECStaff*> staves;
    std::vector<ECMeasure*> bars;
    ECConductorStaff* timeline = nullptr;
};

// Regression: a failed batch put a removed staff back through the conductor's AddChild,
// without its number and its measures in the conductor measures, the later staves keeping
// the numbers the removal had moved them to, and with memory for the tables.
TEST_F(Staves, AFailedBatchPutsAStaffBackInTheTablesWithTheNumbersTheyHad) {
    const RemovalCase cases[] = {
        {"the first of three staves", {staves[0]}},
        {"the middle one", {staves[1]}},
        {"the last one", {staves[2]}},
        {"the first and the last", {staves[0], staves[2]}},
        {"all three, the last first", {staves[2], staves[1], staves[0]}},
    };
    ExpectExactReverts(cases, [this] { return TableAnswers(); });
}

// A staff leaves the staff groups it is in, which shrink, and the groups after it move.
TEST_F(Staves, AFailedBatchPutsTheStaffGroupsBack) {
    auto* group = new CCGroupStaves;
    group->GroupStaves(2, 3, 1);
    Run(group);
    const int id = group->GetGroupIndex();
    m_doc->ClearUndo();
    const RemovalCase cases[] = {
        {"the staff before the group", {staves[0]}},
        {"the first staff of the group", {staves[1]}},
        {"both staves of the group", {staves[1], staves[2]}},
    };
    ExpectExactReverts(cases, [&] {
        int first = 0;
        int last = 0;
        int kind = 0;
        const int found = timeline->GetGroup().GetGroupInfo(id, first, last, kind);
        std::vector<double> answers = TableAnswers();
        answers.insert(answers.end(), {static_cast<double>(found), static_cast<double>(first),
                                       static_cast<double>(last), static_cast<double>(kind)});
        return answers;
    });
}

// The note goes back under its staff, and the renumbering of its staff, before or after its
// removal, is taken back all the same.
TEST_F(Staves, AFailedBatchPutsAStaffRemovedWithANoteBack) {
    const RemovalCase cases[] = {
        {"a note of the middle staff, then the staff", {NoteIn(2), staves[1]}},
        {"the middle staff, then a note of it", {staves[1], NoteIn(2)}},
        {"the first staff, then a note of the last", {staves[0], NoteIn(3)}},
        {"a note of the last staff, then the first staff", {NoteIn(3), staves[0]}},
    };
    ExpectExactReverts(cases, [this] { return TableAnswers(); });
}

// A clef of the middle staff shown by mirrors on the others: the staff takes the clef out
// with it, and the mirrors keep showing it; removed itself, the clef takes them out too.
TEST_F(Staves, AFailedBatchPutsAStaffWhoseClefMirrorsShowBack) {
    auto* clef = new Counted<ECClef>(2);
    SetSeconds(clef, 4.0f);
    ASSERT_EQ(Bar(2, 2)->AddChild(clef, 1), 1);
    for (int staff : {1, 3}) {
        auto* mirror = new Counted<ECMirror>;
        SetSeconds(mirror, 4.0f);
        mirror->SetMirrorEvent(clef, 1);
        ASSERT_EQ(Bar(staff, 2)->AddChild(mirror, 1), 1);
    }
    const RemovalCase cases[] = {
        {"the staff of the clef", {staves[1]}},
        {"the staff of the clef, then the clef", {staves[1], clef}},
        {"the clef, then its staff", {clef, staves[1]}},
        {"a staff holding a mirror", {staves[2]}},
    };
    ExpectExactReverts(cases, [&] {
        std::vector<double> answers = TableAnswers();
        answers.push_back(clef->GetMirrors().GetCount());
        answers.push_back(staves[1]->GetClefAtTime(MCTime(4.0f), 0) == clef ? 1.0 : 0.0);
        return answers;
    });
}

TEST_F(Staves, AFailedAllocationAnywhereInTheirRemovalLeavesTheDocumentAsItWas) {
    const RemovalCase cases[] = {
        {"the middle staff", {staves[1]}},
        {"the first staff and a note of the last", {staves[0], NoteIn(3)}},
    };
    const std::vector<double> answers = TableAnswers();
    ExpectNothingChangesWhicheverAllocationFails(cases);
    EXPECT_EQ(TableAnswers(), answers);
}

// Groups come back through the removal's own bookkeeping, without memory; the chords and
// tuplets around them still come back whole and in place.
TEST_F(Dissolving, AFailedBatchPutsABeamedChordBackWithItsBeam) {
    auto* beam = new Counted<ECBeam>;
    SetSeconds(beam, 1.0f);
    ASSERT_EQ(beam->AddChild(chord, 1), 1);
    ASSERT_EQ(beam->AddChild(Note(m_measure, 1), 1), 1);
    ASSERT_EQ(m_measure->AddChild(beam, 1), 1);
    const RemovalCase cases[] = {
        {"the beamed chord", {chord}},
        {"every note of the beamed chord", {Note(chord, 0), Note(chord, 1)}},
        {"a note of the beamed chord and a tuplet", {Note(chord, 0), tuplet}},
    };
    ExpectExactReverts(cases);
    EXPECT_EQ(beam->GetChildren()->GetCount(), 2);
}

// Lines in measure and staff around the plain notes, each of which a removal makes let go
// of its members or leave its parent: a beam of one note and a tie in the measure's staff, a
// slur of a note and a rest, and a slur over the whole measure that keeps its members. The
// rest stands among the measure's children before a note of its time; the lines stand among
// their parents' children before others of their times.
class Lined : public Dissolving {
protected:
    Lined() {
        first = Note(m_measure, 1);
        second = Note(m_measure, 2);
        rest = new Counted<ECRest>(8);
        SetSeconds(rest, 2.0f);
        EXPECT_EQ(m_measure->AddChild(rest, 0), 1);
        EXPECT_EQ(m_measure->GetChildren()->MoveEventAfter(*m_measure->GetChildren(),
                                                           m_measure->GetChildren()->Find(rest),
                                                           m_measure->GetChildren()->Find(first)),
                  m_measure->GetChildren()->Find(rest));
        auto line = [&](ECGroup* group, float at, ECBase* parent,
                        std::initializer_list<ECBase*> members) {
            SetSeconds(group, at);
            for (ECBase* member : members) {
                EXPECT_EQ(group->AddChild(member, 0), 1);
            }
            EXPECT_EQ(parent->AddChild(group, 0), 1);
            return group;
        };
        whole = line(new Counted<ECSlur>, 0.0f, m_staff, {chord, first, rest, second});
        beam = line(new Counted<ECBeam>, 1.0f, m_measure, {first});
        slur = line(new Counted<ECSlur>, 2.0f, m_staff, {rest, second});
        tie = line(new Counted<ECTie>, 1.0f, m_staff, {first, second});
        // The tie stands before the slur and after the whole, which time order does not say.
        MCEventList* lines = m_staff->GetChildren();
        EXPECT_NE(lines->MoveEventAfter(*lines, lines->Find(tie), lines->Find(whole)), nullptr);
    }

    ECBase* first = nullptr;
    ECBase* second = nullptr;
    ECRest* rest = nullptr;
    ECGroup* whole = nullptr;
    ECGroup* beam = nullptr;
    ECGroup* slur = nullptr;
    ECGroup* tie = nullptr;
};

// Regression: a failed batch linked the groups a removal changed again through AddChild: by
// time, at the end of the members' parents, with memory, and with a slur that had left its
// staff still locked.
TEST_F(Lined, AFailedBatchPutsLinesThatLetGoBackWhereTheyStoodWithoutMemory) {
    const RemovalCase cases[] = {
        {"a note whose beam goes with it", {first}},
        {"a note whose slur lets go of a rest", {second}},
        {"both tied notes", {first, second}},
        {"the rest, then a note of its slur", {rest, second}},
        {"the chord and every plain note", {chord, second, first}},
        {"a tied note and the tuplet", {first, tuplet}},
    };
    ExpectExactReverts(cases);
    EXPECT_EQ(slur->HasType(ECGroup::TypeLocked), 0);
}

// The groups' allocations come before the removal too: whichever fails, nothing has changed.
TEST_F(Lined, AFailedAllocationInARemovalThatLinesLetGoOfLeavesTheDocumentAsItWas) {
    const RemovalCase cases[] = {
        {"both tied notes", {first, second}},
        {"the chord and every plain note", {chord, second, first}},
    };
    ExpectNothingChangesWhicheverAllocationFails(cases);
}

// A kind of a host that lets go of its members when it leaves its last parent (group type
// 1), with no rules the library knows.
struct Bracket : ECGroup {
    Bracket() : ECGroup(TypeReleaseWhenDetached) {}
};

// Regression: a failed batch put a removed line back through its recorded parent's AddChild:
// by time, under that parent alone, with memory, and a line that let go of its members on
// leaving came back without them. Beside the fixture's lines: a slur of the slur's time
// after it in the staff, a slur in two staves, a bracket of a host standing among the
// parents of its members before the lines the fixture made first, and a slur that a group
// of a host holds in the staff's stead.
TEST_F(Lined, AFailedBatchPutsRemovedLinesBackWhereTheyStoodWithoutMemory) {
    auto* twin = new Counted<ECSlur>;
    SetSeconds(twin, 2.0f);
    ASSERT_EQ(twin->AddChild(first, 0), 1);
    ASSERT_EQ(twin->AddChild(second, 0), 1);
    ASSERT_EQ(m_staff->AddChild(twin, 0), 1);
    auto* other = new Counted<ECStaff>;
    ASSERT_EQ(m_doc->GetConductor()->AddChild(other, 1), 1);
    auto* across = new Counted<ECSlur>;
    SetSeconds(across, 0.0f);
    ASSERT_EQ(across->AddChild(chord, 0), 1);
    ASSERT_EQ(across->AddChild(second, 0), 1);
    ASSERT_EQ(other->AddChild(across, 0), 1);
    ASSERT_EQ(m_staff->AddChild(across, 0), 1);
    auto* bracket = new Counted<Bracket>;
    SetSeconds(bracket, 1.0f);
    ASSERT_EQ(bracket->AddChild(first, 0), 1);
    ASSERT_EQ(bracket->AddChild(rest, 0), 1);
    ASSERT_EQ(m_staff->AddChild(bracket, 0), 1);
    auto* nest = new Counted<ECGroup>(ECGroup::TypeDissolveWhenEmpty);
    auto* held = new Counted<ECSlur>;
    ASSERT_EQ(held->AddChild(chord, 0), 1);
    ASSERT_EQ(held->AddChild(first, 0), 1);
    ASSERT_EQ(held->AddChild(second, 0), 1);
    ASSERT_EQ(nest->AddChild(held, 0), 1);
    ASSERT_EQ(m_staff->AddChild(nest, 0), 1);
    for (ECBase* member : {first, static_cast<ECBase*>(rest)}) {
        MCEventList* parents = member->GetParents();
        ASSERT_NE(
            parents->MoveEventAfter(*parents, parents->Find(bracket), parents->Find(m_measure)),
            nullptr);
    }
    const RemovalCase cases[] = {
        {"a slur before one of its time", {slur}},
        {"a beam in its measure", {beam}},
        {"a tie", {tie}},
        {"a slur in two staves", {across}},
        {"a bracket that lets go of its members", {bracket}},
        {"a slur, then a note of it", {slur, second}},
        {"a note of a slur, then the slur", {second, slur}},
        {"a tie, then one of its notes", {tie, second}},
        {"a tied note, then the tie", {first, tie}},
        {"a beam, then its only note", {beam, first}},
        {"the only note of a beam, then the beam", {first, beam}},
        {"a bracket, then a note it held", {bracket, first}},
        {"a note of a bracket, then the bracket", {rest, bracket}},
        {"a slur that only a group of a host holds", {held}},
        {"every line", {whole, beam, slur, tie, twin, across, bracket, held, nest}},
    };
    ExpectExactReverts(cases);
    EXPECT_EQ(slur->HasType(ECGroup::TypeLocked), 0);
    EXPECT_EQ(across->HasType(ECGroup::TypeLocked), 0);
    EXPECT_EQ(held->HasType(ECGroup::TypeLocked), 0);
}

TEST_F(Lined, AFailedAllocationInARemovalOfLinesLeavesTheDocumentAsItWas) {
    auto* bracket = new Counted<Bracket>;
    ASSERT_EQ(bracket->AddChild(first, 0), 1);
    ASSERT_EQ(bracket->AddChild(second, 0), 1);
    ASSERT_EQ(m_staff->AddChild(bracket, 0), 1);
    const RemovalCase cases[] = {
        {"a slur and a note of it", {second, slur}},
        {"a bracket that lets go of its members", {bracket}},
    };
    ExpectNothingChangesWhicheverAllocationFails(cases);
}

// Groups holding groups, where one group's letting go makes another let go in turn: a slur
// of a note and a rest held by a group that a second group holds, both leaving their parents
// once empty; a group that lets go of its members when it leaves its parent, holding a
// bracket that nothing else holds; a group holding a note beside a slur of that note; and a
// group holding the beam of the chord alone.
class Nested : public Lined {
protected:
    Nested() {
        held = new Counted<ECSlur>;
        SetSeconds(held, 1.0f);
        EXPECT_EQ(held->AddChild(first, 0), 1);
        EXPECT_EQ(held->AddChild(rest, 0), 1);
        inner = Holding(ECGroup::TypeDissolveWhenEmpty, {held});
        outer = Holding(ECGroup::TypeDissolveWhenEmpty, {inner});
        auto* bracket = new Counted<Bracket>;
        EXPECT_EQ(bracket->AddChild(second, 0), 1);
        EXPECT_EQ(bracket->AddChild(rest, 0), 1);
        box = Holding(ECGroup::TypeReleaseWhenDetached, {bracket});
        duo = Holding(ECGroup::TypeDissolveWhenEmpty, {second, slur});
        auto* beamed = new Counted<ECBeam>;
        SetSeconds(beamed, 1.0f);
        EXPECT_EQ(beamed->AddChild(chord, 0), 1);
        EXPECT_EQ(m_measure->AddChild(beamed, 0), 1);
        frame = Holding(ECGroup::TypeDissolveWhenEmpty, {beamed});
    }

    // A group of `type` holding `members`, in the staff: the library's own plain group, whose
    // rules a removal knows (a class derived from it, Counted too, is a host's kind).
    ECGroup* Holding(std::uint8_t type, std::initializer_list<ECBase*> members) {
        auto* group = new ECGroup(type);
        SetSeconds(group, 1.0f);
        for (ECBase* member : members) {
            EXPECT_EQ(group->AddChild(member, 0), 1);
        }
        EXPECT_EQ(m_staff->AddChild(group, 0), 1);
        return group;
    }

    ECGroup* held = nullptr;
    ECGroup* inner = nullptr;
    ECGroup* outer = nullptr;
    ECGroup* box = nullptr;
    ECGroup* duo = nullptr;
    ECGroup* frame = nullptr;
};

// Regression: a failed batch took back only the first group's letting go of a cascade: an
// outer group that an inner one's leaving emptied stayed out of the staff, and a bracket that
// its group's leaving made let go came back without its members.
TEST_F(Nested, AFailedBatchPutsEveryGroupOfACascadeBackWhereItStood) {
    const RemovalCase cases[] = {
        {"a note whose slur empties the groups holding it", {first}},
        {"a slur whose leaving empties the groups holding it", {held}},
        {"a group whose leaving makes the bracket it holds let go", {box}},
        {"a note of a group beside a slur of the note, which lets go", {second}},
        {"a slur, then the group holding it", {held, inner}},
        {"every note and rest", {first, second, rest}},
        {"every note of a chord whose beam a group holds", {Note(chord, 0), Note(chord, 1)}},
    };
    ExpectExactReverts(cases);
    EXPECT_EQ(held->HasType(ECGroup::TypeLocked), 0);
}

TEST_F(Nested, AFailedAllocationInARemovalThatCascadesLeavesTheDocumentAsItWas) {
    const RemovalCase cases[] = {
        {"a note whose slur empties the groups holding it", {first}},
        {"a group whose leaving makes the bracket it holds let go", {box}},
    };
    ExpectNothingChangesWhicheverAllocationFails(cases);
}

// Regression: what only a failed batch needs (the record of the lists around a removed
// element, with holds on them) stayed as long as the history kept the removal.
TEST_F(Score, ACommittedRemovalHoldsNothingAroundTheElementForAFailedBatch) {
    ECNote* note = NewNote(1.0f);
    ASSERT_EQ(m_measure->AddChild(note, 1), 1);
    ASSERT_EQ(m_measure->AddChild(NewNote(2.0f), 1), 1);
    const std::vector<std::uint8_t> before = Bytes();
    const std::uint16_t holds = m_measure->GetRefCount();
    Run(new CCRemove(note));
    // The note's link to it went; the item names it for the undo.
    EXPECT_EQ(m_measure->GetRefCount(), holds);
    EXPECT_EQ(m_doc->Undo(1), 1);
    EXPECT_EQ(Bytes(), before);
    // Nor the parents of a removed line, which its undo puts back under its recorded parent.
    auto* beam = new Counted<ECBeam>;
    ASSERT_EQ(beam->AddChild(note, 0), 1);
    ASSERT_EQ(m_measure->AddChild(beam, 1), 1);
    const std::vector<std::uint8_t> beamed = Bytes();
    const std::uint16_t beamHolds = m_measure->GetRefCount();
    Run(new CCRemove(beam));
    EXPECT_EQ(m_measure->GetRefCount(), beamHolds);
    EXPECT_EQ(m_doc->Undo(1), 1);
    EXPECT_EQ(Bytes(), beamed);
}

// A handler dispatches a removal inside the batch of another, which then fails: the inner
// batch commits on its own and stays, and the outer removal, whose record the inner commit
// leaves alone, is taken back exactly.
TEST_F(Lined, AnInnerBatchThatCommitsLeavesTheOuterOneWhatItsFailureNeeds) {
    ECNote* loose = NewNote(3.5f);
    ASSERT_EQ(m_measure->AddChild(loose, 1), 1);
    const std::vector<std::uint8_t> before = Bytes();
    Run(new CCRemove(loose));
    const std::vector<std::uint8_t> inner = Bytes();
    const auto innerLinks = Links();
    ASSERT_EQ(m_doc->Undo(1), 1);
    ASSERT_EQ(Bytes(), before);

    struct Nesting {
        ECPerformance* document;
        ECNote* removed;
        bool dispatched = false; // the inner batch calls the handler too
        static int Command(ECBase*, int phase, void*, void* user) {
            auto* self = static_cast<Nesting*>(user);
            if (phase != MCCommandMgr::PhaseProcess || self->dispatched) {
                return 1;
            }
            self->dispatched = true;
            auto* remove = new CCRemove(self->removed);
            remove->SetSynchronous(1);
            EXPECT_EQ(remove->Apply(self->document), 1);
            return 0; // the outer batch fails after this pass
        }
    };
    Nesting nesting{m_doc.get(), loose};
    m_doc->AddCommandHandler(&Nesting::Command, &nesting);
    auto* outer = new CCRemove(first);
    outer->SetSynchronous(1);
    {
        MCCommandMgr::FailureWatch watch(m_doc->GetCommandMgr());
        EXPECT_EQ(outer->Apply(m_doc.get()), 1); // dispatched; the batch then fails
        EXPECT_EQ(watch.GetFailures(), 1);
    }
    EXPECT_EQ(Bytes(), inner);
    EXPECT_EQ(Links(), innerLinks);
}

// Regression: a removal recorded the whole member list of every line the note left, with
// room to link each member again, for as long as the history kept it: taking the notes of a
// long slur out one by one grew quadratic. What the removal allocates must not grow with the
// slur, and a failed batch still puts the note back in its place among the members.
TEST_F(Score, LeavingALongSlurCostsWhatLeavingAShortOneDoes) {
    auto slurOf = [&](int length, float from) {
        auto* slur = new Counted<ECSlur>;
        SetSeconds(slur, from);
        std::vector<ECBase*> notes;
        for (int i = 0; i < length; ++i) {
            ECNote* note = NewNote(from + static_cast<float>(i) / 64);
            EXPECT_EQ(m_measure->AddChild(note, 1), 1);
            EXPECT_EQ(slur->AddChild(note, 1), 1);
            notes.push_back(note);
        }
        EXPECT_EQ(m_staff->AddChild(slur, 1), 1);
        return notes;
    };
    const std::vector<ECBase*> shortSlur = slurOf(4, 0.0f);
    const std::vector<ECBase*> longSlur = slurOf(512, 1.0f);
    const std::vector<std::uint8_t> before = Bytes();
    auto removalCost = [&](ECBase* note, const char* what) {
        Allocated allocated;
        const std::int64_t start = Allocations();
        EXPECT_EQ(ApplyFailing(m_doc.get(), RemovalOf({note}, what), allocated), 1) << what;
        EXPECT_EQ(Bytes(), before) << what;
        return allocated.refused - start;
    };
    // The first failing batch also makes what the manager keeps for later ones.
    (void)removalCost(shortSlur[2], "warming up");
    const std::int64_t shortCost =
        removalCost(shortSlur[2], "a note in the middle of a short slur");
    EXPECT_EQ(removalCost(longSlur[256], "a note in the middle of a long slur"), shortCost);
    // Removed itself, a slur keeps its members: only its parents are noted.
    EXPECT_EQ(removalCost(longSlur[0]->GetParents()->GetTail(), "a long slur"),
              removalCost(shortSlur[0]->GetParents()->GetTail(), "a short slur"));
}

// Regression: a removed clef went on being shown by its mirrors on the staves.
TEST_F(Score, RemovingAClefTakesItsMirrorsOutAndAFailedBatchPutsThemBack) {
    auto* clef = new Counted<ECClef>(2);
    SetSeconds(clef, 0.0f);
    ASSERT_EQ(m_measure->AddChild(clef, 1), 1);
    ECMeasure* shown[] = {NewBar(0.0f, 1), NewBar(0.0f, 0)};
    std::vector<ECMirror*> mirrors;
    for (ECMeasure* bar : shown) {
        auto* staff = new Counted<ECStaff>;
        ASSERT_EQ(m_doc->GetConductor()->AddChild(staff, 1), 1);
        ASSERT_EQ(staff->AddChild(bar, 1), 1);
        auto* mirror = new Counted<ECMirror>;
        SetSeconds(mirror, 0.0f);
        mirror->SetMirrorEvent(clef, 1);
        ASSERT_EQ(bar->AddChild(mirror, 1), 1);
        mirrors.push_back(mirror);
    }
    const std::vector<std::uint8_t> before = Bytes();

    Allocated allocated;
    EXPECT_EQ(ApplyFailing(m_doc.get(), new CCRemove(clef), allocated), 1);
    EXPECT_EQ(Bytes(), before);
    EXPECT_EQ(Items(&clef->GetMirrors()), (std::vector<ECBase*>{mirrors[0], mirrors[1]}));
    for (ECMirror* mirror : mirrors) {
        EXPECT_EQ(mirror->GetMirrorEvent(), clef);
    }

    const int live = g_liveElements;
    for (ECMirror* mirror : mirrors) {
        mirror->Ref(); // looked at after the removal
    }
    Run(new CCRemove(clef));
    EXPECT_TRUE(clef->GetMirrors().IsEmpty());
    for (std::size_t i = 0; i < mirrors.size(); ++i) {
        EXPECT_EQ(mirrors[i]->GetMirrorEvent(), nullptr);
        EXPECT_TRUE(mirrors[i]->GetParents()->IsEmpty());
        EXPECT_EQ(shown[i]->GetChildren()->Find(mirrors[i]), nullptr);
        mirrors[i]->Unref(1);
    }
    EXPECT_EQ(g_liveElements, live - 2) << "only a failed batch puts the mirrors back";
    m_doc->ClearUndo();
    EXPECT_EQ(g_liveElements, live - 3) << "the clef goes with the history";
}

// The first edit travels the whole road: a host adds a chord with notes inside an undo
// group, its handlers see every phase and the change record, and save, undo and redo agree
// byte for byte.
TEST_F(Score, AddingAChordTravelsTheWholeRoad) {
    Journal journal;
    Handler commands{&journal, "command"}, states{&journal, "state"};
    m_doc->AddCommandHandler(&Handler::Command, &commands);
    m_doc->AddStateHandler(&Handler::State, &states);

    const std::vector<std::uint8_t> before = Bytes();
    auto* chord = new ECChord;
    MCTime at(1.0f);
    chord->SetTime(&at);
    auto* add = new CCAdd(chord, m_measure, FCMidi::MidiNull());
    for (int pitch : {60, 64, 67}) {
        ECNote* note = NewNote(1.0f);
        add->Add(note, chord, FCMidi(static_cast<std::uint32_t>(0x00500090 | (pitch << 8))));
    }
    Run(add, "Add chord");
    EXPECT_EQ(journal.Joined(), "command:0/1 command:1/1 state:500:0");
    ASSERT_EQ(chord->GetChildren()->GetCount(), 3);
    EXPECT_EQ(m_measure->GetChildren()->GetHead(), chord);
    const std::vector<std::uint8_t> after = Bytes();
    EXPECT_GT(after.size(), before.size());

    // The saved document loads with the new elements.
    ECPerformance* copy = fuzz::Load(after.data(), after.size(), ECPerformance::WriteVersion);
    ACCount notes;
    notes.AddEvtType(EventId::Note);
    notes.Apply(copy);
    EXPECT_EQ(notes.GetEventCount(), 3);
    delete copy;

    journal.lines.clear();
    EXPECT_EQ(m_doc->Undo(1), 1);
    EXPECT_EQ(journal.lines.back(), "state:500:36");
    EXPECT_EQ(Bytes(), before);
    EXPECT_EQ(m_doc->Redo(1), 1);
    EXPECT_EQ(Bytes(), after);

    // A command that fails raises a code-501 record and changes nothing: this one names a
    // document without a conductor.
    auto* orphan = new ECPerformance;
    orphan->AddStateHandler(&Handler::State, &states);
    journal.lines.clear();
    auto* failing = new CCAdd(NewNote(3.0f), m_measure, FCMidi::MidiNull());
    failing->SetSynchronous(1);
    ASSERT_EQ(failing->Apply(orphan), 1); // dispatched; it fails with the record below
    EXPECT_EQ(journal.Joined(), "state:501:0");
    EXPECT_EQ(Bytes(), after);
    delete orphan;
}

} // namespace
} // namespace clavenor::test
