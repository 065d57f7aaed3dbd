#include "clavenor/elements/ECNote.h"
#include "clavenor/elements/ECChord.h"
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

TEST(ECNote, StartsAsAQuarterNoteAtTimeZero) {
    ECNote note;
    EXPECT_EQ(*note.GetTime(), MCTime::TimeZero());
    EXPECT_NE(*note.GetTime(), MCTime::TimeNull());
    ASSERT_NE(note.GetDuration(), nullptr);
    EXPECT_EQ(*note.GetDuration(), MCTime(1.0f));
    EXPECT_EQ(note.GetVoice(), 15);
    EXPECT_EQ(note.GetTrack(), 2047);

    ECNote placed(MCTime(3.0f), MCTime(0.5f));
    EXPECT_EQ(*placed.GetTime(), MCTime(3.0f));
    EXPECT_EQ(*placed.GetDuration(), MCTime(0.5f));
}

TEST(ECNote, TheDurationIsChangedInPlaceOrBySetDuration) {
    ECNote note;
    *note.GetDuration() = MCTime(2.0f);
    EXPECT_EQ(*note.GetDuration(), MCTime(2.0f));
    MCTime bpt(1, 2, 0, 480);
    note.SetDuration(&bpt);
    EXPECT_EQ(note.GetDuration()->GetMode(), 2);
    note.SetDuration(nullptr);
    EXPECT_EQ(*note.GetDuration(), bpt);
}

TEST(ECNote, CopyConstructionCopiesTimeAndDurationWhileAssignmentAndCopyKeepThem) {
    ECNote source(MCTime(2.0f), MCTime(0.25f));
    source.SetVoiceTrack(5, 3);
    source.SetSelected(1);

    ECNote copy(source);
    EXPECT_EQ(*copy.GetTime(), MCTime(2.0f));
    EXPECT_EQ(*copy.GetDuration(), MCTime(0.25f));
    EXPECT_EQ(copy.GetVoice(), 5);
    EXPECT_EQ(copy.IsSelected(), 0);

    ECNote assigned(MCTime(7.0f), MCTime(3.0f));
    assigned = source;
    EXPECT_EQ(*assigned.GetTime(), MCTime(7.0f));
    EXPECT_EQ(*assigned.GetDuration(), MCTime(3.0f));
    EXPECT_EQ(assigned.GetVoice(), 5);
    EXPECT_EQ(assigned.GetTrack(), 3);

    ECNote viaCopy(MCTime(7.0f), MCTime(3.0f));
    EXPECT_EQ(viaCopy.Copy(&source), &viaCopy);
    EXPECT_EQ(*viaCopy.GetDuration(), MCTime(3.0f));
    EXPECT_EQ(viaCopy.GetTrack(), 3);

    ECNote& self = assigned;
    assigned = self;
    EXPECT_EQ(assigned.GetTrack(), 3);

    // A chord is not a note: nothing is copied from it.
    ECChord chord;
    chord.SetVoiceTrack(1, 1);
    viaCopy.Copy(&chord);
    EXPECT_EQ(viaCopy.GetTrack(), 3);
}

