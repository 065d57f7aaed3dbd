#include "clavenor/fields/FCMidi.h"

#include "fields/MidiClasses.h"

#include <gtest/gtest.h>

using namespace clavenor;
using clavenor::test::MidiClasses;

namespace {

FCMidi Message(std::uint8_t status, std::uint8_t data1 = 0, std::uint8_t data2 = 0) {
    return FCMidi(MIDIWORD(status, data1, data2));
}

TEST(MIDIWORD, BytesCountFromTheLowEndOfTheWord) {
    MIDIWORD word(0x00403C90u);
    EXPECT_EQ(word, MIDIWORD(0x90, 0x3C, 0x40));
    EXPECT_EQ(word.GetByte(1), 0x3C);
    EXPECT_EQ(word.GetByte(4), 0);
    word.SetByte(3, 0xAB);
    word.SetByte(4, 0xFF);
    EXPECT_EQ(word.dwData, 0xAB403C90u);
}

TEST(FCMidi, PacksTheMessageAboveTheFlags) {
    FCMidi midi;
    EXPECT_EQ(midi.GetValue().dwData, 0u);
    midi.SetValue(MIDIWORD(0x00403C90u));
    EXPECT_EQ(midi.GetStatusByte(), 0x90);
    EXPECT_EQ(midi.GetDataByte1(), 0x3C);
    EXPECT_EQ(midi.GetDataByte2(), 0x40);
    EXPECT_EQ(midi.GetStatusLSB(), 0);
    EXPECT_EQ(midi.IsNoteOn(), 1);
    EXPECT_EQ(midi.GetValue().dwData, 0x00403C90u);
    EXPECT_EQ(midi.GetState(), 0x403C9001u);

    // Byte 3 is dropped; data bytes go in unmasked.
    midi.SetValue(0xFFC8B7A6u);
    EXPECT_EQ(midi.GetValue().dwData, 0x00C8B7A6u);
    EXPECT_EQ(midi.GetDataByte2(), 200);
    EXPECT_EQ(midi.IsDirty(), 1);
    EXPECT_EQ(midi.IsOverride(), 0);
}

TEST(FCMidi, SettersMaskAsDocumentedAndLeaveFlagsAlone) {
    FCMidi midi;
    midi.SetDirty(0);
    midi.SetOverride(1);
    midi.SetDataByte1(200);
    EXPECT_EQ(midi.GetDataByte1(), 72);
    midi.SetDataByte2(0xFF);
    midi.SetStatusByte(0x9A);
    midi.SetStatusMSB(0xB7);
    EXPECT_EQ(midi.GetStatusByte(), 0xBA);
    midi.SetStatusLSB(0xF3);
    EXPECT_EQ(midi.GetStatusMSB(), 0xB0);
    EXPECT_EQ(midi.GetStatusLSB(), 3);
    EXPECT_EQ(midi.GetValue(), MIDIWORD(0xB3, 72, 0x7F));
    EXPECT_EQ(midi.IsDirty(), 0);
    EXPECT_EQ(midi.IsOverride(), 1);
}

TEST(FCMidi, CopiesTakeTheMessageAndAssignmentKeepsTheFlags) {
    FCMidi source = Message(0x91, 60, 90);
    source.SetDirty(0);
    source.SetOverride(1);
    FCMidi copy(source);
    EXPECT_EQ(copy.GetValue(), source.GetValue());
    EXPECT_EQ(copy.IsDirty(), 1);
    EXPECT_EQ(copy.IsOverride(), 0);

    source = Message(0xC2, 5);
    EXPECT_EQ(source.GetValue(), MIDIWORD(0xC2, 5, 0));
    source = MIDIWORD(0xE0, 0, 64);
    EXPECT_EQ(source.GetDataByte2(), 64);
    EXPECT_EQ(source.IsDirty(), 0);
    EXPECT_EQ(source.IsOverride(), 1);

    // The message shares the flag word, so a copy made as FCBase carries both.
    static_cast<FCBase&>(copy) = source;
    EXPECT_EQ(copy.GetValue(), source.GetValue());
    EXPECT_EQ(copy.IsOverride(), 1);
}

TEST(FCMidi, MidiNullIsOneSharedEmptyMessage) {
    EXPECT_EQ(&FCMidi::MidiNull(), &FCMidi::MidiNull());
    EXPECT_EQ(FCMidi::MidiNull().GetValue().dwData, 0u);
}

TEST(FCMidi, Classification) {
    struct Row {
        std::uint8_t status, data1, data2;
        const char* classes;
    };
    const Row rows[] = {
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
        {0xFE, 0, 0, "Data Sys Realtime"},
        {0xFF, 0, 0, "Data Sys Realtime"},
    };
    for (const Row& row : rows) {
        const FCMidi midi = Message(row.status, row.data1, row.data2);
        EXPECT_EQ(MidiClasses(midi), row.classes) << std::hex << int{row.status};
    }
}

TEST(FCMidi, ControllerTypeComparesTheWholeNumber) {
    EXPECT_EQ(Message(0xB0, 10).IsControllerType(10), 1);
    EXPECT_EQ(Message(0xB0, 10).IsControllerType(10 + 256), 0);
    EXPECT_EQ(Message(0x90, 10).IsControllerType(10), 0);
}

} // namespace
