// Tempo marks and the tempo map: speeds, types and their preference-backed defaults, pauses,
// records, and conversions between musical time and clock time.

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace clavenor {
namespace {

using test::Bytes;

TEST(ECTempo, SpeedsFollowTheTempoAndTheBeat) {
    ECTempo mark;
    EXPECT_EQ(mark.GetPausePercent(), 0.0f) << "not a pause type";
    EXPECT_EQ(mark.SetTempo(90.0f, 1.5f), 1);
    EXPECT_FLOAT_EQ(mark.GetTempo(1.0f), 135.0f);
    EXPECT_FLOAT_EQ(mark.GetTempo(2.0f), 90.0f);
    EXPECT_FLOAT_EQ(mark.GetRate(), 2.25f);
    EXPECT_FLOAT_EQ(mark.GetSpeed(), 60.0f / 135.0f);
    // The point's own value stays the tempo it had when made; copies take the new one.
    EXPECT_EQ(mark.ECEnvPoint::GetValue(), 60.0f);
    ECTempo copy;
    copy = mark;
    EXPECT_EQ(copy.ECEnvPoint::GetValue(), 135.0f);
    EXPECT_EQ(copy, mark);
}

// A tempo that would give no speed, or an endless one, is refused and changes nothing.
TEST(ECTempo, BadTemposAreRefused) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const std::pair<float, float> bad[] = {{0.0f, 1.0f},   {-60.0f, 1.0f}, {60.0f, 0.0f},
                                           {60.0f, -1.0f}, {nan, 1.0f},    {inf, 1.0f},
                                           {1e30f, 1e30f}};
    ECTempo mark;
    EXPECT_EQ(1, mark.SetTempo(120.0f, 1.0f));
    for (const auto& [tempo, beat] : bad) {
        EXPECT_EQ(mark.SetTempo(tempo, beat), 0) << tempo << " x " << beat;
    }
    mark.SetValue(-5.0f);
    EXPECT_EQ(mark.GetValue(), 120.0f);
    EXPECT_EQ(mark.GetSpeed(), 0.5f);

    EXPECT_EQ(1, mark.SetTempoType(ECTempo::TypeGeneralPause, MCTime(0.0f)));
    const std::pair<float, float> percents[] = {
        {500.0f, 400.0f}, {-3.0f, 0.0f}, {nan, 0.0f}, {250.0f, 250.0f}};
    for (const auto& [given, stored] : percents) {
        mark.SetPausePercent(given);
        EXPECT_EQ(mark.GetPausePercent(), stored) << given;
    }
}

TEST(ECTempo, TypesNamesAndPreferredSpeeds) {
    CMemProfileStore store;
    CProfileStore* previous = CProfileStore::SetActiveStore(&store);

    ECTempo mark(ECTempo::TypeAllegro, MCTime(0.0f));
    EXPECT_EQ(mark.GetValue(), 120.0f);
    EXPECT_EQ(LoadIntPreference(CString("Settings\\Tempo\\Allegro"), CString("BPM"), -1), 120);
    EXPECT_EQ(GetEventString(&mark), CString("Allegro"));
    EXPECT_EQ(mark.GetText(), CString("Allegro"));

    EXPECT_EQ(1, SaveIntPreference(CString("Settings\\Tempo\\Presto"), CString("BPM"), 176));
    EXPECT_EQ(ECTempo(17, MCTime(0.0f)).GetValue(), 176.0f);
    EXPECT_EQ(GetTempoValue(ECTempo::TypeATempo), 60); // no speed of its own

    const std::pair<int, int> speeds[] = {{119, 13}, {10, 2}, {300, 20}, {120, 14}, {176, 17}};
    for (const auto& [speed, type] : speeds) {
        EXPECT_EQ(GetTempoType(speed), type) << speed;
    }
    const std::pair<int, const char*> names[] = {{2, "Larghissimo"},
                                                 {20, "Prestissimo"},
                                                 {21, "accel."},
                                                 {23, "rit."},
                                                 {25, "G.P."},
                                                 {27, "a tempo"},
                                                 {28, "rubato"},
                                                 {0, ""},
                                                 {1, ""},
                                                 {24, ""},
                                                 {29, ""}};
    for (const auto& [type, name] : names) {
        EXPECT_EQ(GetTempoString(static_cast<std::uint8_t>(type)), CString(name)) << type;
    }

    // Relative changes take their length; pauses and types beyond the table do not.
    ECTempo accel(ECTempo::TypeAccelerando, MCTime(2.0f));
    EXPECT_EQ(*accel.GetDuration(), MCTime(2.0f));
    ECTempo pause(ECTempo::TypeGeneralPause, MCTime(2.0f));
    EXPECT_EQ(*pause.GetDuration(), MCTime(0.0f));
    EXPECT_EQ(pause.SetTempoType(30, MCTime(1.0f)), 0);
    EXPECT_EQ(pause.GetTempoType(), 30);
    CProfileStore::SetActiveStore(previous);
}

// The record after the point's; a document of version 2 has no pause percent.
TEST(ECTempo, Record) {
    ECTempo mark(ECTempo::TypeAccelerando, MCTime(2.0f));
    EXPECT_EQ(1, mark.SetTempo(100.0f, 1.0f));
    mark.SetText(CString("poco"));
    mark.SetPausePercent(50.0f);
    const Bytes bytes = test::Store([&](CArchive& ar) { ar << &mark; });
    ECTempo* loaded = nullptr;
    test::Load(bytes, [&](CArchive& ar) {
        ar >> loaded;
        loaded->Ref();
    });
    EXPECT_EQ(*loaded, mark);
    loaded->Unref(1);

    const Bytes old = test::Store([](CArchive& ar) {
        ECWithTime timed;
        timed.Serialize(ar);
        ar << 120.0f << 2.0f << 0.5f << 1.0f << std::uint8_t{ECTempo::TypeGeneralPause};
        MCTime(4.0f).Serialize(ar, -1);
        ar << CString("lunga");
    });
    test::ScopedVersion version(2);
    ECTempo pause;
    test::Load(old, [&](CArchive& ar) { pause.Serialize(ar); });
    EXPECT_EQ(pause.GetTempoType(), ECTempo::TypeGeneralPause);
    EXPECT_EQ(pause.GetValue(), 120.0f);
    EXPECT_EQ(*pause.GetDuration(), MCTime(4.0f));
    EXPECT_EQ(pause.GetText(), CString("lunga"));
    EXPECT_EQ(pause.GetPausePercent(), 100.0f);
}

ECTempo* AddMark(ECTempoEnv* map, float time, float tempo, int style) {
    auto* mark = new ECTempo;
    test::SetSeconds(mark, time);
    EXPECT_EQ(1, mark->SetTempo(tempo, 1.0f));
    mark->SetStyle(style);
    EXPECT_EQ(map->AddChild(mark, 1), 1);
    return mark;
}

// 60 from 0, 120 from 4, 120 from 8 slowing evenly to 60 at 12 and on to 20 at 16 (less than
// half the speed it starts from), 20 from 16.
class TempoMap : public ::testing::Test {
protected:
    TempoMap() {
        map->Ref();
        AddMark(map, 0.0f, 60.0f, ECEnvPoint::StyleStep);
        AddMark(map, 4.0f, 120.0f, ECEnvPoint::StyleStep);
        AddMark(map, 8.0f, 120.0f, ECEnvPoint::StyleLinear);
        AddMark(map, 12.0f, 60.0f, ECEnvPoint::StyleLinear);
        AddMark(map, 16.0f, 20.0f, ECEnvPoint::StyleStep);
    }
    ~TempoMap() override {
        map->RemoveChildren(1);
        map->Unref(1);
    }
    float Seconds(float quarters) {
        MCTime t(quarters);
        map->GetClockTime(t);
        EXPECT_EQ(t.GetMode(), MCTime::ModeClock);
        return t.GetSeconds();
    }
    float Quarters(float seconds) {
        MCTime t(seconds);
        t.SetMode(MCTime::ModeClock);
        map->GetNormalizedTime(t);
        EXPECT_EQ(t.GetMode(), MCTime::ModeNormalized);
        return t.GetSeconds();
    }

    ECTempoEnv* map = new ECTempoEnv;
};

// Both directions as one table (the ramps reach each next mark at its own rate: 8 quarters
// over 120 to 60 take 8 / 3 seconds), and a round trip at every mark and either side of it.
TEST_F(TempoMap, ConversionsBothWays) {
    const std::pair<float, float> rows[] = {
        {0.0f, 0.0f},        {2.0f, 2.0f},       {4.0f, 4.0f},       {6.0f, 5.0f},
        {8.0f, 6.0f},        {10.0f, 7.116959f}, {12.0f, 8.666667f}, {14.0f, 10.958463f},
        {16.0f, 14.666667f}, {17.0f, 17.666667f}};
    for (const auto& [quarters, seconds] : rows) {
        EXPECT_NEAR(Seconds(quarters), seconds, 1e-4) << quarters;
        EXPECT_NEAR(Quarters(seconds), quarters, 1e-4) << seconds;
    }
    for (int i = 0; i < map->GetPointCount(); ++i) {
        auto* mark = static_cast<ECTempo*>(map->GetPointAtIndex(i));
        const float boundary = mark->GetTime()->GetSeconds();
        EXPECT_EQ(mark->GetClockTime().GetMode(), MCTime::ModeClock);
        EXPECT_EQ(Seconds(boundary), mark->GetClockTime().GetSeconds());
        EXPECT_EQ(Quarters(mark->GetClockTime().GetSeconds()), boundary);
        for (float offset : {-0.01f, 0.01f}) {
            if (boundary + offset >= 0.0f) {
                EXPECT_NEAR(Quarters(Seconds(boundary + offset)), boundary + offset, 1e-4);
            }
        }
    }
}

TEST_F(TempoMap, MarksComeAndGo) {
    // Without the 120 at 4 the ramp starts at 1 + 4 seconds.
    EXPECT_EQ(map->RemoveChild(map->GetPointAtIndex(1), 1), 1);
    EXPECT_NEAR(Seconds(8.0f), 8.0f, 1e-6);
    // The first mark left, away from zero, moves to zero.
    EXPECT_EQ(map->RemoveChild(map->GetPointAtIndex(0), 1), 1);
    EXPECT_EQ(*map->GetPointAtIndex(0)->GetTime(), MCTime::TimeZero());
    // Only tempo marks enter the map.
    auto* point = new ECEnvPoint;
    test::SetSeconds(point, 30.0f);
    EXPECT_EQ(map->AddChild(point, 1), 0);
    delete point;
    // A changed duration recomputes the map the mark is in.
    auto* mark = static_cast<ECTempo*>(map->GetPointAtIndex(0));
    mark->SetStyle(ECEnvPoint::StyleStep);
    EXPECT_EQ(1, mark->SetTempo(30.0f, 1.0f));
    MCTime length(1.0f);
    mark->SetDuration(&length);
    EXPECT_NEAR(Seconds(8.0f), 16.0f, 1e-6);
}

TEST(ECTempoEnv, EmptyMapOnlyChangesModes) {
    ECTempoEnv map;
    MCTime t(3.0f);
    map.GetClockTime(t);
    EXPECT_EQ(t.GetMode(), MCTime::ModeClock);
    EXPECT_EQ(t.GetSeconds(), 3.0f);
    map.GetClockTime(t); // not musical time: left alone
    EXPECT_EQ(t.GetMode(), MCTime::ModeClock);
    map.GetNormalizedTime(t);
    EXPECT_EQ(t.GetMode(), MCTime::ModeNormalized);
    EXPECT_EQ(t.GetSeconds(), 3.0f);
    EXPECT_EQ(map.GetLowerLimit(), 20.0f) << "the slowest tempo a map holds";
    EXPECT_EQ(map.IntValued(), 0) << "tempi keep their fractions";
}

// A pause that heads its group slows the tempo before it by its percent; the rest of the
// group restores it.
TEST(ECTempoEnv, Pauses) {
    ECTempoEnv map;
    AddMark(&map, 0.0f, 120.0f, ECEnvPoint::StyleStep);
    auto* head = new ECTempo(ECTempo::TypeGeneralPause, MCTime(0.0f));
    auto* end = new ECTempo(ECTempo::TypePause, MCTime(0.0f));
    test::SetSeconds(head, 4.0f);
    test::SetSeconds(end, 6.0f);
    head->SetAnchor(1);
    head->SetAnchorHead(1);
    end->SetAnchor(1);
    ASSERT_EQ(map.AddChild(head, 1), 1);
    ASSERT_EQ(map.AddChild(end, 1), 1);
    MCEventList group;
    ASSERT_NE(group.AddTail(head), nullptr);
    ASSERT_NE(group.AddTail(end), nullptr);
    map.AddAnchorGroup(&group);
    map.RecalculateClockTimes();
    EXPECT_EQ(head->GetValue(), 60.0f);
    EXPECT_EQ(end->GetValue(), 120.0f);
    head->SetPausePercent(400.0f);
    map.RecalculateClockTimes();
    EXPECT_EQ(head->GetValue(), 7.5f);
    EXPECT_NEAR(end->GetClockTime().GetSeconds(), 2.0f + 2.0f * 8.0f, 1e-5);
}

} // namespace
} // namespace clavenor
