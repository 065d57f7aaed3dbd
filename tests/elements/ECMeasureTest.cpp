#include "clavenor/elements/ECMeasure.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/framework/CMemFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace clavenor {
namespace {

std::vector<std::uint8_t> Write(const CObject* object) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    ar.WriteObject(object);
    ar.Close();
    return file.Detach();
}

TEST(ECMeasure, StartsOnTheStructuralVoiceWithoutTrackOrTime) {
    ECMeasure measure;
    EXPECT_EQ(measure.GetVoice(), 14);
    EXPECT_EQ(measure.GetTrack(), 2047);
    EXPECT_EQ(*measure.GetTime(), MCTime::TimeNull());
    EXPECT_EQ(measure.GetFlags(), 0u);
}

TEST(ECMeasure, EqualityIsIdentityAndCopyingTakesTheVoiceTrackOnly) {
    ECMeasure a;
    ECMeasure b;
    EXPECT_TRUE(a == a);
    EXPECT_TRUE(a != b); // same time, same voice/track, still two measures

    MCTime t(4.0f);
    a.SetTime(&t);
    a.SetVoiceTrack(14, 3);
    ECMeasure copy(a);
    EXPECT_EQ(*copy.GetTime(), t);
    EXPECT_EQ(copy.GetTrack(), 3);
    b.Copy(&a);
    EXPECT_EQ(b.GetTrack(), 3);
    EXPECT_EQ(*b.GetTime(), MCTime::TimeNull());
}

TEST(ECMeasure, ItsRecordIsThatOfATimedContainer) {
    ECMeasure measure;
    ECWithTimeChild plain;
    MCTime t(8.0f);
    measure.SetTime(&t);
    plain.SetTime(&t);
    plain.SetVoiceTrack(14, 2047);
    std::vector<std::uint8_t> m = Write(&measure);
    std::vector<std::uint8_t> p = Write(&plain);
    // "ECMeasure" and "ECWithTimeChild" class records, then the same bytes.
    ASSERT_EQ(m.size() + 6, p.size());
    EXPECT_TRUE(std::equal(m.begin() + 15, m.end(), p.begin() + 21));
}

} // namespace
} // namespace clavenor
