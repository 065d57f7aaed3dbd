// Measures full of chords, notes and rests are released completely however the graph
// above them goes: deletion of a root, deep removal, and archive loading that fails
// halfway (checked by the leak checker of the asan preset).

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

#include "elements/CountedElement.h"
#include "support/AllocationFailure.h"

#include <gtest/gtest.h>

#include <vector>

namespace clavenor {
namespace {

using test::g_liveElements;
using test::MakeCounted;

// A rest with a dot-like mark, two chords with accent-like marks joined by a beam-like
// container (appended last), a grace note under a chord's note, and a single note.
ECMeasure* BuildMeasure() {
    auto* measure = MakeCounted<ECMeasure>(nullptr);
    MakeCounted<ECWithTime>(MakeCounted<ECRest>(measure, 8));
    auto* beam = MakeCounted<ECWithTimeChild>(nullptr);
    for (float at : {1.0f, 2.0f}) {
        MCTime t(at);
        auto* chord = MakeCounted<ECChord>(nullptr);
        chord->SetTime(&t);
        measure->AddChild(chord, 1);
        beam->AddChild(chord, 0);
        auto* note = MakeCounted<ECNote>(chord, t, MCTime(1.0f));
        MakeCounted<ECNote>(chord, t, MCTime(0.5f));
        chord->AddChild(MakeCounted<ECWithTime>(nullptr), 0);
        MakeCounted<ECGraceNote>(note, MCTime(at - 0.125f), MCTime(0.125f));
    }
    MakeCounted<ECNote>(measure, MCTime(3.0f), MCTime(1.0f));
    measure->AddChild(beam, 0);
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
    staff->AddChild(BuildMeasure(), 1);
    staff->AddChild(BuildMeasure(), 1);
    EXPECT_EQ(g_liveElements, m_live + 2 * 15);
    delete document;
    EXPECT_EQ(g_liveElements, m_live);
}

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

class NotationArchive : public NotationRelease {
protected:
    void SetUp() override {
        NotationRelease::SetUp();
        ECMeasure* measure = BuildMeasure();
        CMemFile file;
        CArchive ar(&file, CArchive::store);
        ar.WriteObject(measure);
        ar.Close();
        delete measure;
        m_bytes = file.Detach();
    }
    std::vector<std::uint8_t> m_bytes;
};

TEST_F(NotationArchive, ALoadThatStopsAnywhereLeavesNothingBehind) {
    for (std::size_t size = 0; size < m_bytes.size(); ++size) {
        EXPECT_THROW(Load(m_bytes, size), CArchiveException) << size;
    }
    EXPECT_GT(
        test::ForEachAllocationFailure([&] { Release(Load(m_bytes, m_bytes.size())); }, [] {}), 20);
}

} // namespace
} // namespace clavenor
