#include "support/AllocationFailure.h"

#include <clavenor/clavenor.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace clavenor;

namespace {

using ByteList = std::vector<std::uint8_t>;

FCMidi Message(std::uint8_t status, std::uint8_t data1 = 0, std::uint8_t data2 = 0) {
    return FCMidi(MIDIWORD(status, data1, data2));
}

// The names of the classification tests a message passes, in declaration order, so that one
// comparison shows every answer at once.
std::string Classes(const FCMidi& m) {
    const std::pair<int, const char*> tests[] = {
        {m.HasData(), "Data"},
        {m.IsNote(), "Note"},
        {m.IsNoteOn(), "On"},
        {m.IsNoteOff(), "Off"},
        {m.IsPolyPressureMsg(), "PolyPressure"},
        {m.IsControllerMsg(), "Controller"},
        {m.IsProgramMsg(), "Program"},
        {m.IsChanPressureMsg(), "ChanPressure"},
        {m.IsPitchBendMsg(), "PitchBend"},
        {m.IsVolumeMsg(), "Volume"},
        {m.IsPedalDown(), "PedalDown"},
        {m.IsPedalUp(), "PedalUp"},
        {m.IsChannelMsg(), "Channel"},
        {m.IsChannelModeMsg(), "Mode"},
        {m.IsChannelVoiceMsg(), "Voice"},
        {m.IsSysMsg(), "Sys"},
        {m.IsSysCommonMsg(), "Common"},
        {m.IsSysRealtimeMsg(), "Realtime"},
        {m.IsSysExMsg(), "SysEx"},
    };
    std::string names;
    for (const auto& [result, name] : tests) {
        if (result != 0) {
            names += names.empty() ? "" : " ";
            names += name;
        }
    }
    return names;
}

ByteList Bytes(const FCMidiSysEx& value) {
    const std::uint8_t* buf = value.GetSysExBuf();
    return buf == nullptr ? ByteList() : ByteList(buf, buf + value.GetSysExBufLength());
}

FCMidiSysEx From(const ByteList& bytes) {
    return FCMidiSysEx(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

TEST(FCMidi, PacksTheMessageAboveTheFlagsAndSettersMask) {
    MIDIWORD word(0x00403C90u);
    EXPECT_EQ(word, MIDIWORD(0x90, 0x3C, 0x40));
    EXPECT_TRUE(word.GetByte(1) == 0x3C && word.GetByte(4) == 0);
    word.SetByte(3, 0xAB);
    word.SetByte(4, 0xFF);
    EXPECT_EQ(word.dwData, 0xAB403C90u);

    FCMidi midi;
    midi.SetValue(MIDIWORD(0x00403C90u));
    EXPECT_EQ(midi.GetState(), 0x403C9001u);
    EXPECT_TRUE(midi.GetStatusByte() == 0x90 && midi.GetDataByte2() == 0x40);
    midi.SetValue(0xFFC8B7A6u); // byte 3 is dropped; data bytes go in unmasked
    EXPECT_EQ(midi.GetValue().dwData, 0x00C8B7A6u);

    midi.SetDirty(0);
    midi.SetOverride(1);
    midi.SetDataByte1(200);
    EXPECT_EQ(midi.GetDataByte1(), 72);
    midi.SetDataByte2(0xFF);
    midi.SetStatusByte(0x9A);
    midi.SetStatusMSB(0xB7);
    EXPECT_EQ(midi.GetStatusByte(), 0xBA);
    midi.SetStatusLSB(0xF3);
    EXPECT_EQ(midi.GetValue(), MIDIWORD(0xB3, 72, 0x7F));
    EXPECT_TRUE(midi.IsDirty() == 0 && midi.IsOverride() == 1);

    // The message shares the flag word, so a copy made as FCBase carries both; the field's
    // own copies take the message only.
    FCMidi copy(midi);
    EXPECT_TRUE(copy.GetValue() == midi.GetValue() && copy.IsOverride() == 0);
    static_cast<FCBase&>(copy) = midi;
    EXPECT_EQ(copy.IsOverride(), 1);
    EXPECT_EQ(&FCMidi::MidiNull(), &FCMidi::MidiNull());
    EXPECT_EQ(FCMidi::MidiNull().GetValue().dwData, 0u);
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
        {0xBF, 119, 0, "Data Controller Channel Voice"},
        {0xB0, 121, 0, "Data Controller Channel Mode"},
        {0xCF, 64, 0, "Data Program Channel Voice"},
        {0xD5, 64, 0, "Data ChanPressure Channel Voice"},
        {0xEF, 0, 64, "Data PitchBend Channel Voice"},
        {0xF0, 0, 0, "Data"},
        {0xF1, 0, 0, "Data Sys Common"},
        {0xF7, 0, 0, "Data Sys Common"},
        {0xF8, 0, 0, "Data Sys Realtime"},
        {0xFF, 0, 0, "Data Sys Realtime"},
    };
    for (const auto& [status, data1, data2, classes] : rows) {
        EXPECT_EQ(Classes(Message(status, data1, data2)), classes) << std::hex << int{status};
    }
    EXPECT_EQ(Message(0xB0, 10).IsControllerType(10), 1);
    EXPECT_EQ(Message(0xB0, 10).IsControllerType(10 + 256), 0);
    EXPECT_EQ(Message(0x90, 10).IsControllerType(10), 0);

    // Short-message bytes left in a SysEx value's word must not leak into its answers.
    FCMidiSysEx sysEx = From({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7});
    sysEx.SetValue(MIDIWORD(0xB0, 64, 127));
    EXPECT_EQ(Classes(sysEx), "Data Sys SysEx");
    EXPECT_TRUE(sysEx.GetStatusMSB() == 0xF0 && sysEx.GetStatusLSB() == 0);
    EXPECT_EQ(sysEx.IsControllerType(64), 0);
    EXPECT_EQ(Classes(FCMidiSysEx()), "Sys SysEx");
}

TEST(FCMidiSysEx, SetBufCopiesOrTakesOwnershipAndTakesItsOwnBufferSafely) {
    FCMidiSysEx value;
    std::uint8_t bytes[] = {0xF0, 0x01, 0xF7};
    value.SetSysExBuf(bytes, 3, 1);
    EXPECT_NE(value.GetSysExBuf(), bytes);
    EXPECT_EQ(Bytes(value), (ByteList{0xF0, 0x01, 0xF7}));
    auto* owned = new std::uint8_t[2]{0xF0, 0xF7};
    value.SetSysExBuf(owned, 2, 0);
    EXPECT_EQ(value.GetSysExBuf(), owned);
    value.SetSysExBuf(bytes, 0, 1);
    EXPECT_TRUE(value.GetSysExBuf() == nullptr && value.GetSysExBufLength() == 0);
    value.SetSysExBuf(bytes, 3, 1);
    value.SetSysExBuf(nullptr, 3, 1);
    EXPECT_TRUE(value.GetSysExBuf() == nullptr && value.GetSysExBufLength() == 0);

    value = From({0xF0, 0x01, 0x02, 0xF7});
    value.SetSysExBuf(value.GetSysExBuf(), 4, 0);
    EXPECT_EQ(Bytes(value), (ByteList{0xF0, 0x01, 0x02, 0xF7}));
    value.SetSysExBuf(value.GetSysExBuf(), 99, 0);
    EXPECT_EQ(value.GetSysExBufLength(), 4u);
    value.SetSysExBuf(value.GetSysExBuf() + 1, 2, 1);
    EXPECT_EQ(Bytes(value), (ByteList{0x01, 0x02}));
}

TEST(FCMidiSysEx, CopiesAreDeepAssignmentKeepsTheFlagsAndFailureChangesNothing) {
    FCMidiSysEx source = From({0xF0, 0x11, 0xF7});
    source.SetOverride(1);
    FCMidiSysEx copy(source);
    EXPECT_NE(copy.GetSysExBuf(), source.GetSysExBuf());
    EXPECT_TRUE(Bytes(copy) == Bytes(source) && copy.IsOverride() == 0);

    FCMidiSysEx target = From({0xF0, 0xF7});
    target.SetDirty(0);
    target = source;
    EXPECT_EQ(Bytes(target), (ByteList{0xF0, 0x11, 0xF7}));
    EXPECT_TRUE(target.IsDirty() == 0 && target.IsOverride() == 0);
    const std::uint8_t* before = target.GetSysExBuf();
    FCMidiSysEx& self = target;
    target = self;
    EXPECT_EQ(target.GetSysExBuf(), before);
    // Flag word changes cannot break the buffer.
    target.SetState(0xFFFFFFF1u);
    static_cast<FCBase&>(target) = FCBase();
    EXPECT_EQ(target.ConvertToString(), "f0 11 f7 ");

    const FCMidiSysEx longer = From({0xF0, 1, 2, 3, 4, 0xF7});
    test::ForEachAllocationFailure([&] { target = longer; },
                                   [&] {
                                       EXPECT_EQ(Bytes(target), (ByteList{0xF0, 0x11, 0xF7}));
                                   });
    EXPECT_EQ(Bytes(target), Bytes(longer));
    target = FCMidiSysEx();
    EXPECT_EQ(target.GetSysExBuf(), nullptr);
}

TEST(FCMidiSysEx, DeviceAndValueMessagesAndTheirTests) {
    // Each message, for any device, and which of the four tests (as bits) it passes.
    const std::tuple<void (FCMidiSysEx::*)(std::uint8_t), std::uint8_t, int, ByteList> set[] = {
        {&FCMidiSysEx::SetGMSystemOn, 0x90, 1, {0xF0, 0x7E, 0x10, 0x09, 0x01, 0xF7}},
        {&FCMidiSysEx::SetGMSystemOff, 0x7F, 2, {0xF0, 0x7E, 0x7F, 0x09, 0x02, 0xF7}},
        {&FCMidiSysEx::SetGSSystemOn,
         0x11,
         4,
         {0xF0, 0x41, 0x11, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}},
        {&FCMidiSysEx::SetXGSystemOn,
         0xFF,
         8,
         {0xF0, 0x43, 0x7F, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}},
    };
    FCMidiSysEx value;
    for (const auto& [setter, device, tests, bytes] : set) {
        (value.*setter)(device);
        EXPECT_EQ(Bytes(value), bytes);
        EXPECT_EQ(value.IsGMSystemOnMsg() + value.IsGMSystemOffMsg() * 2 +
                      value.IsGSSystemOnMsg() * 4 + value.IsXGSystemOnMsg() * 8,
                  tests);
    }

    value.SetMasterVolume(0x3FFF);
    EXPECT_EQ(Bytes(value), (ByteList{0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x7F, 0x7F, 0xF7}));
    EXPECT_EQ(value.IsMasterVolumeMsg(), 0) << "the test matches the zero value only";
    value.SetMasterBalance(0x12345);
    EXPECT_EQ(Bytes(value), (ByteList{0xF0, 0x7F, 0x7F, 0x04, 0x02, 0x45, 0x46, 0xF7}));
    value.SetMasterVolume(0);
    EXPECT_TRUE(value.IsMasterVolumeMsg() == 1 && value.IsMasterBalanceMsg() == 0);
    value.SetMasterBalance(0);
    EXPECT_EQ(value.IsMasterBalanceMsg(), 1);

    // Template tests compare a prefix of sufficient length.
    EXPECT_EQ(From({0xF0, 0x7E, 0x00, 0x09, 0x01}).IsGMSystemOnMsg(), 0);
    EXPECT_EQ(From({0xF0, 0x7E, 0x00, 0x09, 0x01, 0xF7, 0x55}).IsGMSystemOnMsg(), 1);
    EXPECT_EQ(From({0xF0, 0x7E, 0x00, 0x09, 0x01, 0xF6}).IsGMSystemOnMsg(), 0);
    EXPECT_EQ(From({0xF1, 0x7E, 0x00, 0x09, 0x01, 0xF7}).IsGMSystemOnMsg(), 0);
    EXPECT_EQ(FCMidiSysEx().IsGMSystemOnMsg(), 0);
}

TEST(FCMidiSysEx, TextIsLowerCaseHexPairsAndReadsLikeAHexConversion) {
    EXPECT_EQ(From({0x00, 0x0A}).ConvertToString(), "00 0a ");
    EXPECT_TRUE(FCMidiSysEx().ConvertToString().IsEmpty());

    FCMidiSysEx value;
    const CString text("F0,7e  7F zz 09");
    EXPECT_EQ(value.ConvertFromString(text), 1);
    EXPECT_EQ(Bytes(value), (ByteList{0xF0, 0x7E, 0x7F, 0x09}));
    EXPECT_EQ(text, "F0,7e  7F zz 09");
    // Prefixes and signs are allowed, trailing junk ends the number, only the low 8 bits
    // count, and a bare "0x" reads as 0.
    EXPECT_EQ(value.ConvertFromString(CString("0xF7 -1 1234 7fg 0x 123456789ABCDEF0123")), 1);
    EXPECT_EQ(Bytes(value), (ByteList{0xF7, 0xFF, 0x34, 0x7F, 0x00, 0x23}));
    // Text without numbers empties the value; the text ends at its first zero byte.
    EXPECT_EQ(value.ConvertFromString(CString(" , zz,-,x ")), 0);
    EXPECT_TRUE(value.GetSysExBuf() == nullptr && value.GetSysExBufLength() == 0);
    value = From({0xF0, 0xF7});
    EXPECT_EQ(value.ConvertFromString(CString("\0f7", 3)), 0);
    EXPECT_EQ(value.GetSysExBufLength(), 0u);
}

} // namespace
