#include "AllocationSeam.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> gArmed{false};
std::atomic<int64_t> gCount{0};
std::atomic<int64_t> gFailAt{0};

// True when this allocation is the one to fail.
bool Fails() {
    if (!gArmed.load(std::memory_order_relaxed)) return false;
    const int64_t n = gCount.fetch_add(1, std::memory_order_relaxed) + 1;
    return n == gFailAt.load(std::memory_order_relaxed);
}

void* Allocate(std::size_t size) {
    if (Fails()) throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void* AllocateNoThrow(std::size_t size) noexcept {
    if (Fails()) return nullptr;
    return std::malloc(size ? size : 1);
}

}  // namespace

namespace hdmi::testing {

void ArmAllocationFault(int64_t n) {
    gCount = 0;
    gFailAt = n;
    gArmed = true;
}

int64_t DisarmAllocationFault() {
    gArmed = false;
    return gCount.load();
}

HostCode::HostCode() : wasArmed_(gArmed.exchange(false)) {}
HostCode::~HostCode() {
    gArmed = wasArmed_;
}

}  // namespace hdmi::testing

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return AllocateNoThrow(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return AllocateNoThrow(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
