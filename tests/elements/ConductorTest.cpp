// The conductor, the conductor staff and the conductor measures: structure made on first use
// through commands, track numbering, the measure map and its queries, and documents that
// load with their tables (or are refused).

#include "fuzz/FuzzDocuments.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <tuple>

namespace clavenor {
namespace {

// A clef at `time` for `hand`.
ECClef* NewClef(float time, int hand) {
    auto* clef = new ECClef;
    test::SetSeconds(clef, time);
    clef->SetHand(static_cast<std::uint8_t>(hand));
    return clef;
}

using test::Document;

// The protected measure operations, for the tests.
class OpenConductorStaff : public ECConductorStaff {
public:
    using ECConductorStaff::ECConductorStaff;
    using ECConductorStaff::InsertMeasures;
    using ECConductorStaff::RemoveMeasures;
};

class Timeline : public ::testing::Test {
protected:
    Document document;
    ECConductor* conductor = document->GetConductor();

    ECStaff* Staff(int number) {
        return static_cast<ECStaff*>(conductor->GetTrack(ECConductor::KindStaff, number, 0));
    }
    ECMeter* AddMeter(int n, int d, float time) {
        auto* meter = new ECMeter(static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(d), 255);
        test::SetSeconds(meter, time);
        EXPECT_EQ(conductor->GetConductorStaff()->GetMeterEnv()->AddChild(meter, 1), 1);
        return meter;
    }
    void Apply(CCBase* command) {
        command->SetSynchronous(1);
        ASSERT_EQ(command->Apply(document.get()), 1);
    }
    // The staves' numbers as their tracks say, in table order.
    std::string Tracks() {
        std::string out;
        for (int i = 1; i <= conductor->GetMaxTrackNumber(ECConductor::KindStaff); ++i) {
            out += std::to_string(Staff(i)->GetTrack()) + " ";
        }
        return out;
    }
};

TEST_F(Timeline, StructureIsMadeOnFirstUseThroughCommands) {
    test::Journal journal;
    test::Handler handler{&journal, "state"};
    document->AddStateHandler(&test::Handler::State, &handler);
    MCCommandMgr::BeginUndo(document.get(), CString("First use"));
    ECConductorStaff* track0 = conductor->GetConductorStaff();
    ASSERT_NE(track0, nullptr);
    ASSERT_NE(track0->GetTempoEnv(), nullptr);
    MCCommandMgr::EndUndo(document.get());
    // A track command for the conductor staff, an add command for the tempo map.
    EXPECT_EQ(journal.Joined(), "state:500:11:0");
    EXPECT_EQ(conductor->GetConductorStaff(), track0);
    EXPECT_EQ(track0->GetVoice(), 14);
    EXPECT_EQ(track0->GetTrack(), 0);
    EXPECT_EQ(track0->GetStaffNumber(track0), 0);
    EXPECT_EQ(track0->GetMaxStaffNumber(), 0);
    EXPECT_EQ(track0->GetMaxMeasureNumber(), 0);
    EXPECT_EQ(track0->GetMaxMeasureEndTime(), MCTime::TimeZero());
    EXPECT_EQ(track0->GetTempoEnv()->GetTrack(), 0);
    EXPECT_EQ(conductor->GetMaxTrackNumber(ECConductor::KindConductorStaff), 1);
    EXPECT_EQ(conductor->GetTrackNumber(ECConductor::KindConductorStaff, nullptr), 0);
    EXPECT_EQ(conductor->GetTrackNumber(7, track0), 0);
    EXPECT_EQ(conductor->GetTrack(7, 1, 1), nullptr);

    // Without a performance nothing can be made.
    ECConductor alone;
    EXPECT_EQ(alone.GetConductorStaff(), nullptr);
    EXPECT_EQ(alone.GetMaxMeasureNumber(), 0);
    EXPECT_EQ(alone.GetTrack(ECConductor::KindWaveTrack, 1, 1), nullptr);
    EXPECT_EQ(alone.GetMeterAtTime(MCTime(0.0f)), nullptr);
}

// A first use that finds no memory makes nothing and leaves the way open: a later call makes
// the staff and its maps. (Running out of memory inside the command used to unwind past the
// conductor, leaving it marked busy for good and the new staff held by nothing.)
TEST_F(Timeline, FirstUseWithoutMemoryCanBeTriedAgain) {
    const int failures = test::ForEachAllocationFailure(
        [&] {
            ECConductorStaff* track0 = conductor->GetConductorStaff();
            if (track0 == nullptr || track0->GetTempoEnv() == nullptr ||
                track0->GetMeterEnv() == nullptr) {
                throw std::bad_alloc();
            }
        },
        [] {});
    EXPECT_GT(failures, 0);
    ECConductorStaff* track0 = conductor->GetConductorStaff();
    ASSERT_NE(track0, nullptr);
    EXPECT_NE(track0->GetTempoEnv(), nullptr);
    EXPECT_NE(track0->GetMeterEnv(), nullptr);
}

// A command handler that asks the conductor while its structure is being made gets no
// second conductor staff or meter map (nor an endless descent into more commands).
TEST_F(Timeline, HandlersAskingDuringFirstUse) {
    struct Asker {
        ECConductor* conductor;
        int calls = 0;
    } asker{conductor};
    document->AddCommandHandler(
        [](ECBase*, int, void*, void* user) {
            auto* self = static_cast<Asker*>(user);
            ++self->calls;
            self->conductor->GetMeterAtTime(MCTime(0.0f));
            return 1;
        },
        &asker);
    conductor->GetMeterAtTime(MCTime(0.0f));
    EXPECT_GT(asker.calls, 0);
    EXPECT_EQ(conductor->GetChildren()->GetCount(), 1);
    ECConductorStaff* track0 = conductor->GetConductorStaff();
    EXPECT_EQ(track0->GetChildren()->GetCount(), 1);
    EXPECT_NE(track0->GetMeterEnv(), nullptr);
}

TEST_F(Timeline, StavesAreNumberedAndKeptAligned) {
    for (int n = 1; n <= 3; ++n) {
        // Asked for number 9, a new staff takes the next number.
        ASSERT_NE(conductor->GetTrack(ECConductor::KindStaff, n == 3 ? 9 : n, 1), nullptr);
    }
    EXPECT_EQ(Tracks(), "1 2 3 ");
    conductor->GetMeasure(1, MCTime(7.0f), 1, 1);
    ASSERT_EQ(conductor->GetMaxMeasureNumber(), 2);
    ECStaff* oldSecond = Staff(2);

    auto* inserted = new ECStaff;
    Apply(new CCAddTrack(inserted, 2));
    EXPECT_EQ(Staff(2), inserted);
    EXPECT_EQ(Tracks(), "1 2 3 4 ");
    EXPECT_EQ(Staff(3), oldSecond);
    for (int number = 1; number <= 2; ++number) {
        ECMeasure* measure = conductor->GetMeasure(2, number);
        ASSERT_NE(measure, nullptr);
        EXPECT_EQ(measure->GetParents()->GetHead(), inserted);
        EXPECT_EQ(measure->GetTrack(), 2);
        EXPECT_EQ(*measure->GetTime(), *conductor->GetMeasure(0, number)->GetTime());
        EXPECT_EQ(conductor->GetMeasure(3, number)->GetTrack(), 3);
    }
    auto* wave = new ECWaveTrack;
    ASSERT_EQ(conductor->AddChild(wave, 1), 1); // a track with no number goes after those with one
    std::string order;
    for (ECBase* child : test::Items(conductor->GetChildren())) {
        order +=
            std::to_string(child->GetEventId()) + "/" + std::to_string(child->GetTrack()) + " ";
    }
    EXPECT_EQ(order, "17/0 55/1 55/2 55/3 55/4 71/2047 ");

    auto* removal = new CCRemoveTrack(inserted);
    EXPECT_EQ(removal->CanUndo(), 0);
    Apply(removal);
    EXPECT_EQ(Tracks(), "1 2 3 ");
    EXPECT_EQ(Staff(2), oldSecond);
    EXPECT_EQ(conductor->GetMeasure(0, 1)->GetParents()->GetHead(), conductor->GetConductorStaff());
    EXPECT_EQ(static_cast<ECConductorMeasure*>(conductor->GetMeasure(0, 1))->GetLastTrackIndex(),
              3);

    // A staff removed by a plain removal leaves the tables too.
    Apply(new CCRemove(Staff(1)));
    EXPECT_EQ(Tracks(), "1 2 ");
    EXPECT_EQ(Staff(1), oldSecond);

    // Ordering by the tracks the staves carry, as the track order command leaves them.
    ACSetVoiceTrack(5, 15).Apply(Staff(1));
    conductor->OrderTracks(1);
    EXPECT_EQ(Staff(2), oldSecond);
    EXPECT_EQ(conductor->GetMeasure(2, 1)->GetTrack(), 5);
}

// A staff that left the tables with its link gets its slots back from the entries they had,
// without memory; anything that would not put the tables back as they were is refused.
TEST_F(Timeline, AStaffTakenOutOfTheTablesGetsItsSlotsBack) {
    conductor->GetMeasure(0, MCTime(7.0f), 1, 1);
    for (int number = 1; number <= 3; ++number) {
        ASSERT_NE(conductor->GetTrack(ECConductor::KindStaff, number, 1), nullptr);
    }
    ECConductorStaff* timeline = conductor->GetConductorStaff();
    Ref<ECStaff> middle(Staff(2));
    ECStaff* last = Staff(3);
    std::vector<ECMeasure*> measures{timeline->GetMeasure(2, 1), timeline->GetMeasure(2, 2)};
    EXPECT_EQ(timeline->ReturnStaff(middle.Get(), 2, measures.data(), 2), 0) << "in the table";
    ASSERT_EQ(conductor->RemoveChild(middle.Get(), 0), 1);
    EXPECT_EQ(timeline->ReturnStaff(middle.Get(), 2, measures.data(), 2), 0) << "no child";
    ASSERT_EQ(conductor->AddChild(middle.Get(), 1), 1);
    EXPECT_EQ(timeline->ReturnStaff(middle.Get(), 4, measures.data(), 2), 0) << "past the end";
    EXPECT_EQ(timeline->ReturnStaff(middle.Get(), 2, measures.data(), 1), 0) << "one column";

    const std::int64_t start = test::Allocations();
    EXPECT_EQ(timeline->ReturnStaff(middle.Get(), 2, measures.data(), 2), 1);
    EXPECT_EQ(test::Allocations(), start);
    EXPECT_EQ(Staff(2), middle.Get());
    EXPECT_EQ(Staff(3), last);
    for (int column = 1; column <= 2; ++column) {
        EXPECT_EQ(timeline->GetMeasure(2, column), measures[static_cast<std::size_t>(column - 1)]);
        EXPECT_EQ(timeline->GetMeasure(3, column)->GetParents()->GetHead(), last);
    }
    // It renumbers nothing: the last staff keeps the track the removal moved it to.
    EXPECT_EQ(last->GetTrack(), 2);
}

TEST_F(Timeline, AddedTracksAndTheirUndo) {
    conductor->GetMeasure(0, MCTime(7.0f), 1, 1);
    // A staff bringing three measures into a score of two keeps two, retimed.
    auto* staff = new ECStaff;
    for (float at : {0.0f, 4.0f, 8.0f}) {
        ASSERT_EQ(staff->AddChild(test::Make<ECMeasure>(at), 1), 1);
    }
    MCCommandMgr::BeginUndo(document.get(), CString("Add staff"));
    Apply(new CCAddTrack(staff, -1));
    MCCommandMgr::EndUndo(document.get());
    EXPECT_EQ(staff->GetChildren()->GetCount(), 2);
    EXPECT_EQ(conductor->GetMeasure(1, 2)->GetParents()->GetHead(), staff);
    EXPECT_EQ(1, document->Undo(1));
    EXPECT_EQ(conductor->GetMaxTrackNumber(ECConductor::KindStaff), 0);

    auto* tracks = new CCAddTrack;
    tracks->AddMidiTrack(1, 2);
    tracks->AddWaveTrack(3);
    Apply(tracks);
    EXPECT_EQ(Tracks(), "1 2 ");
    EXPECT_EQ(Staff(2)->GetStaffType(), 1);
    EXPECT_EQ(conductor->GetMaxTrackNumber(ECConductor::KindWaveTrack), 3);
    auto* fourth = new ECWaveTrack;
    Apply(new CCAddTrack(fourth, -1));
    EXPECT_EQ(fourth->GetTrack(), 4);
    EXPECT_EQ(conductor->GetTrackNumber(ECConductor::KindWaveTrack, fourth), 4);
    EXPECT_EQ(conductor->GetTrack(ECConductor::KindWaveTrack, 0, 0), nullptr);
    EXPECT_EQ(conductor->GetTrack(ECConductor::KindWaveTrack, 5, 0), nullptr);
    ECWaveTrack stranger;
    EXPECT_EQ(conductor->GetTrackNumber(ECConductor::KindWaveTrack, &stranger), -1);
    EXPECT_EQ(conductor->GetTrackNumber(ECConductor::KindStaff, &stranger), -1);
    Apply(new CCRemoveTrack(conductor->GetTrack(ECConductor::KindWaveTrack, 1, 0)));
    EXPECT_EQ(conductor->GetTrackNumber(ECConductor::KindWaveTrack, fourth), 3);
    // The group table follows the staves: a placeholder each, kind 1 for a staff of type 1.
    MCGroup::Table& groups = conductor->GetConductorStaff()->GetGroup().GetPrimaryGroup();
    ASSERT_GE(groups.GetSize(), 2);
    EXPECT_EQ(groups[1].GetFirst(), 2);
    EXPECT_EQ(groups[1].GetKind(), 1);
}

// Two measures of four quarters, two staves.
class TwoMeasures : public Timeline {
protected:
    TwoMeasures() {
        conductor->GetTrack(ECConductor::KindStaff, 1, 1);
        conductor->GetTrack(ECConductor::KindStaff, 2, 1);
        conductor->GetMeasure(0, MCTime(4.0f), 1, 1);
    }
    int NumberAt(float t) { return conductor->GetMeasureNumberAtTime(MCTime(t)); }
    int NumberBefore(float t) { return conductor->GetMeasureNumberBeforeTime(MCTime(t)); }
};

TEST_F(TwoMeasures, NumbersAndRanges) {
    ASSERT_EQ(conductor->GetMaxMeasureNumber(), 2);
    const std::tuple<float, int, int> rows[] = {{-1.0f, 0, 0}, {0.0f, 1, 0}, {3.5f, 1, 1},
                                                {4.0f, 2, 1},  {5.0f, 2, 2}, {8.0f, 3, 2},
                                                {100.0f, 3, 2}};
    for (const auto& [time, at, before] : rows) {
        EXPECT_EQ(NumberAt(time), at) << time;
        EXPECT_EQ(NumberBefore(time), before) << time;
    }
    MCEventList list;
    EXPECT_EQ(conductor->GetMeasures(1, MCTime(0.0f), MCTime(4.0f), list), 1);
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.GetHead(), conductor->GetMeasure(1, 1));
    EXPECT_EQ(conductor->GetMeasures(1, MCTime(8.0f), MCTime(9.0f), list), 0);
    EXPECT_TRUE(list.IsEmpty());
    // Every track, track by track.
    EXPECT_EQ(conductor->GetMeasures(ECConductorStaff::AllTracks, 1, 2, list), 1);
    std::string tracks;
    for (ECBase* measure : test::Items(&list)) {
        tracks += std::to_string(measure->GetTrack());
    }
    EXPECT_EQ(tracks, "001122");
    EXPECT_EQ(conductor->GetMeasure(3, 1), nullptr);
    EXPECT_EQ(conductor->GetMeasure(1, 3), nullptr);
    auto* column = static_cast<ECConductorMeasure*>(conductor->GetMeasure(0, 2));
    EXPECT_EQ(column->GetMeasureOnTrack(column->GetLastTrackIndex() + 1), nullptr);
    EXPECT_EQ(column->GetMeasureOnTrack(0), column);
}

TEST_F(TwoMeasures, ExtendingAppendsInTheMeterInForce) {
    // Three measures past the end, two at a time: 2 + 2 + 2.
    EXPECT_NE(conductor->GetMeasure(1, MCTime(17.0f), 1, 2), nullptr);
    EXPECT_EQ(conductor->GetMaxMeasureNumber(), 6);
    AddMeter(3, 4, 0.0f);
    conductor->GetMeasure(2, MCTime(24.5f), 1, 1);
    EXPECT_EQ(*conductor->GetMeasure(2, 7)->GetTime(), MCTime(24.0f));
    EXPECT_EQ(conductor->GetMaxMeasureEndTime(), MCTime(27.0f));
    // Not beyond what float times can count in ticks.
    EXPECT_EQ(conductor->GetMeasure(1, MCTime::TimeMax(), 1, 1), nullptr);
    EXPECT_EQ(conductor->GetMaxMeasureNumber(), 7);
}

TEST_F(TwoMeasures, MetersTemposAndScopes) {
    ECMeter* common = AddMeter(4, 4, 0.0f);
    ECMeter* waltz = AddMeter(3, 4, 4.0f);
    EXPECT_EQ(conductor->GetMeterAtTime(MCTime(4.0f)), waltz);
    EXPECT_EQ(conductor->GetMeterBeforeTime(MCTime(4.0f)), common);
    MCTime start;
    MCTime end;
    conductor->GetMeterScope(common, start, end);
    EXPECT_EQ(start, MCTime(0.0f));
    EXPECT_EQ(end, MCTime(4.0f));
    conductor->GetMeterScope(waltz, start, end);
    EXPECT_EQ(end, MCTime(8.0f)); // the last one ends with the last measure
    ECMeter stranger;
    conductor->GetMeterScope(&stranger, start, end);
    EXPECT_EQ(start, MCTime::TimeNull());
    EXPECT_EQ(end, MCTime::TimeNull());

    ECTempoEnv* tempi = conductor->GetConductorStaff()->GetTempoEnv();
    auto* first = new ECTempo;
    auto* slow = new ECTempo;
    test::SetSeconds(first, 0.0f);
    test::SetSeconds(slow, 2.0f);
    ASSERT_EQ(tempi->AddChild(first, 1), 1);
    ASSERT_EQ(tempi->AddChild(slow, 1), 1);
    EXPECT_EQ(conductor->GetTempoAtTime(MCTime(2.0f)), slow);
    EXPECT_EQ(conductor->GetTempoBeforeTime(MCTime(2.0f)), first);
    EXPECT_EQ(conductor->GetTempoBeforeTime(MCTime(0.0f)), nullptr);
}

TEST(ConductorStaff, InsertingAndRemovingMeasures) {
    Document document;
    ECConductor* conductor = document->GetConductor();
    auto* track0 = new OpenConductorStaff(conductor, document.get());
    ASSERT_EQ(conductor->AddChild(track0, 1), 1);
    conductor->GetTrack(ECConductor::KindStaff, 1, 1);
    conductor->GetMeasure(1, MCTime(11.0f), 1, 1);
    ASSERT_EQ(track0->GetMaxMeasureNumber(), 3);

    ECMeter waltz(3, 4, 255);
    track0->InsertMeasures(1, 2, MCTime(4.0f), &waltz);
    EXPECT_EQ(track0->GetMaxMeasureNumber(), 5);
    EXPECT_EQ(track0->GetMaxMeasureEndTime(), MCTime(18.0f));
    EXPECT_EQ(*track0->GetMeasure(1, 3)->GetTime(), MCTime(7.0f));
    EXPECT_EQ(*track0->GetMeasure(1, 4)->GetTime(), MCTime(4.0f)); // later ones keep theirs

    // Taken out and put back, the staff measures return with their content.
    MCEventList column;
    track0->GetMeasures(ECConductorStaff::AllTracks, 2, 2, column);
    ECMeasure* reused = track0->GetMeasure(1, 2);
    track0->RemoveMeasures(1, 1);
    EXPECT_EQ(track0->GetMaxMeasureNumber(), 4);
    EXPECT_EQ(track0->InsertMeasures(1, column, MCTime(4.0f), &waltz), 1);
    EXPECT_EQ(track0->GetMeasure(1, 2), reused);
    EXPECT_NE(track0->GetMeasure(0, 2), column.GetHead());
    MCEventList none;
    EXPECT_EQ(track0->InsertMeasures(1, none, MCTime(4.0f), &waltz), 0);

    // An index outside the map removes from the last measure but one.
    ECMeasure* last = track0->GetMeasure(0, 5);
    track0->RemoveMeasures(-1, 1);
    EXPECT_EQ(track0->GetMaxMeasureNumber(), 4);
    EXPECT_EQ(track0->GetMeasure(0, 4), last);
    // Without a meter a measure is four quarters.
    const MCTime end = track0->GetMaxMeasureEndTime();
    track0->InsertMeasures(-1, 1, end, nullptr);
    MCTime longer = end;
    longer += MCTime(4.0f);
    EXPECT_EQ(track0->GetMaxMeasureEndTime(), longer);
}

// What the conductor answers about a document, over a grid of times.
std::string Snapshot(ECPerformance* document) {
    ECConductor* conductor = document->GetConductor();
    ECConductorStaff* track0 = conductor->GetConductorStaff();
    const int staves = conductor->GetMaxTrackNumber(ECConductor::KindStaff);
    std::string out = std::to_string(conductor->GetMaxMeasureNumber()) + " staves " +
                      std::to_string(staves) + " waves " +
                      std::to_string(conductor->GetMaxTrackNumber(ECConductor::KindWaveTrack));
    char line[256];
    for (float t = -1.0f; t < conductor->GetMaxMeasureEndTime().GetSeconds() + 2.0f; t += 0.25f) {
        const MCTime time(t);
        ECMeter* meter = conductor->GetMeterAtTime(time);
        ECMeter* before = conductor->GetMeterBeforeTime(time);
        ECTempo* tempo = conductor->GetTempoAtTime(time);
        MCTime bpt = time;
        track0->GetMeterEnv()->GetBarPulseTick(bpt, 480);
        MCTime back = bpt;
        track0->GetMeterEnv()->GetNormalizedTime(back);
        MCTime clock = time;
        track0->GetTempoEnv()->GetClockTime(clock);
        MCTime musical = clock;
        track0->GetTempoEnv()->GetNormalizedTime(musical);
        MCEventList span;
        conductor->GetMeasures(ECConductorStaff::AllTracks, time, MCTime(t + 4.0f), span);
        std::snprintf(
            line, sizeof line, "\n%g: %d %d | %d/%d %d/%d | %g %g | %d.%d.%d %g | %.4f %.4f | %d",
            t, conductor->GetMeasureNumberAtTime(time), conductor->GetMeasureNumberBeforeTime(time),
            meter ? meter->GetNumerator() : 0, meter ? meter->GetDenominator() : 0,
            before ? before->GetNumerator() : 0, before ? before->GetDenominator() : 0,
            tempo ? tempo->GetValue() : 0.0, tempo ? tempo->GetTime()->GetSeconds() : 0.0,
            bpt.GetBarPulseTick().bar, bpt.GetBarPulseTick().pulse, bpt.GetBarPulseTick().tick,
            back.GetSeconds(), clock.GetSeconds(), musical.GetSeconds(), span.GetCount());
        out += line;
        for (int track = 0; track <= staves; ++track) {
            ECMeasure* measure = conductor->GetMeasure(track, time, 0, 1);
            if (measure == nullptr) {
                out += " -";
                continue;
            }
            std::snprintf(line, sizeof line, " %d@%g+%d", measure->GetTrack(),
                          static_cast<double>(measure->GetTime()->GetSeconds()),
                          measure->GetChildren()->GetCount());
            out += line;
        }
    }
    for (int i = 0; i < track0->GetMeterEnv()->GetPointCount(); ++i) {
        MCTime start;
        MCTime end;
        conductor->GetMeterScope(static_cast<ECMeter*>(track0->GetMeterEnv()->GetPointAtIndex(i)),
                                 start, end);
        std::snprintf(line, sizeof line, "\nscope %g %g", static_cast<double>(start.GetSeconds()),
                      static_cast<double>(end.GetSeconds()));
        out += line;
    }
    for (MCGroup::Table* table :
         {&track0->GetGroup().GetPrimaryGroup(), &track0->GetGroup().GetSecondaryGroup()}) {
        out += "\ngroups";
        for (int i = 0; i < table->GetSize(); ++i) {
            std::snprintf(line, sizeof line, " %08x", static_cast<unsigned>((*table)[i].word));
            out += line;
        }
    }
    return out;
}

TEST(ScoreDocument, SavedAndReloadedAnswersTheSame) {
    ECPerformance* original = fuzz::MakeScoreDocument();
    const std::string before = Snapshot(original);
    EXPECT_EQ(original->GetConductor()->GetMaxMeasureNumber(), 10);
    const std::vector<std::uint8_t> bytes = fuzz::Save(original);
    delete original;
    ECPerformance* reloaded = fuzz::Load(bytes.data(), bytes.size(), ECPerformance::WriteVersion);
    EXPECT_EQ(Snapshot(reloaded), before);
    EXPECT_EQ(fuzz::Save(reloaded), bytes);
    delete reloaded;
    MCCommandMgr::OnIdle();
}

// Tables that do not match the document are refused: the staff table, a conductor measure's
// track table, the order of the measure map, the points of the meter map.
TEST(ScoreDocument, TablesThatDoNotMatchAreRefused) {
    auto staffTable = [](ECConductor* c) {
        auto* staff = static_cast<ECStaff*>(c->GetTrack(ECConductor::KindStaff, 1, 0));
        staff->Ref();
        EXPECT_EQ(c->ECWithChild::RemoveChild(staff, 0), 1);
        return staff;
    };
    auto trackTable = [](ECConductor* c) {
        ECMeasure* measure = c->GetMeasure(1, 3);
        measure->Ref();
        EXPECT_EQ(c->GetTrack(ECConductor::KindStaff, 1, 0)->ECWithChild::RemoveChild(measure, 0),
                  1);
        return static_cast<ECBase*>(measure);
    };
    auto order = [](ECConductor* c) {
        MCTime late(100.0f);
        c->GetMeasure(0, 2)->SetTime(&late);
        return static_cast<ECBase*>(nullptr);
    };
    auto meters = [](ECConductor* c) {
        auto* point = new ECEnvPoint;
        test::SetSeconds(point, 40.0f);
        EXPECT_EQ(c->GetConductorStaff()->GetMeterEnv()->ECEnvelope::AddChild(point, 1), 1);
        return static_cast<ECBase*>(nullptr);
    };
    const std::pair<std::function<ECBase*(ECConductor*)>, CArchiveException::Cause> cases[] = {
        {staffTable, CArchiveException::badIndex},
        {trackTable, CArchiveException::badIndex},
        {order, CArchiveException::badIndex},
        {meters, CArchiveException::badClass}};
    for (const auto& [spoil, cause] : cases) {
        ECPerformance* document = fuzz::MakeScoreDocument();
        ECBase* detached = spoil(document->GetConductor());
        const std::vector<std::uint8_t> bytes = fuzz::Save(document);
        try {
            delete fuzz::Load(bytes.data(), bytes.size(), ECPerformance::WriteVersion);
            ADD_FAILURE() << "loaded";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.m_cause, cause);
        }
        delete document;
        if (detached != nullptr) {
            detached->RemoveChildren(1);
            detached->Unref(1);
        }
    }
    MCCommandMgr::OnIdle();
}

