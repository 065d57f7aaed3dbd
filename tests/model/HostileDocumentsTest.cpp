// Documents made by hand to break the loader: pointers into material the archive drops,
// graphs deeper than any record nesting, shared structures whose walks explode, and many
// parents of one child. Each must load into a graph that saves, loads and saves the same
// bytes again, or be refused with CArchiveException, without crashing, hanging or leaking.

#include "fuzz/FuzzDocuments.h"
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
    conductor->AddChild(staff, 1);
    for (int i = 0; i < 16; ++i) {
        staff->AddChild(new ECMeasure, 1);
    }
    const std::vector<std::uint8_t> saved = fuzz::Save(document);
    delete document;
    ECPerformance* reloaded = LoadDocument(saved);
    EXPECT_EQ(fuzz::Save(reloaded), saved);
    delete reloaded;
    MCCommandMgr::OnIdle();
}

} // namespace
} // namespace clavenor::test
