// How much physical memory is free now: the input buffer never asks for more.
#pragma once

#include <cstdint>

// Bytes of available physical memory, or 0 when unknown.
uint64_t available_physical_memory();
