#include "folders.h"

#include <shlobj.h>

CWideString current_directory() {
    wchar_t folder[PATH_UNITS] = {};
    // A directory that does not fit leaves the buffer empty.
    DWORD units = GetCurrentDirectoryW(PATH_UNITS, folder);
    if (units >= PATH_UNITS) folder[0] = 0;
    return CWideString(folder);
}

CWideString special_folder_path(int csidl) {
    wchar_t folder[PATH_UNITS] = {};
    PIDLIST_ABSOLUTE items = nullptr;
    bool found = false;
    if (SUCCEEDED(SHGetFolderLocation(nullptr, csidl, nullptr, 0, &items)) && items) {
        found = SHGetPathFromIDListW(items, folder);
        ILFree(items);
    }
    return found ? CWideString(folder) : CWideString();
}
