// Musical time in its modes, and the voice/track word.

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <bit>
#include <limits>

using namespace clavenor;
using namespace clavenor::test;

namespace {

void ExpectBpt(const MCTime& t, std::int32_t bar, std::int32_t pulse, std::int32_t tick,
               std::int32_t ppq) {
    ASSERT_EQ(t.GetMode(), MCTime::ModeBarPulseTick);
    const BPTTime& r = t.GetBarPulseTick();
    EXPECT_EQ(r.bar, bar) << r.bar << " " << r.pulse << " " << r.tick << " " << r.ppq;
    EXPECT_EQ(r.pulse, pulse) << r.bar << " " << r.pulse << " " << r.tick << " " << r.ppq;
    EXPECT_EQ(r.tick, tick) << r.bar << " " << r.pulse << " " << r.tick << " " << r.ppq;
    EXPECT_EQ(r.ppq, ppq) << r.bar << " " << r.pulse << " " << r.tick << " " << r.ppq;
}

MCTime Clock(float seconds) {
    MCTime t(seconds);
    t.SetMode(MCTime::ModeClock);
    return t;
}

} // namespace

TEST(MCTimeConversion, ConstantsTicksAndMilliseconds) {
    using Limits = std::numeric_limits<std::int32_t>;
    EXPECT_EQ(std::bit_cast<std::uint32_t>(MCTime::TimeMax().GetSeconds()), 0x7F7FFFFFu);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(MCTime::TimeNull().GetSeconds()), 0xFF7FFFFFu);
    EXPECT_TRUE(MCTime::TimeNull() < MCTime::TimeZero());
    EXPECT_TRUE(MCTime::TimeZero() < MCTime::TimeMax());
    EXPECT_EQ(MCTime(1.5f).GetTicks(480), 720);
    EXPECT_EQ(MCTime(-1.4f).GetTicks(480), -671);
    EXPECT_EQ(MCTime(1, 2, 3, 480).GetTicks(480), 0);
    EXPECT_EQ(MCTime(std::numeric_limits<float>::quiet_NaN()).GetTicks(480), 0);
    EXPECT_EQ(MCTime::TimeMax().GetTicks(480), Limits::max());
    EXPECT_EQ(MCTime::TimeNull().GetMSec(), Limits::min());
    EXPECT_EQ(MCTime(0.0015f).GetMSec(), 2);
    EXPECT_EQ(MCTime(-0.0015f).GetMSec(), -1);

    MCTime t = Clock(1.0f), b(3, 1, 5, 480);
    t.SetTicks(10, 0);
    t.AddTicks(10, 0);
    EXPECT_EQ(t.GetSeconds(), 1.0f) << "a resolution below 1 changes nothing";
    t.SetTicks(960, 480);
    t.AddTicks(240, 480);
    EXPECT_EQ(t.GetMode(), MCTime::ModeClock) << "a scalar mode stays";
    EXPECT_EQ(t.GetSeconds(), 2.5f) << "a scalar mode stays";
    b.AddTicks(240, 480);
    ExpectBpt(b, 3, 1, 5, 480);
    b.SetMSec(1500);
    EXPECT_EQ(b.GetMode(), MCTime::ModeNormalized);
    EXPECT_EQ(b.GetSeconds(), 1.5f);
}

// The bar/pulse/tick record lives exactly while in mode 2, and copies never share it.
TEST(MCTimeConversion, GlobalResolutionIsClampedAndUsedByZeroResults) {
    EXPECT_EQ(MCTime::SetGlobalPPQ(5), 1);
    EXPECT_EQ(MCTime::GlobalPPQ, 10);
    EXPECT_EQ(MCTime::SetGlobalPPQ(5000), 1);
    EXPECT_EQ(MCTime::GlobalPPQ, 1000);
    MCTime::SetGlobalPPQ(960);
    EXPECT_EQ((-MCTime(1, 2, 3, 480)).GetBarPulseTick().ppq, 960);
    MCTime::SetGlobalPPQ(480);
}

TEST(MCTimeMode, TheRecordLivesExactlyWhileInModeTwo) {
    MCTime t(2, 1, 0, 480), s = Clock(2.5f);
    t.SetMode(MCTime::ModeNormalized);
    EXPECT_EQ(t.GetSeconds(), 0.0f);
    s = 4.0f;
    EXPECT_EQ(s.GetMode(), MCTime::ModeClock) << "assigning a float keeps a scalar mode";
    s.SetMode(MCTime::ModeBarPulseTick);
    ExpectBpt(s, 0, 0, 0, 0);
    s.SetBarPulseTick(BPTTime{4, 3, 2, 960});
    ExpectBpt(s, 4, 3, 2, 960);
    s = 1.0f;
    EXPECT_EQ(s.GetMode(), MCTime::ModeNormalized);
    s.SetBarPulseTick(1, 1, 1, 480);
    s.SetSeconds(0.25f);
    EXPECT_EQ(s.GetMode(), MCTime::ModeNormalized);
    MCTime a(1, 2, 3, 480), c(0.5f);
    c = a;
    c.SetPPQ(960);
    MCTime(a).SetBarPulseTick(9, 9, 9, 9);
    ExpectBpt(a, 1, 2, 3, 480);
}

