#include "driver_win32.h"

#include <sys/stat.h>

#include <algorithm>

#include "corpus.h"
#include "text/utf8.h"

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
        struct _stat64 status = {};
        _wstat64(file.c_str(), &status);
        entry.mtime = status.st_mtime;
    }
    return tree;
}

Tree corpus_tree(const std::string& archive) {
    const std::wstring corpus = path_from_environment("VORNSFX_CORPUS");
    Tree tree =
        list_tree(corpus + L"\\expected\\" + utf8_to_utf16(archive.substr(0, archive.rfind('.'))));
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
