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

#include <algorithm>

#include "Sfx/paths.h"
#include "text/utf8.h"
#include "text/wide_sz.h"

namespace {

constexpr size_t WINDOWS_MAX_PATH = 260;
constexpr size_t SHORTEST_DESTINATION = 3;  // "C:\"
constexpr size_t STORED_PATH_LIMIT = WINDOWS_MAX_PATH - 1 - SHORTEST_DESTINATION;
constexpr size_t NAME_LIMIT = 255;
constexpr wchar_t LOWER_TO_UPPER = 0x20;           // in each of the ranges below
constexpr wchar_t SURROGATE_FIRST = 0xD800;
constexpr wchar_t SURROGATE_END = 0xE000;
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

// Negative, zero or positive as a sorts before, with or after b when case
// does not count.
int folded_compare(const std::wstring& a, const std::wstring& b) {
    size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        if (a[i] == b[i]) continue;  // most of a sorted neighbour's path
        wchar_t x = fold(a[i]), y = fold(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

bool is_surrogate(wchar_t c) {
    return c >= SURROGATE_FIRST && c < SURROGATE_END;
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
    // A file name's bytes that were no UTF-8 have no Unicode form to store;
    // they come as lone surrogates, so a path without surrogates is whole.
    if (std::any_of(stored.begin(), stored.end(), is_surrogate) &&
        utf8_to_utf16(utf16_to_utf8(stored)) != stored)
        return "a name that is not valid UTF-8, so it has no Windows form";
    for (size_t start = 0; start <= stored.size();) {
        size_t end = std::min(stored.find(L'/', start), stored.size());
        if (end - start > NAME_LIMIT)
            return "a name longer than " + std::to_string(NAME_LIMIT) + " characters";
        if (end > start && (stored[end - 1] == L'.' || stored[end - 1] == L' '))
            return "a name ending in a dot or a space, which Windows drops";
        start = end + 1;
    }
    CWideSz written(stored.c_str());
    sanitize_member_path(written);
    if (stored.compare(0, std::wstring::npos, written.c_str(), written.length()) != 0)
        return "Windows cannot create this name (the stub would write it as \"" +
               utf16_to_utf8(written.c_str(), written.length()) + "\")";
    return std::string();
}

// Sorted as Windows compares them, and paths equal that way in their own
// order, so a path given twice, and two that differ only in case, end up
// side by side. The paths are compared where they are: a tree's worth of
// folded copies would cost more than the sorting.
std::string repeated_path(std::vector<const std::wstring*> paths) {
    std::sort(paths.begin(), paths.end(), [](const std::wstring* a, const std::wstring* b) {
        int order = folded_compare(*a, *b);
        return order != 0 ? order < 0 : *a < *b;
    });
    for (size_t i = 1; i < paths.size(); ++i)
        if (*paths[i - 1] == *paths[i]) return utf16_to_utf8(*paths[i]) + ": given twice";
    for (size_t i = 1; i < paths.size(); ++i)
        if (folded_compare(*paths[i - 1], *paths[i]) == 0)
            return "Windows cannot hold both " + utf16_to_utf8(*paths[i - 1]) + " and " +
                   utf16_to_utf8(*paths[i]);
    return std::string();
}
