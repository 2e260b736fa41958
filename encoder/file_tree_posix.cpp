// POSIX back end: stat and readdir, names as UTF-8.
#include <dirent.h>
#include <sys/stat.h>

#include "file_tree.h"
#include "text/utf8.h"

const wchar_t NATIVE_SEPARATOR = L'/';

bool path_info(const std::wstring& path, PathInfo& info) {
    struct stat st;
    if (stat(path_to_bytes(path).c_str(), &st) != 0) return false;
    info.folder = S_ISDIR(st.st_mode);
    info.size = info.folder ? 0 : static_cast<uint64_t>(st.st_size);
    info.mtime = static_cast<int64_t>(st.st_mtime);
    return info.folder || S_ISREG(st.st_mode);
}

bool folder_entries(const std::wstring& folder, std::vector<std::wstring>& names) {
    DIR* dir = opendir(path_to_bytes(folder).c_str());
    if (!dir) return false;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(path_to_utf16(name));
    }
    closedir(dir);
    return true;
}
