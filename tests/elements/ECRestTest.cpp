#include "clavenor/elements/ECRest.h"
#include "clavenor/elements/ECNote.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/framework/CMemFile.h"

#include <gtest/gtest.h>

namespace clavenor {
namespace {

TEST(ECRestDuration, EachTypeHasItsLengthInQuarterNotes) {
    const float lengths[] = {8,      4,       6,        7,       2,        3,       3.5f,   1,
                             1.5f,   1.75f,   0.5f,     0.75f,   0.875f,   0.25f,   0.375f, 0.4375f,
                             0.125f, 0.1875f, 0.21875f, 0.0625f, 0.09375f, 0.03125f};
    for (int type = 1; type <= 22; ++type) {
        EXPECT_EQ(ECRest::GetRestDuration(static_cast<std::uint8_t>(type), 0),
                  MCTime(lengths[type - 1]))
            << type;
    }
    for (int type : {0, 23, 24, 255}) {
        EXPECT_EQ(ECRest::GetRestDuration(static_cast<std::uint8_t>(type), 0), MCTime::TimeNull())
            << type;
    }
}

TEST(ECRestDuration, DotsLengthenOnlyWhereTheTypeTakesThem) {
    EXPECT_EQ(ECRest::GetRestDuration(8, 1), MCTime(1.5f));
    EXPECT_EQ(ECRest::GetRestDuration(8, 2), MCTime(1.75f));
    EXPECT_EQ(ECRest::GetRestDuration(8, 5), MCTime(1.75f)); // more than two count as two
    EXPECT_EQ(ECRest::GetRestDuration(2, 2), MCTime(7.0f));
    EXPECT_EQ(ECRest::GetRestDuration(17, 1), MCTime(0.1875f));
    EXPECT_EQ(ECRest::GetRestDuration(20, 2), MCTime(0.09375f)); // a sixty-fourth takes one
    EXPECT_EQ(ECRest::GetRestDuration(1, 1), MCTime(8.0f));      // a double whole takes none
    EXPECT_EQ(ECRest::GetRestDuration(22, 1), MCTime(0.03125f));
    EXPECT_EQ(ECRest::GetRestDuration(3, 1), MCTime(6.0f)); // dotted types are not dotted again
    EXPECT_EQ(ECRest::GetRestDuration(0, 1), MCTime::TimeNull());
    EXPECT_EQ(ECRest::GetRestDuration(23, 1), MCTime::TimeNull());
}

TEST(ECRestType, DottingMovesWithinTheFamily) {
    for (int base : {2, 5, 8, 11, 14, 17}) {
        const auto b = static_cast<std::uint8_t>(base);
        EXPECT_EQ(ECRest::GetRestType(b, 0), base);
        EXPECT_EQ(ECRest::GetRestType(b, 1), base + 1);
        EXPECT_EQ(ECRest::GetRestType(b, 2), base + 2);
        EXPECT_EQ(ECRest::GetRestType(b, 255), base + 2);
    }
    EXPECT_EQ(ECRest::GetRestType(20, 1), 21);
    EXPECT_EQ(ECRest::GetRestType(20, 3), 21);
    for (int fixed : {0, 1, 3, 4, 6, 19, 21, 22, 23, 255}) {
        EXPECT_EQ(ECRest::GetRestType(static_cast<std::uint8_t>(fixed), 1), fixed) << fixed;
        EXPECT_EQ(ECRest::GetRestType(static_cast<std::uint8_t>(fixed), 2), fixed) << fixed;
    }
}

TEST(ECRest, TheTypeSharesTheFlagWordWithoutDisturbingIt) {
    ECRest rest(9);
    rest.SetSelected(1);
    EXPECT_EQ(rest.GetRestType(), 9);
    EXPECT_EQ(rest.GetFlags(), 0x0904u);
    rest.SetRestType(200);
    EXPECT_EQ(rest.GetRestType(), 200);
    EXPECT_EQ(rest.IsSelected(), 1);
    EXPECT_EQ(ECRest().GetRestType(), 0);
}

TEST(ECRest, HasNoDurationObject) {
    ECRest rest(8);
    MCTime d(3.0f);
    rest.SetDuration(&d);
    EXPECT_EQ(rest.GetDuration(), nullptr);
}

TEST(ECRest, CopyConstructionCopiesTimeWhileAssignmentAndCopyKeepIt) {
    ECRest source(12);
    MCTime t(2.5f);
    source.SetTime(&t);
    source.SetVoiceTrack(3, 7);

    ECRest copy(source);
    EXPECT_EQ(copy.GetRestType(), 12);
    EXPECT_EQ(*copy.GetTime(), t);
    EXPECT_EQ(copy.GetVoiceTrack()->GetValue(), source.GetVoiceTrack()->GetValue());

    ECRest assigned(2);
    assigned = source;
    EXPECT_EQ(assigned.GetRestType(), 12);
    EXPECT_EQ(assigned.GetVoice(), 3);
    EXPECT_EQ(assigned.GetTrack(), 7);
    EXPECT_EQ(*assigned.GetTime(), MCTime::TimeNull());

    ECRest viaCopy;
    EXPECT_EQ(viaCopy.Copy(&source), &viaCopy);
    EXPECT_EQ(viaCopy.GetRestType(), 12);
    EXPECT_EQ(*viaCopy.GetTime(), MCTime::TimeNull());

    // Something that is not a rest gives nothing.
    ECNote note;
    note.SetVoiceTrack(9, 9);
    viaCopy.Copy(&note);
    EXPECT_EQ(viaCopy.GetRestType(), 12);
    EXPECT_EQ(viaCopy.GetVoice(), 3);
}

TEST(ECRest, EqualityIsTheRestTypeAlone) {
    ECRest a(8);
    ECRest b(8);
    MCTime t(4.0f);
    b.SetTime(&t);
    b.SetVoiceTrack(2, 2);
    EXPECT_TRUE(a == b);
    b.SetRestType(9);
    EXPECT_TRUE(a != b);
}

TEST(ECRest, TheTypeIsNotArchived) {
    ECRest rest(14);
    MCTime t(1.5f);
    rest.SetTime(&t);
    rest.SetVoiceTrack(4, 2);
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar.WriteObject(&rest);
        ar.Close();
    }
    // Class record, flag byte, time (mode and float), voice/track: nothing more.
    EXPECT_EQ(file.GetLength(), 2u + 2 + 2 + 6 + 1 + 5 + 2);

    CMemFile in(file.Detach());
    CArchive ar(&in, CArchive::load);
    auto* loaded = static_cast<ECRest*>(ar.ReadObject(RUNTIME_CLASS(ECRest)));
    ASSERT_NE(loaded, nullptr);
    loaded->Ref();
    ar.Close();
    EXPECT_EQ(loaded->GetRestType(), 0);
    EXPECT_EQ(*loaded->GetTime(), t);
    EXPECT_EQ(loaded->GetVoice(), 4);
    EXPECT_EQ(loaded->GetTrack(), 2);
    loaded->Unref(1);
}

} // namespace
} // namespace clavenor
