#include "clavenor/elements/ECGraceNote.h"
#include "clavenor/elements/ECNote.h"
#include "clavenor/elements/ECPerformance.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/framework/CMemFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace clavenor {
namespace {

constexpr std::uint8_t kSentinel = 0xA5;

std::vector<std::uint8_t> Write(const CObject* object) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    ar.WriteObject(object);
    ar.Close();
    return file.Detach();
}

// Loads a grace note at `version` and checks that the reader stopped right before the
// sentinel byte that follows the record.
MCTime LoadDuration(const std::vector<std::uint8_t>& bytes, std::int32_t version) {
    ECPerformance document;
    document.SetVersion(version);
    ECPerformance* previous = ECPerformance::SetActivePerformance(&document);
    CMemFile file(bytes.data(), bytes.size());
    CArchive ar(&file, CArchive::load);
    auto* grace = static_cast<ECGraceNote*>(ar.ReadObject(RUNTIME_CLASS(ECGraceNote)));
    std::uint8_t next = 0;
    ar >> next;
    ECPerformance::SetActivePerformance(previous);
    EXPECT_EQ(next, kSentinel);
    grace->Ref();
    ar.Close();
    MCTime duration = *grace->GetDuration();
    grace->Unref(1);
    return duration;
}

TEST(ECGraceNoteRecord, StoringWritesTheNoteRecordOnce) {
    ECGraceNote grace(MCTime(2.0f), MCTime(0.5f));
    grace.SetVoiceTrack(3, 5);
    ECNote note(MCTime(2.0f), MCTime(0.5f));
    note.SetVoiceTrack(3, 5);
    std::vector<std::uint8_t> g = Write(&grace);
    std::vector<std::uint8_t> n = Write(&note);
    // Same record after the class records "ECGraceNote" and "ECNote".
    ASSERT_EQ(g.size(), n.size() + 5);
    EXPECT_TRUE(std::equal(g.begin() + 17, g.end(), n.begin() + 12));
}

TEST(ECGraceNoteRecord, DocumentsBeforeVersion3CarryASecondDuration) {
    ECGraceNote grace(MCTime(1.0f), MCTime(0.5f));
    std::vector<std::uint8_t> current = Write(&grace);
    std::vector<std::uint8_t> older = current;
    for (std::uint8_t b : {0x00, 0x00, 0x00, 0x80, 0x3E}) { // MCTime 0.25
        older.push_back(b);
    }
    current.push_back(kSentinel);
    older.push_back(kSentinel);

    EXPECT_EQ(LoadDuration(older, 2), MCTime(0.25f));
    EXPECT_EQ(LoadDuration(older, 1), MCTime(0.25f));
    EXPECT_EQ(LoadDuration(current, 3), MCTime(0.5f));
    EXPECT_EQ(LoadDuration(current, ECPerformance::WriteVersion), MCTime(0.5f));
}

TEST(ECGraceNote, IsANoteForCopyingAndEquality) {
    ECGraceNote source(MCTime(1.0f), MCTime(0.125f));
    source.SetVoiceTrack(6, 1);
    ECGraceNote copy(source);
    EXPECT_EQ(*copy.GetDuration(), MCTime(0.125f));
    EXPECT_TRUE(copy == source);

    ECGraceNote target;
    target.Copy(&source);
    EXPECT_EQ(target.GetVoice(), 6);
    EXPECT_EQ(*target.GetDuration(), MCTime(1.0f));
    EXPECT_EQ(*target.GetTime(), MCTime(0.0f));
    EXPECT_TRUE(target != source);
}

} // namespace
} // namespace clavenor
