#include "files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <sstream>

#include "corpus.h"
#include "text/utf8.h"
#include "text/win_file.h"

#ifdef _WIN32
fs::path native(const std::wstring& path) { return fs::path(path); }
std::wstring wide(const fs::path& path) { return path.wstring(); }
#else
fs::path native(const std::wstring& path) { return fs::path(utf16_to_utf8(path)); }
std::wstring wide(const fs::path& path) { return utf8_to_utf16(path.string()); }
#endif

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = wide(fs::temp_directory_path());
    if (!path_.empty() && path_.back() == SEPARATOR) path_.pop_back();
    path_ += SEPARATOR + std::wstring(L"vornsfx-test-") +
            std::to_wstring(stamp) + L"-" + std::to_wstring(counter++);
    fs::create_directories(native(path_));
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(native(path_), ignored);
}

// File contents go through the program's own file object: the C++ streams of
// the Windows runtime crash under the Universal CRT.
void write_file(const std::wstring& path, const Bytes& bytes) {
    CWinFile file;
    ASSERT_TRUE(file.open(path.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS)) << utf16_to_utf8(path);
    ASSERT_TRUE(file.write(bytes.data(), static_cast<uint32_t>(bytes.size())));
}

BytesFile::BytesFile(const Bytes& bytes) {
    write_file(dir_ / L"bytes.bin", bytes);
    file_.open((dir_ / L"bytes.bin").c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
}

Bytes read_file(const std::wstring& path) {
    CWinFile file;
    if (!file.open(path.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING)) return Bytes();
    Bytes bytes(static_cast<size_t>(file.size()));
    int32_t got = file.read(bytes.data(), static_cast<uint32_t>(bytes.size()));
    bytes.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return bytes;
}

bool exists(const std::wstring& path) {
    std::error_code ignored;
    return fs::exists(native(path), ignored);
}

void make_folder(const std::wstring& path) { fs::create_directories(native(path)); }

std::set<std::wstring> folder_entries(const std::wstring& folder) {
    std::set<std::wstring> names;
    std::error_code error;
    for (auto it = fs::directory_iterator(native(folder), error);
         !error && it != fs::directory_iterator(); it.increment(error))
        names.insert(wide(it->path().filename()));
    return names;
}

std::wstring path_from_environment(const char* variable) {
    const char* value = std::getenv(variable);
    if (!value || !*value) {
        ADD_FAILURE() << "environment variable " << variable << " is not set";
        return std::wstring();
    }
    std::wstring path = utf8_to_utf16(value);
#ifdef _WIN32
    // Wine hands over Unix paths; its drive Z: is the Unix root.
    if (!path.empty() && path[0] == L'/') {
        for (wchar_t& c : path)
            if (c == L'/') c = L'\\';
        path = L"Z:" + path;
    }
#endif
    return path;
}

std::string describe(const Tree& tree) {
    std::string text;
    for (const auto& [path, entry] : tree) {
        text += (entry.folder ? "D " : "F ") + utf16_to_utf8(path);
        if (!entry.folder) text += " (" + std::to_string(entry.content.size()) + ")";
        text += "\n";
    }
    return text;
}

Tree list_tree(const std::wstring& folder, const std::set<std::wstring>& skip) {
    Tree tree;
    std::error_code error;
    for (const fs::directory_entry& item :
         fs::recursive_directory_iterator(native(folder), error)) {
        std::wstring path = wide(item.path().lexically_relative(native(folder)));
        std::replace(path.begin(), path.end(), L'\\', L'/');
        if (skip.count(path)) continue;
        TreeEntry& entry = tree[path];
        entry.folder = item.is_directory();
        if (entry.folder) continue;
        const std::wstring file = wide(item.path());
        entry.content = read_file(file);
#ifdef _WIN32
        struct _stat64 status = {};
        _wstat64(file.c_str(), &status);
#else
        struct stat status = {};
        stat(utf16_to_utf8(file).c_str(), &status);
#endif
        entry.mtime = status.st_mtime;
    }
    return tree;
}

std::vector<std::vector<CorpusMember>> read_corpus(const std::wstring& folder) {
    // Columns: archive, member index, method, level, original size, expected, name.
    constexpr size_t COLUMNS = 7;
    Bytes bytes = read_file(folder + TempDir::SEPARATOR + L"manifest.tsv");
    std::stringstream text(std::string(bytes.begin(), bytes.end()));
    std::vector<std::vector<CorpusMember>> archives;
    for (std::string line; std::getline(text, line);) {
        std::vector<std::string> f;
        std::stringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
        if (line[0] == '#' || f.size() != COLUMNS) continue;
        if (archives.empty() || archives.back().front().archive != f[0]) archives.emplace_back();
        archives.back().push_back({f[0], f[2], std::stoi(f[3]), uint32_t(std::stoul(f[4])), f[5], f[6]});
    }
    return archives;
}

Tree corpus_tree(const std::string& archive) {
    const std::wstring corpus = path_from_environment("VORNSFX_CORPUS");
    Tree tree =
        list_tree(corpus + L"/expected/" + utf8_to_utf16(archive.substr(0, archive.rfind('.'))));
    for (const auto& members : read_corpus(corpus)) {
        if (members.front().archive != archive) continue;
        for (const CorpusMember& member : members)
            if (member.folder())
                tree[utf8_to_utf16(member.name.substr(0, member.name.size() - 1))].folder = true;
    }
    EXPECT_FALSE(tree.empty()) << "no expected tree for " << archive;
    return tree;
}

void expect_same_tree(const Tree& actual, const Tree& expected, bool check_times) {
    EXPECT_EQ(describe(actual), describe(expected));
    for (const auto& [path, entry] : expected) {
        auto found = actual.find(path);
        if (found == actual.end() || entry.folder) continue;
        EXPECT_TRUE(found->second.content == entry.content) << utf16_to_utf8(path);
        if (check_times) {
            EXPECT_EQ(found->second.mtime, entry.mtime) << utf16_to_utf8(path);
        }
    }
}
