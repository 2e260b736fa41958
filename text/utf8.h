// UTF-8 <-> UTF-16 for the native side of the program: file names handed to
// POSIX, command-line texts of the builder, test output. One UTF-16 unit per
// wchar_t, as everywhere in the portable core.
#pragma once

#include <string>

std::wstring utf8_to_utf16(const std::string& text);
// Unpaired surrogates become U+FFFD.
std::string utf16_to_utf8(const wchar_t* units, size_t count);
std::string utf16_to_utf8(const std::wstring& units);

// File names on POSIX are bytes in no promised encoding: a byte that is no
// part of valid UTF-8 becomes the lone unit U+DC80..U+DCFF and turns back into
// itself, so every name the system gives reaches the system again unchanged.
std::wstring path_to_utf16(const std::string& bytes);
std::string path_to_bytes(const std::wstring& units);
std::string path_to_bytes(const wchar_t* units);
