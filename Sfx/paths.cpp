#include "paths.h"

#include <utility>

// How a stored path becomes safe, in order:
//  1. '\', '/' and U+FFFF all separate components (archives from MS-DOS and
//     Windows use '\', others '/'; the reader turns 0xFF into '/').
//  2. Prefixes that reach outside the current folder go: a device prefix
//     ("\\?\", "\\.\", "\??\", with "UNC\" after it), a drive ("C:"), and
//     every leading separator, so "\\server\share\x" becomes "server/share/x".
//  3. Empty components go, and so do components made only of dots and spaces:
//     Windows drops a name's trailing dots and spaces, so ".. " and "..." would
//     mean ".." or "." to it. A root or a parent reference also takes the
//     leading dots of the component after it, as "a/../.b" -> "a/b" always did.
//  4. Forbidden characters (':' of a drive or a stream, '*', '?', '"', '<', '>',
//     '|' and control characters) become '_'.
//  5. A component Windows would open as a device (CON, NUL.txt, com1, ...)
//     gets a leading '_'.
// No fixed buffers are involved, so no name is too long to be cleaned; one
// too long for the file system fails where the file is created.

namespace {

constexpr wchar_t OUTPUT_SEPARATOR = L'/';
constexpr wchar_t DRIVE_MARK = L':';
constexpr wchar_t REPLACEMENT = L'_';
constexpr wchar_t DEVICE_GUARD = L'_';
constexpr wchar_t ELLIPSIS = 0x2026;
constexpr wchar_t FIRST_PRINTABLE = 0x20;
constexpr wchar_t LOW_SURROGATE_FIRST = 0xDC00;
constexpr wchar_t LOW_SURROGATE_LAST = 0xDFFF;
constexpr wchar_t NONCHARACTER_SEPARATOR = 0xFFFF;
// "\\?\" and its kin: two separators, a mark, a separator.
constexpr size_t DEVICE_PREFIX_UNITS = 4;
constexpr size_t DRIVE_UNITS = 2;

// Devices whose names Windows resolves in every folder, with or without an
// extension. COM and LPT take one digit, superscripts included.
constexpr const wchar_t* DEVICE_NAMES[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
constexpr const wchar_t* NUMBERED_DEVICES[] = {L"COM", L"LPT"};
constexpr size_t NUMBERED_DEVICE_UNITS = 3;

bool is_separator(wchar_t c) {
    return c == L'/' || c == L'\\' || c == NONCHARACTER_SEPARATOR;
}

bool is_forbidden(wchar_t c) {
    switch (c) {
    case L':': case L'*': case L'?': case L'"': case L'<': case L'>': case L'|':
        return true;
    default:
        return c < FIRST_PRINTABLE;
    }
}

wchar_t upper_ascii(wchar_t c) {
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

bool same_ascii(const wchar_t* text, size_t length, const wchar_t* word) {
    size_t i = 0;
    for (; i < length && word[i]; ++i)
        if (upper_ascii(text[i]) != word[i]) return false;
    return i == length && word[i] == 0;
}

bool is_device_digit(wchar_t c) {
    constexpr wchar_t SUPERSCRIPT_ONE = 0xB9, SUPERSCRIPT_TWO = 0xB2, SUPERSCRIPT_THREE = 0xB3;
    return (c >= L'0' && c <= L'9') || c == SUPERSCRIPT_ONE || c == SUPERSCRIPT_TWO ||
           c == SUPERSCRIPT_THREE;
}

// Windows reads the part before the first dot, without trailing spaces.
bool is_device_name(const wchar_t* name, size_t length) {
    size_t base = 0;
    while (base < length && name[base] != L'.') ++base;
    while (base > 0 && name[base - 1] == L' ') --base;
    for (const wchar_t* device : DEVICE_NAMES)
        if (same_ascii(name, base, device)) return true;
    if (base != NUMBERED_DEVICE_UNITS + 1 || !is_device_digit(name[NUMBERED_DEVICE_UNITS]))
        return false;
    for (const wchar_t* device : NUMBERED_DEVICES)
        if (same_ascii(name, NUMBERED_DEVICE_UNITS, device)) return true;
    return false;
}

bool starts_device_prefix(const wchar_t* p) {
    return is_separator(p[0]) && (is_separator(p[1]) || p[1] == L'?') &&
           (p[2] == L'?' || p[2] == L'.') && is_separator(p[3]);
}

// Steps over "\\?\", "\\.\" and "\??\" (with "UNC\" behind them) and a drive.
// True when what is left is rooted, that is, starts with a separator.
bool skip_prefixes(const wchar_t*& p) {
    if (starts_device_prefix(p)) {
        p += DEVICE_PREFIX_UNITS;
        if (same_ascii(p, 3, L"UNC") && is_separator(p[3])) p += 3;
    }
    if (p[0] && !is_separator(p[0]) && p[1] == DRIVE_MARK) p += DRIVE_UNITS;
    return is_separator(p[0]);
}

// Appends one cleaned component [first, last) to out.
void append_component(CWideString& out, const wchar_t* first, const wchar_t* last) {
    CWideString name(first, static_cast<size_t>(last - first));
    for (size_t i = 0; i < name.length(); ++i)
        if (is_forbidden(name[i])) name.data()[i] = REPLACEMENT;
    if (!out.empty()) out.push_back(OUTPUT_SEPARATOR);
    if (is_device_name(name.c_str(), name.length())) out.push_back(DEVICE_GUARD);
    out += name.c_str();
}

}  // namespace

void sanitize_member_path(CWideSz& path) {
    if (!path.present()) return;
    const wchar_t* p = path.c_str();
    bool strip_dots = skip_prefixes(p);
    CWideString out;
    while (*p) {
        while (is_separator(*p)) ++p;
        const wchar_t* first = p;
        size_t dots = 0;
        while (*p && !is_separator(*p)) dots += *p++ == L'.';
        const wchar_t* last = p;
        while (last > first && (last[-1] == L'.' || last[-1] == L' ')) --last;
        if (last == first) {
            // Nothing but dots and spaces: "." stays harmless, two dots or
            // more are a way up, however disguised.
            if (dots >= 2) strip_dots = true;
            continue;
        }
        if (strip_dots) {
            while (*first == L'.') ++first;
            strip_dots = false;
        }
        append_component(out, first, last);
    }
    path = CWideSz(out);
}

bool parent_directory(CWideString& path) {
    if (path.empty()) return false;
    CWideString copy(path);
    if (is_separator(copy.back())) copy.resize(copy.length() - 1);
    if (copy.length() < 2) return false;
    size_t cut = copy.length() - 1;
    while (cut >= 1 && !(copy[cut] == L'/' || copy[cut] == L'\\')) --cut;
    if (cut < 1) return false;
    if (copy[cut - 1] == DRIVE_MARK) return false;  // "C:\x": the root is no folder to make
    copy.resize(cut);
    path = std::move(copy);
    return true;
}

CWideSz fit_path(const wchar_t* path, size_t max_units) {
    CWideSz whole(path ? path : L"");
    size_t length = whole.length();
    if (length <= max_units) return whole;
    if (max_units == 0) return CWideSz(L"");
    const wchar_t* tail = whole.c_str() + length - (max_units - 1);
    if (*tail >= LOW_SURROGATE_FIRST && *tail <= LOW_SURROGATE_LAST) ++tail;
    CWideSz shown(L"");
    shown += ELLIPSIS;
    shown += tail;
    return shown;
}
