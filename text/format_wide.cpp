#include "format_wide.h"

#include <cstdarg>
#include <cstdio>
#include <cwchar>

int32_t format_wide(wchar_t* buffer, size_t capacity, const wchar_t* format, ...) {
    if (!buffer || capacity == 0) return -1;
    va_list arguments;
    va_start(arguments, format);
#ifdef _WIN32
    // _TRUNCATE: a text that does not fit is cut, not handed to the runtime's
    // invalid-parameter handler (which would end the process).
    int written = _vsnwprintf_s(buffer, capacity, _TRUNCATE, format, arguments);
#else
    int written = std::vswprintf(buffer, capacity, format, arguments);
    // On overflow the C library fills all but the last unit and leaves the
    // text unterminated; terminating it gives the Windows runtime's cut text.
    if (written < 0) buffer[capacity - 1] = 0;
#endif
    va_end(arguments);
    return written;
}
