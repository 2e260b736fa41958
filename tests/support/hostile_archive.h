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

// How a header carries a path.
struct NameStyle {
    const char* description;
    int level;
    enum Layout {
        whole_path,   // the whole path as ANSI: level 0 in the base header, level 2 in 0x01
        ansi_split,   // the name as ANSI (base header or 0x01), the folder in 0x02
        utf16_split,  // the name in 0x44, the folder in 0x45
    } layout;
    wchar_t separator;  // between components; 0xFF in an ANSI folder is the byte 0xFF
};
extern const NameStyle NAME_STYLES[8];

// A stored archive of all names in the style, zero byte included. The file
// members' data is hostile_content(name).
Bytes hostile_archive(const std::vector<HostileName>& names, const NameStyle& style);
Bytes hostile_content(const HostileName& name);
