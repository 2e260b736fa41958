#include "stub_image.h"

#include <algorithm>

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

// The PE header: the COFF header's machine behind the signature, then the
// optional header with its magic and, for PE32+, the subsystem at 68.
constexpr uint32_t AT_MACHINE = 4;
constexpr uint32_t AT_OPTIONAL_HEADER = 24;
constexpr uint32_t AT_SUBSYSTEM = AT_OPTIONAL_HEADER + 68;
constexpr uint16_t MACHINE_X64 = 0x8664;
constexpr uint16_t MAGIC_PE32_PLUS = 0x20B;
constexpr uint16_t SUBSYSTEM_WINDOWS_GUI = 2;
// The stub's version resource describes it so (FileDescription). Resources
// hold their texts in UTF-16LE; the mark is kept here in bytes and widened
// when needed, so the builder's own program never carries it in that form
// and a copy of the builder is not taken for a stub.
constexpr char STUB_MARK[] = "Vorn SFX self-extractor";

constexpr wchar_t STUB_NAME[] = L"Sfx64.exe";
// Where an installed builder finds its stub, from the builder's own folder:
// bin/vornsfx beside share/vornsfx/Sfx64.exe, wherever the tree was put.
constexpr wchar_t INSTALLED_STUB_FOLDER[] = L"../share/vornsfx/";
constexpr wchar_t BUILD_TREE_STUB[] = L"out/Sfx64.exe";

uint16_t u16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

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

bool carries_mark(const ByteVector& image) {
    ByteVector mark;
    for (const char* c = STUB_MARK; *c; ++c) mark.insert(mark.end(), {static_cast<uint8_t>(*c), 0});
    return std::search(image.begin(), image.end(), mark.begin(), mark.end()) != image.end();
}

}  // namespace

std::string stub_image_problem(const ByteVector& image) {
    const uint32_t pe = image.size() >= DOS_HEADER_SIZE ? u32(&image[AT_PE_HEADER_OFFSET]) : 0;
    if (pe == 0 || pe + uint64_t{AT_SUBSYSTEM} + 2 > image.size())
        return "its PE header is cut short";
    if (u16(&image[pe + AT_MACHINE]) != MACHINE_X64 ||
        u16(&image[pe + AT_OPTIONAL_HEADER]) != MAGIC_PE32_PLUS)
        return "not a 64-bit (PE32+, x64) Windows program";
    if (u16(&image[pe + AT_SUBSYSTEM]) != SUBSYSTEM_WINDOWS_GUI)
        return "not a Windows GUI program";
    if (!carries_mark(image))
        return "not the Vorn SFX stub (its version resource does not describe it as \"" +
               std::string(STUB_MARK) + "\")";
    return std::string();
}

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
    const std::string name = path_to_bytes(path);
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
    std::string problem = stub_image_problem(image);
    if (!problem.empty()) fail("stub " + name + ": " + problem);
    return image;
}

std::wstring default_stub_path() {
    std::vector<std::wstring> candidates;
    const std::wstring folder = program_folder();
    if (!folder.empty()) {
        candidates.push_back(folder + STUB_NAME);
        candidates.push_back(folder + INSTALLED_STUB_FOLDER + STUB_NAME);
    }
    candidates.push_back(BUILD_TREE_STUB);
    std::string looked;
    for (const std::wstring& candidate : candidates) {
        if (file_exists(candidate)) return candidate;
        looked += (looked.empty() ? "" : ", ") + path_to_bytes(candidate);
    }
    fail("no stub found (looked for " + looked + "); give one with --stub");
}
