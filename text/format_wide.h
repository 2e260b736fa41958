// The one formatting routine of the program: printf-style formatting of UTF-16
// text into a fixed buffer. Use %ls for wide text (it means the same on every
// platform) and %d for numbers.
#pragma once

#include <cstddef>
#include <cstdint>

// Formats into buffer (capacity units, terminator included) and returns the
// number of units written. When the text does not fit, the buffer holds as
// much of it as fits, terminated, and the result is -1; it never overflows.
int32_t format_wide(wchar_t* buffer, size_t capacity, const wchar_t* format, ...);
