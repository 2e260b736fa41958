#include "member_header.h"

#include <cstring>

#include "messages.h"
#include "report.h"

namespace {

// Offsets common to all levels.
constexpr size_t AT_HEADER_SIZE = 0;
constexpr size_t AT_SIZE_HIGH = 1;  // level 2: high byte of the header size
constexpr size_t AT_METHOD = 2;
constexpr size_t AT_PACKED_SIZE = 7;
constexpr size_t AT_ORIGINAL_SIZE = 11;
constexpr size_t AT_TIME = 15;
constexpr size_t AT_ATTRIBUTE = 19;
constexpr size_t AT_LEVEL = 20;
// Levels 0 and 1: name length and name; level 2: the tail starts here.
constexpr size_t AT_NAME_LENGTH = 21;
constexpr size_t AT_NAME = 22;
constexpr size_t LEVEL2_TAIL = 21;
constexpr size_t LEVEL2_FIRST_EXTENSION = 24;

// What follows the name, told apart by the header length minus the name length.
constexpr int TAIL_NONE = 20;
constexpr int TAIL_CRC = 22;
constexpr int TAIL_CRC_AND_OS = 24;

// Extended header types.
constexpr uint8_t EXT_NAME = 0x01;
constexpr uint8_t EXT_FOLDER = 0x02;
constexpr uint8_t EXT_ATTRIBUTE = 0x40;
constexpr uint8_t EXT_UNICODE_NAME = 0x44;
constexpr uint8_t EXT_UNICODE_FOLDER = 0x45;
constexpr uint8_t EXT_UNIX_MODE = 0x50;
// An extended header holds at least its type and the next header's size.
constexpr size_t EXT_FRAME = 3;

constexpr uint8_t OS_MSDOS = 'M';
constexpr uint8_t OS_HUMAN68K = 'H';
constexpr uint8_t OS_UNIX = 'U';
// Level 0 from a Unix tool: behind the OS id a minor version byte, the Unix
// time (4 bytes), then the mode; the header must reach that far.
constexpr size_t LEVEL0_UNIX_MODE = 8;  // from the tail: CRC, OS id, version, time
constexpr int TAIL_WITH_UNIX_MODE = 30;
constexpr uint16_t UNIX_FILE_TYPE = 0xF000;
constexpr uint16_t UNIX_SYMBOLIC_LINK = 0xA000;
constexpr uint8_t FOLDER_SEPARATOR_BYTE = 0xFF;
constexpr wchar_t FOLDER_SEPARATOR = L'/';

uint16_t u16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t u32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

bool read_exactly(CWinFile& archive, uint8_t* into, size_t count) {
    return count == 0 || archive.read(into, static_cast<uint32_t>(count)) == static_cast<int32_t>(count);
}

// Header bytes 0 to 20, the level byte last: a reader needs them all before
// it knows how long the header is.
constexpr size_t FIXED_FIELDS = AT_LEVEL + 1;
constexpr uint8_t METHOD_FRAME = '-';

// A zero where a header would start ends the archive, unless a level-2 header
// of 256, 512, ... bytes starts there: its length's low byte is zero too.
bool is_round_level2(const uint8_t* fields) {
    return fields[AT_LEVEL] == 2 && fields[AT_SIZE_HIGH] != 0 && fields[AT_METHOD] == METHOD_FRAME &&
           fields[AT_METHOD + METHOD_ID_LENGTH - 1] == METHOD_FRAME;
}

// Reads the fixed fields behind a first byte of zero; false (the file where it
// was) when they are not those of a level-2 header.
bool read_round_level2(CWinFile& archive, uint8_t* fields) {
    const int64_t after_zero = archive.seek(0, FILE_CURRENT);
    if (read_exactly(archive, fields + 1, FIXED_FIELDS - 1) && is_round_level2(fields)) return true;
    archive.seek(after_zero, FILE_BEGIN);
    return false;
}

// ANSI bytes (a zero byte among them ends the text) through the system code page.
CWideSz ansi_text(const uint8_t* bytes, size_t count) {
    char text[HEADER_BUFFER_SIZE + 1];
    std::memcpy(text, bytes, count);
    text[count] = 0;
    return CWideSz(text);
}

// UTF-16LE units up to the end of the data or a zero unit; an odd last byte
// is not a unit and is left out.
CWideSz utf16_text(const uint8_t* bytes, size_t count) {
    CWideSz text(L"");
    for (size_t i = 0; i + 1 < count; i += 2) {
        wchar_t unit = static_cast<wchar_t>(u16(bytes + i));
        if (unit == 0) break;
        text += unit;
    }
    return text;
}

// Folder bytes: 0xFF, '\' and '/' all separate components. The bytes go
// through the ANSI code page like names do, so a multi-byte character whose
// second byte is 0x5C stays whole; 0xFF never occurs inside one.
CWideSz folder_text(const uint8_t* bytes, size_t count) {
    uint8_t separated[HEADER_BUFFER_SIZE];
    for (size_t i = 0; i < count; ++i)
        separated[i] = bytes[i] == FOLDER_SEPARATOR_BYTE ? '/' : bytes[i];
    CWideSz text = ansi_text(separated, count);
    text.replace_separators(FOLDER_SEPARATOR);
    return text;
}

struct Names {
    CWideSz name;
    CWideSz folder;
    bool unicode_name = false;
    bool unicode_folder = false;
};

void apply_extension(const uint8_t* data, size_t length, uint8_t type, Names& names,
                     CMemberHeader& out) {
    switch (type) {
    case EXT_NAME:
        if (!names.unicode_name) names.name = ansi_text(data, length);
        break;
    case EXT_FOLDER:
        if (!names.unicode_folder) names.folder = folder_text(data, length);
        break;
    case EXT_ATTRIBUTE:
        if (length >= 1 && (out.os_id == OS_MSDOS || out.os_id == OS_HUMAN68K || out.os_id == 0))
            out.attribute = data[0];
        break;
    case EXT_UNICODE_NAME:
        names.name = utf16_text(data, length);
        names.unicode_name = true;
        break;
    case EXT_UNICODE_FOLDER:
        names.folder = utf16_text(data, length);
        names.folder.replace_separators(FOLDER_SEPARATOR);
        names.unicode_folder = true;
        break;
    case EXT_UNIX_MODE:
        if (length >= 2) out.unix_mode = u16(data);
        break;
    default:  // the common header with its CRC, and the rest: not needed
        break;
    }
}

// Walks the chain of extended headers whose first size field is at cursor.
// Level 1 reads each from the file; level 2 has them in the buffer already,
// inside header_end. False for a chain that is cut short or leaves its room.
bool walk_extensions(CWinFile& archive, uint8_t* buffer, size_t cursor, bool in_buffer,
                     size_t header_end, Names& names, CMemberHeader& out, uint64_t& total) {
    size_t size = u16(buffer + cursor);
    cursor += 2;
    total = 0;
    while (size != 0) {
        if (size < EXT_FRAME) return false;
        if (in_buffer) {
            if (cursor + size > header_end) return false;
        } else {
            if (size > HEADER_BUFFER_SIZE - cursor) return false;
            if (!read_exactly(archive, buffer + cursor, size)) return false;
        }
        apply_extension(buffer + cursor + 1, size - EXT_FRAME, buffer[cursor], names, out);
        total += size;
        cursor += size - 2;
        size = u16(buffer + cursor);
        cursor += 2;
    }
    return true;
}

HeaderRead broken(HWND owner) {
    show_message(owner, TEXT_UNKNOWN_HEADER, DEFAULT_TITLE, MB_ICONERROR);
    return HeaderRead::broken;
}

}  // namespace

