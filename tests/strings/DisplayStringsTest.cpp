// Display names of pitches, controllers, parameters, chord suffixes, dynamics and texts,
// and the conversions between dynamics and velocities and between texts and meta events.

#include <clavenor/clavenor.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace clavenor {
namespace {

TEST(DisplayStrings, PitchNames) {
    const std::tuple<int, int, const char*> cases[] = {
        {0, PitchFlats, "C-1"},   {127, PitchSharps, "G9"},
        {70, PitchFlats, "Bb4"},  {70, PitchSharps, "A#4"},
        {70, PitchNumber, "70"},  {61, PitchFlats, "Db4"},
        {61, PitchSharps, "C#4"}, {60, PitchFlats, "C4"},
        {60, PitchSharps, "C4"},  {61, 7, "61"}};
    for (const auto& [key, mode, name] : cases) {
        EXPECT_EQ(GetPitchString(static_cast<std::uint8_t>(key), mode), name) << key << "/" << mode;
    }
}

TEST(DisplayStrings, ControllerAndParameterNames) {
    EXPECT_EQ(GetControllerString(7, ControllerNumbered), "  7)  Volume");
    EXPECT_EQ(GetControllerString(68, ControllerName), "");
    EXPECT_EQ(GetControllerString(200, ControllerNumber), "200");
    EXPECT_EQ(GetControllerString(127, ControllerName), "") << "its resource does not exist";
    std::vector<int> named;
    for (int number = 0; number < 128; ++number) {
        if (!GetControllerString(static_cast<std::uint8_t>(number), ControllerName).IsEmpty()) {
            named.push_back(number);
        }
    }
    std::vector<int> expected = {0,  1,  2,  4,  5,  6,  7,  8,  10, 11, 12, 13, 16, 17, 18, 19,
                                 64, 65, 66, 67, 70, 71, 72, 73, 74, 84, 91, 92, 93, 94, 95};
    for (int number = 120; number <= 126; ++number) {
        expected.push_back(number);
    }
    EXPECT_EQ(named, expected);
    EXPECT_EQ(GetControllerString(74, ControllerName), "Sound Ctrl 5 (Brightness)");
    EXPECT_EQ(GetControllerString(126, ControllerNumbered), "126)  Mono Mode On");

    EXPECT_EQ(GetRPNString(0, 2, 0), "Coarse tuning");
    EXPECT_EQ(GetRPNString(0, 5, 0), "Unknown function");
    EXPECT_EQ(GetRPNString(1, 0, 0), "Unknown function");
    EXPECT_EQ(GetNRPNString(1, 102, 0), "Envelope release rate");
    EXPECT_EQ(GetNRPNString(1, 101, 0), "Unknown function");
    EXPECT_EQ(GetNRPNString(26, 38, 0), "Level, drum 38");
    EXPECT_EQ(GetNRPNString(31, 40, 0), "Variation send level, drum 40");
    EXPECT_EQ(GetNRPNString(27, 38, 0), "Unknown function");
    EXPECT_EQ(GetNRPNString(32, 38, 0), "Unknown function");
    EXPECT_EQ(GetPolyPressureString(60), "PolyPressure 60");
    EXPECT_EQ(GetPatchString(), "Patch change");
    EXPECT_EQ(GetChanPressureString(), "After touch");
    EXPECT_EQ(GetPitchBendString(), "Pitch bend");
    EXPECT_EQ(GetAccentString(9), "Accent");
    EXPECT_EQ(GetOrnamentString(0), "Ornament");
}

TEST(DisplayStrings, MarkNames) {
    const std::tuple<int, const char*, const char*, const char*> cases[] = {
        // type, chord suffix, dynamic, text type
        {0, "", "pppp", ""},
        {1, "m", "ppp", "Copyright Information"},
        {6, "sus[^F9]", "f", "Cue Point"},
        {10, "m7[^F5]", "", "Composer"},
        {13, "maj7[^S5]", "dim.", "Opus Number"},
        {14, "7[^S11]", "", "Rehearsal Number"},
        {15, "7 alt", "", "Rehearsal Letter"},
        {16, "7[^F9]", "User Defined", "Subject Header"},
        {20, "6", "", "Tune"},
        {21, "9", "", ""},
        {27, "7 sus", "", ""},
        {28, "", "", ""},
    };
    for (const auto& [type, chord, dynamic, text] : cases) {
        const auto code = static_cast<std::uint8_t>(type);
        EXPECT_EQ(GetChordSymbolString(code), chord) << type;
        EXPECT_EQ(GetDynamicString(code), dynamic) << type;
        EXPECT_EQ(GetTextString(code), text) << type;
    }
    EXPECT_EQ(StringTable::Load(12156), "<< Undefined >>");
}

TEST(DisplayStrings, MetaEventTypes) {
    const int values[] = {1, 2, 1, 3, 4, 6, 7, 1, 3, 1};
    for (int type = 0; type < 10; ++type) {
        EXPECT_EQ(GetTextValue(static_cast<std::uint8_t>(type)), values[type]) << type;
    }
    const std::tuple<int, int, int> types[] = {{2, 0, 1}, {3, 0, 3}, {3, 1, 8}, {4, 1, 4},
                                               {6, 0, 5}, {7, 0, 6}, {1, 0, 0}, {5, 1, 0}};
    for (const auto& [meta, title, type] : types) {
        EXPECT_EQ(GetTextType(meta, title), type) << meta << "/" << title;
    }
}

// Velocities come from the profile; missing ones take the built-in value and save it.
TEST(DisplayStrings, DynamicVelocitiesFromPreferences) {
    CMemProfileStore store;
    CProfileStore* previous = CProfileStore::SetActiveStore(&store);
    EXPECT_EQ(GetDynamicValue(5), 71);
    EXPECT_EQ(LoadIntPreference(CString("Settings\\Dynamics\\mf"), CString("Midi Value"), -1), 71);
    EXPECT_EQ(GetDynamicValue(10), 85);
    EXPECT_EQ(GetDynamicValue(16), 100);
    const std::pair<int, int> types[] = {{0, 0},   {1, 0},   {14, 0}, {15, 1},
                                         {100, 7}, {127, 9}, {-5, 0}};
    for (const auto& [velocity, type] : types) {
        EXPECT_EQ(GetDynamicType(velocity), type) << velocity;
    }
    EXPECT_EQ(1, SaveIntPreference(CString("Settings\\Dynamics\\ff"), CString("Midi Value"), 90));
    EXPECT_EQ(GetDynamicValue(7), 90);
    EXPECT_EQ(GetDynamicType(89), 6);
    CProfileStore::SetActiveStore(previous);
}

} // namespace
} // namespace clavenor
