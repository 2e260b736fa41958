// What the archive writer needs from the file system: a path's kind, size
// and time, and a folder's entries. One header, a POSIX and a Win32 back end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PathInfo {
    bool folder = false;
    uint64_t size = 0;
    int64_t mtime = 0;  // seconds since 1970 UTC
};

// False when the path does not exist or cannot be looked at.
bool path_info(const std::wstring& path, PathInfo& info);
struct FolderEntry {
    std::wstring name;
    PathInfo info;
    bool readable = false;  // what path_info would return for it
};
// The entries of folder, without "." and "..", each with what path_info
// gives for it; false when the folder cannot be read.
bool folder_entries(const std::wstring& folder, std::vector<FolderEntry>& entries);

// The separator the system's paths use.
extern const wchar_t NATIVE_SEPARATOR;
