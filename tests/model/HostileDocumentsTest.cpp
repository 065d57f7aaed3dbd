// Documents made by hand to break the loader: pointers into material the archive drops,
// graphs deeper than any record nesting, shared structures whose walks explode, and many
// parents of one child. Each must load into a graph that saves, loads and saves the same
// bytes again, or be refused with CArchiveException, without crashing, hanging or leaking.

#include "fuzz/FuzzDocuments.h"
#include "support/AllocationFailure.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace clavenor::test {
namespace {

ECPerformance* LoadDocument(const Bytes& bytes) {
    return fuzz::Load(bytes.data(), bytes.size(), ECPerformance::WriteVersion);
}

// Regression: a wave track read inside a conductor that the archive then dropped kept a
// pointer to it; once the memory was reused, saving wrote a back-reference to whatever lived
// there, and the saved file no longer loaded.
TEST(HostileDocuments, AWaveTrackNeverNamesAConductorOrPerformanceItIsNotUnder) {
    // performance -> conductor C1 -> wave track W, whose conductor slot reads a new conductor
    // C2 holding wave track W2 (naming C2, which encloses it); C1 then lists W2 as well.
    const Bytes bytes = X("02 0100 @ECConductor 02 0200 "
                          "@ECWaveTrack 00 00 00000000 FF7F "
                          "0180 02 0100 0380 00 00 00000000 FF7F 0500 0000 0000 "
                          "0000 0600 0000 00 00000000 FF7F");
    ECPerformance* document = LoadDocument(bytes);
    auto* conductor = static_cast<ECConductor*>(document->GetChildren()->GetHead());
    ASSERT_EQ(conductor->GetChildren()->GetCount(), 2);
    for (ECBase* child : Items(conductor->GetChildren())) {
        auto* track = static_cast<ECWaveTrack*>(child);
        // Pointers are compared, never followed: the dropped conductor is gone.
        EXPECT_TRUE(track->GetConductor() == nullptr || track->GetConductor() == conductor);
        EXPECT_TRUE(track->GetPerformance() == nullptr || track->GetPerformance() == document);
    }
    // Material made after the load may take the dropped conductor's place in memory.
    auto* staff = new ECStaff;
    ASSERT_EQ(conductor->AddChild(staff, 1), 1);
    for (int i = 0; i < 16; ++i) {
        ASSERT_EQ(staff->AddChild(new ECMeasure, 1), 1);
    }
    const std::vector<std::uint8_t> saved = fuzz::Save(document);
    delete document;
    ECPerformance* reloaded = LoadDocument(saved);
    EXPECT_EQ(fuzz::Save(reloaded), saved);
    delete reloaded;
    MCCommandMgr::OnIdle();
}

// The cause a load of `bytes` fails with, or none; a document that loads is saved, loaded
// and saved again, which must give the same bytes.
CArchiveException::Cause LoadSaveLoad(const Bytes& bytes) {
    ECPerformance* document = nullptr;
    try {
        document = LoadDocument(bytes);
    } catch (const CArchiveException& e) {
        return e.m_cause;
    }
    const std::vector<std::uint8_t> saved = fuzz::Save(document);
    delete document;
    ECPerformance* reloaded = LoadDocument(saved);
    EXPECT_EQ(fuzz::Save(reloaded), saved);
    delete reloaded;
    return CArchiveException::none;
}

// Regression: chains read in data records' owner slots, each ending in the previous one,
// built graphs far deeper than records nest: the document loaded and could not be saved,
// and at 10^5 levels the walks overflowed the stack.
TEST(HostileDocuments, AGraphTooDeepToWalkOrSaveIsRefusedOnLoad) {
    const std::int64_t live = LiveAllocations();
    EXPECT_EQ(LoadSaveLoad(fuzz::DeepChainsStream(2, 120)), CArchiveException::none);
    EXPECT_EQ(LoadSaveLoad(fuzz::DeepChainsStream(3, 100)), CArchiveException::genericException);
    EXPECT_EQ(LoadSaveLoad(fuzz::DeepChainsStream(1000, 100)), CArchiveException::genericException);
    MCCommandMgr::OnIdle();
    EXPECT_EQ(LiveAllocations(), live);
}

// Regression: forty diamonds in 709 bytes made every walk from the top meet the bottom 2^40
// times, and loading never ended.
TEST(HostileDocuments, SharedStructuresWhoseWalksExplodeAreRefusedOnLoad) {
    EXPECT_EQ(LoadSaveLoad(fuzz::DiamondsStream(4)), CArchiveException::none);
    EXPECT_EQ(LoadSaveLoad(fuzz::DiamondsStream(40)), CArchiveException::genericException);
    MCCommandMgr::OnIdle();
}

// Regression: each new parent of a shared child was looked for among all the child's
// parents so far, so 80000 parents took minutes to load.
TEST(HostileDocuments, ManyParentsOfOneChildLoadInLinearTime) {
    const Bytes bytes = fuzz::SharedChildStream(160000);
    ECPerformance* document = LoadDocument(bytes);
    ECBase* holder = document->GetChildren()->GetHead();
    ASSERT_EQ(holder->GetChildren()->GetCount(), 160000);
    EXPECT_EQ(holder->GetChildren()->GetTail()->GetChildren()->GetHead()->GetParents()->GetCount(),
              160000);
    delete document;
    MCCommandMgr::OnIdle();
}

} // namespace
} // namespace clavenor::test
