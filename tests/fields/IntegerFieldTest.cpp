#include "clavenor/fields/FCChar.h"
#include "clavenor/fields/FCInt.h"
#include "clavenor/fields/FCLong.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

using namespace clavenor;

namespace {

constexpr std::int32_t Min32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t Max32 = std::numeric_limits<std::int32_t>::max();

TEST(IntegerField, OperatorsWorkInPlaceAndChain) {
    FCLong value(7);
    ((value += 5) *= 3) -= 6;
    EXPECT_EQ(value.GetValue(), 30);
    (value /= 4) %= 5;
    EXPECT_EQ(value.GetValue(), 2);
    (value | 0x10) & 0x12;
    EXPECT_EQ(value.GetValue(), 0x12);
    ~value;
    EXPECT_EQ(value.GetValue(), ~0x12);
    // Division truncates toward zero.
    value = -7;
    value /= 2;
    EXPECT_EQ(value.GetValue(), -3);
    value = -7;
    value %= 2;
    EXPECT_EQ(value.GetValue(), -1);
}

TEST(IntegerField, OverflowWrapsAsTwosComplement) {
    FCInt value(Max32);
    value += 1;
    EXPECT_EQ(value.GetValue(), Min32);
    value -= 1;
    EXPECT_EQ(value.GetValue(), Max32);
    value *= 2;
    EXPECT_EQ(value.GetValue(), -2);

    FCChar small(127);
    small += 1;
    EXPECT_EQ(small.GetValue(), -128);
    small *= 3;
    EXPECT_EQ(small.GetValue(), -128);
    small = 100;
    small *= 3;
    EXPECT_EQ(small.GetValue(), 44);
}

TEST(IntegerField, CallerErrorsInDivisionGiveDefinedResults) {
    FCInt value(Min32);
    value /= -1;
    EXPECT_EQ(value.GetValue(), Min32);
    value %= -1;
    EXPECT_EQ(value.GetValue(), 0);
    value = 9;
    value /= 0;
    EXPECT_EQ(value.GetValue(), 9);
    value %= 0;
    EXPECT_EQ(value.GetValue(), 9);

    FCChar small(-128);
    small /= -1;
    EXPECT_EQ(small.GetValue(), -128);
    small = -128;
    small %= -1;
    EXPECT_EQ(small.GetValue(), 0);
}

TEST(IntegerField, ShiftCountsAreTakenModulo32) {
    FCInt value(1);
    value <<= 33;
    EXPECT_EQ(value.GetValue(), 2);
    value <<= 32;
    EXPECT_EQ(value.GetValue(), 2);
    value <<= -1; // -1 modulo 32 is 31
    EXPECT_EQ(value.GetValue(), 0);
    value = 1;
    value <<= 31;
    EXPECT_EQ(value.GetValue(), Min32);
    value >>= 35;
    EXPECT_EQ(value.GetValue(), Min32 >> 3);

    FCLong wide(0x40);
    wide >>= 38;
    EXPECT_EQ(wide.GetValue(), 1);
}

TEST(IntegerField, RightShiftKeepsTheSign) {
    FCInt value(-16);
    value >>= 2;
    EXPECT_EQ(value.GetValue(), -4);
    value >>= 31;
    EXPECT_EQ(value.GetValue(), -1);

    FCChar small(-128);
    small >>= 7;
    EXPECT_EQ(small.GetValue(), -1);
}

TEST(IntegerField, CharShiftsWorkOnTheWidenedValueAndTruncate) {
    FCChar small(0x41);
    small <<= 1;
    EXPECT_EQ(small.GetValue(), -126); // 0x82
    small <<= 8;
    EXPECT_EQ(small.GetValue(), 0);
    small = 0x41;
    small <<= 32;
    EXPECT_EQ(small.GetValue(), 0x41);
}

TEST(FCInt, BitAccessCoversBitsZeroToThirtyOne) {
    FCInt value(0);
    value.SetBitValue(31, 1);
    EXPECT_EQ(value.GetValue(), Min32);
    EXPECT_EQ(value.GetBitValue(31), 1);
    value.SetBitValue(0, 5);
    EXPECT_EQ(value.GetBitValue(0), 1);
    value.SetBitValue(31, 0);
    EXPECT_EQ(value.GetValue(), 1);

    value = -1;
    value.SetBitValue(32, 0);
    value.SetBitValue(-1, 0);
    EXPECT_EQ(value.GetValue(), -1);
    EXPECT_EQ(value.GetBitValue(32) + value.GetBitValue(-1), 0);
}

TEST(FCInt, HalfWordsStoreOnlyTheLowByteOfTheArgument) {
    FCInt value(static_cast<std::int32_t>(0xABCDEF01u));
    EXPECT_EQ(value.GetLowValue(), 0xEF01);
    EXPECT_EQ(value.GetHighValue(), 0xABCD);

    value.SetLowValue(0x1234);
    EXPECT_EQ(value.GetLowValue(), 0x0034);
    EXPECT_EQ(value.GetHighValue(), 0xABCD);
    value.SetHighValue(0xFF80);
    EXPECT_EQ(value.GetHighValue(), 0x0080);
    EXPECT_EQ(value.GetLowValue(), 0x0034);
    EXPECT_EQ(value.GetValue(), 0x00800034);
}

} // namespace
