// Makes operator new fail on demand, so a test sees what an allocation failure
// does without exhausting a real machine. A program that uses it gets this
// file's replacements of the global operator new and delete (malloc and free
// underneath, which the sanitizers still watch).
#pragma once

#include <cstddef>

// While one exists, every operator new of at least min_bytes, on any thread,
// fails with std::bad_alloc.
struct FailingAllocations {
    explicit FailingAllocations(size_t min_bytes);
    ~FailingAllocations();
};
