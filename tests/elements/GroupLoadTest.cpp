// A loaded line (tie, slur, glissando, beam) offers its members again to its kind's rules.
// A member the rules take but memory does not must fail the load, not vanish from it.

#include "fuzz/FuzzDocuments.h"
#include "support/TestSupport.h"

#include <cstdint>
#include <vector>

namespace clavenor::test {
namespace {

TEST(GroupLoad, EveryAllocationFailingInTurnLoadsTheLinesWholeOrNotAtAll) {
    // The last seed holds a tie, a slur, a glissando, a beam and a plain group.
    std::vector<ECPerformance*> seeds = fuzz::MakeSeedDocuments();
    const std::vector<std::uint8_t> bytes = fuzz::Save(seeds.back());
    for (ECPerformance* seed : seeds) {
        delete seed;
    }
    MCCommandMgr::OnIdle();
    int failedLoads = 0;
    for (std::int64_t n = 1;; ++n) {
        ECPerformance* loaded = nullptr;
        bool triggered = false;
        {
            FailNthAllocation failure(n);
            try {
                loaded = fuzz::Load(bytes.data(), bytes.size(), ECPerformance::WriteVersion);
            } catch (const std::bad_alloc&) {
                ++failedLoads;
            }
            triggered = failure.Triggered();
        }
        if (loaded != nullptr) {
            EXPECT_EQ(fuzz::Save(loaded), bytes) << "with allocation " << n << " failing";
            delete loaded;
        }
        if (!triggered) {
            break;
        }
    }
    EXPECT_GT(failedLoads, 0);
}

} // namespace
} // namespace clavenor::test
