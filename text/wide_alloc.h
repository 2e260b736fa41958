// Buffer allocation shared by the two string classes.
#pragma once

#include <cstddef>

// Room for count units plus the terminator. A count so large that the sum
// overflows asks for the largest possible size instead, so the allocation
// fails with std::bad_alloc rather than returning a short buffer.
wchar_t* allocate_units(size_t count);

// Length of a terminated text; a null text has length 0.
size_t units_in(const wchar_t* text);