TEST(ECNote, EqualityIsStartTimeAndDurationOnly) {
    ECNote a(MCTime(1.0f), MCTime(0.5f));
    ECNote b(MCTime(1.0f), MCTime(0.5f));
    a.SetVoiceTrack(1, 1);
    b.SetVoiceTrack(2, 9);
    b.AddChild(new ECGraceNote, 0);
    EXPECT_TRUE(a == b);
    MCTime longer(0.75f);
    b.SetDuration(&longer);
    EXPECT_TRUE(a != b);
    b.SetDuration(a.GetDuration());
    MCTime later(1.5f);
    b.SetTime(&later);
    EXPECT_TRUE(a != b);
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

TEST(ECNoteRecord, DurationIsReadAtTheActiveVersion) {
    // A version-0 document: every MCTime is a bare float.
    const std::vector<std::uint8_t> bytes = {
        0xFF, 0xFF, 0x02, 0x00, 0x06, 0x00, 'E', 'C', 'N', 'o', 't', 'e',
        0x00,                   // flags
        0x00, 0x00, 0x80, 0x3F, // time 1.0
        0x21, 0x00,             // voice 1, track 2
        0x00, 0x00, 0x40, 0x40, // duration 3.0
    };
    ECPerformance document;
    document.SetVersion(0);
    ECPerformance* previous = ECPerformance::SetActivePerformance(&document);
    CMemFile file(bytes.data(), bytes.size());
    CArchive ar(&file, CArchive::load);
    auto* note = static_cast<ECNote*>(ar.ReadObject(RUNTIME_CLASS(ECNote)));
    ECPerformance::SetActivePerformance(previous);
    ASSERT_NE(note, nullptr);
    note->Ref();
    ar.Close();
    EXPECT_EQ(*note->GetTime(), MCTime(1.0f));
    EXPECT_EQ(*note->GetDuration(), MCTime(3.0f));
    EXPECT_EQ(note->GetTrack(), 2);
    note->Unref(1);
}

TEST(ECNoteRecord, ABarPulseTickDurationAndChildrenSurviveARoundTrip) {
    auto* note = new ECNote(MCTime(1.0f), MCTime(0, 1, 120, 480));
    note->AddChild(new ECGraceNote(MCTime(0.75f), MCTime(0.25f)), 0);
    const std::vector<std::uint8_t> bytes = Write(note);
    delete note;

    CMemFile file(bytes.data(), bytes.size());
    CArchive ar(&file, CArchive::load);
    auto* loaded = static_cast<ECNote*>(ar.ReadObject(RUNTIME_CLASS(ECNote)));
    ASSERT_NE(loaded, nullptr);
    loaded->Ref();
    ar.Close();
    EXPECT_EQ(*loaded->GetDuration(), MCTime(0, 1, 120, 480));
    ASSERT_EQ(loaded->GetChildren()->GetCount(), 1);
    ECBase* grace = loaded->GetChildren()->GetHead();
    EXPECT_EQ(grace->GetEventId(), 27);
    EXPECT_EQ(*grace->GetDuration(), MCTime(0.25f));
    EXPECT_EQ(grace->GetParents()->GetHead(), loaded);
    loaded->RemoveChildren(1);
    loaded->Unref(1);
}

class ECNoteDurationHooks : public ::testing::Test {
protected:
    void TearDown() override { ECNote::SetDurationFuncs(nullptr, nullptr, nullptr); }

    static MCTime Double(MCTime* d, void* data) {
        ++*static_cast<int*>(data);
        MCTime result(*d);
        result *= 2.0f;
        *d = MCTime(99.0f); // the library's argument must not see this
        return result;
    }
    static MCTime Halve(MCTime* d, void* data) {
        ++*static_cast<int*>(data);
        MCTime result(*d);
        result /= 2.0f;
        return result;
    }
};

TEST_F(ECNoteDurationHooks, WithoutHooksTheDurationComesBackUnchanged) {
    const MCTime d(0.75f);
    EXPECT_EQ(ECNote::ScaleDuration(&d, 0), d);
    EXPECT_EQ(ECNote::ScaleDuration(&d, 1), d);
    const MCTime bpt(2, 1, 0, 480);
    EXPECT_EQ(ECNote::ScaleDuration(&bpt, 1), bpt);
    EXPECT_EQ(ECNote::ScaleDuration(nullptr, 0), MCTime::TimeNull());
}

TEST_F(ECNoteDurationHooks, TheFlagChoosesTheHookAndTheArgumentIsNeverChanged) {
    int calls = 0;
    ECNote::SetDurationFuncs(&Double, &Halve, &calls);
    const MCTime d(1.0f);
    EXPECT_EQ(ECNote::ScaleDuration(&d, 0), MCTime(2.0f));
    EXPECT_EQ(ECNote::ScaleDuration(&d, 7), MCTime(0.5f));
    EXPECT_EQ(d, MCTime(1.0f));
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(ECNote::ScaleDuration(nullptr, 0), MCTime::TimeNull());
    EXPECT_EQ(calls, 2);

    // Clearing one direction leaves the other installed.
    ECNote::SetDurationFuncs(nullptr, &Halve, &calls);
    EXPECT_EQ(ECNote::ScaleDuration(&d, 0), d);
    EXPECT_EQ(ECNote::ScaleDuration(&d, 1), MCTime(0.5f));
    EXPECT_EQ(calls, 3);
}

} // namespace
} // namespace clavenor
