#include "failing_allocator.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long> countdown{0};  // allocations until the one that fails; 0: none fails
std::atomic<bool> failed{false};

// Disarmed, the count runs below zero and never meets 1 again.
bool failsNow() { return countdown.fetch_sub(1) == 1 && (failed = true); }
void* allocate(std::size_t size) { return failsNow() ? nullptr : std::malloc(size == 0 ? 1 : size); }
void* allocate(std::size_t size, std::align_val_t alignment) {
    void* block = nullptr;
    const std::size_t align = std::max(static_cast<std::size_t>(alignment), sizeof(void*));
    return !failsNow() && posix_memalign(&block, align, size == 0 ? 1 : size) == 0 ? block : nullptr;
}
void* orThrow(void* block) { return block != nullptr ? block : throw std::bad_alloc(); }

}  // namespace

void IvoryTest::failAllocation(long n) { failed = false, countdown = n; }
bool IvoryTest::stopFailingAllocations() { return countdown = 0, failed.load(); }

// Every form, so that none falls back on an allocator the sanitizers would take for a different one.
void* operator new(std::size_t n) { return orThrow(allocate(n)); }
void* operator new[](std::size_t n) { return orThrow(allocate(n)); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return allocate(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return allocate(n); }
void* operator new(std::size_t n, std::align_val_t a) { return orThrow(allocate(n, a)); }
void* operator new[](std::size_t n, std::align_val_t a) { return orThrow(allocate(n, a)); }
void* operator new(std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept { return allocate(n, a); }
void* operator new[](std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept { return allocate(n, a); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
