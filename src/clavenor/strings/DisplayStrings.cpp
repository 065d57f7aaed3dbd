#include "clavenor/strings/DisplayStrings.h"

#include "clavenor/framework/StringTable.h"
#include "clavenor/strings/Preferences.h"

#include <array>
#include <cstdio>

namespace clavenor {

namespace {

constexpr UINT ChordSymbolFirst = 12010;
constexpr int ChordSymbolLast = 27;
constexpr UINT DynamicFirst = 12170;
constexpr UINT TextFirst = 12400;
constexpr int TextLast = 20;
constexpr char UnknownFunction[] = "Unknown function";
// The event names of clefs and flow-control marks ("Clef", "Repeat") name every clef and
// repeat type; flow-control types 5 to 12 have names of their own.
constexpr UINT ClefName = 11915;
constexpr UINT RepeatName = 11922;
constexpr UINT FirstFlowName = 12450;
constexpr int FirstFlowType = 5;
constexpr int LastFlowType = 12;

CString Format(const char* format, int a) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, a);
    return CString(buffer);
}

// The string resource of each controller number's name, 0 for none. Number 127 names a
// resource the table does not hold, so its name is empty too.
constexpr std::array<UINT, 128> MakeControllerNames() {
    std::array<UINT, 128> ids{};
    const std::pair<int, UINT> runs[] = {
        {0, 12100},   {1, 12101},   {2, 12102},   {4, 12103},   {5, 12104},   {6, 12105},
        {7, 12106},   {8, 12107},   {10, 12108},  {11, 12109},  {12, 12110},  {13, 12111},
        {16, 12112},  {17, 12113},  {18, 12114},  {19, 12115},  {64, 12116},  {65, 12117},
        {66, 12118},  {67, 12119},  {70, 12122},  {71, 12123},  {72, 12124},  {73, 12125},
        {74, 12126},  {84, 12136},  {91, 12137},  {92, 12138},  {93, 12139},  {94, 12140},
        {95, 12141},  {120, 12148}, {121, 12149}, {122, 12150}, {123, 12151}, {124, 12152},
        {125, 12153}, {126, 12154}, {127, 12155},
    };
    for (const auto& [number, id] : runs) {
        ids[static_cast<std::size_t>(number)] = id;
    }
    return ids;
}

constexpr std::array<UINT, 128> ControllerNames = MakeControllerNames();

// The built-in velocities of dynamic types 0 to 10.
constexpr int DynamicVelocities[] = {1, 15, 29, 43, 57, 71, 85, 99, 113, 127, 85};
constexpr int OtherDynamicVelocity = 100;
constexpr int LoudestNamedDynamic = 9;

bool IsBlackKey(int pitchClass) {
    return pitchClass == 1 || pitchClass == 3 || pitchClass == 6 || pitchClass == 8 ||
           pitchClass == 10;
}

} // namespace

CString GetAccentString(std::uint8_t) { return CString("Accent"); }

CString GetClefString(std::uint8_t) { return StringTable::Load(ClefName); }

CString GetRepeatString(std::uint8_t) { return StringTable::Load(RepeatName); }

CString GetFlowString(std::uint8_t type) {
    if (type < FirstFlowType || type > LastFlowType) {
        return CString();
    }
    return StringTable::Load(FirstFlowName + (type - FirstFlowType));
}

CString GetAccidentalString(std::uint8_t) { return CString("Accidental"); }

CString GetDotString(std::uint8_t) { return CString("Dot"); }

CString GetMordentString(std::uint8_t) { return CString("Mordent"); }

CString GetOrnamentString(std::uint8_t) { return CString("Ornament"); }

CString GetChordSymbolString(std::uint8_t type) {
    if (type == 0 || type > ChordSymbolLast) {
        return CString();
    }
    return StringTable::Load(ChordSymbolFirst + type - 1);
}

CString GetDynamicString(std::uint8_t type) {
    if (type <= 9) {
        return StringTable::Load(DynamicFirst + type);
    }
    switch (type) {
    case 11: // cresc.
    case 12: // decresc.
    case 13: // dim.
        return StringTable::Load(DynamicFirst + type - 1);
    case 16: // user defined
        return StringTable::Load(DynamicFirst + 13);
    default:
        return CString();
    }
}

CString GetTextString(std::uint8_t type) {
    if (type == 0 || type > TextLast) {
        return CString();
    }
    // The two rehearsal types stand in the table the other way round.
    constexpr int RehearsalNumber = 14;
    constexpr int RehearsalLetter = 15;
    if (type == RehearsalNumber) {
        return StringTable::Load(TextFirst + RehearsalLetter);
    }
    if (type == RehearsalLetter) {
        return StringTable::Load(TextFirst + RehearsalNumber);
    }
    return StringTable::Load(TextFirst + type);
}

