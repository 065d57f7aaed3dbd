#include "clavenor/fields/FCMidiSysEx.h"

#include "fields/MidiClasses.h"
#include "support/AllocationFailure.h"

#include <gtest/gtest.h>

#include <vector>

using namespace clavenor;
using clavenor::test::MidiClasses;

namespace {

std::vector<std::uint8_t> Bytes(const FCMidiSysEx& value) {
    const std::uint8_t* buf = value.GetSysExBuf();
    return buf == nullptr ? std::vector<std::uint8_t>()
                          : std::vector<std::uint8_t>(buf, buf + value.GetSysExBufLength());
}

FCMidiSysEx From(const std::vector<std::uint8_t>& bytes) {
    return FCMidiSysEx(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

using ByteList = std::vector<std::uint8_t>;

TEST(FCMidiSysEx, ClassifiesAsSystemExclusiveOnly) {
    // Short-message bytes left in the word must not leak into the answers.
    FCMidiSysEx value = From({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7});
    value.SetValue(MIDIWORD(0xB0, 64, 127));
    EXPECT_EQ(MidiClasses(value), "Data Sys SysEx");
    EXPECT_EQ(value.GetStatusMSB(), 0xF0);
    EXPECT_EQ(value.GetStatusLSB(), 0);
    EXPECT_EQ(value.IsControllerType(64), 0);
    EXPECT_EQ(MidiClasses(FCMidiSysEx()), "Sys SysEx");
}

TEST(FCMidiSysEx, SetBufCopiesOrTakesOwnership) {
    FCMidiSysEx value;
    std::uint8_t bytes[] = {0xF0, 0x01, 0xF7};
    value.SetSysExBuf(bytes, 3, 1);
    EXPECT_NE(value.GetSysExBuf(), bytes);
    EXPECT_EQ(Bytes(value), (ByteList{0xF0, 0x01, 0xF7}));

    auto* owned = new std::uint8_t[2]{0xF0, 0xF7};
    value.SetSysExBuf(owned, 2, 0);
    EXPECT_EQ(value.GetSysExBuf(), owned);
    EXPECT_EQ(value.GetSysExBufLength(), 2u);

    value.SetSysExBuf(bytes, 0, 1);
    EXPECT_EQ(value.GetSysExBuf(), nullptr);
    EXPECT_EQ(value.GetSysExBufLength(), 0u);
    value.SetSysExBuf(bytes, 3, 1);
    value.SetSysExBuf(nullptr, 3, 1);
    EXPECT_EQ(value.GetSysExBuf(), nullptr);
    EXPECT_EQ(value.GetSysExBufLength(), 0u);
}

TEST(FCMidiSysEx, HandingBackItsOwnBufferIsSafe) {
    FCMidiSysEx value = From({0xF0, 0x01, 0x02, 0xF7});
    value.SetSysExBuf(value.GetSysExBuf(), 4, 0);
    EXPECT_EQ(Bytes(value), (ByteList{0xF0, 0x01, 0x02, 0xF7}));
    value.SetSysExBuf(value.GetSysExBuf(), 99, 0);
    EXPECT_EQ(value.GetSysExBufLength(), 4u);
    value.SetSysExBuf(value.GetSysExBuf() + 1, 2, 1);
    EXPECT_EQ(Bytes(value), (ByteList{0x01, 0x02}));
}

TEST(FCMidiSysEx, CopiesAreDeepAndAssignmentKeepsTheFlags) {
    FCMidiSysEx source = From({0xF0, 0x11, 0xF7});
    source.SetOverride(1);
    FCMidiSysEx copy(source);
    EXPECT_NE(copy.GetSysExBuf(), source.GetSysExBuf());
    EXPECT_EQ(Bytes(copy), Bytes(source));
    EXPECT_EQ(copy.IsOverride(), 0);

    FCMidiSysEx target = From({0xF0, 0xF7});
    target.SetDirty(0);
    target = source;
    EXPECT_EQ(Bytes(target), (ByteList{0xF0, 0x11, 0xF7}));
    EXPECT_EQ(target.IsDirty(), 0);
    EXPECT_EQ(target.IsOverride(), 0);

    const std::uint8_t* before = target.GetSysExBuf();
    FCMidiSysEx& self = target;
    target = self;
    EXPECT_EQ(target.GetSysExBuf(), before);

    target = FCMidiSysEx();
    EXPECT_EQ(target.GetSysExBuf(), nullptr);
}

TEST(FCMidiSysEx, FlagWordChangesCannotBreakTheBuffer) {
    FCMidiSysEx value = From({0xF0, 0xF7});
    value.SetState(0xFFFFFFF1u);
    static_cast<FCBase&>(value) = FCBase();
    EXPECT_EQ(value.GetSysExBufLength(), 2u);
    EXPECT_EQ(value.ConvertToString(), "f0 f7 ");
}

TEST(FCMidiSysEx, FailedAllocationLeavesTheValueAsItWas) {
    FCMidiSysEx value = From({0xF0, 0x22, 0xF7});
    const FCMidiSysEx longer = From({0xF0, 1, 2, 3, 4, 0xF7});
    test::ForEachAllocationFailure([&] { value = longer; },
                                   [&] {
                                       EXPECT_EQ(Bytes(value), (ByteList{0xF0, 0x22, 0xF7}));
                                   });
    EXPECT_EQ(Bytes(value), Bytes(longer));
}

TEST(FCMidiSysEx, DeviceMessagesMaskTheDeviceIdAndMatchAnyDevice) {
    FCMidiSysEx value;
    value.SetGMSystemOn(0x90);
    EXPECT_EQ(Bytes(value), (ByteList{0xF0, 0x7E, 0x10, 0x09, 0x01, 0xF7}));
    EXPECT_EQ(value.IsGMSystemOnMsg(), 1);
    EXPECT_EQ(value.IsGMSystemOffMsg(), 0);

    value.SetGMSystemOff(0x7F);
    EXPECT_EQ(Bytes(value), (ByteList{0xF0, 0x7E, 0x7F, 0x09, 0x02, 0xF7}));
    EXPECT_EQ(value.IsGMSystemOffMsg(), 1);

    value.SetGSSystemOn(0x11);
    EXPECT_EQ(Bytes(value),
              (ByteList{0xF0, 0x41, 0x11, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}));
    EXPECT_EQ(value.IsGSSystemOnMsg(), 1);

    value.SetXGSystemOn(0xFF);
    EXPECT_EQ(Bytes(value), (ByteList{0xF0, 0x43, 0x7F, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}));
    EXPECT_EQ(value.IsXGSystemOnMsg(), 1);
    EXPECT_EQ(value.IsGSSystemOnMsg(), 0);
}

TEST(FCMidiSysEx, ValueMessagesSplitFourteenBits) {
    FCMidiSysEx value;
    value.SetMasterVolume(0x3FFF);
    EXPECT_EQ(Bytes(value), (ByteList{0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x7F, 0x7F, 0xF7}));
    EXPECT_EQ(value.IsMasterVolumeMsg(), 0);

    value.SetMasterBalance(0x12345);
    EXPECT_EQ(Bytes(value), (ByteList{0xF0, 0x7F, 0x7F, 0x04, 0x02, 0x45, 0x46, 0xF7}));

    value.SetMasterVolume(0);
    EXPECT_EQ(value.IsMasterVolumeMsg(), 1);
    EXPECT_EQ(value.IsMasterBalanceMsg(), 0);
    value.SetMasterBalance(0);
    EXPECT_EQ(value.IsMasterBalanceMsg(), 1);
}

TEST(FCMidiSysEx, TemplateTestsCompareAPrefixOfSufficientLength) {
    EXPECT_EQ(From({0xF0, 0x7E, 0x00, 0x09, 0x01}).IsGMSystemOnMsg(), 0);
    EXPECT_EQ(From({0xF0, 0x7E, 0x00, 0x09, 0x01, 0xF7, 0x55}).IsGMSystemOnMsg(), 1);
    EXPECT_EQ(From({0xF0, 0x7E, 0x00, 0x09, 0x01, 0xF6}).IsGMSystemOnMsg(), 0);
    EXPECT_EQ(From({0xF1, 0x7E, 0x00, 0x09, 0x01, 0xF7}).IsGMSystemOnMsg(), 0);
    EXPECT_EQ(FCMidiSysEx().IsGMSystemOnMsg(), 0);
}

TEST(FCMidiSysEx, TextFormIsLowerCaseHexPairsEachWithASpace) {
    EXPECT_EQ(From({0xF0, 0x7E, 0xF7}).ConvertToString(), "f0 7e f7 ");
    EXPECT_EQ(From({0x00, 0x0A}).ConvertToString(), "00 0a ");
    EXPECT_TRUE(FCMidiSysEx().ConvertToString().IsEmpty());
}

TEST(FCMidiSysEx, ReadsHexPiecesSkippingTheUnreadable) {
    FCMidiSysEx value;
    const CString text("F0,7e  7F zz 09");
    EXPECT_EQ(value.ConvertFromString(text), 1);
    EXPECT_EQ(Bytes(value), (ByteList{0xF0, 0x7E, 0x7F, 0x09}));
    EXPECT_EQ(value.ConvertToString(), "f0 7e 7f 09 ");
    EXPECT_EQ(text, "F0,7e  7F zz 09");
}

TEST(FCMidiSysEx, ReadsPiecesTheWayAHexConversionDoes) {
    FCMidiSysEx value;
    // Prefixes and signs are allowed, trailing junk ends the number, only the low 8 bits
    // count, and a bare "0x" reads as 0.
    EXPECT_EQ(value.ConvertFromString(CString("0xF7 -1 1234 7fg 0x 123456789ABCDEF0123")), 1);
    EXPECT_EQ(Bytes(value), (ByteList{0xF7, 0xFF, 0x34, 0x7F, 0x00, 0x23}));
}

TEST(FCMidiSysEx, TextWithoutNumbersEmptiesTheValue) {
    FCMidiSysEx value = From({0xF0, 0xF7});
    EXPECT_EQ(value.ConvertFromString(CString(" , zz,-,x ")), 0);
    EXPECT_EQ(value.GetSysExBuf(), nullptr);
    EXPECT_EQ(value.GetSysExBufLength(), 0u);
    // The text ends at its first zero byte.
    EXPECT_EQ(value.ConvertFromString(CString("\0f7", 3)), 0);
    EXPECT_EQ(value.GetSysExBufLength(), 0u);
}

} // namespace
