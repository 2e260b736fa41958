// Member header layouts (all numbers little-endian):
//
//   level 0: length, checksum, method, packed and original size, MS-DOS time,
//            attribute, level, name length and name, CRC-16 (optional),
//            OS id (optional), extension bytes (optional)
//   level 1: the same base part with CRC-16 and OS id, then the size of the
//            first extended header; the packed size counts the extended
//            headers too
//   level 2: total header length (16 bits), method, sizes, time in seconds
//            since 1970, attribute, level, CRC-16, OS id, then the extended
//            headers; no name in the base part
//
// Extended headers are chained: type, data, size of the next one (0 ends).
// The checksum of levels 0 and 1 is the byte sum of the header after its
// first two bytes; the level-2 header CRC is CRC-16 over the whole header
// with its own field zero.
#include "header_writer.h"

#include "huffman/huffman.h"

namespace {

constexpr size_t LEVEL2_BASE = 26;     // bytes before the first extended header
constexpr size_t EXTENSION_FRAME = 3;  // type byte and the next size field
constexpr size_t LEVEL01_CHECKSUM_FROM = 2;
constexpr size_t LEVEL2_FIRST_READ = LEVEL2_BASE;
constexpr size_t LOW_BYTE = 256;

void put16(ByteString& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void put32(ByteString& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

uint32_t extension_size(const Extension& e) {
    return static_cast<uint32_t>(e.data.size() + EXTENSION_FRAME);
}

// Each extension as stored: type, data, then the size of the next one.
// common_at receives the offset (in the result) of the CRC field, if any.
ByteString chain(const std::vector<Extension>& extensions, uint32_t& total, long& common_at) {
    ByteString out;
    total = 0;
    common_at = -1;
    for (size_t i = 0; i < extensions.size(); ++i) {
        const Extension& e = extensions[i];
        out.push_back(e.type);
        if (e.type == EXT_COMMON && e.data.size() >= 2 && common_at < 0)
            common_at = static_cast<long>(out.size());
        out.insert(out.end(), e.data.begin(), e.data.end());
        put16(out, i + 1 < extensions.size() ? extension_size(extensions[i + 1]) : 0);
        total += extension_size(e);
    }
    return out;
}

uint32_t first_size(const std::vector<Extension>& extensions) {
    return extensions.empty() ? 0 : extension_size(extensions[0]);
}

void put_common(ByteString& out, const HeaderFields& f, uint32_t size_field) {
    out.insert(out.end(), f.method.begin(), f.method.begin() + 5);
    put32(out, size_field);
    put32(out, f.original_size);
    put32(out, f.time);
    out.push_back(f.attribute);
    out.push_back(static_cast<uint8_t>(f.level));
}

uint8_t checksum(const ByteString& base) {
    uint8_t sum = 0;
    for (size_t i = LEVEL01_CHECKSUM_FROM; i < base.size(); ++i)
        sum = static_cast<uint8_t>(sum + base[i]);
    return sum;
}

ByteString level2(const HeaderFields& f) {
    ByteString out;
    uint32_t total = 0;
    long common_at = -1;
    ByteString extensions = chain(f.extensions, total, common_at);
    put16(out, static_cast<uint32_t>(LEVEL2_BASE + total));
    put_common(out, f, f.packed_size);
    put16(out, f.crc);
    out.push_back(f.os_id);
    put16(out, first_size(f.extensions));
    out.insert(out.end(), extensions.begin(), extensions.end());
    if (common_at >= 0) {
        size_t at = LEVEL2_BASE + static_cast<size_t>(common_at);
        out[at] = out[at + 1] = 0;
        uint16_t crc = 0;
        HUFFMAN::build_crc16_table_once();
        HUFFMAN::update_crc16(crc, out.data(), static_cast<uint32_t>(out.size()));
        out[at] = static_cast<uint8_t>(crc);
        out[at + 1] = static_cast<uint8_t>(crc >> 8);
    }
    return out;
}

}  // namespace

ByteString header_bytes(const HeaderFields& f) {
    if (f.level == 2) return level2(f);
    uint32_t total = 0;
    long common_at = -1;
    ByteString extensions = f.level == 0 ? ByteString() : chain(f.extensions, total, common_at);
    ByteString out(LEVEL01_CHECKSUM_FROM);  // header length and checksum, filled in below
    put_common(out, f, f.packed_size + total);
    out.push_back(static_cast<uint8_t>(f.name.size()));
    out.insert(out.end(), f.name.begin(), f.name.end());
    if (f.level == 0) {
        if (f.with_crc) put16(out, f.crc);
        if (f.with_os) out.push_back(f.os_id);
        out.insert(out.end(), f.level0_extra.begin(), f.level0_extra.end());
        out[0] = static_cast<uint8_t>(out.size() - 2);
        out[1] = checksum(out);
        return out;
    }
    put16(out, f.crc);
    out.push_back(f.os_id);
    out[0] = static_cast<uint8_t>(out.size());  // the base part's last 2 bytes are the first size
    put16(out, first_size(f.extensions));
    out[1] = checksum(out);
    out.insert(out.end(), extensions.begin(), extensions.end());
    return out;
}

ByteString utf16le(const std::wstring& text) {
    ByteString out;
    for (wchar_t c : text)
        put16(out, static_cast<uint32_t>(c) & 0xFFFF);
    return out;
}

Extension unicode_name_extension(const std::wstring& name) {
    return {EXT_UNICODE_NAME, utf16le(name)};
}

Extension unicode_folder_extension(const std::wstring& folder) {
    return {EXT_UNICODE_FOLDER, utf16le(folder)};
}

Extension common_extension() {
    return {EXT_COMMON, ByteString(2, 0)};
}

void pad_level2(HeaderFields& fields) {
    size_t length = LEVEL2_BASE;
    for (const Extension& e : fields.extensions)
        length += extension_size(e);
    size_t low = length % LOW_BYTE;
    if (low >= LEVEL2_FIRST_READ) return;
    size_t missing = LEVEL2_FIRST_READ - low;
    fields.extensions.push_back(
        {EXT_COMMENT, ByteString(missing > EXTENSION_FRAME ? missing - EXTENSION_FRAME : 0, 0)});
}
