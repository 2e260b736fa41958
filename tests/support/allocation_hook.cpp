#include "allocation_hook.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

constexpr size_t NEVER = SIZE_MAX;
std::atomic<size_t> failing_from{NEVER};

void* allocate(size_t size) {
    if (size >= failing_from.load()) throw std::bad_alloc();
    if (void* block = std::malloc(size ? size : 1)) return block;
    throw std::bad_alloc();
}

void* allocate_or_null(size_t size) noexcept {
    try {
        return allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace

FailingAllocations::FailingAllocations(size_t min_bytes) {
    failing_from = min_bytes;
}

FailingAllocations::~FailingAllocations() {
    failing_from = NEVER;
}

// Every form the program may call, so no block crosses between this
// allocator and the runtime's own.
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