TEST(MCTimePPQ, SetPPQRescalesTheTickOnly) {
    const struct {
        MCTime from;
        std::int32_t ppq;
        std::int32_t tick, newPpq;
    } cases[] = {
        {MCTime(3, 1, 240, 480), 960, 480, 960},   {MCTime(3, 1, 7, 960), 480, 3, 480},
        {MCTime(3, 1, -1, 960), 480, -1, 480},     // floor, not truncation
        {MCTime(3, 1, 480, 480), 960, 960, 960},   // no carry into the pulse
        {MCTime(3, 1, 65536, 1), 65536, 0, 65536}, // a 32-bit product wraps
        {MCTime(3, 1, 5, 480), 0, 5, 480},         {MCTime(3, 1, 5, 480), -480, 5, 480},
        {MCTime(3, 1, 5, 0), 480, 5, 0},
    };
    for (const auto& c : cases) {
        MCTime t(c.from);
        t.SetPPQ(c.ppq);
        ExpectBpt(t, 3, 1, c.tick, c.newPpq);
    }
    MCTime scalar(1.5f);
    scalar.SetPPQ(960);
    EXPECT_EQ(scalar.GetSeconds(), 1.5f);
}

// Arithmetic takes scalars only (a bar/pulse/tick operand or target is left alone), the
// target keeps its mode, and division and modulo by zero leave the left operand.
TEST(MCTimeArithmetic, ScalarsOnlyAndTheTargetKeepsItsMode) {
    MCTime t = Clock(1.0f), b(1, 2, 3, 480);
    t += MCTime(0.5f);
    t -= MCTime(2.0f);
    EXPECT_EQ(t.GetMode(), MCTime::ModeClock);
    EXPECT_EQ(t.GetSeconds(), -0.5f);
    t += MCTime(1, 0, 0, 480);
    t *= 4.0f;
    t /= 0.0f;
    EXPECT_EQ(t.GetSeconds(), -2.0f);
    b += MCTime(1.0f);
    b *= 2.0f;
    ExpectBpt(b, 1, 2, 3, 480);
    const std::tuple<MCTime, float> results[] = {
        {MCTime(3.0f) / MCTime(2.0f), 1.5f},  {MCTime(3.0f) / MCTime(0.0f), 3.0f},
        {MCTime(-1.0f) % MCTime(4.0f), 3.0f}, {MCTime(5.0f) % MCTime(-4.0f), -3.0f},
        {MCTime(5.5f) % MCTime(0.0f), 0.5f},  {-Clock(2.0f), -2.0f}};
    for (const auto& [result, seconds] : results) {
        EXPECT_EQ(result.GetMode(), MCTime::ModeNormalized) << seconds;
        EXPECT_EQ(result.GetSeconds(), seconds) << seconds;
    }
}

// Bar/pulse/tick times compare component-wise (so two may each be below the other), with
// ticks scaled by the resolution; against a scalar they compare only at zero.
TEST(MCTimeCompare, BarPulseTickComparisons) {
    EXPECT_EQ(MCTime(1, 2, 240, 480), MCTime(1, 2, 480, 960));
    EXPECT_NE(MCTime(1, 2, 240, 480), MCTime(1, 2, 241, 480));
    EXPECT_NE(MCTime(1, 2, 0, 0), MCTime(1, 2, 0, 480)) << "ppq below 1 never matches";
    EXPECT_EQ(MCTime(1, 2, 5, 0), MCTime(1, 2, 5, 0));
    EXPECT_NE(MCTime(0, 0, 0, 480), MCTime(0.0f));
    EXPECT_NE(MCTime(0.0f), MCTime(0, 0, 0, 480));

    EXPECT_TRUE(MCTime(0, 0, 0, 480) >= MCTime::TimeZero());
    EXPECT_TRUE(MCTime(0, 1, 0, 480) >= MCTime(0.0f));
    EXPECT_FALSE(MCTime(0, 1, 0, 480) >= MCTime(0.5f));
    EXPECT_FALSE(MCTime(0, -1, 0, 480) >= MCTime(0.0f));
    EXPECT_TRUE(MCTime(0, -1, 0, 480) <= MCTime(-0.0f));
    EXPECT_FALSE(MCTime(0, 1, 0, 480) <= MCTime(0.0f));
    const MCTime a(2, 0, 0, 480), b(1, 3, 0, 480);
    EXPECT_TRUE(a < MCTime::TimeNull());
    EXPECT_TRUE(a > MCTime::TimeNull());
    EXPECT_FALSE(MCTime(1.0f) >= a);
    EXPECT_FALSE(MCTime(1.0f) <= a);

    EXPECT_TRUE(a < b);
    EXPECT_TRUE(a > b);
    EXPECT_TRUE(b < a);
    EXPECT_TRUE(b > a);
    // An equal or finer ppq on the left compares raw ticks, a coarser one tick/ppq.
    const MCTime fine(1, 1, 300, 960), coarse(1, 1, 200, 480);
    EXPECT_TRUE(fine >= coarse);
    EXPECT_TRUE(fine <= coarse);
    EXPECT_NE(fine, coarse);
    EXPECT_TRUE(MCTime(1, 1, 240, 480) >= MCTime(1, 1, 479, 960));
    EXPECT_FALSE(MCTime(1, 1, 5, 0) >= MCTime(1, 1, 5, 480));
    EXPECT_FALSE(MCTime(1, 1, 5, 480) <= MCTime(1, 1, 5, 0));
}

