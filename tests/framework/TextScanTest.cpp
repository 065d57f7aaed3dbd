#include "clavenor/framework/detail/TextScan.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string_view>

namespace clavenor::test {
namespace {

constexpr std::int32_t Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t Max = std::numeric_limits<std::int32_t>::max();

TEST(TextScan, BlanksStayWithinALineAndTrimmingKeepsLineFeeds) {
    EXPECT_TRUE(TextScan::IsSpace('\n'));
    EXPECT_FALSE(TextScan::IsBlank('\n'));
    EXPECT_EQ(TextScan::TrimBlanks("\t a b \r\v\f"), "a b");
    EXPECT_EQ(TextScan::TrimBlanks("\na\n"), "\na\n");
    EXPECT_EQ(TextScan::TrimBlanks("   "), "");
    EXPECT_EQ(TextScan::SkipSpace("\n\t x "), "x ");
}

TEST(TextScan, AWholeIntegerOrNothing) {
    const struct {
        std::string_view text;
        bool parsed;
        std::int32_t value;
    } cases[] = {
        {"42", true, 42},          {" +7\t", true, 7},        {"-2147483648", true, Min},
        {"2147483647", true, Max}, {"2147483648", false, -1}, {"+-1", false, -1},
        {"1x", false, -1},         {"\n1", false, -1},        {"", false, -1},
        {"  ", false, -1},
    };
    for (const auto& c : cases) {
        std::int32_t value = -1;
        EXPECT_EQ(TextScan::ParseInt32(c.text, value), c.parsed) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
}

TEST(TextScan, CConversionsReadAPrefixAndNeverOverflow) {
    const struct {
        std::string_view text;
        std::int32_t value;
    } atoi[] = {
        {"  -12abc", -12},   {"\n+5", 5},           {"x", 0},
        {"4294967296", Max}, {"-99999999999", Min}, {"-2147483649", Min},
    };
    for (const auto& c : atoi) {
        EXPECT_EQ(TextScan::Atoi(c.text), c.value) << c.text;
    }

    const TextScan::CNumber hex = TextScan::ScanCNumber(" 0x1Fg", 16);
    EXPECT_TRUE(hex.digits);
    EXPECT_EQ(hex.low, 0x1Fu);
    const TextScan::CNumber bare = TextScan::ScanCNumber("0x", 16);
    EXPECT_TRUE(bare.digits) << "the 0 before an x without digits";
    EXPECT_EQ(bare.low, 0u);
    const TextScan::CNumber wide = TextScan::ScanCNumber("-123456789", 16);
    EXPECT_TRUE(wide.negative);
    EXPECT_TRUE(wide.wide);
    EXPECT_EQ(wide.low, 0x23456789u);
    EXPECT_FALSE(TextScan::ScanCNumber("-", 10).digits);
}

} // namespace
} // namespace clavenor::test
