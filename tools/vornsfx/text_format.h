// Small formatting helpers for the builder's output.
#pragma once

#include <cstdint>
#include <string>

#include "text/wide_string.h"
#include "text/wide_sz.h"

// "0x16048": offsets and option bytes.
std::string hex_text(uint64_t value, int min_digits = 1);
// UTF-16 of the portable core (one unit per wchar_t) as UTF-8.
std::string utf8_text(const CWideString& text);
std::string utf8_text(const CWideSz& text);
// A member's path as printed: every control character (C0, DEL, C1) shown as
// '?', as lhasa does, so a stored name cannot forge a line or drive the
// terminal.
std::string shown_path(const CWideSz& path);
// In double quotes, with quotes, backslashes and control characters escaped,
// so an empty text or one with trailing blanks is visible as such.
std::string quoted(const CWideString& text);
