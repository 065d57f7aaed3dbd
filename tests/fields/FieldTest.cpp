// The typed fields: the flag rules they share, integer arithmetic without undefined
// behaviour, the logic operators, value-specific comparisons, and MIDI messages.

#include "support/AllocationFailure.h"
#include "support/TestSupport.h"

#include <clavenor/clavenor.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <limits>
#include <string>
#include <typeinfo>

using namespace clavenor;
using namespace clavenor::test;

namespace {

constexpr std::int32_t Min32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t Max32 = std::numeric_limits<std::int32_t>::max();

template <class F>
bool IsNew(const F& field) {
    return field.IsDirty() == 1 && field.IsOverride() == 0;
}

// Runs the flag rules every field shares on values a != b: any construction starts dirty and
// not overridden; copy construction takes only the value; setting and assigning (from a value
// or a field) keep the target's flags; comparison looks at values only.
template <class F, class V>
void CheckFlagRules(const V& a, const V& b) {
    SCOPED_TRACE(typeid(F).name());
    F field(a);
    EXPECT_TRUE(IsNew(F()));
    EXPECT_TRUE(IsNew(field));
    field.SetDirty(0);
    field.SetOverride(1);
    const F copy(field);
    EXPECT_TRUE(IsNew(copy));
    EXPECT_EQ(copy, a);
    EXPECT_EQ(copy, field);
    field.SetValue(b);
    EXPECT_EQ(field, b);
    EXPECT_NE(field, copy);
    EXPECT_NE(field, a);
    field = a;
    EXPECT_EQ(field, a);
    field = F(b);
    EXPECT_EQ(field, b);
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

// Applies each step to one field in turn and checks the value it leaves.
template <class F>
void Steps(F field, std::initializer_list<std::pair<void (*)(F&), int>> steps) {
    int n = 0;
    for (const auto& [step, value] : steps) {
        step(field);
        EXPECT_EQ(field.GetValue(), value) << typeid(F).name() << " step " << ++n;
    }
}

// Overflow wraps, caller errors in division leave defined results, shift counts are taken
// modulo 32 and right shifts keep the sign; FCChar works on the widened value and truncates;
// bit and half-word access stays within the value.
TEST(IntegerField, ArithmeticAndBitAccessAlwaysGiveDefinedResults) {
    Steps<FCInt>(FCInt(Max32),
                 {{[](FCInt& v) { v += 1; }, Min32},
                  {[](FCInt& v) { (v -= 1) *= 2; }, -2},
                  {[](FCInt& v) { (v = Min32) /= -1; }, Min32},
                  {[](FCInt& v) { v %= -1; }, 0},
                  {[](FCInt& v) { ((v = 9) /= 0) %= 0; }, 9},
                  {[](FCInt& v) { (v = 1) <<= 33; }, 2},
                  {[](FCInt& v) { v <<= 32; }, 2},
                  {[](FCInt& v) { v <<= -1; }, 0},
                  {[](FCInt& v) { ((v = 1) <<= 31) >>= 35; }, Min32 >> 3},
                  {[](FCInt& v) { (v = -16) >>= 2; }, -4},
                  {[](FCInt& v) { (v = 0).SetBitValue(31, 1); }, Min32},
                  {[](FCInt& v) { v.SetBitValue(0, 5), v.SetBitValue(31, 0); }, 1},
                  {[](FCInt& v) { (v = -1).SetBitValue(32, 0), v.SetBitValue(-1, 0); }, -1},
                  // half words store only the low byte of the argument
                  {[](FCInt& v) {
                       (v = static_cast<std::int32_t>(0xABCDEF01u)).SetLowValue(0x1234),
                           v.SetHighValue(0xFF80);
                   },
                   0x00800034}});
    const FCInt word(static_cast<std::int32_t>(0xABCDEF01u)), high(Min32);
    EXPECT_EQ(word.GetLowValue(), 0xEF01);
    EXPECT_EQ(word.GetHighValue(), 0xABCD);
    EXPECT_EQ(high.GetBitValue(31), 1);
    EXPECT_EQ(high.GetBitValue(32) + high.GetBitValue(-1), 0);
    FCByte byte(0x81);
    EXPECT_EQ(byte.GetBitValue(7), 1);
    EXPECT_EQ(byte.GetBitValue(1), 0);
    EXPECT_EQ(byte.GetBitValue(8), 0);
    byte.SetBitValue(7, 0);
    byte.SetBitValue(1, 9);
    byte.SetBitValue(8, 1);
    byte.SetBitValue(-1, 1);
    EXPECT_EQ(byte.GetValue(), 0x03);
    Steps<FCLong>(FCLong(0x40), {{[](FCLong& v) { v >>= 38; }, 1}});
    Steps<FCChar>(FCChar(127), {{[](FCChar& v) { v += 1; }, -128},
                                {[](FCChar& v) { v *= 3; }, -128},
                                {[](FCChar& v) { v /= -1; }, -128},
                                {[](FCChar& v) { v %= -1; }, 0},
                                {[](FCChar& v) { (v = 100) *= 3; }, 44},
                                {[](FCChar& v) { (v = 0x41) <<= 1; }, -126},
                                {[](FCChar& v) { v <<= 8; }, 0},
                                {[](FCChar& v) { (v = 0x41) <<= 32; }, 0x41},
                                {[](FCChar& v) { (v = -128) >>= 7; }, -1}});
}

// The names of the classification tests a message passes, in declaration order, so that one
// comparison shows every answer at once.
std::string Classes(const FCMidi& m) {
    const int results[] = {
        m.HasData(),           m.IsNote(),           m.IsNoteOn(),          m.IsNoteOff(),
        m.IsPolyPressureMsg(), m.IsControllerMsg(),  m.IsProgramMsg(),      m.IsChanPressureMsg(),
        m.IsPitchBendMsg(),    m.IsVolumeMsg(),      m.IsPedalDown(),       m.IsPedalUp(),
        m.IsChannelMsg(),      m.IsChannelModeMsg(), m.IsChannelVoiceMsg(), m.IsSysMsg(),
        m.IsSysCommonMsg(),    m.IsSysRealtimeMsg(), m.IsSysExMsg()};
    const char* const names[] = {
        "Data",         "Note",      "On",     "Off",       "PolyPressure", "Controller", "Program",
        "ChanPressure", "PitchBend", "Volume", "PedalDown", "PedalUp",      "Channel",    "Mode",
        "Voice",        "Sys",       "Common", "Realtime",  "SysEx"};
    std::string passed;
    for (std::size_t i = 0; i < std::size(results); ++i) {
        if (results[i] != 0) {
            // Appended piece by piece: GCC 12 at -O3 warns (restrict) about the temporary
            // string of a concatenation here.
            if (!passed.empty()) {
                passed += ' ';
            }
            passed += names[i];
        }
    }
    return passed;
}

Bytes Buf(const FCMidiSysEx& value) {
    const std::uint8_t* buf = value.GetSysExBuf();
    return buf == nullptr ? Bytes() : Bytes(buf, buf + value.GetSysExBufLength());
}

FCMidiSysEx From(const Bytes& bytes) {
    return FCMidiSysEx(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

// The message sits above the flags in one word: byte 3 is dropped, data bytes go in
// unmasked, setters mask, and only a copy made as FCBase carries the flags.
TEST(FCMidi, PacksTheMessageAboveTheFlags) {
    FCMidi midi(MIDIWORD(0x90, 0x3C, 0x40));
    EXPECT_EQ(midi.GetState(), 0x403C9001u);
    midi.SetValue(0xFFC8B7A6u);
    EXPECT_EQ(midi.GetValue().dwData, 0x00C8B7A6u);
    midi.SetOverride(1);
    midi.SetDataByte1(200);
    midi.SetStatusByte(0x9A);
    midi.SetStatusMSB(0xB7);
    midi.SetStatusLSB(0xF3);
    EXPECT_EQ(midi.GetValue(), MIDIWORD(0xB3, 72, 0xC8));
    FCMidi copy(midi);
    EXPECT_EQ(copy.GetValue(), midi.GetValue());
    EXPECT_EQ(copy.IsOverride(), 0);
    static_cast<FCBase&>(copy) = midi;
    EXPECT_EQ(copy.IsOverride(), 1);
}

TEST(FCMidi, Classification) {
    const std::tuple<std::uint8_t, std::uint8_t, std::uint8_t, const char*> rows[] = {
        {0x00, 0, 0, ""},
        {0x7F, 0, 0, "Data"},
        {0x93, 60, 1, "Data Note On Channel Voice"},
        {0x90, 60, 0, "Data Note Off Channel Voice"},
        {0x8F, 60, 64, "Data Note Off Channel Voice"},
        {0xA0, 60, 64, "Data PolyPressure Channel Voice"},
        {0xB4, 7, 100, "Data Controller Volume Channel Voice"},
        {0xB0, 64, 63, "Data Controller PedalUp Channel Voice"},
        {0xB0, 64, 64, "Data Controller PedalDown Channel Voice"},
        {0xB0, 65, 127, "Data Controller Channel Voice"},
        {0xB0, 121, 0, "Data Controller Channel Mode"},
        {0xCF, 64, 0, "Data Program Channel Voice"},
        {0xD5, 64, 0, "Data ChanPressure Channel Voice"},
        {0xEF, 0, 64, "Data PitchBend Channel Voice"},
        {0xF0, 0, 0, "Data"},
        {0xF1, 0, 0, "Data Sys Common"},
        {0xF7, 0, 0, "Data Sys Common"},
        {0xFF, 0, 0, "Data Sys Realtime"}};
    for (const auto& [status, data1, data2, classes] : rows) {
        EXPECT_EQ(Classes(FCMidi(MIDIWORD(status, data1, data2))), classes)
            << std::hex << int{status};
    }
    EXPECT_EQ(FCMidi(MIDIWORD(0xB0, 10, 0)).IsControllerType(10), 1);
    EXPECT_EQ(FCMidi(MIDIWORD(0xB0, 10, 0)).IsControllerType(10 + 256), 0);
    EXPECT_EQ(FCMidi(MIDIWORD(0x90, 10, 0)).IsControllerType(10), 0);

    // Short-message bytes left in a SysEx value's word must not leak into its answers.
    FCMidiSysEx sysEx = From(X("F07E7F0901F7"));
    sysEx.SetValue(MIDIWORD(0xB0, 64, 127));
    EXPECT_EQ(Classes(sysEx), "Data Sys SysEx");
    EXPECT_EQ(sysEx.GetStatusMSB(), 0xF0);
    EXPECT_EQ(sysEx.GetStatusLSB(), 0);
    EXPECT_EQ(sysEx.IsControllerType(64), 0);
    EXPECT_EQ(Classes(FCMidiSysEx()), "Sys SysEx");
}

TEST(FCMidiSysEx, SetBufCopiesOrTakesOwnershipAndTakesItsOwnBufferSafely) {
    FCMidiSysEx value;
    std::uint8_t bytes[] = {0xF0, 0x01, 0xF7};
    value.SetSysExBuf(bytes, 3, 1);
    EXPECT_NE(value.GetSysExBuf(), bytes);
    EXPECT_EQ(Buf(value), X("F001F7"));
    auto* owned = new std::uint8_t[2]{0xF0, 0xF7};
    value.SetSysExBuf(owned, 2, 0);
    EXPECT_EQ(value.GetSysExBuf(), owned);
    value.SetSysExBuf(bytes, 0, 1);
    EXPECT_EQ(value.GetSysExBuf(), nullptr);
    EXPECT_EQ(value.GetSysExBufLength(), 0);
    value.SetSysExBuf(bytes, 3, 1);
    value.SetSysExBuf(nullptr, 3, 1);
    EXPECT_EQ(value.GetSysExBuf(), nullptr);
    EXPECT_EQ(value.GetSysExBufLength(), 0);

    value = From(X("F00102F7"));
    value.SetSysExBuf(value.GetSysExBuf(), 4, 0);
    value.SetSysExBuf(value.GetSysExBuf(), 99, 0);
    EXPECT_EQ(Buf(value), X("F00102F7"));
    value.SetSysExBuf(value.GetSysExBuf() + 1, 2, 1);
    EXPECT_EQ(Buf(value), X("0102"));
}

TEST(FCMidiSysEx, CopiesAreDeepAssignmentKeepsTheFlagsAndFailureChangesNothing) {
    FCMidiSysEx source = From(X("F011F7")), target = From(X("F0F7"));
    source.SetOverride(1);
    FCMidiSysEx copy(source);
    EXPECT_NE(copy.GetSysExBuf(), source.GetSysExBuf());
    EXPECT_EQ(Buf(copy), Buf(source));
    EXPECT_EQ(copy.IsOverride(), 0);
    target.SetDirty(0);
    target = source;
    EXPECT_EQ(Buf(target), X("F011F7"));
    EXPECT_EQ(target.IsDirty(), 0);
    EXPECT_TRUE(!target.IsOverride());
    const std::uint8_t* before = target.GetSysExBuf();
    FCMidiSysEx& self = target;
    target = self;
    EXPECT_EQ(target.GetSysExBuf(), before);
    // Flag word changes cannot break the buffer.
    target.SetState(0xFFFFFFF1u);
    static_cast<FCBase&>(target) = FCBase();
    EXPECT_EQ(target.ConvertToString(), "f0 11 f7 ");

    const FCMidiSysEx longer = From(X("F001020304F7"));
    ForEachAllocationFailure([&] { target = longer; },
                             [&] { EXPECT_EQ(Buf(target), X("F011F7")); });
    EXPECT_EQ(Buf(target), Buf(longer));
}

TEST(FCMidiSysEx, DeviceAndValueMessagesAndTheirTests) {
    // Each message, for any device, and which of the four tests (as bits) it passes.
    const std::tuple<void (FCMidiSysEx::*)(std::uint8_t), std::uint8_t, int, const char*> set[] = {
        {&FCMidiSysEx::SetGMSystemOn, 0x90, 1, "F07E100901F7"},
        {&FCMidiSysEx::SetGMSystemOff, 0x7F, 2, "F07E7F0902F7"},
        {&FCMidiSysEx::SetGSSystemOn, 0x11, 4, "F041114212 40007F0041F7"},
        {&FCMidiSysEx::SetXGSystemOn, 0xFF, 8, "F0437F4C00007E00F7"},
    };
    FCMidiSysEx value;
    for (const auto& [setter, device, tests, bytes] : set) {
        (value.*setter)(device);
        EXPECT_EQ(Buf(value), X(bytes));
        EXPECT_EQ(value.IsGMSystemOnMsg() + value.IsGMSystemOffMsg() * 2 +
                      value.IsGSSystemOnMsg() * 4 + value.IsXGSystemOnMsg() * 8,
                  tests);
    }
    value.SetMasterVolume(0x3FFF);
    EXPECT_EQ(Buf(value), X("F07F7F04017F7FF7"));
    EXPECT_EQ(value.IsMasterVolumeMsg(), 0) << "the test matches the zero value only";
    value.SetMasterBalance(0x12345);
    EXPECT_EQ(Buf(value), X("F07F7F04024546F7"));
    value.SetMasterVolume(0);
    EXPECT_EQ(value.IsMasterVolumeMsg(), 1);
    EXPECT_EQ(value.IsMasterBalanceMsg(), 0);
    value.SetMasterBalance(0);
    EXPECT_EQ(value.IsMasterBalanceMsg(), 1);

    // Template tests compare a prefix of sufficient length.
    const std::pair<const char*, int> gmOn[] = {{"F07E000901", 0},
                                                {"F07E000901F755", 1},
                                                {"F07E000901F6", 0},
                                                {"F17E000901F7", 0},
                                                {"", 0}};
    for (auto [bytes, result] : gmOn) {
        EXPECT_EQ(From(X(bytes)).IsGMSystemOnMsg(), result) << bytes;
    }
}

TEST(FCMidiSysEx, TextIsLowerCaseHexPairsAndReadsLikeAHexConversion) {
    EXPECT_EQ(From(X("000A")).ConvertToString(), "00 0a ");
    EXPECT_TRUE(FCMidiSysEx().ConvertToString().IsEmpty());

    FCMidiSysEx value;
    EXPECT_EQ(value.ConvertFromString(CString("F0,7e 7F zz 09")), 1);
    EXPECT_EQ(Buf(value), X("F07E7F09"));
    // Prefixes and signs are allowed, trailing junk ends the number, only the low 8 bits
    // count, and a bare "0x" reads as 0.
    EXPECT_EQ(value.ConvertFromString(CString("0xF7 -1 1234 7fg 0x 123456789ABCDEF0123")), 1);
    EXPECT_EQ(Buf(value), X("F7FF347F0023"));
    // Text without numbers empties the value; the text ends at its first zero byte.
    EXPECT_EQ(value.ConvertFromString(CString(" , zz,-,x ")), 0);
    EXPECT_EQ(value.GetSysExBuf(), nullptr);
    EXPECT_EQ(value.GetSysExBufLength(), 0);
    value = From(X("F0F7"));
    EXPECT_EQ(value.ConvertFromString(CString("\0f7", 3)), 0);
    EXPECT_EQ(value.GetSysExBufLength(), 0);
}

} // namespace
