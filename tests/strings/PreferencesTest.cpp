#include <clavenor/clavenor.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace clavenor {
namespace {

// Every test works on a store and screen of its own.
class Preferences : public ::testing::Test {
protected:
    Preferences() : m_previous(CProfileStore::SetActiveStore(&store)) {}
    ~Preferences() override {
        CProfileStore::SetActiveStore(m_previous);
        MCScreenMetrics::Set(m_metrics);
    }

    CMemProfileStore store;

private:
    CProfileStore* m_previous;
    MCScreenMetrics m_metrics = MCScreenMetrics::Get();
};

TEST_F(Preferences, ValuesGoToTheActiveStoreAndFloatsAreFixedTextReadLikeAtof) {
    ASSERT_TRUE(SaveIntPreference("S", "i", -4));
    EXPECT_EQ(store.GetProfileInt("S", "i", 0), -4);
    ASSERT_TRUE(SaveStringPreference("S", "s", "value"));
    EXPECT_EQ(LoadStringPreference("S", "s", "fallback"), "value");

    const std::pair<float, const char*> saved[] = {
        {2.5f, "2.500000"}, {-0.125f, "-0.125000"}, {1e20f, "100000002004087734272.000000"}};
    for (auto [value, text] : saved) {
        ASSERT_TRUE(SaveFloatPreference("S", "f", value));
        EXPECT_EQ(store.GetProfileString("S", "f", ""), text);
        EXPECT_EQ(LoadFloatPreference("S", "f", 9.0f), value);
    }
    const float kInf = std::numeric_limits<float>::infinity();
    const std::pair<const char*, float> read[] = {
        {"", 7.0f},      {"abc", 0.0f},     {"  3.25xyz", 3.25f}, {"-1e2", -100.0f},
        {"1e300", kInf}, {"-1e300", -kInf}, {"1e-300", 0.0f}};
    for (auto [text, value] : read) {
        ASSERT_TRUE(store.WriteProfileString("S", "f", text));
        EXPECT_EQ(LoadFloatPreference("S", "f", 7.0f), value) << '"' << text << '"';
    }
    EXPECT_EQ(LoadFloatPreference("S", "absent", 7.0f), 7.0f);
    ASSERT_TRUE(store.WriteProfileString("S", "f", "nan"));
    EXPECT_TRUE(std::isnan(LoadFloatPreference("S", "f", 7.0f)));
}

TEST_F(Preferences, FontsRoundTripInTheirFixedTextFormat) {
    MCLogFont font = LoadFontPreference("Fonts", "Body", "Times", -20, 1, 1, 0, 300);
    EXPECT_EQ(font, (MCLogFont{-20, 0, 0, 0, 700, 1, 0, 0, 300 & 0xFF, 4, 0, 0, 0, "Times"}));

    font.faceName = "Courier New";
    font.height = -13;
    font.italic = 0;
    font.underline = 5;
    font.charSet = 238;
    ASSERT_TRUE(SaveFontPreference("Fonts", "Body", font));
    EXPECT_EQ(store.GetProfileString("Fonts", "Body", ""), "Courier New, -13, 1, 0, 1, 238");
    font.underline = 1;
    EXPECT_EQ(LoadFontPreference("Fonts", "Body", "Arial", 12, 0, 0, 0, 0), font);

    font.weight = 600; // only exactly 700 is bold
    ASSERT_TRUE(SaveFontPreference("Fonts", "Body", font));
    EXPECT_EQ(LoadFontPreference("Fonts", "Body", "Arial", 12, 0, 0, 0, 0).weight, 400);
}

TEST_F(Preferences, StoredFontFieldsApplyByPositionAndOnlySwitchFlagsOn) {
    struct {
        const char* text;
        int defaultsOn;
        MCLogFont expected;
    } cases[] = {
        {"Serif, 10, 0, 0, 0", 1, {10, 0, 0, 0, 700, 1, 1, 0, 77, 4, 0, 0, 0, "Serif"}},
        {"Serif, 10, 2, 1x, 01, ", 0, {10, 0, 0, 0, 400, 1, 1, 0, 0, 4, 0, 0, 0, "Serif"}},
        {",abc,,99999999999999", 0, {0, 0, 0, 0, 400, 0, 0, 0, 77, 4, 0, 0, 0, ""}},
        {"A, 99999999999, 1, 1, 1, -1, x",
         0,
         {INT32_MAX, 0, 0, 0, 700, 1, 1, 0, 255, 4, 0, 0, 0, "A"}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(store.WriteProfileString("Fonts", "F", c.text));
        int on = c.defaultsOn;
        EXPECT_EQ(LoadFontPreference("Fonts", "F", "Arial", 12, on, on, on, 77), c.expected)
            << '"' << c.text << '"';
    }
}

TEST_F(Preferences, WindowWithoutStoredSizeGetsTheWorkArea) {
    MCScreenMetrics::Set({800, 600, 3, 4});
    MCWindowPlacement placement;
    placement.showCmd = 9;
    placement.flags = 9;
    EXPECT_EQ(LoadWindowPrefs("Main", placement), 0);
    EXPECT_EQ(placement.length, 44u);
    EXPECT_EQ(placement.normalPosition, (RECT{0, 0, 800, 600}));
    EXPECT_EQ(placement.minPosition, (POINT{0, 0}));
    EXPECT_EQ(placement.maxPosition, (POINT{-3, -4}));
    EXPECT_EQ(placement.showCmd, MCWindowPlacement::ShowNormal);
    EXPECT_EQ(placement.flags, 0u);

    // A zero height discards the stored width too, but not the position.
    ASSERT_TRUE(SaveIntPreference("Main", "x", 10));
    ASSERT_TRUE(SaveIntPreference("Main", "y", 20));
    ASSERT_TRUE(SaveIntPreference("Main", "Width", 300));
    EXPECT_EQ(LoadWindowPrefs("Main", placement), 0);
    EXPECT_EQ(placement.normalPosition, (RECT{10, 20, 810, 620}));
}

TEST_F(Preferences, WindowPlacementsRoundTrip) {
    // show command, flags, flags loaded back, iconic, maximized
    const std::uint32_t cases[][5] = {{MCWindowPlacement::ShowNormal, 0, 0, 0, 0},
                                      {MCWindowPlacement::ShowMaximized, 0, 0, 0, 1},
                                      {MCWindowPlacement::ShowMinimized, 2, 2, 1, 1},
                                      {MCWindowPlacement::ShowMinimized, 1, 2, 1, 1},
                                      {MCWindowPlacement::ShowMinimized, 0, 0, 1, 0}};
    for (const auto& c : cases) {
        MCWindowPlacement saved, loaded;
        saved.showCmd = c[0];
        saved.flags = c[1];
        saved.normalPosition = {INT32_MAX - 5, -40, INT32_MIN + 94, 560};
        SaveWindowPrefs("Main", saved);
        EXPECT_EQ(LoadIntPreference("Main", "Width", 0), 100);
        EXPECT_EQ(LoadIntPreference("Main", "Iconic", -1), static_cast<int>(c[3]));
        EXPECT_EQ(LoadIntPreference("Main", "Maximized", -1), static_cast<int>(c[4]));
        EXPECT_EQ(LoadWindowPrefs("Main", loaded), 1);
        EXPECT_TRUE(loaded.showCmd == c[0] && loaded.flags == c[2]);
        EXPECT_EQ(loaded.normalPosition, saved.normalPosition);
    }
}

TEST(SetScaleParams, LineThroughTwoPoints) {
    float scale = -1.0f;
    float offset = -1.0f;
    SetScaleParams(2.0f, 4.0f, 1.0f, 5.0f, scale, offset);
    EXPECT_EQ(scale, 2.0f);
    EXPECT_EQ(offset, -3.0f);

    for (float x1 : {1.0f, std::numeric_limits<float>::quiet_NaN()}) {
        scale = offset = -1.0f;
        SetScaleParams(1.0f, x1, 0.0f, 10.0f, scale, offset);
        EXPECT_EQ(scale, 0.0f);
        EXPECT_EQ(offset, 0.0f);
    }
}

} // namespace
} // namespace clavenor
