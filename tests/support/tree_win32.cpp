#include "tree_win32.h"

#include <windows.h>

#include "text/utf8.h"

namespace {

constexpr int64_t FILETIME_UNITS_PER_SECOND = 10000000;
constexpr int64_t FILETIME_OF_1970 = 116444736000000000;

int64_t unix_time(const FILETIME& time) {
    int64_t units = static_cast<int64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
    return (units - FILETIME_OF_1970) / FILETIME_UNITS_PER_SECOND;
}

void list_into(const std::wstring& folder, const std::wstring& prefix, Tree& tree) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring relative = prefix + name;
        TreeEntry& entry = tree[relative];
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            entry.folder = true;
            list_into(folder + L"\\" + name, relative + L"/", tree);
        } else {
            entry.content = read_file(folder + L"\\" + name);
            entry.mtime = unix_time(found.ftLastWriteTime);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

}  // namespace

Tree list_tree(const std::wstring& folder) {
    Tree tree;
    list_into(folder, L"", tree);
    return tree;
}

std::string describe(const Tree& tree) {
    std::string text;
    for (const auto& [path, entry] : tree) {
        text += entry.folder ? "D " : "F ";
        text += utf16_to_utf8(path);
        if (!entry.folder) text += " (" + std::to_string(entry.content.size()) + ")";
        text += "\n";
    }
    return text;
}
