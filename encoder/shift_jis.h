// Names for older LHA tools: UTF-16 to Shift_JIS (code page 932).
#pragma once

#include <string>

// False when a character has no Shift_JIS form (or only an approximate one);
// then the name is written in UTF-16 alone.
bool to_shift_jis(const std::wstring& utf16, std::string& out);
