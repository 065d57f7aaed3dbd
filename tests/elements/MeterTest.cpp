// Meters and the meter map: types and stress groups, refusals, tick arithmetic, grids,
// compound lists, records, and conversions between quarter-note and bar/pulse/tick times.

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace clavenor {
namespace {

using test::Bytes;
using test::Load;
using test::Store;

template <class T, class A>
std::vector<T> Items(const CArray<T, A>& items) {
    return std::vector<T>(items.GetData(), items.GetData() + items.GetSize());
}

std::vector<std::uint16_t> Stresses(const ECMeter& m) {
    std::vector<std::uint16_t> out;
    for (std::uint16_t i = 0; i < m.GetStressPulsesPerMeasure(); ++i) {
        out.push_back(m.GetStressTicks(i, ECMeter::Resolution));
    }
    return out;
}

std::vector<std::uint16_t> Pulses(const ECMeter& m) {
    std::vector<std::uint16_t> out;
    for (std::uint16_t i = 0; i < m.GetStressPulsesPerMeasure(); ++i) {
        out.push_back(m.GetPulsesPerStress(i));
    }
    return out;
}

ECMeter::ByteArray Bytes8(std::vector<std::uint8_t> values) {
    ECMeter::ByteArray out;
    for (std::uint8_t v : values) {
        out.Add(v);
    }
    return out;
}

struct MeterRow {
    int numerator, denominator, type;
    int storedType;
    std::vector<std::uint16_t> stresses, pulses;
    float length;
    int beats;
    float firstBeat;
};

// Every rule of the types and their groups, at the meter's own 256 ticks per quarter.
TEST(ECMeter, TypesAndStressGroups) {
    const MeterRow rows[] = {
        {4, 4, 0, 0, {512, 512}, {2, 2}, 4.0f, 4, 1.0f},
        {4, 4, 1, 1, {512, 512}, {2, 2}, 4.0f, 4, 1.0f},
        {3, 4, 255, 2, {768}, {3}, 3.0f, 3, 1.0f},
        {2, 2, 0, 0, {512, 512}, {1, 1}, 4.0f, 2, 2.0f},
        {3, 2, 0, 0, {512, 512, 512}, {1, 1, 1}, 6.0f, 3, 2.0f},
        {5, 4, 0, 0, {256, 256, 256, 256, 256}, {1, 1, 1, 1, 1}, 5.0f, 5, 1.0f},
        {8, 8, 255, 2, {1024}, {8}, 4.0f, 8, 0.5f},
        {6, 8, 0, 0, {768}, {6}, 3.0f, 6, 0.5f},
        {6, 8, 255, 3, {384, 384}, {3, 3}, 3.0f, 2, 1.5f},
        {9, 8, 255, 3, {384, 384, 384}, {3, 3, 3}, 4.5f, 3, 1.5f},
        {12, 8, 255, 3, {384, 384, 384, 384}, {3, 3, 3, 3}, 6.0f, 4, 1.5f},
        {7, 8, 2, 4, {512, 384}, {4, 3}, 3.5f, 2, 2.0f},
        {5, 4, 255, 4, {512, 768}, {2, 3}, 5.0f, 2, 2.0f},
        {10, 8, 255, 4, {640, 640}, {5, 5}, 5.0f, 2, 2.5f},
        {15, 8, 255, 4, {640, 640, 640}, {5, 5, 5}, 7.5f, 3, 2.5f},
        {14, 8, 255, 4, {896, 896}, {7, 7}, 7.0f, 2, 3.5f},
        {25, 8, 255, 4, {}, {}, 12.5f, 0, 0.0f},
        {11, 8, 255, 5, {384, 384, 384, 256}, {3, 3, 3, 2}, 5.5f, 4, 1.5f},
        {33,
         16,
         255,
         5,
         {192, 192, 192, 192, 192, 192, 192, 192, 192, 192, 192, 0},
         {3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 0},
         8.25f,
         12,
         0.75f},
    };
    for (const MeterRow& row : rows) {
        ECMeter meter(static_cast<std::uint8_t>(row.numerator),
                      static_cast<std::uint8_t>(row.denominator),
                      static_cast<std::uint8_t>(row.type));
        SCOPED_TRACE(std::to_string(row.numerator) + "/" + std::to_string(row.denominator));
        EXPECT_EQ(meter.GetMeterType(), row.storedType);
        EXPECT_EQ(Stresses(meter), row.stresses);
        EXPECT_EQ(Pulses(meter), row.pulses);
        EXPECT_FLOAT_EQ(meter.GetMeasureLength(), row.length);
        EXPECT_EQ(meter.GetBeatsPerMeasure(), row.beats);
        EXPECT_FLOAT_EQ(meter.GetBeat(0), row.firstBeat);
    }
    ECMeter defaults;
    EXPECT_EQ(defaults, ECMeter(4, 4, 0));
    EXPECT_FLOAT_EQ(defaults.GetPulse(), 1.0f);
    EXPECT_EQ(defaults.SetMeterType(3), 0);
    EXPECT_EQ(defaults.GetMeterType(), 0);
}

// A refused meter leaves the meter as it was, in both forms of SetMeter.
TEST(ECMeter, BadValuesAreRefused) {
    ECMeter meter(7, 8, 255);
    const ECMeter before(meter);
    const std::pair<int, int> plain[] = {{0, 4},   {3, 6},  {4, 0},  {4, 3},
                                         {4, 255}, {17, 1}, {33, 2}, {65, 4}};
    for (const auto& [n, d] : plain) {
        EXPECT_EQ(meter.SetMeter(static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(d), 255),
                  0)
            << n << "/" << d;
    }
    struct ListRow {
        std::vector<std::uint8_t> numerators, denominators;
    };
    const ListRow lists[] = {
        {{}, {8}},        {{3, 2}, {}},      {{3, 2, 2}, {8, 4}}, {{3, 0}, {8}},
        {{3, 2}, {8, 6}}, {{200, 100}, {8}}, {{40, 40}, {2}},
    };
    for (const ListRow& list : lists) {
        EXPECT_EQ(meter.SetMeter(Bytes8(list.numerators), Bytes8(list.denominators), 0), 0);
    }
    EXPECT_EQ(meter, before);
    EXPECT_EQ(meter.SetMeter(64, 4, 0), 1); // the longest measure accepted
    EXPECT_FLOAT_EQ(meter.GetMeasureLength(), 64.0f);
}

TEST(ECMeter, TicksAtOtherResolutions) {
    EXPECT_EQ(ECMeter(3, 4, 255).GetTicksPerMeasure(480), 1440);
    EXPECT_EQ(ECMeter(6, 8, 255).GetPulseTicks(480), 240);
    EXPECT_EQ(ECMeter(6, 8, 255).GetBeatTicks(1, 480), 720);
    EXPECT_EQ(ECMeter(6, 8, 255).GetPulsesPerBeat(0), 3);
    // A 128th lasts 8 of the meter's ticks: 1.5 ticks at 48 per quarter rounds up to 2.
    EXPECT_EQ(ECMeter(3, 128, 255).GetPulseTicks(48), 2);
    // The longest measure still fits 16 bits at the highest global resolution.
    EXPECT_EQ(ECMeter(64, 4, 0).GetTicksPerMeasure(1000), 64000);
}

TEST(ECMeter, CompoundLists) {
    ECMeter meter;
    ASSERT_EQ(meter.SetMeter(Bytes8({3, 2, 2}), Bytes8({8}), 0), 1);
    EXPECT_EQ(meter.GetMeterType(), ECMeter::TypeCompoundList);
    EXPECT_EQ(meter.GetNumerator(), 7);
    EXPECT_EQ(meter.GetDenominator(), 8);
    EXPECT_EQ(Pulses(meter), (std::vector<std::uint16_t>{3, 2, 2}));
    EXPECT_EQ(meter.GetBeatsPerMeasure(), 3);
    EXPECT_FLOAT_EQ(meter.GetBeat(1), 1.0f);

    // Parts over their own denominators count in the largest one.
    ASSERT_EQ(meter.SetMeter(Bytes8({2, 3}), Bytes8({4, 8}), 0), 1);
    EXPECT_EQ(meter.GetNumerator(), 7);
    EXPECT_EQ(meter.GetDenominator(), 8);
    EXPECT_EQ(Stresses(meter), (std::vector<std::uint16_t>{512, 384}));
    EXPECT_EQ(Items(meter.GetCompoundDenominator()), (std::vector<std::uint8_t>{4, 8}));

    // One part is a plain meter unless a single group is asked for.
    ASSERT_EQ(meter.SetMeter(Bytes8({6}), Bytes8({8}), 0), 1);
    EXPECT_EQ(meter.GetMeterType(), ECMeter::TypeCompound);
    EXPECT_TRUE(meter.GetCompoundNumerator().IsEmpty());
    ASSERT_EQ(meter.SetMeter(Bytes8({6}), Bytes8({8}), 1), 1);
    EXPECT_EQ(meter.GetMeterType(), ECMeter::TypeCompoundList);
    EXPECT_EQ(Pulses(meter), (std::vector<std::uint16_t>{6}));

    // A copy rebuilds from the lists; assignment from itself keeps them.
    ASSERT_EQ(meter.SetMeter(Bytes8({3, 2, 2}), Bytes8({8}), 0), 1);
    ECMeter copy(meter);
    EXPECT_EQ(copy, meter);
    const ECMeter& self = copy;
    copy = self;
    EXPECT_EQ(copy, meter);
    EXPECT_NE(copy, ECMeter(7, 8, 255));
}

TEST(ECMeter, SubdivisionGrids) {
    struct Row {
        int numerator, denominator, level;
        std::vector<std::uint16_t> ticks;
    };
    const Row rows[] = {
        {4, 4, 0, {1920}},
        {4, 4, 1, {960, 960}},
        {4, 4, 2, {480, 480, 480, 480}},
        {4, 4, 3, std::vector<std::uint16_t>(8, 240)},
        {4, 4, 4, std::vector<std::uint16_t>(16, 120)},
        {6, 8, 0, {1440}},
        {6, 8, 1, {720, 720}},
        {6, 8, 2, std::vector<std::uint16_t>(6, 240)},
        {6, 8, 3, std::vector<std::uint16_t>(12, 120)},
    };
    for (const Row& row : rows) {
        const ECMeter meter(static_cast<std::uint8_t>(row.numerator),
                            static_cast<std::uint8_t>(row.denominator),
                            row.numerator == 4 ? 0 : 255);
        CArray<std::uint16_t, std::uint16_t> grid;
        meter.GetSubdivision(row.level, grid, 480);
        EXPECT_EQ(Items(grid), row.ticks)
            << row.numerator << "/" << row.denominator << " level " << row.level;
    }
    CArray<float, float> quarters;
    ECMeter(6, 8, 255).GetSubdivision(3, quarters);
    EXPECT_EQ(Items(quarters), std::vector<float>(12, 0.25f));
    // Levels out of range leave the grid as it was.
    ECMeter(6, 8, 255).GetSubdivision(ECMeter::MaxSubdivisionLevel + 1, quarters);
    ECMeter(6, 8, 255).GetSubdivision(-1, quarters);
    EXPECT_EQ(quarters.GetSize(), 12);
}

// The record after the point's: type, numerator, denominator, stress count, pulse ticks, the
// two stress arrays, and the compound lists for types above 3; loaded stress data are kept as
// they stand.
TEST(ECMeter, Record) {
    ECMeter meter(6, 8, 255);
    Bytes bytes = Store([&](CArchive& ar) { meter.Serialize(ar); });
    const Bytes tail = test::X("03 06 08 0200 8000 0200 8001 8001 0200 0300 0300");
    ASSERT_GE(bytes.size(), tail.size());
    EXPECT_EQ(Bytes(bytes.end() - static_cast<long>(tail.size()), bytes.end()), tail);

    ECMeter list;
    EXPECT_EQ(1, list.SetMeter(Bytes8({3, 2, 2}), Bytes8({8}), 0));
    bytes = Store([&](CArchive& ar) { ar << &list; });
    ECMeter* loaded = nullptr;
    Load(bytes, [&](CArchive& ar) {
        ar >> loaded;
        loaded->Ref();
    });
    EXPECT_EQ(*loaded, list);
    EXPECT_EQ(Items(loaded->GetCompoundNumerator()), (std::vector<std::uint8_t>{3, 2, 2}));
    loaded->Unref(1);

    // A record whose stress data disagree with its count answers 0 past the arrays.
    ECMeter odd;
    const Bytes point = Store([&](CArchive& ar) { odd.ECEnvPoint::Serialize(ar); });
    Bytes record = point;
    const Bytes own = test::X("00 04 04 0500 0001 0100 0002 0000");
    record.insert(record.end(), own.begin(), own.end());
    Load(record, [&](CArchive& ar) { odd.Serialize(ar); });
    EXPECT_EQ(odd.GetStressPulsesPerMeasure(), 5);
    EXPECT_EQ(odd.GetStressTicks(0, 256), 512);
    EXPECT_EQ(odd.GetStressTicks(4, 256), 0);
    EXPECT_EQ(odd.GetPulsesPerStress(0), 0);
}

// A meter map of 4/4 at 0, 3/4 at 8 (bar 2) and 6/8 at 14 (bar 4).
class MeterMap : public ::testing::Test {
protected:
    MeterMap() {
        map->Ref();
        Add(4, 4, 0.0f);
        Add(3, 4, 8.0f);
        Add(6, 8, 14.0f);
    }
    ~MeterMap() override {
        map->RemoveChildren(1);
        map->Unref(1);
    }
    ECMeter* Add(int n, int d, float time) {
        auto* meter = new ECMeter(static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(d), 255);
        test::SetSeconds(meter, time);
        EXPECT_EQ(map->AddChild(meter, 1), 1);
        return meter;
    }
    BPTTime ToBPT(float time, int ppq = 480) {
        MCTime t(time);
        map->GetBarPulseTick(t, ppq);
        EXPECT_EQ(t.GetMode(), MCTime::ModeBarPulseTick);
        return t.GetBarPulseTick();
    }
    float ToTime(int bar, int pulse, int tick, int ppq = 480) {
        MCTime t(bar, pulse, tick, ppq);
        map->GetNormalizedTime(t);
        EXPECT_EQ(t.GetMode(), MCTime::ModeNormalized);
        return t.GetSeconds();
    }

    ECMeterEnv* map = new ECMeterEnv;
};

TEST_F(MeterMap, PositionsOfTheMeters) {
    const int expected[][3] = {{0, 0, 0}, {2, 0, 0}, {4, 0, 0}};
    for (int i = 0; i < 3; ++i) {
        auto* meter = static_cast<ECMeter*>(map->GetPointAtIndex(i));
        EXPECT_EQ(meter->GetBarPulseTick().bar, expected[i][0]);
        EXPECT_EQ(meter->GetBarPulseTick().pulse, expected[i][1]);
        EXPECT_EQ(meter->GetBarPulseTick().ppq, MCTime::GlobalPPQ);
        EXPECT_EQ(meter->GetVoiceTrack()->GetValue(), map->GetVoiceTrack()->GetValue());
    }
    // Removing the 3/4 puts the 6/8 at 14 quarters of 4/4: bar 3, pulse 2.
    EXPECT_EQ(map->RemoveChild(map->GetPointAtIndex(1), 1), 1);
    EXPECT_EQ(static_cast<ECMeter*>(map->GetPointAtIndex(1))->GetBarPulseTick().bar, 3);
    EXPECT_EQ(static_cast<ECMeter*>(map->GetPointAtIndex(1))->GetBarPulseTick().pulse, 2);
    // Only meters enter the map.
    auto* point = new ECEnvPoint;
    test::SetSeconds(point, 20.0f);
    EXPECT_EQ(map->AddChild(point, 1), 0);
    delete point;
}

// Both directions as one table, and a round trip at every meter and a tick either side.
TEST_F(MeterMap, ConversionsBothWays) {
    struct Row {
        float time;
        int bar, pulse, tick;
    };
    const Row rows[] = {{0.0f, 0, 0, 0},  {1.5f, 0, 1, 240},   {7.75f, 1, 3, 360},
                        {8.0f, 2, 0, 0},  {9.5f, 2, 1, 240},   {13.0f, 3, 2, 0},
                        {14.0f, 4, 0, 0}, {14.25f, 4, 0, 120}, {17.75f, 5, 1, 120}};
    for (const Row& row : rows) {
        const BPTTime position = ToBPT(row.time);
        EXPECT_EQ(position.bar, row.bar) << row.time;
        EXPECT_EQ(position.pulse, row.pulse) << row.time;
        EXPECT_EQ(position.tick, row.tick) << row.time;
        EXPECT_FLOAT_EQ(ToTime(row.bar, row.pulse, row.tick), row.time);
    }
    const float tick = 1.0f / 480;
    for (float boundary : {0.0f, 8.0f, 14.0f}) {
        for (float time : {boundary, boundary + tick, boundary - tick}) {
            if (time < 0.0f) {
                continue;
            }
            const BPTTime p = ToBPT(time);
            EXPECT_NEAR(ToTime(p.bar, p.pulse, p.tick), time, tick / 2) << time;
        }
    }
    // Ticks in another resolution, and a resolution that is no resolution.
    EXPECT_FLOAT_EQ(ToTime(2, 1, 480, 960), 9.5f);
    EXPECT_FLOAT_EQ(ToTime(2, 1, 240, 0), 9.5f);
    const BPTTime coarse = ToBPT(9.5f, 96);
    EXPECT_EQ(coarse.tick, 48);
    EXPECT_EQ(coarse.ppq, 96);
}

TEST_F(MeterMap, TimesThatAreNotConverted) {
    MCTime seconds(3.0f);
    seconds.SetMode(MCTime::ModeClock);
    map->GetBarPulseTick(seconds, 480);
    EXPECT_EQ(seconds.GetMode(), MCTime::ModeClock);
    MCTime quarters(3.0f);
    map->GetNormalizedTime(quarters);
    EXPECT_EQ(quarters.GetMode(), MCTime::ModeNormalized);

    ECMeterEnv empty;
    MCTime time(5.0f);
    empty.GetBarPulseTick(time, 96);
    EXPECT_EQ(time.GetBarPulseTick().bar, 0);
    EXPECT_EQ(time.GetBarPulseTick().ppq, 96);
    MCTime position(1, 2, 3, 480);
    empty.GetNormalizedTime(position);
    EXPECT_EQ(position.GetMode(), MCTime::ModeBarPulseTick);
}

// When the first meter does not start at 0, no position is computed.
TEST(ECMeterEnv, FirstMeterAwayFromZero) {
    ECMeterEnv map;
    auto* first = new ECMeter(3, 4, 255);
    auto* second = new ECMeter(4, 4, 255);
    test::SetSeconds(first, 1.0f);
    test::SetSeconds(second, 7.0f);
    ASSERT_EQ(map.AddChild(first, 1), 1);
    second->SetBarPulseTick(9, 9, 9, 9);
    ASSERT_EQ(map.AddChild(second, 1), 1);
    EXPECT_EQ(second->GetBarPulseTick().bar, 9);
}

} // namespace
} // namespace clavenor
