// Win32 back end: attributes and FindFirstFileW.
#include <windows.h>

#include <utility>

#include "file_tree.h"

namespace {
constexpr int64_t FILETIME_TICKS_PER_SECOND = 10000000;
constexpr int64_t FILETIME_1970 = 116444736000000000;  // 1970-01-01 in 100 ns ticks since 1601
}  // namespace

const wchar_t NATIVE_SEPARATOR = L'\\';

bool path_info(const std::wstring& path, PathInfo& info) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
    info.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.size = info.folder ? 0 : (uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow);
    int64_t ticks = static_cast<int64_t>(uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32 |
                                         data.ftLastWriteTime.dwLowDateTime);
    info.mtime = (ticks - FILETIME_1970) / FILETIME_TICKS_PER_SECOND;
    return true;
}

// Each entry is looked at by its path: a folder listing's sizes may lag
// behind a file that is still open for writing elsewhere.
bool folder_entries(const std::wstring& folder, std::vector<FolderEntry>& entries) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    do {
        FolderEntry entry;
        entry.name = data.cFileName;
        if (entry.name == L"." || entry.name == L"..") continue;
        entry.readable = path_info(folder + L"\\" + entry.name, entry.info);
        entries.push_back(std::move(entry));
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return true;
}
