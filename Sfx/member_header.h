// LHA member headers: the three header levels, read into one record per member.
//
// An archive is a sequence of members, each a header followed by its data,
// ended by a single zero byte where the next header would begin. Numbers are
// little-endian. Level 0 and 1 headers carry an MS-DOS local time and an ANSI
// name; level 1 and 2 add extended headers (names, folders, attributes);
// level 2 stores the time as seconds since 1970 UTC.
#pragma once

#include <cstdint>

#include "text/platform.h"
#include "text/wide_sz.h"
#include "text/win_file.h"

constexpr size_t METHOD_ID_LENGTH = 5;
// Every header is read into one zero-filled buffer of this size.
constexpr size_t HEADER_BUFFER_SIZE = 4096;

struct CMemberHeader {
    char method[METHOD_ID_LENGTH] = {};  // as stored, e.g. "-lh5-", not terminated
    uint32_t packed_size = 0;    // bytes of member data in the archive
    uint32_t original_size = 0;  // bytes after expansion
    int32_t raw_time = 0;        // MS-DOS date and time (levels 0, 1) or seconds since 1970 (level 2)
    uint8_t attribute = 0;       // recorded, not applied to extracted files
    uint8_t level = 0;
    CWideSz path;                // folder text directly followed by the name
    uint16_t crc = 0;            // CRC-16 of the original data
    uint8_t has_crc = 0;
    uint8_t os_id = 0;
    int64_t mtime = 0;           // modification time, seconds since 1970 UTC
    uint16_t unix_mode = 0;      // Unix file type and permissions, 0 when the header has none
};

// Unix LHA tools store a symbolic link as an empty "-lhd-" member named
// "link|target" whose Unix mode has the link file type. Windows cannot make
// such a link without privileges; the extraction skips these members.
bool is_symbolic_link(const CMemberHeader& member);

enum class HeaderRead {
    member,  // a header was read; the file stands at the member's data
    end,     // the archive's end: its zero byte, or the file's end where a header would begin
    broken,  // a header cut short or of a layout that cannot be read ("Unknown header" was shown)
};

// Reads the header at the file's position. owner owns the message box.
HeaderRead read_member_header(CWinFile& archive, HWND owner, CMemberHeader& out);

// Sum of the original sizes of all members from the file's position on
// in 64 bits, for the progress bar. The position is unchanged.
uint64_t scan_total_size(CWinFile& archive);

// MS-DOS local date and time (date in the high 16 bits) to seconds since 1970 UTC.
int64_t dos_to_unix_time(uint32_t value);

// Seconds to add to local standard time to get UTC (e.g. -32400 for UTC+9),
// read afresh from the C runtime's time-zone data on every call.
int32_t local_time_zone_offset();
