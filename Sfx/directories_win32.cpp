#include "directories.h"

#include <windows.h>

#include "paths.h"

namespace {

bool is_folder(const CWideString& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// CreateDirectoryW, counting a folder that is already there as made. A file
// of that name is not a folder: it fails, with "already exists" as the reason.
bool make_folder(const CWideString& path) {
    if (CreateDirectoryW(path.c_str(), nullptr)) return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
    if (is_folder(path)) return true;
    SetLastError(ERROR_ALREADY_EXISTS);
    return false;
}

}  // namespace

bool create_directory_tree(const CWideString& path) {
    if (make_folder(path)) return true;
    if (GetLastError() == ERROR_ALREADY_EXISTS) return false;  // a file is in the way
    // Most likely a parent is missing: make the parents, then try again. The
    // depth is bounded by the path's separators.
    CWideString parent(path);
    if (!parent_directory(parent) || !create_directory_tree(parent)) return false;
    return make_folder(path);
}

bool open_output_file(CWinFile& file, const CWideString& path, uint32_t access, uint32_t share,
                      uint32_t disposition) {
    // Mostly the folder is there (made for an earlier member or by a folder
    // member): one call. Only a missing folder costs the walk up the path.
    if (file.open(path.c_str(), access, share, disposition)) return true;
    if (GetLastError() != ERROR_PATH_NOT_FOUND) return false;
    CWideString parent(path);
    if (parent_directory(parent) && !create_directory_tree(parent)) return false;
    return file.open(path.c_str(), access, share, disposition);
}
