#include "clavenor/elements/ECRest.h"
#include "clavenor/elements/ECNote.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/framework/CMemFile.h"

#include <gtest/gtest.h>

namespace clavenor {
namespace {

TEST(ECRestDuration, TypesAndDotsGiveTheirLengths) {
    const float lengths[] = {8,      4,       6,        7,       2,        3,       3.5f,   1,
                             1.5f,   1.75f,   0.5f,     0.75f,   0.875f,   0.25f,   0.375f, 0.4375f,
                             0.125f, 0.1875f, 0.21875f, 0.0625f, 0.09375f, 0.03125f};
    for (int type = 1; type <= 22; ++type) {
        EXPECT_EQ(ECRest::GetRestDuration(static_cast<std::uint8_t>(type), 0),
                  MCTime(lengths[type - 1]))
            << type;
    }
    EXPECT_EQ(ECRest::GetRestDuration(8, 1), MCTime(1.5f));
    EXPECT_EQ(ECRest::GetRestDuration(8, 5), MCTime(1.75f));     // more than two count as two
    EXPECT_EQ(ECRest::GetRestDuration(20, 2), MCTime(0.09375f)); // a sixty-fourth takes one
    EXPECT_EQ(ECRest::GetRestDuration(1, 1), MCTime(8.0f));      // a double whole takes none
    EXPECT_EQ(ECRest::GetRestDuration(22, 1), MCTime(0.03125f));
    EXPECT_EQ(ECRest::GetRestDuration(3, 1), MCTime(6.0f)); // dotted types are not dotted again
    for (int type : {0, 23, 255}) {
        EXPECT_EQ(ECRest::GetRestDuration(static_cast<std::uint8_t>(type), 1), MCTime::TimeNull());
    }
}

TEST(ECRestType, DottingStaysWithinTheFamily) {
    for (int base : {2, 5, 8, 11, 14, 17}) {
        const auto b = static_cast<std::uint8_t>(base);
        EXPECT_EQ(ECRest::GetRestType(b, 0), base);
        EXPECT_EQ(ECRest::GetRestType(b, 1), base + 1);
        EXPECT_EQ(ECRest::GetRestType(b, 255), base + 2);
    }
    EXPECT_EQ(ECRest::GetRestType(20, 3), 21);
    for (int fixed : {0, 1, 3, 19, 21, 22, 23, 255}) {
        EXPECT_EQ(ECRest::GetRestType(static_cast<std::uint8_t>(fixed), 2), fixed) << fixed;
    }
}

TEST(ECRest, CopyingEqualityAndTheRecordConcernTheTypeButNeverArchiveIt) {
    ECRest source(12);
    MCTime t(2.5f);
    source.SetTime(&t);
    source.SetVoiceTrack(3, 7);
    source.SetSelected(1);
    EXPECT_EQ(source.GetFlags(), 0x0C04u); // the type shares the flag word
    EXPECT_EQ(source.GetDuration(), nullptr);

    ECRest copy(source);
    EXPECT_EQ(copy.GetRestType(), 12);
    EXPECT_EQ(*copy.GetTime(), t);
    ECRest assigned(2);
    assigned.Copy(&source);
    EXPECT_EQ(assigned.GetRestType(), 12);
    EXPECT_EQ(assigned.GetTrack(), 7);
    EXPECT_EQ(*assigned.GetTime(), MCTime::TimeNull());
    EXPECT_TRUE(assigned == source); // time is not compared
    assigned.SetRestType(9);
    EXPECT_TRUE(assigned != source);
    ECNote note;
    assigned.Copy(&note); // not a rest: nothing is copied
    EXPECT_EQ(assigned.GetRestType(), 9);

    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar.WriteObject(&source);
        ar.Close();
    }
    EXPECT_EQ(file.GetLength(), 12u + 1 + 5 + 2); // class record, flags, time, voice/track
    CMemFile in(file.Detach());
    CArchive ar(&in, CArchive::load);
    auto* loaded = static_cast<ECRest*>(ar.ReadObject(RUNTIME_CLASS(ECRest)));
    loaded->Ref();
    ar.Close();
    EXPECT_EQ(loaded->GetRestType(), 0);
    EXPECT_EQ(*loaded->GetTime(), t);
    EXPECT_EQ(loaded->GetTrack(), 7);
    loaded->Unref(1);
}

} // namespace
} // namespace clavenor
