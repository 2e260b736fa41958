// LHA member headers of levels 0, 1 and 2, field by field. The archive
// writer uses level 2; levels 0 and 1 (and headers with odd fields) serve
// the tests, which make sound and hostile headers with the same writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using ByteString = std::vector<uint8_t>;

// Extended header types.
constexpr uint8_t EXT_COMMON = 0x00;          // the header's CRC-16
constexpr uint8_t EXT_NAME = 0x01;            // file name, ANSI (Shift_JIS) bytes
constexpr uint8_t EXT_FOLDER = 0x02;          // folder, 0xFF after each component
constexpr uint8_t EXT_UNICODE_NAME = 0x44;    // file name, UTF-16LE
constexpr uint8_t EXT_UNICODE_FOLDER = 0x45;  // folder, UTF-16LE, U+FFFF after each component
constexpr uint8_t EXT_COMMENT = 0x3F;         // free text; every reader skips it

struct Extension {
    uint8_t type;
    ByteString data;
};

struct HeaderFields {
    int level = 2;
    std::string method = "-lh0-";
    uint32_t packed_size = 0;  // data bytes; level 1 adds the extensions itself
    uint32_t original_size = 0;
    uint32_t time = 0;  // MS-DOS (levels 0, 1) or seconds since 1970 (level 2)
    uint8_t attribute = 0x20;
    ByteString name;       // levels 0 and 1: ANSI name bytes in the base part
    bool with_crc = true;  // level 0 only: without it the tail is empty
    uint16_t crc = 0;
    uint8_t os_id = 'M';
    bool with_os = false;               // level 0 only: an OS id byte after the CRC
    ByteString level0_extra;            // level 0 only: bytes of the extension area
    std::vector<Extension> extensions;  // levels 1 and 2
};

// The header exactly as the fields say; a level-2 header's common extension
// (EXT_COMMON) gets the CRC-16 of the whole header.
ByteString header_bytes(const HeaderFields& fields);

ByteString utf16le(const std::wstring& text);
Extension unicode_name_extension(const std::wstring& name);
Extension unicode_folder_extension(const std::wstring& folder);
// The CRC extension, filled in by header_bytes.
Extension common_extension();

// Adds an empty comment, where needed, so that the low byte of a level-2
// header's length is at least LEVEL2_FIRST_READ: the stub reads that many
// bytes first and only then knows the header's level.
void pad_level2(HeaderFields& fields);