// Bytes written by the conductor before conductor staves existed: a staff with a measure and
// a note, and a wave track.
TEST(ScoreDocument, DocumentsOfTheFirstConductorLoad) {
    const test::Bytes bytes = test::X(
        "020100ffff02000b004543436f6e647563746f72020200ffff0200070045435374616666020100ffff02000900"
        "45434d656173757265020100ffff0200060045434e6f746500000000803f1000000000003f00000000001e0000"
        "000000001e0081ffff02000b00454357617665547261636b000000000000fe7f0200000000000000000000ff7"
        "f");
    ECPerformance* document = fuzz::Load(bytes.data(), bytes.size(), ECPerformance::WriteVersion);
    ECConductor* conductor = document->GetConductor();
    ASSERT_NE(conductor, nullptr);
    EXPECT_EQ(conductor->GetMaxTrackNumber(ECConductor::KindWaveTrack), 1);
    // Its staff keeps its content, with no number until the conductor gives it one.
    EXPECT_EQ(conductor->GetMaxTrackNumber(ECConductor::KindStaff), 0);
    ECBase* staff =
        conductor->GetChildren()->GetAt(conductor->GetChildren()->FindEvent(EventId::Staff));
    EXPECT_EQ(staff->GetDescendant(EventId::Note, -1)->GetTime()->GetSeconds(), 1.0f);
    const std::vector<std::uint8_t> saved = fuzz::Save(document);
    delete document;
    ECPerformance* again = fuzz::Load(saved.data(), saved.size(), ECPerformance::WriteVersion);
    EXPECT_EQ(fuzz::Save(again), saved);
    delete again;
    MCCommandMgr::OnIdle();
}