CString GetPitchString(std::uint8_t key, int mode) {
    const int octave = key / 12 - 1;
    const int pitchClass = key % 12;
    char buffer[16];
    if (mode == PitchFlats || mode == PitchSharps) {
        const char letter = (mode == PitchFlats ? "CDDEEFGGAABB" : "CCDDEFFGGAAB")[pitchClass];
        const char* format = !IsBlackKey(pitchClass) ? "%c%d"
                             : mode == PitchFlats    ? "%cb%d"
                                                     : "%c#%d";
        std::snprintf(buffer, sizeof buffer, format, letter, octave);
        return CString(buffer);
    }
    return Format("%d", key);
}

CString GetControllerString(std::uint8_t controller, int style) {
    if (style == ControllerNumber) {
        return Format("%d", controller);
    }
    const UINT id = controller < ControllerNames.size() ? ControllerNames[controller] : 0;
    const CString name = id != 0 ? StringTable::Load(id) : CString();
    if (style != ControllerNumbered) {
        return name;
    }
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%3d)  %s", controller, name.GetString());
    return CString(buffer);
}

CString GetPolyPressureString(std::uint8_t key) { return Format("PolyPressure %d", key); }

CString GetRPNString(int msb, int lsb, std::uint32_t) {
    static const char* const Names[] = {"Pitchbend sensitivity", "Fine tuning", "Coarse tuning",
                                        "Tuning Program Select", "Tuning Bank Select"};
    if (msb == 0 && lsb >= 0 && lsb < static_cast<int>(std::size(Names))) {
        return CString(Names[lsb]);
    }
    return CString(UnknownFunction);
}

CString GetNRPNString(int msb, int lsb, std::uint32_t) {
    if (msb == 1) {
        switch (lsb) {
        case 8:
            return CString("Vibrato rate");
        case 9:
            return CString("Vibrato depth");
        case 10:
            return CString("Vibrato delay");
        case 32:
            return CString("Filter cutoff frequency");
        case 33:
            return CString("Filter resonance");
        case 99:
            return CString("Envelope attack rate");
        case 100:
            return CString("Envelope decay rate");
        case 102:
            return CString("Envelope release rate");
        default:
            return CString(UnknownFunction);
        }
    }
    // Per-drum parameters, indexed by MSB - 20; MSB 27 has none.
    static const char* const Drum[] = {
        "Filter cutoff frequency, drum %d",
        "Filter resonance, drum %d",
        "Envelope attack rate, drum %d",
        "Envelope decay rate, drum %d",
        "Coarse pitch setting, drum %d",
        "Fine pitch setting, drum %d",
        "Level, drum %d",
        nullptr,
        "Panpot, drum %d",
        "Reverb send level, drum %d",
        "Chorus send level, drum %d",
        "Variation send level, drum %d",
    };
    constexpr int FirstDrumMSB = 20;
    const int index = msb - FirstDrumMSB;
    if (index >= 0 && index < static_cast<int>(std::size(Drum)) && Drum[index] != nullptr) {
        return Format(Drum[index], lsb);
    }
    return CString(UnknownFunction);
}

CString GetPatchString() { return CString("Patch change"); }

CString GetPitchBendString() { return CString("Pitch bend"); }

CString GetChanPressureString() { return CString("After touch"); }

int GetDynamicValue(int type) {
    const CString section =
        CString("Settings\\Dynamics\\") + GetDynamicString(static_cast<std::uint8_t>(type));
    const CString key("Midi Value");
    const std::int32_t stored = LoadIntPreference(section, key, -1);
    if (stored != -1) {
        return stored;
    }
    const int builtIn = type >= 0 && type < static_cast<int>(std::size(DynamicVelocities))
                            ? DynamicVelocities[type]
                            : OtherDynamicVelocity;
    // Stored for the user to change; a store that refuses it costs only that.
    (void)SaveIntPreference(section, key, builtIn);
    return builtIn;
}

int GetDynamicType(int velocity) {
    for (int type = 0; type <= LoudestNamedDynamic; ++type) {
        if (GetDynamicValue(type) > velocity) {
            return type > 0 ? type - 1 : 0;
        }
    }
    return LoudestNamedDynamic;
}

int GetTextValue(std::uint8_t type) {
    switch (type) {
    case 1: // copyright
        return 2;
    case 3: // sequence name
    case 8: // title
        return 3;
    case 4: // instrument name
        return 4;
    case 5: // marker
        return 6;
    case 6: // cue point
        return 7;
    default:
        return 1;
    }
}

int GetTextType(int meta, int titleFlag) {
    switch (meta) {
    case 2:
        return 1;
    case 3:
        return titleFlag != 0 ? 8 : 3;
    case 4:
        return 4;
    case 6:
        return 5;
    case 7:
        return 6;
    default:
        return 0;
    }
}

} // namespace clavenor
