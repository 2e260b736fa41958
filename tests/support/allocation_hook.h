// Makes operator new fail on demand, so a test can see what an allocation
// failure does without exhausting a real machine. A test program that uses
// it gets this file's replacements of the global operator new and delete
// (malloc and free underneath, which the sanitizers still watch).
#pragma once

#include <cstddef>

// While one exists, every allocation through operator new of at least
// min_bytes fails with std::bad_alloc, on every thread.
class FailingAllocations {
public:
    explicit FailingAllocations(size_t min_bytes);
    ~FailingAllocations();
    FailingAllocations(const FailingAllocations&) = delete;
    FailingAllocations& operator=(const FailingAllocations&) = delete;
};
