#include "clavenor/elements/ECNote.h"
#include "clavenor/elements/ECGraceNote.h"
#include "clavenor/elements/ECPerformance.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/framework/CMemFile.h"

#include <gtest/gtest.h>

#include <cstdint>
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

TEST(ECNote, DefaultsCopyingAndEquality) {
    ECNote fresh;
    EXPECT_EQ(*fresh.GetTime(), MCTime::TimeZero()); // not the unset time
    EXPECT_EQ(*fresh.GetDuration(), MCTime(1.0f));

    ECNote source(MCTime(2.0f), MCTime(0.25f));
    source.SetVoiceTrack(5, 3);
    ECNote copy(source);
    EXPECT_EQ(*copy.GetTime(), MCTime(2.0f));
    EXPECT_EQ(*copy.GetDuration(), MCTime(0.25f));
    EXPECT_EQ(copy.GetTrack(), 3);

    ECNote assigned(MCTime(7.0f), MCTime(3.0f));
    assigned = source;
    EXPECT_EQ(*assigned.GetTime(), MCTime(7.0f));
    EXPECT_EQ(*assigned.GetDuration(), MCTime(3.0f));
    EXPECT_EQ(assigned.GetTrack(), 3);
    ECNote viaCopy(MCTime(7.0f), MCTime(3.0f));
    EXPECT_EQ(viaCopy.Copy(&source), &viaCopy);
    EXPECT_EQ(*viaCopy.GetDuration(), MCTime(3.0f));
    EXPECT_EQ(viaCopy.GetVoice(), 5);

    copy.SetVoiceTrack(9, 9); // voices do not count
    EXPECT_TRUE(copy == source);
    MCTime longer(0.5f);
    copy.SetDuration(&longer);
    EXPECT_TRUE(copy != source);
}

TEST(ECNoteRecord, IsTheTimedContainerRecordThenTheDuration) {
    ECNote note(MCTime(2.0f), MCTime(0.5f));
    note.SetVoiceTrack(3, 5);
    const std::vector<std::uint8_t> expected = {
        0xFF, 0xFF, 0x02, 0x00, 0x06, 0x00, 'E', 'C', 'N', 'o', 't', 'e', // class record
        0x00,                                                             // flags
        0x00, 0x00, 0x00, 0x00, 0x40,                                     // time 2.0
        0x53, 0x00,                                                       // voice 3, track 5
        0x00, 0x00, 0x00, 0x00, 0x3F,                                     // duration 0.5
    };
    EXPECT_EQ(Write(&note), expected);
}

// Loads a grace note at `version` and checks that the reader stopped right before the
// byte that follows the record.
MCTime LoadGraceDuration(std::vector<std::uint8_t> bytes, std::int32_t version) {
    bytes.push_back(0xA5);
    ECPerformance document;
    document.SetVersion(version);
    ECPerformance* previous = ECPerformance::SetActivePerformance(&document);
    CMemFile file(bytes.data(), bytes.size());
    CArchive ar(&file, CArchive::load);
    auto* grace = static_cast<ECGraceNote*>(ar.ReadObject(RUNTIME_CLASS(ECGraceNote)));
    std::uint8_t next = 0;
    ar >> next;
    ECPerformance::SetActivePerformance(previous);
    EXPECT_EQ(next, 0xA5);
    grace->Ref();
    ar.Close();
    MCTime duration = *grace->GetDuration();
    grace->Unref(1);
    return duration;
}

TEST(ECGraceNoteRecord, DocumentsBeforeVersion3CarryASecondDuration) {
    ECGraceNote grace(MCTime(1.0f), MCTime(0.5f));
    std::vector<std::uint8_t> current = Write(&grace);
    ECNote note(MCTime(1.0f), MCTime(0.5f));
    EXPECT_EQ(current.size(), Write(&note).size() + 5); // one duration, a longer class name
    std::vector<std::uint8_t> older = current;
    older.insert(older.end(), {0x00, 0x00, 0x00, 0x80, 0x3E}); // MCTime 0.25

    EXPECT_EQ(LoadGraceDuration(older, 2), MCTime(0.25f));
    EXPECT_EQ(LoadGraceDuration(current, 3), MCTime(0.5f));
    EXPECT_EQ(LoadGraceDuration(current, ECPerformance::WriteVersion), MCTime(0.5f));
}

MCTime Double(MCTime* d, void* calls) {
    ++*static_cast<int*>(calls);
    MCTime result(*d);
    *d = MCTime(99.0f); // must not reach the caller's value
    return result *= 2.0f;
}

TEST(ECNoteDurationHooks, TheFlagChoosesTheHookAndTheArgumentNeverChanges) {
    const MCTime d(0.75f);
    EXPECT_EQ(ECNote::ScaleDuration(&d, 1), d);
    int calls = 0;
    ECNote::SetDurationFuncs(nullptr, &Double, &calls);
    EXPECT_EQ(ECNote::ScaleDuration(&d, 0), d);
    EXPECT_EQ(ECNote::ScaleDuration(&d, 2), MCTime(1.5f));
    EXPECT_EQ(d, MCTime(0.75f));
    EXPECT_EQ(calls, 1);
    ECNote::SetDurationFuncs(nullptr, nullptr, nullptr);
}

} // namespace
} // namespace clavenor
