// Names the stub cannot create as they are.
//
// The stub rewrites every stored path with its own sanitiser before it
// writes (device names, ':' and other characters Windows forbids, drive and
// root prefixes, ".." runs); a path that the sanitiser changes would come
// out under another name, so it is refused here, by running the very same
// sanitiser. Windows also drops a trailing dot or space from a name, cannot
// hold two names that differ only in case in one folder, and limits a path
// to MAX_PATH units with the destination in front: a stored path longer
// than STORED_PATH_LIMIT cannot fit under even the shortest destination
// ("C:\"), and a name longer than NAME_LIMIT fits nowhere.
#include "member_names.h"

#include <map>

#include "Sfx/paths.h"
#include "text/utf8.h"
#include "text/wide_sz.h"

namespace {

constexpr size_t WINDOWS_MAX_PATH = 260;
constexpr size_t SHORTEST_DESTINATION = 3;  // "C:\"
constexpr size_t STORED_PATH_LIMIT = WINDOWS_MAX_PATH - 1 - SHORTEST_DESTINATION;
constexpr size_t NAME_LIMIT = 255;
constexpr wchar_t LOWER_TO_UPPER = 0x20;           // in each of the ranges below
constexpr wchar_t CYRILLIC_EXTRA_TO_UPPER = 0x50;  // U+0450-045F to U+0400-040F

// Windows' case-insensitive names, as far as names in practice need it:
// ASCII, Latin-1, Greek, Cyrillic and the full-width Latin letters.
wchar_t fold(wchar_t c) {
    if ((c >= L'a' && c <= L'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) ||
        (c >= 0x3B1 && c <= 0x3C9) || (c >= 0x430 && c <= 0x44F) || (c >= 0xFF41 && c <= 0xFF5A))
        return static_cast<wchar_t>(c - LOWER_TO_UPPER);
    if (c >= 0x450 && c <= 0x45F) return static_cast<wchar_t>(c - CYRILLIC_EXTRA_TO_UPPER);
    return c;
}

}  // namespace

std::wstring folded(const std::wstring& name) {
    std::wstring out = name;
    for (wchar_t& c : out)
        c = fold(c);
    return out;
}

std::string stored_path_problem(const std::wstring& stored) {
    if (stored.size() > STORED_PATH_LIMIT)
        return "the path is " + std::to_string(stored.size()) +
               " characters long; Windows allows " + std::to_string(STORED_PATH_LIMIT) +
               " below the shortest destination";
    // A file name's bytes that were no UTF-8 have no Unicode form to store.
    if (utf8_to_utf16(utf16_to_utf8(stored)) != stored)
        return "a name that is not valid UTF-8, so it has no Windows form";
    size_t start = 0;
    while (start <= stored.size()) {
        size_t end = stored.find(L'/', start);
        if (end == std::wstring::npos) end = stored.size();
        std::wstring name = stored.substr(start, end - start);
        if (name.size() > NAME_LIMIT)
            return "a name longer than " + std::to_string(NAME_LIMIT) + " characters";
        if (!name.empty() && (name.back() == L'.' || name.back() == L' '))
            return "a name ending in a dot or a space, which Windows drops";
        start = end + 1;
    }
    CWideSz written(stored.c_str());
    sanitize_member_path(written);
    if (std::wstring(written.c_str()) != stored)
        return "Windows cannot create this name (the stub would write it as \"" +
               utf16_to_utf8(written.c_str(), written.length()) + "\")";
    return std::string();
}

std::string case_clash(const std::vector<std::wstring>& names) {
    std::map<std::wstring, const std::wstring*> seen;
    for (const std::wstring& name : names) {
        auto inserted = seen.emplace(folded(name), &name);
        if (!inserted.second)
            return utf16_to_utf8(*inserted.first->second) + " and " + utf16_to_utf8(name);
    }
    return std::string();
}
