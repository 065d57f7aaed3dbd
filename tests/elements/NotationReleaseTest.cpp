// Measures full of chords, notes and rests are released completely, however the graph
// above them goes: deep removal, deletion of a root, a reference-held root, and archive
// loading that fails halfway (the latter checked by the leak checker of the asan preset).

#include "clavenor/elements/ECChord.h"
#include "clavenor/elements/ECConductor.h"
#include "clavenor/elements/ECGraceNote.h"
#include "clavenor/elements/ECMeasure.h"
#include "clavenor/elements/ECNote.h"
#include "clavenor/elements/ECPerformance.h"
#include "clavenor/elements/ECRest.h"
#include "clavenor/elements/ECStaff.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/framework/CArchiveException.h"
#include "clavenor/framework/CMemFile.h"
#include "clavenor/model/ECWithTime.h"
#include "clavenor/model/EventRegistry.h"

#include "elements/CountedElement.h"
#include "support/AllocationFailure.h"

#include <gtest/gtest.h>

#include <vector>

namespace clavenor {
namespace {

using test::g_liveElements;
using test::MakeCounted;

MCTime At(float t) { return MCTime(t); }

ECChord* AddChord(ECBase* measure, float time, int notes) {
    auto* chord = MakeCounted<ECChord>(nullptr);
    MCTime t(time);
    chord->SetTime(&t);
    measure->AddChild(chord, 1);
    for (int i = 0; i < notes; ++i) {
        MakeCounted<ECNote>(chord, t, At(1.0f));
    }
    auto* accent = MakeCounted<ECWithTime>(nullptr);
    accent->SetTime(&t);
    chord->AddChild(accent, 0);
    return chord;
}

// A measure holding a rest with a dot-like mark, two chords joined by a beam-like
// container, a grace note under a chord's note and a single note.
ECMeasure* BuildMeasure(float time) {
    auto* measure = MakeCounted<ECMeasure>(nullptr);
    MCTime t(time);
    measure->SetTime(&t);
    auto* rest = MakeCounted<ECRest>(measure, 8);
    rest->SetTime(&t);
    MakeCounted<ECWithTime>(rest);
    ECChord* first = AddChord(measure, time + 1, 2);
    ECChord* second = AddChord(measure, time + 2, 1);
    MakeCounted<ECGraceNote>(first->GetChildren()->GetHead(), At(time + 0.9f), At(0.1f));
    MakeCounted<ECNote>(measure, At(time + 3), At(1.0f));
    auto* beam = MakeCounted<ECWithTimeChild>(nullptr);
    measure->AddChild(beam, 0);
    beam->AddChild(first, 0);
    beam->AddChild(second, 0);
    return measure;
}

class NotationRelease : public ::testing::Test {
protected:
    void SetUp() override { m_live = g_liveElements; }
    void TearDown() override { EXPECT_EQ(g_liveElements, m_live); }
    int m_live = 0;
};

TEST_F(NotationRelease, DeletingTheDocumentAboveReleasesEverything) {
    auto* document = new ECPerformance;
    auto* conductor = new ECConductor;
    document->AddChild(conductor, 0);
    auto* staff = new ECStaff;
    conductor->AddChild(staff, 0);
    for (int bar = 0; bar < 3; ++bar) {
        staff->AddChild(BuildMeasure(static_cast<float>(4 * bar)), 1);
    }
    EXPECT_GT(g_liveElements, m_live + 30);
    delete document;
}

TEST_F(NotationRelease, AStaffHeldByAReferenceIsReleasedByDeepRemoval) {
    auto* staff = new ECStaff;
    staff->Ref();
    staff->AddChild(BuildMeasure(0.0f), 1);
    staff->AddChild(BuildMeasure(4.0f), 1);
    staff->RemoveChildren(1);
    EXPECT_EQ(staff->Unref(1), 0);
}

TEST_F(NotationRelease, DeletingAMeasureReleasesItsChords) { delete BuildMeasure(0.0f); }

// Loads a measure written by WriteObject; the caller releases it.
ECMeasure* Load(const std::vector<std::uint8_t>& bytes, std::size_t size) {
    CMemFile file(bytes.data(), size);
    CArchive ar(&file, CArchive::load);
    auto* measure = static_cast<ECMeasure*>(ar.ReadObject(RUNTIME_CLASS(ECMeasure)));
    measure->Ref();
    ar.Close();
    return measure;
}

void Release(ECMeasure* measure) {
    measure->RemoveChildren(1);
    measure->Unref(1);
}

std::vector<std::uint8_t> WrittenMeasure() {
    ECMeasure* measure = BuildMeasure(0.0f);
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar.WriteObject(measure);
        ar.Close();
    }
    delete measure;
    return file.Detach();
}

TEST_F(NotationRelease, AMeasureWithChordsComesBackWhole) {
    const std::vector<std::uint8_t> bytes = WrittenMeasure();
    ECMeasure* measure = Load(bytes, bytes.size());
    std::vector<int> kinds;
    std::vector<ECBase*> chords;
    MCEventList* children = measure->GetChildren();
    for (POSITION pos = children->GetHeadPosition(); pos != nullptr;) {
        ECBase* child = children->GetNext(pos);
        kinds.push_back(child->GetEventId());
        if (child->GetEventId() == EventId::Chord) {
            chords.push_back(child);
        }
    }
    EXPECT_EQ(kinds, (std::vector<int>{EventId::Rest, EventId::Chord, EventId::Chord, EventId::Note,
                                       EventId::WithTimeChild}));
    ASSERT_EQ(chords.size(), 2u);
    ECBase* beam = children->GetTail();
    EXPECT_EQ(beam->GetChildren()->GetHead(), chords[0]);
    EXPECT_EQ(beam->GetChildren()->GetTail(), chords[1]);
    EXPECT_EQ(chords[0]->GetParents()->GetCount(), 2);
    ECBase* firstNote = chords[0]->GetChildren()->GetHead();
    EXPECT_EQ(firstNote->GetEventId(), EventId::Note);
    ASSERT_EQ(firstNote->GetChildren()->GetCount(), 1);
    EXPECT_EQ(*firstNote->GetChildren()->GetHead()->GetDuration(), At(0.1f));
    EXPECT_EQ(static_cast<ECRest*>(children->GetHead())->GetRestType(), 0);
    Release(measure);
}

TEST_F(NotationRelease, ALoadThatStopsAnywhereLeavesNothingBehind) {
    const std::vector<std::uint8_t> bytes = WrittenMeasure();
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        EXPECT_THROW(Load(bytes, size), CArchiveException) << size;
    }
}

TEST_F(NotationRelease, ALoadThatRunsOutOfMemoryLeavesNothingBehind) {
    const std::vector<std::uint8_t> bytes = WrittenMeasure();
    const int failures =
        test::ForEachAllocationFailure([&] { Release(Load(bytes, bytes.size())); }, [] {});
    EXPECT_GT(failures, 20);
}

} // namespace
} // namespace clavenor
