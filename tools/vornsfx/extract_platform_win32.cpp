// Win32 back end of extract's file-system needs.
#include <windows.h>

#include <sys/utime.h>

#include "extract_platform.h"

bool is_folder(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool make_one_folder(const std::wstring& path) {
    return CreateDirectoryW(path.c_str(), nullptr) || is_folder(path);
}

void set_modification_time(const std::wstring& path, int64_t unix_time) {
    __utimbuf64 times = {unix_time, unix_time};
    _wutime64(path.c_str(), &times);
}