TEST(MCTimeArchive, RecordsAtEveryVersion) {
    const Bytes bytes = Store([](CArchive& ar) {
        MCTime(3, 1, 240, 480).Serialize(ar, -1);
        Clock(2.0f).Serialize(ar, -1);
        MCTime(1.5f).Serialize(ar, -1);
    });
    EXPECT_EQ(bytes, X("02 03000000 01000000 F0000000 E0010000 03 00000040 00 0000C03F"));
    MCTime a(9.0f), b(1, 1, 1, 1), c(1, 1, 1, 1);
    Load(bytes, [&](CArchive& ar) {
        a.Serialize(ar, 1);
        b.Serialize(ar, 4);
        c.Serialize(ar, 0x7FFFFFFF);
    });
    ExpectBpt(a, 3, 1, 240, 480);
    EXPECT_EQ(b.GetMode(), MCTime::ModeClock);
    EXPECT_EQ(b.GetSeconds(), 2.0f);
    EXPECT_EQ(c.GetMode(), MCTime::ModeNormalized);
    EXPECT_EQ(c.GetSeconds(), 1.5f);

    // Below version 1 a bare float; a current record read that way goes wrong.
    MCTime bare, wrong;
    std::uint8_t next = 0;
    Load(X("0000C03F 00 0000C03F"), [&](CArchive& ar) {
        bare.Serialize(ar, 0);
        wrong.Serialize(ar, 0);
        ar >> next;
    });
    EXPECT_EQ(bare.GetMode(), MCTime::ModeNormalized);
    EXPECT_EQ(bare.GetSeconds(), 1.5f);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(wrong.GetSeconds()), 0xC0000000u);
    EXPECT_EQ(next, 0x3F);

    const Bytes full = X("02 03000000 01000000 F0000000 E0010000");
    for (std::size_t n = 0; n < full.size(); ++n) {
        const Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_EQ(LoadCause(cut, [&](CArchive& ar) { a.Serialize(ar, 4); }),
                  CArchiveException::endOfFile)
            << n;
    }
}

// A time is one word: the mode byte, the float's every bit and the record must not run into
// each other, whatever mode a stream or a host set and whatever float it carries.
TEST(MCTimeMode, EveryScalarModeAndFloatBitSurvivesCopiesAndMoves) {
    const std::uint8_t modes[] = {MCTime::ModeNormalized, 1, MCTime::ModeClock, 0x80, 0xFF};
    const std::uint32_t floats[] = {0x80000000u, 0x7FC00001u, 0x00000001u, 0xFF7FFFFFu,
                                    0xFFFFFFFFu};
    for (const std::uint8_t mode : modes) {
        for (const std::uint32_t bits : floats) {
            MCTime t(std::bit_cast<float>(bits));
            t.SetMode(mode);
            MCTime copied(t);
            MCTime moved(std::move(copied));
            MCTime assigned(1, 2, 3, 480);
            assigned = moved;
            EXPECT_EQ(assigned.GetMode(), mode) << int{mode} << " " << bits;
            EXPECT_EQ(std::bit_cast<std::uint32_t>(assigned.GetSeconds()), bits)
                << int{mode} << " " << bits;
        }
    }
    MCTime record(-1, 0x7FFFFFFF, -2, 480);
    MCTime moved(std::move(record));
    ExpectBpt(moved, -1, 0x7FFFFFFF, -2, 480);
    EXPECT_EQ(record.GetMode(), MCTime::ModeNormalized) << "a moved-from time has no record";
}