TEST(ScoreDocument, StaffCachesComeBackWithTheDocument) {
    ECPerformance* document = fuzz::MakeScoreDocument();
    ECConductor* conductor = document->GetConductor();
    ECMeasure* measure = conductor->GetMeasure(2, 2);
    auto* staff = static_cast<ECStaff*>(conductor->GetTrack(ECConductor::KindStaff, 2, 0));
    // Clefs entering and leaving a measure enter and leave its staff's cache.
    auto* passing = NewClef(4.0f, 1);
    ASSERT_EQ(measure->AddChild(passing, 1), 1);
    EXPECT_EQ(staff->GetCache()->GetClefAtTime(MCTime(5.0f), 1), passing);
    EXPECT_EQ(measure->RemoveChild(passing, 0), 1);
    EXPECT_EQ(staff->GetCache()->GetClefAtTime(MCTime(5.0f), 1), nullptr);
    ASSERT_EQ(measure->AddChild(NewClef(4.0f, 1), 1), 1);
    ASSERT_EQ(measure->AddChild(NewClef(4.0f, 0), 1), 1);
    staff->GetCache()->DeleteCache();
    conductor->GetConductorStaff()->RebuildStaffCaches();
    EXPECT_NE(staff->GetCache()->GetClefAtTime(MCTime(5.0f), 1), nullptr);
    EXPECT_EQ(staff->CacheEvent(measure, 0), 0);

    const std::vector<std::uint8_t> bytes = fuzz::Save(document);
    delete document;
    document = fuzz::Load(bytes.data(), bytes.size(), ECPerformance::WriteVersion);
    staff = static_cast<ECStaff*>(document->GetConductor()->GetTrack(ECConductor::KindStaff, 2, 0));
    ECBase* left = staff->GetCache()->GetClefAtTime(MCTime(5.0f), 0);
    ECBase* right = staff->GetCache()->GetClefAtTime(MCTime(5.0f), 1);
    ASSERT_NE(left, nullptr);
    ASSERT_NE(right, nullptr);
    EXPECT_EQ(MCStaffCache::GetHand(right), 1);
    EXPECT_EQ(staff->GetCache()->GetClefAtTime(MCTime(3.0f), 1), nullptr);
    EXPECT_EQ(staff->RecacheEvent(right, 0), 0); // hand 0 has a clef at that time already
    staff->RemoveChildren(1);
    EXPECT_EQ(staff->GetCache()->GetClefAtTime(MCTime(5.0f), 0), nullptr);
    delete document;
    MCCommandMgr::OnIdle();
}

} // namespace
} // namespace clavenor
