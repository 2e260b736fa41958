// What the builder needs from the system beyond CWinFile: its own location,
// the null device, console output, and replacing a file by another. One
// header, a POSIX and a Win32 back end picked by CMake.
#pragma once

#include <string>

enum Stream { STANDARD_OUTPUT, STANDARD_ERROR };

// Writes UTF-8 text as the stream needs it (a Windows console gets UTF-16).
void write_stream(Stream stream, const std::string& text);
bool is_terminal(Stream stream);

// The folder the running program lies in, with a trailing separator, or empty.
std::wstring program_folder();

// A file that swallows every write: where the test decodes to.
const wchar_t* null_device();

// Moves from over to, replacing what is there; false on failure.
bool replace_file(const std::wstring& from, const std::wstring& to);
void remove_file(const std::wstring& path);

// The system's text for the last failed call of this thread.
std::string last_error_text();

// A number that tells this process from others writing beside it.
unsigned process_number();
