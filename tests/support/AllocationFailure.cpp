#include "support/AllocationFailure.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// Counts down to the allocation that fails; 0 means disarmed.
std::atomic<std::int64_t> g_countdown{0};
std::atomic<bool> g_triggered{false};
std::atomic<std::int64_t> g_live{0};
std::atomic<std::int64_t> g_total{0};
std::atomic<std::size_t> g_largest{0};

bool ShouldFail() {
    std::int64_t left = g_countdown.load(std::memory_order_relaxed);
    while (left > 0) {
        if (g_countdown.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) {
            return left == 1 && (g_triggered = true);
        }
    }
    return false;
}

// Null when the armed failure is reached or malloc fails.
void* Allocate(std::size_t size) noexcept {
    void* p = ShouldFail() ? nullptr : std::malloc(size == 0 ? 1 : size);
    if (p != nullptr) {
        g_live.fetch_add(1, std::memory_order_relaxed);
        g_total.fetch_add(1, std::memory_order_relaxed);
        std::size_t largest = g_largest.load(std::memory_order_relaxed);
        while (size > largest &&
               !g_largest.compare_exchange_weak(largest, size, std::memory_order_relaxed)) {
        }
    }
    return p;
}

void* AllocateOrThrow(std::size_t size) {
    void* p = Allocate(size);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return p;
}

void Release(void* p) noexcept {
    if (p != nullptr) {
        g_live.fetch_sub(1, std::memory_order_relaxed);
        std::free(p);
    }
}

} // namespace

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }

namespace clavenor::test {

FailNthAllocation::FailNthAllocation(std::int64_t n) {
    g_triggered = false;
    g_countdown = n;
}

FailNthAllocation::~FailNthAllocation() { g_countdown = 0; }

bool FailNthAllocation::Triggered() const { return g_triggered; }

std::int64_t LiveAllocations() { return g_live.load(std::memory_order_relaxed); }

std::int64_t Allocations() { return g_total.load(std::memory_order_relaxed); }

std::size_t LargestAllocation() { return g_largest.load(std::memory_order_relaxed); }

void ResetLargestAllocation() { g_largest.store(0, std::memory_order_relaxed); }

} // namespace clavenor::test
