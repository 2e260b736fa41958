// Member names made to escape the destination folder, and archives that carry
// them in every way a header can: levels 0, 1 and 2, ANSI and UTF-16 names and
// folder headers, with '/', '\', 0xFF and U+FFFF between components.
#pragma once

#include <string>
#include <vector>

#include "files.h"

struct HostileName {
    std::wstring stored;   // '/' between components; a trailing '/' makes a folder member
    std::wstring written;  // where it must land below the destination; "" for nowhere
    bool folder() const { return !stored.empty() && stored.back() == L'/'; }
};

// The names. outside_folder is an absolute path above the destination: some
// names point straight at it, so an escape shows up in a listing of it.
std::vector<HostileName> hostile_names(const std::wstring& outside_folder);

enum class NameStyle {
    level0_backslash,       // the whole path in the base header, '\' between components
    level0_slash,           // the same with '/'
    level1_ansi_ff,         // name in the base header, folder header 0x02 with 0xFF
    level1_utf16_backslash, // UTF-16 name 0x44 and folder 0x45 with '\'
    level2_ansi_ff,         // name 0x01, folder 0x02 with 0xFF
    level2_ansi_in_name,    // the whole path in the name header 0x01, '\' between
    level2_utf16_slash,     // UTF-16 name 0x44 and folder 0x45 with '/'
    level2_utf16_ffff,      // the same with U+FFFF
};
extern const NameStyle ALL_NAME_STYLES[8];
const char* style_name(NameStyle style);

// A stored archive of all names in the style, zero byte included. The file
// members' data is hostile_content(name).
Bytes hostile_archive(const std::vector<HostileName>& names, NameStyle style);
Bytes hostile_content(const HostileName& name);
