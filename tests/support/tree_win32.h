// The files and folders below a folder, read back from disk so that tests can
// compare whole extracted trees.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "files.h"

struct TreeEntry {
    bool folder = false;
    Bytes content;      // files only
    int64_t mtime = 0;  // files only: last write, seconds since 1970 UTC
};

// Relative path ('/' between components) -> entry, in sorted order.
using Tree = std::map<std::wstring, TreeEntry>;

Tree list_tree(const std::wstring& folder);

// One line per entry ("D name" or "F name (size)"), for failure messages.
std::string describe(const Tree& tree);
