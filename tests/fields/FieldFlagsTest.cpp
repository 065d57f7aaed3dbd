#include "clavenor/fields/FCBool.h"
#include "clavenor/fields/FCByte.h"
#include "clavenor/fields/FCChar.h"
#include "clavenor/fields/FCColor.h"
#include "clavenor/fields/FCDWord.h"
#include "clavenor/fields/FCFloat.h"
#include "clavenor/fields/FCInt.h"
#include "clavenor/fields/FCLong.h"
#include "clavenor/fields/FCPoint.h"
#include "clavenor/fields/FCRect.h"
#include "clavenor/fields/FCSize.h"
#include "clavenor/fields/FCTime.h"
#include "clavenor/fields/FCWord.h"

#include <gtest/gtest.h>

#include <typeinfo>

using namespace clavenor;

namespace {

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
    EXPECT_TRUE(copy == a);
    EXPECT_TRUE(copy == field);

    field.SetValue(b);
    EXPECT_TRUE(field == b && field != copy && field != a);
    field = a;
    EXPECT_TRUE(field == a);
    field = F(b);
    EXPECT_TRUE(field == b);
    EXPECT_EQ(field.IsDirty(), 0);
    EXPECT_EQ(field.IsOverride(), 1);
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

TEST(FCBase, CopyingTheBaseCopiesTheWholeFlagWord) {
    FCBase forced;
    forced.SetDirty(0);
    forced.SetOverride(1);
    FCBase copy(forced);
    EXPECT_EQ(copy.IsDirty(), 0);
    EXPECT_EQ(copy.IsOverride(), 1);

    FCBase target;
    target = forced;
    EXPECT_EQ(target.GetState(), forced.GetState());
}

TEST(FCBase, FlagSettersTakeOnlyBitZeroOfTheArgument) {
    FCBase field;
    field.SetDirty(2);
    EXPECT_EQ(field.IsDirty(), 0);
    field.SetOverride(3);
    EXPECT_EQ(field.IsOverride(), 1);
    EXPECT_EQ(field.IsDirty(), 0);
    field.SetOverride(0);
    field.SetDirty(1);
    EXPECT_EQ(field.GetState(), 1u);
}

TEST(FCBase, ValuesKeptInTheFlagWordTravelWithABaseCopy) {
    // FCByte keeps its value beside the flags; copying it as an FCBase object carries the
    // value, while its own copy operations never carry the flags.
    FCByte a(0x12);
    FCByte b(0x34);
    a.SetOverride(1);
    static_cast<FCBase&>(b) = a;
    EXPECT_EQ(b.GetValue(), 0x12);
    EXPECT_EQ(b.IsOverride(), 1);
}

} // namespace
