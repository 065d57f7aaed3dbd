// The typed fields: the flag rules they share, integer arithmetic without undefined
// behaviour, the logic operators, and the value-specific comparisons.

#include <clavenor/clavenor.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <typeinfo>

using namespace clavenor;

namespace {

constexpr std::int32_t Min32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t Max32 = std::numeric_limits<std::int32_t>::max();

template <class F>
void ExpectNewFlags(const F& field) {
    EXPECT_EQ(field.IsDirty(), 1);
    EXPECT_EQ(field.IsOverride(), 0);
}

// Runs the flag rules every field shares on values a != b: any construction starts dirty and
// not overridden; copy construction takes only the value; setting and assigning (from a value
// or a field) keep the target's flags; comparison looks at values only.
template <class F, class V>
void CheckFlagRules(const V& a, const V& b) {
    SCOPED_TRACE(typeid(F).name());
    ExpectNewFlags(F());
    F field(a);
    ExpectNewFlags(field);
    field.SetDirty(0);
    field.SetOverride(1);
    const F copy(field);
    ExpectNewFlags(copy);
    EXPECT_TRUE(copy == a && copy == field);
    field.SetValue(b);
    EXPECT_TRUE(field == b && field != copy && field != a);
    field = a;
    EXPECT_TRUE(field == a);
    field = F(b);
    EXPECT_TRUE(field == b);
    EXPECT_TRUE(field.IsDirty() == 0 && field.IsOverride() == 1);
}

TEST(FieldFlags, EveryFieldFollowsTheSameFlagRules) {
    CheckFlagRules<FCBool, std::int32_t>(5, 0);
    CheckFlagRules<FCByte, std::uint8_t>(0xA5, 0x01);
    CheckFlagRules<FCChar, std::int8_t>(-7, 100);
    CheckFlagRules<FCWord, std::uint16_t>(0xBEEF, 1);
    CheckFlagRules<FCDWord, std::uint32_t>(0xDEADBEEF, 2);
    CheckFlagRules<FCColor, std::uint32_t>(0x00FF8000, 0xFF);
    CheckFlagRules<FCInt, std::int32_t>(-123456, 42);
    CheckFlagRules<FCLong, std::int32_t>(0x7FFFFFFF, -1);
    CheckFlagRules<FCFloat, float>(2.5f, -0.25f);
    CheckFlagRules<FCPoint, POINT>({3, -4}, {3, 9});
    CheckFlagRules<FCSize, SIZE>({640, 480}, {1, 480});
    CheckFlagRules<FCRect, RECT>({1, 2, 3, 4}, {1, 2, 3, 5});
    CheckFlagRules<FCTime, MCTime>(MCTime(3.5f), MCTime(2, 1, 0, 480));
}

TEST(FieldFlags, TheBaseCopiesTheWholeFlagWordAndSettersTakeBitZero) {
    FCBase forced;
    forced.SetDirty(2);
    forced.SetOverride(3);
    EXPECT_TRUE(forced.IsDirty() == 0 && forced.IsOverride() == 1);
    FCBase copy(forced), target;
    target = forced;
    EXPECT_TRUE(copy.GetState() == forced.GetState() && target.GetState() == forced.GetState());

    // FCByte keeps its value beside the flags: a copy made as FCBase carries both, while its
    // own copy operations never carry the flags.
    FCByte a(0x12), b(0x34);
    a.SetOverride(1);
    static_cast<FCBase&>(b) = a;
    EXPECT_TRUE(b.GetValue() == 0x12 && b.IsOverride() == 1);
    EXPECT_EQ(FCByte(0xC3).GetState(), 0xC301u);
}

TEST(IntegerField, OperatorsWorkInPlaceChainAndTruncateTowardZero) {
    FCLong value(7);
    ((value += 5) *= 3) -= 6;
    EXPECT_EQ(value.GetValue(), 30);
    (value /= 4) %= 5;
    EXPECT_EQ(value.GetValue(), 2);
    (value | 0x10) & 0x12;
    EXPECT_EQ(value.GetValue(), 0x12);
    ~value;
    EXPECT_EQ(value.GetValue(), ~0x12);
    value = -7;
    value /= 2;
    EXPECT_EQ(value.GetValue(), -3);
    value = -7;
    value %= 2;
    EXPECT_EQ(value.GetValue(), -1);
}

TEST(IntegerField, OverflowWrapsAndCallerErrorsInDivisionGiveDefinedResults) {
    FCInt value(Max32);
    value += 1;
    EXPECT_EQ(value.GetValue(), Min32);
    value -= 1;
    value *= 2;
    EXPECT_EQ(value.GetValue(), -2);
    value = Min32;
    value /= -1;
    EXPECT_EQ(value.GetValue(), Min32);
    value %= -1;
    EXPECT_EQ(value.GetValue(), 0);
    value = 9;
    value /= 0;
    value %= 0;
    EXPECT_EQ(value.GetValue(), 9);

    FCChar small(127);
    small += 1;
    EXPECT_EQ(small.GetValue(), -128);
    small *= 3;
    EXPECT_EQ(small.GetValue(), -128);
    small /= -1;
    EXPECT_EQ(small.GetValue(), -128);
    small %= -1;
    EXPECT_EQ(small.GetValue(), 0);
    small = 100;
    small *= 3;
    EXPECT_EQ(small.GetValue(), 44);
}

TEST(IntegerField, ShiftCountsAreTakenModulo32AndRightShiftKeepsTheSign) {
    FCInt value(1);
    value <<= 33;
    EXPECT_EQ(value.GetValue(), 2);
    value <<= 32;
    EXPECT_EQ(value.GetValue(), 2);
    value <<= -1; // -1 modulo 32 is 31
    EXPECT_EQ(value.GetValue(), 0);
    value = 1;
    value <<= 31;
    value >>= 35;
    EXPECT_EQ(value.GetValue(), Min32 >> 3);
    value = -16;
    value >>= 2;
    EXPECT_EQ(value.GetValue(), -4);
    FCLong wide(0x40);
    wide >>= 38;
    EXPECT_EQ(wide.GetValue(), 1);

    // FCChar shifts the widened value and truncates.
    FCChar small(0x41);
    small <<= 1;
    EXPECT_EQ(small.GetValue(), -126);
    small <<= 8;
    EXPECT_EQ(small.GetValue(), 0);
    small = 0x41;
    small <<= 32;
    EXPECT_EQ(small.GetValue(), 0x41);
    small = -128;
    small >>= 7;
    EXPECT_EQ(small.GetValue(), -1);
}

TEST(IntegerField, BitsAndHalfWordsStayInRange) {
    FCInt value(0);
    value.SetBitValue(31, 1);
    EXPECT_TRUE(value.GetValue() == Min32 && value.GetBitValue(31) == 1);
    value.SetBitValue(0, 5);
    value.SetBitValue(31, 0);
    EXPECT_EQ(value.GetValue(), 1);
    value = -1;
    value.SetBitValue(32, 0);
    value.SetBitValue(-1, 0);
    EXPECT_EQ(value.GetValue(), -1);
    EXPECT_EQ(value.GetBitValue(32) + value.GetBitValue(-1), 0);

    // Half words store only the low byte of the argument.
    value = static_cast<std::int32_t>(0xABCDEF01u);
    EXPECT_TRUE(value.GetLowValue() == 0xEF01 && value.GetHighValue() == 0xABCD);
    value.SetLowValue(0x1234);
    value.SetHighValue(0xFF80);
    EXPECT_EQ(value.GetValue(), 0x00800034);

    FCByte byte(0x81);
    EXPECT_TRUE(byte.GetBitValue(7) == 1 && byte.GetBitValue(1) == 0 && byte.GetBitValue(8) == 0);
    byte.SetBitValue(7, 0);
    byte.SetBitValue(1, 9);
    byte.SetBitValue(8, 1);
    byte.SetBitValue(-1, 1);
    EXPECT_EQ(byte.GetValue(), 0x03);
}

template <class F>
class LogicField : public ::testing::Test {};

using LogicTypes = ::testing::Types<FCBool, FCByte, FCWord, FCDWord, FCColor>;
TYPED_TEST_SUITE(LogicField, LogicTypes);

TYPED_TEST(LogicField, OperatorsLeaveZeroOrOneAndReturnTheFieldItself) {
    TypeParam field(5);
    field.SetOverride(1);
    TypeParam& result = !(field && 2);
    EXPECT_EQ(&result, &field);
    EXPECT_TRUE(field == 0 && field.IsOverride() == 1);
    !field;
    EXPECT_TRUE(field == 1);
    field && 0;
    EXPECT_TRUE(field == 0);
    field || 0;
    EXPECT_TRUE(field == 0);
    field || -3;
    EXPECT_TRUE(field == 1);
}

TEST(ValueFields, NaNIsUnequalToEverythingAndTimesCompareByMode) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    FCFloat a(nan), b(nan);
    EXPECT_TRUE(!(a == b) && a != b && !(a == a) && !(a == nan) && a != 0.0f);
    EXPECT_TRUE(FCFloat(0.0f) == -0.0f);
    EXPECT_EQ(FCBool(-7).GetValue(), -7) << "any integer is stored as it is";

    FCTime time;
    EXPECT_TRUE(time == MCTime(0.0f));
    const MCTime bpt(3, 2, 10, 480);
    time = bpt;
    EXPECT_TRUE(time.GetValue().GetMode() == 2 && time == bpt);
    EXPECT_TRUE(time != MCTime(0.0f)) << "a scalar time never equals a bar/pulse/tick one";
    // Copies own their bar/pulse/tick record.
    FCTime copy(time);
    time = MCTime(4.0f);
    EXPECT_EQ(copy.GetValue().GetBarPulseTick().bar, 3);
}

} // namespace
