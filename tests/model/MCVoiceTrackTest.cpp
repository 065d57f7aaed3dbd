#include "clavenor/model/MCVoiceTrack.h"

#include <gtest/gtest.h>

using clavenor::MCVoiceTrack;

TEST(MCVoiceTrack, TwoReadingsOfOneWord) {
    MCVoiceTrack vt;
    EXPECT_EQ(vt.GetValue(), 0x7FFFu);
    EXPECT_TRUE(vt.GetVoice() == 15 && vt.GetTrack() == 2047 && vt.GetDevice() == 255 &&
                vt.GetChannel() == 127 && vt.IsConverted() == 0);
    vt.SetDevice(3);
    vt.SetChannel(9);
    EXPECT_EQ(vt.GetValue(), 0x8903u);
    EXPECT_TRUE(vt.IsConverted() == 0x8000 && vt.GetDevice() == 3 && vt.GetChannel() == 9 &&
                vt.GetVoice() == 15 && vt.GetTrack() == 2047);
    MCVoiceTrack voiced = vt;
    voiced.SetVoice(2);
    EXPECT_EQ(voiced.GetValue(), 0x0902u);
    EXPECT_TRUE(voiced.GetVoice() == 2 && voiced.GetTrack() == 144);
    vt.SetTrack(5);
    EXPECT_EQ(vt.GetValue(), 0x0053u) << "keeps the voice bits, drops the converted bit";
    vt.SetChannel(200);
    EXPECT_EQ(vt.GetChannel(), 200u & 127u);

    EXPECT_TRUE(MCVoiceTrack(16, 1).GetVoice() == 0 && MCVoiceTrack(16, 1).GetTrack() == 1);
    EXPECT_EQ(MCVoiceTrack(0, 2048).GetValue(), 0x8000u) << "the track is not masked";
    vt.SetValue(0x12345);
    EXPECT_EQ(vt.GetValue(), 0x2345u);
    EXPECT_TRUE(MCVoiceTrack(1, 2) == MCVoiceTrack(17, 2));
}