HeaderRead read_member_header(CWinFile& archive, HWND owner, CMemberHeader& out) {
    out = CMemberHeader();
    // The previous member's data claimed to run past the end of the file: the
    // archive was cut (or its size field damaged), which is no clean end.
    if (archive.seek(0, FILE_CURRENT) > archive.size()) return broken(owner);
    uint8_t buffer[HEADER_BUFFER_SIZE] = {};
    int32_t got = archive.read(buffer, 1);
    if (got < 0) return broken(owner);
    if (got == 0) return HeaderRead::end;
    const size_t first_length = buffer[AT_HEADER_SIZE];
    if (first_length == 0) {
        if (!read_round_level2(archive, buffer)) return HeaderRead::end;
    } else if (!read_exactly(archive, buffer + 1, FIXED_FIELDS - 1)) {
        return broken(owner);
    }

    // Levels 0 and 1 count the header without its size byte and checksum;
    // level 2 counts all of it, in 16 bits.
    const uint8_t level = buffer[AT_LEVEL];
    size_t header_length = first_length;
    size_t whole_length = first_length + 2;
    if (level == 2) header_length = whole_length = first_length + 256 * buffer[AT_SIZE_HIGH];
    if (whole_length > HEADER_BUFFER_SIZE || whole_length < FIXED_FIELDS) return broken(owner);
    if (!read_exactly(archive, buffer + FIXED_FIELDS, whole_length - FIXED_FIELDS)) return broken(owner);

    std::memcpy(out.method, buffer + AT_METHOD, METHOD_ID_LENGTH);
    out.packed_size = u32(buffer + AT_PACKED_SIZE);
    out.original_size = u32(buffer + AT_ORIGINAL_SIZE);
    out.raw_time = static_cast<int32_t>(u32(buffer + AT_TIME));
    out.attribute = buffer[AT_ATTRIBUTE];
    out.level = level;

    Names names;
    size_t name_length = 0;
    size_t tail = LEVEL2_TAIL;
    if (level != 2) {
        name_length = buffer[AT_NAME_LENGTH];
        names.name = ansi_text(buffer + AT_NAME, name_length);
        tail = AT_NAME + name_length;
    } else {
        out.mtime = out.raw_time;
    }
    const int tail_kind = static_cast<int>(header_length) - static_cast<int>(name_length);
    if (tail_kind >= TAIL_CRC_AND_OS) {
        out.crc = u16(buffer + tail);
        out.os_id = buffer[tail + 2];
        out.has_crc = 1;
        if (level == 0 && out.os_id == OS_UNIX && tail_kind >= TAIL_WITH_UNIX_MODE)
            out.unix_mode = u16(buffer + tail + LEVEL0_UNIX_MODE);
    } else if (tail_kind == TAIL_CRC) {
        out.crc = u16(buffer + tail);
        out.has_crc = 1;
    } else if (tail_kind != TAIL_NONE) {
        return broken(owner);
    }

    if (level != 0) {
        uint64_t extensions = 0;
        size_t first_size = level == 2 ? LEVEL2_FIRST_EXTENSION : first_length;
        if (!walk_extensions(archive, buffer, first_size, level == 2, header_length, names, out,
                             extensions))
            return broken(owner);
        if (level != 2) {
            // The level-1 size field counts the extended headers as well.
            if (extensions > out.packed_size) return broken(owner);
            out.packed_size -= static_cast<uint32_t>(extensions);
        }
    }
    // Some archivers end a folder text without a separator; the name still
    // belongs inside that folder.
    if (!names.folder.empty() && !names.name.empty())
        names.folder.ensure_trailing(FOLDER_SEPARATOR);
    out.path = names.folder;
    out.path += names.name;
    if (level != 2) out.mtime = dos_to_unix_time(static_cast<uint32_t>(out.raw_time));
    return HeaderRead::member;
}

bool is_symbolic_link(const CMemberHeader& member) {
    return (member.unix_mode & UNIX_FILE_TYPE) == UNIX_SYMBOLIC_LINK;
}

uint64_t scan_total_size(CWinFile& archive) {
    const int64_t start = archive.seek(0, FILE_CURRENT);
    uint64_t total = 0;
    int64_t position = start;
    for (;;) {
        uint8_t fields[FIXED_FIELDS] = {};
        if (archive.read(fields, 1) != 1) break;
        if (fields[AT_HEADER_SIZE] == 0 ? !read_round_level2(archive, fields)
                                        : !read_exactly(archive, fields + 1, FIXED_FIELDS - 1))
            break;
        total += u32(fields + AT_ORIGINAL_SIZE);
        uint64_t header_length = fields[AT_LEVEL] == 2
                                     ? fields[AT_HEADER_SIZE] + 256u * fields[AT_SIZE_HIGH]
                                     : fields[AT_HEADER_SIZE] + 2u;
        position += static_cast<int64_t>(header_length + u32(fields + AT_PACKED_SIZE));
        if (archive.seek(position, FILE_BEGIN) < 0) break;
    }
    archive.seek(start, FILE_BEGIN);
    return total;
}
