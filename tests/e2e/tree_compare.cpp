#include "tree_compare.h"

#include "sfx_files.h"
#include "support/files.h"
#include "text/utf8.h"

namespace {

// Relative path -> whether it is a folder.
using Listing = std::set<std::pair<std::wstring, bool>>;

Listing list_tree(const std::wstring& root) {
    Listing listing;
    std::error_code error;
    fs::path base = native(root);
    for (auto it = fs::recursive_directory_iterator(base, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        std::wstring relative = wide(it->path().lexically_relative(base));
        for (wchar_t& c : relative)
            if (c == L'/') c = L'\\';
        listing.insert({relative, it->is_directory()});
    }
    return listing;
}

std::string shown(const std::wstring& path) {
    return utf16_to_utf8(path);
}

}  // namespace

std::vector<std::string> tree_differences(const std::wstring& expected, const std::wstring& actual,
                                          const std::set<std::wstring>& extra) {
    std::vector<std::string> differences;
    Listing want = list_tree(expected);
    Listing have = list_tree(actual);
    if (want.empty()) differences.push_back("expected tree empty or missing: " + shown(expected));
    for (const auto& [path, folder] : want) {
        if (!have.count({path, folder})) {
            differences.push_back((folder ? "missing folder " : "missing file ") + shown(path));
            continue;
        }
        if (!folder && read_file(expected + L"\\" + path) != read_file(actual + L"\\" + path))
            differences.push_back("different content " + shown(path));
    }
    for (const auto& entry : have)
        if (!want.count(entry) && !extra.count(entry.first))
            differences.push_back("unexpected " + shown(entry.first));
    return differences;
}

std::vector<std::string> corpus_differences(const std::wstring& stem, const std::wstring& actual,
                                            std::set<std::wstring> extra) {
    std::vector<std::wstring> folders = corpus_folders(stem);
    std::vector<std::string> differences;
    for (const std::wstring& folder : folders) {
        std::error_code error;
        if (!fs::is_directory(native(actual + L"\\" + folder), error))
            differences.push_back("missing folder " + shown(folder));
        extra.insert(folder);
    }
    std::vector<std::string> rest = tree_differences(corpus_expected(stem), actual, extra);
    differences.insert(differences.end(), rest.begin(), rest.end());
    return differences;
}
