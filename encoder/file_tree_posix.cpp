// POSIX back end: stat and readdir, names as UTF-8.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <utility>

#include "file_tree.h"
#include "text/utf8.h"

const wchar_t NATIVE_SEPARATOR = L'/';

namespace {

// stat follows links, as opening the file to read it will.
bool info_of(const struct stat& st, PathInfo& info) {
    info.folder = S_ISDIR(st.st_mode);
    info.size = info.folder ? 0 : static_cast<uint64_t>(st.st_size);
    info.mtime = static_cast<int64_t>(st.st_mtime);
    return info.folder || S_ISREG(st.st_mode);
}

}  // namespace

bool path_info(const std::wstring& path, PathInfo& info) {
    struct stat st;
    return stat(path_to_bytes(path).c_str(), &st) == 0 && info_of(st, info);
}

// Entries are looked at relative to the open folder: the system does not
// walk the whole path again for each.
bool folder_entries(const std::wstring& folder, std::vector<FolderEntry>& entries) {
    DIR* dir = opendir(path_to_bytes(folder).c_str());
    if (!dir) return false;
    while (dirent* found = readdir(dir)) {
        std::string name = found->d_name;
        if (name == "." || name == "..") continue;
        FolderEntry entry;
        entry.name = path_to_utf16(name);
        struct stat st;
        entry.readable = fstatat(dirfd(dir), found->d_name, &st, 0) == 0 && info_of(st, entry.info);
        entries.push_back(std::move(entry));
    }
    closedir(dir);
    return true;
}
