#include "allocation_hook.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<size_t> failing_from{SIZE_MAX};

void* allocate_or_null(size_t size) noexcept {
    return size < failing_from ? std::malloc(size ? size : 1) : nullptr;
}

void* allocate(size_t size) {
    if (void* block = allocate_or_null(size)) return block;
    throw std::bad_alloc();
}

}  // namespace

FailingAllocations::FailingAllocations(size_t min_bytes) { failing_from = min_bytes; }
FailingAllocations::~FailingAllocations() { failing_from = SIZE_MAX; }

// Every form, so no block crosses between this allocator and the runtime's own.
void* operator new(size_t size) { return allocate(size); }
void* operator new[](size_t size) { return allocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return allocate_or_null(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return allocate_or_null(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }
void operator delete[](void* block, size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
