#include "clavenor/fields/FCFloat.h"
#include "clavenor/fields/FCPoint.h"
#include "clavenor/fields/FCRect.h"
#include "clavenor/fields/FCSize.h"
#include "clavenor/fields/FCTime.h"

#include <gtest/gtest.h>

#include <limits>

using namespace clavenor;

namespace {

TEST(FCFloat, ArithmeticInPlace) {
    FCFloat value(1.5f);
    ((value += 2.5f) *= 3.0f) -= 2.0f;
    EXPECT_EQ(value.GetValue(), 10.0f);
    value /= 4.0f;
    EXPECT_EQ(value.GetValue(), 2.5f);
    value /= 0.0f;
    EXPECT_EQ(value.GetValue(), std::numeric_limits<float>::infinity());
}

TEST(FCFloat, NaNIsUnequalToEverythingItselfIncluded) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    FCFloat a(nan);
    FCFloat b(nan);
    EXPECT_FALSE(a == b);
    EXPECT_TRUE(a != b);
    EXPECT_FALSE(a == a);
    EXPECT_FALSE(a == nan);
    EXPECT_TRUE(a != 0.0f);

    FCFloat zero(0.0f);
    EXPECT_TRUE(zero == -0.0f);
}

TEST(FCTime, ComparesAndAssignsBareTimes) {
    FCTime time;
    EXPECT_TRUE(time == MCTime(0.0f));
    time = MCTime(2.0f);
    EXPECT_TRUE(time == MCTime(2.0f));
    EXPECT_TRUE(time != MCTime(2.5f));

    const MCTime bpt(3, 2, 10, 480);
    time = bpt;
    EXPECT_EQ(time.GetValue().GetMode(), 2);
    EXPECT_TRUE(time == bpt);
    // A scalar time is never equal to a bar/pulse/tick one.
    EXPECT_TRUE(time != MCTime(0.0f));
}

TEST(FCTime, CopiesOwnTheirBarPulseTickRecord) {
    FCTime a(MCTime(1, 1, 0, 480));
    FCTime b(a);
    a = MCTime(4.0f);
    EXPECT_EQ(b.GetValue().GetMode(), 2);
    EXPECT_EQ(b.GetValue().GetBarPulseTick().bar, 1);
}

TEST(GeometryFields, DefaultsAreZeroAndComparisonUsesEveryMember) {
    EXPECT_TRUE(FCPoint() == (POINT{0, 0}));
    EXPECT_TRUE(FCSize() == (SIZE{0, 0}));
    EXPECT_TRUE(FCRect() == (RECT{0, 0, 0, 0}));

    FCRect rect(RECT{1, 2, 3, 4});
    EXPECT_TRUE(rect != (RECT{1, 2, 3, 5}));
    EXPECT_TRUE(rect != (RECT{0, 2, 3, 4}));
    FCPoint point(POINT{1, 2});
    EXPECT_TRUE(point != (POINT{2, 1}));
    FCSize size(SIZE{3, 4});
    EXPECT_EQ(size.GetValue().cy, 4);
}

} // namespace
