// Conversion of bytes in the system's ANSI code page to UTF-16.
//
// Member names in old archive headers are stored as ANSI bytes; they must be
// read in exactly the code page the system uses (Windows: CP_ACP; natively:
// code page 932, Shift_JIS, unless a test or tool picks another).
#pragma once

#include <cstddef>

// Converts the zero-terminated bytes, terminator included, into out and
// returns the number of units written. With out null (or out_units 0) it
// returns the number of units needed. 0 means the conversion failed.
size_t ansi_to_utf16(const char* bytes, wchar_t* out, size_t out_units);

#ifndef _WIN32
// Native builds only: the iconv name of the code page used as "ANSI".
void set_ansi_charset(const char* iconv_name);
#endif
