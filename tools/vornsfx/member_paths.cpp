#include "member_paths.h"

#include "Sfx/paths.h"
#include "encoder/member_names.h"
#include "huffman/huffman.h"

namespace {

// The path the stub writes, one separator, no trailing one, case folded.
std::wstring written_key(const CWideSz& stored) {
    CWideSz written(stored);
    sanitize_member_path(written);
    std::wstring key = folded(std::wstring(written.c_str(), written.length()));
    for (wchar_t& c : key)
        if (c == L'\\') c = L'/';
    while (!key.empty() && key.back() == L'/') key.pop_back();
    return key;
}

}  // namespace

std::string WrittenPaths::add(const MemberEntry& entry) {
    if (entry.header.path.empty()) return std::string();  // member_problem's concern
    const std::wstring key = written_key(entry.header.path);
    if (key.empty()) return "the stub's path rules leave nothing of its path to write";
    const std::string label = member_label(entry);
    for (size_t slash = key.find(L'/'); slash != std::wstring::npos;
         slash = key.find(L'/', slash + 1)) {
        const std::wstring parent = key.substr(0, slash);
        auto file = files_.find(parent);
        if (file != files_.end()) return "it needs a folder where " + file->second + " is a file";
        folders_.emplace(parent, label);
    }
    const bool folder_member = entry.method == HUFFMAN::METHOD_LHD;
    auto file = files_.find(key);
    if (file != files_.end())
        return folder_member ? "it needs a folder where " + file->second + " is a file"
                             : "the stub would write it over " + file->second +
                                   " (Windows does not tell names apart by case)";
    if (folder_member) {
        folders_.emplace(key, label);
        return std::string();
    }
    auto folder = folders_.find(key);
    if (folder != folders_.end()) return "it is a file where " + folder->second + " needs a folder";
    files_.emplace(key, label);
    return std::string();
}
