#pragma once

// What the benchmarks check while they build and drive their scores. A figure measured on a
// score smaller than the one named, or on commands that never ran, would mislead without a
// sign; so a refused link, list insertion or dispatch stops the program with the reason.

#include <clavenor/clavenor.h>

#include <cstdio>
#include <cstdlib>

namespace clavenor::bench {

/// Prints `what` and aborts.
[[noreturn]] inline void Stop(const char* what) {
    std::fprintf(stderr, "benchmark stopped: %s\n", what);
    std::abort();
}

/// `parent->AddChild(child, sorted)`, stopping when the link is refused.
inline void LinkOrStop(ECBase* parent, ECBase* child, int sorted) {
    if (parent->AddChild(child, sorted) == 0) {
        Stop("AddChild refused a link of the benchmark's score");
    }
}

/// `list.AddTail(item)`, stopping when no node could be made.
template <class List, class Item>
void AppendOrStop(List& list, Item item) {
    if (list.AddTail(item) == nullptr) {
        Stop("no memory for a list node");
    }
}

/// `command->Apply(document)` for a command pointer or handle, stopping when the command was
/// not dispatched (how a dispatched batch fared is the benchmark's own business).
template <class Command>
void ApplyOrStop(const Command& command, ECPerformance* document) {
    if (command->Apply(document) == 0) {
        Stop("a command was not dispatched");
    }
}

} // namespace clavenor::bench
