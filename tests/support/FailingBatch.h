#pragma once

// A batch made to fail after the command under test has changed the document, so that the
// manager reverts it, with the allocations made on the way back counted.

#include "support/Score.h"

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

} // namespace clavenor::test
