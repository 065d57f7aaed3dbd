#include "support/AllocationFailure.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// Counts down to the allocation that fails; 0 means disarmed.
std::atomic<std::int64_t> g_countdown{0};
std::atomic<bool> g_triggered{false};

bool ShouldFail() {
    std::int64_t left = g_countdown.load(std::memory_order_relaxed);
    while (left > 0) {
        if (g_countdown.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) {
            if (left == 1) {
                g_triggered = true;
                return true;
            }
            return false;
        }
    }
    return false;
}

void* Allocate(std::size_t size) {
    if (ShouldFail()) {
        throw std::bad_alloc();
    }
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return p;
}

void* AllocateNoThrow(std::size_t size) noexcept {
    if (ShouldFail()) {
        return nullptr;
    }
    return std::malloc(size == 0 ? 1 : size);
}

} // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return AllocateNoThrow(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return AllocateNoThrow(size);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace clavenor::test {

FailNthAllocation::FailNthAllocation(std::int64_t n) {
    g_triggered = false;
    g_countdown = n;
}

FailNthAllocation::~FailNthAllocation() { g_countdown = 0; }

bool FailNthAllocation::Triggered() const { return g_triggered; }

} // namespace clavenor::test
