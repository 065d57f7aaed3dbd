#include "clavenor/fields/FCBool.h"
#include "clavenor/fields/FCByte.h"
#include "clavenor/fields/FCColor.h"
#include "clavenor/fields/FCDWord.h"
#include "clavenor/fields/FCWord.h"

#include <gtest/gtest.h>

using namespace clavenor;

namespace {

template <class F>
class LogicField : public ::testing::Test {};

using LogicTypes = ::testing::Types<FCBool, FCByte, FCWord, FCDWord, FCColor>;
TYPED_TEST_SUITE(LogicField, LogicTypes);

TYPED_TEST(LogicField, OperatorsLeaveZeroOrOne) {
    TypeParam field(5);
    field && 2;
    EXPECT_TRUE(field == 1);
    !field;
    EXPECT_TRUE(field == 0);
    !field;
    EXPECT_TRUE(field == 1);

    field = 5;
    field && 0;
    EXPECT_TRUE(field == 0);
    field || 0;
    EXPECT_TRUE(field == 0);
    field || -3;
    EXPECT_TRUE(field == 1);
    field = 0;
    field || 0;
    EXPECT_TRUE(field == 0);
}

TYPED_TEST(LogicField, OperatorsReturnTheFieldItself) {
    TypeParam field(3);
    field.SetOverride(1);
    TypeParam& result = !(field && 1);
    EXPECT_EQ(&result, &field);
    EXPECT_TRUE(field == 0);
    EXPECT_EQ(field.IsOverride(), 1);
}

TEST(FCBool, AnyIntegerIsStoredAsItIs) {
    FCBool flag(-7);
    EXPECT_EQ(flag.GetValue(), -7);
}

TEST(FCByte, ValueSitsInBitsEightToFifteenOfTheFlagWord) {
    FCByte byte(0xC3);
    EXPECT_EQ(byte.GetState(), 0xC301u);
    byte.SetOverride(1);
    byte.SetDirty(0);
    EXPECT_EQ(byte.GetState(), 0xC302u);
    byte.SetValue(0x00);
    EXPECT_EQ(byte.IsOverride(), 1);
    EXPECT_EQ(byte.IsDirty(), 0);
    byte.SetState(0x7F01u);
    EXPECT_EQ(byte.GetValue(), 0x7F);
}

TEST(FCByte, BitAccessCoversBitsZeroToSeven) {
    FCByte byte(0x81);
    EXPECT_EQ(byte.GetBitValue(0), 1);
    EXPECT_EQ(byte.GetBitValue(7), 1);
    EXPECT_EQ(byte.GetBitValue(1), 0);
    EXPECT_EQ(byte.GetBitValue(8), 0);

    byte.SetBitValue(7, 0);
    byte.SetBitValue(1, 9);
    EXPECT_EQ(byte.GetValue(), 0x03);
    byte.SetBitValue(8, 1);
    byte.SetBitValue(-1, 1);
    EXPECT_EQ(byte.GetValue(), 0x03);
    EXPECT_EQ(byte.IsDirty(), 1);
    EXPECT_EQ(byte.IsOverride(), 0);
}

} // namespace
