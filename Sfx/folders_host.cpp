// Native back end: the current directory from POSIX; there are no shell
// folders, so a special folder is never found.
#include "folders.h"

#include <unistd.h>

#include <string>

#include "text/utf8.h"

CWideString current_directory() {
    char folder[PATH_UNITS * 4];
    if (!getcwd(folder, sizeof folder)) return CWideString();
    std::wstring units = utf8_to_utf16(folder);
    if (units.size() >= PATH_UNITS) return CWideString();
    return CWideString(units.c_str());
}

CWideString special_folder_path(int /*csidl*/) {
    return CWideString();
}
