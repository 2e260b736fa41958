#include "stub_image.h"

#include "Sfx/config.h"
#include "text/utf8.h"
#include "tool_error.h"
#include "tool_platform.h"

namespace {

// The MS-DOS header every Windows program starts with, and the field in it
// that locates the PE header.
constexpr uint8_t DOS_SIGNATURE[] = {'M', 'Z'};
constexpr uint32_t DOS_HEADER_SIZE = 64;
constexpr uint32_t AT_PE_HEADER_OFFSET = 0x3C;
constexpr uint8_t PE_SIGNATURE[] = {'P', 'E', 0, 0};

constexpr wchar_t STUB_NAME[] = L"Sfx64.exe";
constexpr wchar_t BUILD_TREE_STUB[] = L"out/Sfx64.exe";

uint32_t u32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

bool read_at(CWinFile& file, int64_t offset, uint8_t* into, uint32_t count) {
    return file.seek(offset, FILE_BEGIN) == offset &&
           file.read(into, count) == static_cast<int32_t>(count);
}

bool file_exists(const std::wstring& path) {
    CWinFile file;
    return file.open(path.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
}

}  // namespace

bool is_pe_image(CWinFile& file) {
    uint8_t dos_header[DOS_HEADER_SIZE];
    if (file.size() < DOS_HEADER_SIZE || !read_at(file, 0, dos_header, DOS_HEADER_SIZE))
        return false;
    if (dos_header[0] != DOS_SIGNATURE[0] || dos_header[1] != DOS_SIGNATURE[1]) return false;
    uint32_t pe_offset = u32(dos_header + AT_PE_HEADER_OFFSET);
    uint8_t signature[sizeof PE_SIGNATURE];
    if (pe_offset + uint64_t{sizeof signature} > static_cast<uint64_t>(file.size()) ||
        !read_at(file, pe_offset, signature, sizeof signature))
        return false;
    for (size_t i = 0; i < sizeof signature; ++i)
        if (signature[i] != PE_SIGNATURE[i]) return false;
    return true;
}

ByteVector load_stub_image(const std::wstring& path) {
    const std::string name = utf16_to_utf8(path);
    CWinFile file;
    if (!file.open(path.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING))
        fail("stub " + name + ": " + last_error_text());
    if (!is_pe_image(file)) fail("stub " + name + ": not a Windows program (no MZ and PE headers)");
    if (file.size() > PAYLOAD_OFFSET)
        fail("stub " + name + ": " + std::to_string(file.size()) +
             " bytes, the stub's image must fit in " + std::to_string(PAYLOAD_OFFSET) +
             " bytes (0x16000)");
    // Zeros behind a smaller program are never loaded; they only move the
    // payload to the offset the stub reads it from.
    ByteVector image(static_cast<size_t>(PAYLOAD_OFFSET), 0);
    uint32_t size = static_cast<uint32_t>(file.size());
    if (!read_at(file, 0, image.data(), size)) fail("stub " + name + ": " + last_error_text());
    return image;
}

std::wstring default_stub_path() {
    std::wstring beside = program_folder() + STUB_NAME;
    if (!program_folder().empty() && file_exists(beside)) return beside;
    if (file_exists(BUILD_TREE_STUB)) return BUILD_TREE_STUB;
    fail("no stub found (looked for " + utf16_to_utf8(beside) + " and " +
         utf16_to_utf8(std::wstring(BUILD_TREE_STUB)) + "); give one with --stub");
}
