// Native stand-in for the C runtime's path splitter and joiner, following the
// Windows runtime's rules: a drive is a letter and ':' at the start; the folder
// runs up to and including the last '/' or '\'; the extension starts at the
// last '.' of what remains.
#include "crt_path.h"

#include <cerrno>
#include <cwchar>

namespace {

constexpr wchar_t DRIVE_MARK = L':';

bool is_separator(wchar_t c) {
    return c == L'/' || c == L'\\';
}

void clear(wchar_t* buffer, size_t units) {
    if (buffer && units > 0) buffer[0] = 0;
}

// Copies count units into buffer (when there is one); false when they do not fit.
bool put(wchar_t* buffer, size_t units, const wchar_t* from, size_t count) {
    if (!buffer) return true;
    if (count >= units) return false;
    std::wmemcpy(buffer, from, count);
    buffer[count] = 0;
    return true;
}

}  // namespace

int crt_split_path(const wchar_t* path, wchar_t* drive, size_t drive_units,
                   wchar_t* directory, size_t directory_units,
                   wchar_t* name, size_t name_units,
                   wchar_t* extension, size_t extension_units) {
    if (!path) return EINVAL;
    const wchar_t* rest = path;
    size_t drive_length = 0;
    if (path[0] != 0 && path[1] == DRIVE_MARK) {
        drive_length = 2;
        rest = path + 2;
    }
    const wchar_t* name_start = rest;
    const wchar_t* last_dot = nullptr;
    for (const wchar_t* p = rest; *p; ++p) {
        if (is_separator(*p)) {
            name_start = p + 1;
            last_dot = nullptr;
        } else if (*p == L'.') {
            last_dot = p;
        }
    }
    const wchar_t* end = rest + std::wcslen(rest);
    const wchar_t* extension_start = last_dot ? last_dot : end;
    bool fits = put(drive, drive_units, path, drive_length) &&
                put(directory, directory_units, rest, name_start - rest) &&
                put(name, name_units, name_start, extension_start - name_start) &&
                put(extension, extension_units, extension_start, end - extension_start);
    if (fits) return 0;
    clear(drive, drive_units);
    clear(directory, directory_units);
    clear(name, name_units);
    clear(extension, extension_units);
    return ERANGE;
}

int crt_make_path(wchar_t* out, size_t out_units, const wchar_t* drive,
                  const wchar_t* directory, const wchar_t* name, const wchar_t* extension) {
    if (!out || out_units == 0) return EINVAL;
    size_t used = 0;
    auto add = [&](wchar_t c) {
        if (used + 1 >= out_units) return false;
        out[used++] = c;
        return true;
    };
    auto add_text = [&](const wchar_t* text) {
        for (; text && *text; ++text)
            if (!add(*text)) return false;
        return true;
    };
    bool fits = true;
    if (drive && *drive) fits = add(drive[0]) && add(DRIVE_MARK);
    if (fits && directory && *directory) {
        fits = add_text(directory);
        if (fits && !is_separator(directory[std::wcslen(directory) - 1])) fits = add(L'\\');
    }
    if (fits) fits = add_text(name);
    if (fits && extension && *extension) {
        if (*extension != L'.') fits = add(L'.');
        if (fits) fits = add_text(extension);
    }
    if (!fits) {
        out[0] = 0;
        return ERANGE;
    }
    out[used] = 0;
    return 0;
}
