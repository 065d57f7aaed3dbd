#pragma once

// Timing one phase of a benchmark iteration by hand, for benchmarks that time several phases
// (a command, its undo, its redo, their floors) within one iteration.

#include <chrono>

namespace clavenor::bench {

/// The wall-clock seconds `work()` takes.
template <class Work>
double SecondsOf(Work work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace clavenor::bench
