// What extract needs from the file system beyond CWinFile: folders one level
// at a time, and a file's modification time. A POSIX and a Win32 back end
// picked by CMake, like tool_platform.
#pragma once

#include <cstdint>
#include <string>

// True when a folder stands at path afterwards (made now or there before).
bool make_one_folder(const std::wstring& path);
bool is_folder(const std::wstring& path);
// Sets the file's access and modification time, as the stub does.
void set_modification_time(const std::wstring& path, int64_t unix_time);
