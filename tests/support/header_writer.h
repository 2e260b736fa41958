// Builds LHA member headers of every level for tests, field by field, so a
// test can make both sound and hostile headers without hex blobs.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "files.h"

struct Extension {
    uint8_t type;
    Bytes data;
};

struct HeaderFields {
    int level = 2;
    std::string method = "-lh0-";
    uint32_t packed_size = 0;    // data bytes; level 1 adds the extensions itself
    uint32_t original_size = 0;
    uint32_t time = 0;           // MS-DOS (levels 0, 1) or seconds since 1970 (level 2)
    uint8_t attribute = 0x20;
    Bytes name;                  // levels 0 and 1: ANSI name bytes in the base part
    bool with_crc = true;        // level 0 only: without it the tail is empty
    uint16_t crc = 0;
    uint8_t os_id = 'M';
    bool with_os = false;        // level 0 only: an OS id byte after the CRC
    Bytes level0_extra;          // level 0 only: bytes of the extension area
    std::vector<Extension> extensions;  // levels 1 and 2
};

Bytes header_bytes(const HeaderFields& fields);

// Extension helpers.
Extension name_extension(const std::string& ansi_name);
Extension folder_extension(const std::string& folder_bytes);  // 0xFF between components
Extension unicode_name_extension(const std::wstring& name);
Extension unicode_folder_extension(const std::wstring& folder);

// A whole member: the header of fields, named ansi_name (levels 0 and 1 in
// the base part, level 2 in an extended header), with data as its packed data.
Bytes member_with(HeaderFields fields, const std::string& ansi_name, const Bytes& data);
// A sound stored member of that level: sizes and CRC-16 from data.
Bytes stored_member(int level, const std::string& ansi_name, const Bytes& data);

// An empty "-lhd-" member as Unix LHA tools store a symbolic link: named
// "link|target", the link file type in its Unix mode (level 0 in the Unix
// extension area, levels 1 and 2 in an extended header 0x50); with
// link false the same member with an ordinary file's mode.
Bytes unix_link_member(int level, const std::string& link_and_target, bool link = true);

// The parts one after another.
Bytes concat(std::initializer_list<Bytes> parts);

Bytes ascii(const std::string& text);
