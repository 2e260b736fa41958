// The files and folders below a folder, read back from disk so that tests can
// compare whole extracted trees.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "files.h"

struct TreeEntry {
    bool folder = false;
    Bytes content;      // files only
    int64_t mtime = 0;  // files only: last write, seconds since 1970 UTC
};

// Relative path ('/' between components) -> entry, in sorted order.
using Tree = std::map<std::wstring, TreeEntry>;

// The tree below folder, without the entries named in skip.
Tree list_tree(const std::wstring& folder, const std::set<std::wstring>& skip = {});
// One line per entry ("D name" or "F name (size)"), for comparisons that show
// the whole tree when they fail.
std::string describe(const Tree& tree);

// What extracting a committed corpus archive (by file name) gives: the tree
// lhasa extracted, with the archive's folder members, whose empty folders the
// committed tree cannot hold.
Tree corpus_tree(const std::string& archive);

// Fails the test on every entry, file content and (check_times) time that
// differs, listing both trees.
void expect_same_tree(const Tree& actual, const Tree& expected, bool check_times);
