#pragma once

// A batch made to fail after the command under test has changed the document, so that the
// manager reverts it, with the allocations made on the way back counted.

#include "support/Score.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace clavenor::test {

/// The allocations between two moments of a failing batch: a Refusing command refuses in
/// Process, after the commands before it have changed the document, and the batch is taken
/// back from the last processed command to the first, so that a Probe first in the batch
/// sees the moment every other command has been reverted.
struct Allocated {
    std::int64_t refused = 0;
    std::int64_t reverted = 0;
};

struct Refusing : CCBase {
    explicit Refusing(Allocated* allocated) : allocated(allocated) {}
    int Process() override;
    Allocated* allocated;
};

struct Probe : CCBase {
    explicit Probe(Allocated* allocated) : allocated(allocated) {}
    void Revert() override;
    Allocated* allocated;
};

/// Applies `command` (taking it) as a host applies a batch, between a Probe and a Refusing
/// command, inside an undo group, and returns the failures the manager counted.
int ApplyFailing(ECPerformance* document, CCBase* command, Allocated& allocated);

/// Applies `command` (taking it) followed by a Refusing command as one batch, with the Nth
/// allocation from here on failing (a std::bad_alloc that escapes the batch is caught), and
/// returns whether that allocation was reached: once it is not, every allocation of the
/// batch has been failed in turn.
bool ApplyFailingAt(ECPerformance* document, CCBase* command, std::int64_t n);

/// For N = 1, 2, ... applies make()'s command in a batch that fails (ApplyFailingAt) with the
/// Nth allocation failing, and calls check(N) after each, until the Nth allocation is not
/// reached or a check fails fatally. Returns the number of runs whose allocation failed.
template <class Make, class Check>
int ForEachFailingBatchAllocation(ECPerformance* document, Make make, Check check) {
    for (std::int64_t n = 1;; ++n) {
        const bool triggered = ApplyFailingAt(document, make(), n);
        check(n);
        if (!triggered || ::testing::Test::HasFatalFailure()) {
            return static_cast<int>(n - 1);
        }
    }
}

} // namespace clavenor::test
