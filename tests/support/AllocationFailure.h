#pragma once

#include <cstddef>
#include <cstdint>

namespace clavenor::test {

/// Makes the Nth allocation of the test program from now on fail (1 = the next one), for
/// as long as the object lives. Throwing allocations throw std::bad_alloc; nothrow ones
/// return null. Only one may be active at a time.
class FailNthAllocation {
public:
    explicit FailNthAllocation(std::int64_t n);
    ~FailNthAllocation();
    FailNthAllocation(const FailNthAllocation&) = delete;
    FailNthAllocation& operator=(const FailNthAllocation&) = delete;

    /// Whether the chosen allocation has been reached (and failed).
    bool Triggered() const;
};

/// Blocks from operator new not yet given back, over the whole program. Comparing it before
/// and after an operation shows whether the operation leaked.
std::int64_t LiveAllocations();

/// Blocks from operator new so far, freed or not.
std::int64_t Allocations();

/// The largest single operator new request since the last ResetLargestAllocation().
std::size_t LargestAllocation();
void ResetLargestAllocation();

/// Runs `operation` with the 1st, 2nd, 3rd ... allocation failing until a run completes
/// without reaching its failure; after each failed run calls `check` (which asserts that
/// nothing leaked or changed). Returns the number of failing runs.
template <class Operation, class Check>
int ForEachAllocationFailure(Operation operation, Check check) {
    for (std::int64_t n = 1;; ++n) {
        bool triggered = false;
        {
            FailNthAllocation failure(n);
            try {
                operation();
            } catch (...) {
            }
            triggered = failure.Triggered();
        }
        if (!triggered) {
            return static_cast<int>(n - 1);
        }
        check();
    }
}

} // namespace clavenor::test
