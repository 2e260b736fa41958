// What the builder needs from the system beyond CWinFile: its own location,
// the null device, console output, and replacing a file by another. One
// header, a POSIX and a Win32 back end picked by CMake.
#pragma once

#include <cstdint>
#include <string>

#include "text/win_file.h"

enum Stream { STANDARD_OUTPUT, STANDARD_ERROR };

// Writes UTF-8 text as the stream needs it (a Windows console gets UTF-16);
// false when not all of it could be written (a full disk, a closed pipe).
bool write_stream(Stream stream, const std::string& text);
bool is_terminal(Stream stream);
// Reads up to size bytes of standard input, untranslated: the count read, 0
// at its end, -1 on a read error.
int64_t read_standard_input(void* buffer, size_t size);
// The folder for temporary files, with a trailing separator.
std::wstring temporary_folder();

// The folder the running program lies in, with a trailing separator, or empty.
std::wstring program_folder();

// A file that swallows every write: where the test decodes to.
const wchar_t* null_device();

// Moves from over to, replacing what is there; false on failure.
bool replace_file(const std::wstring& from, const std::wstring& to);
void remove_file(const std::wstring& path);
// A temporary file that an interrupt (Ctrl-C, SIGTERM, a closed terminal)
// removes before the process ends; forget it once it has been renamed.
void remove_on_interrupt(const std::wstring& path);
void forget_on_interrupt(const std::wstring& path);
// Whether the open file (whose path is path) is a plain file on disk: a pipe
// or a device has no size to seek in, and would read as an empty archive.
bool is_regular_file(CWinFile& file, const std::wstring& path);
// Cuts the open file (whose path is path) to length bytes.
bool cut_file(CWinFile& file, const std::wstring& path, uint64_t length);

// Which file a path names, links followed. Two paths name the same file when
// device and index agree, whatever their names (hard and symbolic links).
struct FileIdentity {
    uint64_t device = 0;
    uint64_t index = 0;
    bool folder = false;
};
// False when nothing is there.
bool file_identity(const std::wstring& path, FileIdentity& identity);
// The file a symbolic link finally points to; path itself when it is no
// link; empty when the link's target cannot be resolved.
std::wstring follow_links(const std::wstring& path);
// Gives the file at to the permissions of the file at from, when there is one.
void copy_permissions(const std::wstring& from, const std::wstring& to);
// The running builder's own file.
std::wstring own_program();

// The system's text for the last failed call of this thread.
std::string last_error_text();

// How many processors this process may run on (at least 1).
size_t usable_processors();

// Makes the memory allocator keep what is freed for the next allocation
// instead of handing it back to the system (see the POSIX back end).
void keep_freed_memory();

// A number that tells this process from others writing beside it.
unsigned process_number();
