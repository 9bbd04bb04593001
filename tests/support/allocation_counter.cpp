#include "support/allocation_counter.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long long> allocations{0};
std::atomic<long long> bytesInUse{0};
std::atomic<long long> peakBytes{0};

// Each block starts with its size, so that an unsized delete knows what it frees.
constexpr std::size_t kHeader = alignof(std::max_align_t);

void* Allocate(std::size_t size) noexcept {
    auto* block = static_cast<unsigned char*>(std::malloc(kHeader + size));
    if (block == nullptr)
        return nullptr;
    *reinterpret_cast<std::size_t*>(block) = size;
    ++allocations;
    const long long inUse = bytesInUse += static_cast<long long>(size);
    long long peak = peakBytes.load();
    while (inUse > peak && !peakBytes.compare_exchange_weak(peak, inUse)) {
    }
    return block + kHeader;
}

void Free(void* p) noexcept {
    if (p == nullptr)
        return;
    auto* block = static_cast<unsigned char*>(p) - kHeader;
    bytesInUse -= static_cast<long long>(*reinterpret_cast<std::size_t*>(block));
    std::free(block);
}

void* AllocateOrThrow(std::size_t size) {
    if (void* p = Allocate(size))
        return p;
    throw std::bad_alloc();
}

} // namespace

namespace qm::testing {

AllocationScope::AllocationScope()
    : allocationsAtStart_(allocations.load()), bytesAtStart_(bytesInUse.load()) {
    peakBytes = bytesAtStart_;
}

AllocationCounts AllocationScope::Counts() const {
    return {allocations.load() - allocationsAtStart_, peakBytes.load() - bytesAtStart_,
            bytesInUse.load() - bytesAtStart_};
}

} // namespace qm::testing

void* operator new(std::size_t size) {
    return AllocateOrThrow(size);
}
void* operator new[](std::size_t size) {
    return AllocateOrThrow(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    Free(p);
}
void operator delete[](void* p) noexcept {
    Free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    Free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    Free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    Free(p);
}
