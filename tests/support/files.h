// File helpers for tests: a private temporary folder, whole-file reads and
// writes, and folder trees read back whole, so that tests compare what a run
// wrote with what it should have written and a failure lists both trees.
//
// Paths are the program's own UTF-16 texts (one unit per wchar_t on every
// platform). They become std::filesystem paths only through native(), because
// the Windows C++ runtime cannot convert narrow paths under the Universal CRT.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "text/win_file.h"

namespace fs = std::filesystem;

using Bytes = std::vector<uint8_t>;

// The path for the standard library's file functions.
fs::path native(const std::wstring& path);
// And back: a standard library path as the program's UTF-16 text.
std::wstring wide(const fs::path& path);

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + SEPARATOR + name; }
    static constexpr wchar_t SEPARATOR = fs::path::preferred_separator;

private:
    std::wstring path_;
};

// A file of the given bytes in a folder of its own, open for reading at its start.
class BytesFile {
public:
    explicit BytesFile(const Bytes& bytes);
    CWinFile& file() { return file_; }

private:
    TempDir dir_;
    CWinFile file_;
};

void write_file(const std::wstring& path, const Bytes& bytes);
Bytes read_file(const std::wstring& path);
bool exists(const std::wstring& path);
void make_folder(const std::wstring& path);
// The names directly in folder; none when it cannot be listed.
std::set<std::wstring> folder_entries(const std::wstring& folder);

// A path named by an environment variable; fails the test when unset.
std::wstring path_from_environment(const char* variable);

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
