#include "png_writer.h"

#include <algorithm>
#include <array>

namespace {

constexpr uint8_t PNG_SIGNATURE[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint8_t BIT_DEPTH = 8;
constexpr uint8_t COLOUR_TYPE_RGB = 2;
constexpr uint8_t NO_FILTER = 0;
// zlib header: deflate with a 32 KiB window, no dictionary, "fastest" level;
// 0x7801 is a multiple of 31 as the format requires.
constexpr uint8_t ZLIB_HEADER[] = {0x78, 0x01};
// A stored deflate block carries at most this many bytes.
constexpr size_t STORED_BLOCK_LIMIT = 0xFFFF;
constexpr uint32_t ADLER_MODULUS = 65521;
constexpr uint32_t CRC32_POLYNOMIAL = 0xEDB88320;  // reflected 0x04C11DB7

void put_be32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void put_le16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

// A chunk: length, type, data, and the CRC over type and data.
void put_chunk(std::vector<uint8_t>& out, const char (&type)[5], const std::vector<uint8_t>& data) {
    put_be32(out, static_cast<uint32_t>(data.size()));
    size_t crc_start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put_be32(out, png_crc32(out.data() + crc_start, out.size() - crc_start));
}

// Every row behind its filter-type byte, as the image data stream wants it.
std::vector<uint8_t> filtered_rows(const RgbImage& image) {
    size_t row_bytes = static_cast<size_t>(image.width) * 3;
    std::vector<uint8_t> raw;
    raw.reserve((row_bytes + 1) * static_cast<size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(NO_FILTER);
        size_t start = row_bytes * static_cast<size_t>(y);
        raw.insert(raw.end(), image.pixels.begin() + static_cast<ptrdiff_t>(start),
                   image.pixels.begin() + static_cast<ptrdiff_t>(start + row_bytes));
    }
    return raw;
}

std::vector<uint8_t> zlib_stored(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> out(std::begin(ZLIB_HEADER), std::end(ZLIB_HEADER));
    size_t done = 0;
    do {
        size_t size = std::min(STORED_BLOCK_LIMIT, raw.size() - done);
        bool last = done + size == raw.size();
        out.push_back(last ? 1 : 0);  // BFINAL, BTYPE 00 (stored)
        put_le16(out, static_cast<uint32_t>(size));
        put_le16(out, static_cast<uint32_t>(~size & 0xFFFF));
        out.insert(out.end(), raw.begin() + static_cast<ptrdiff_t>(done),
                   raw.begin() + static_cast<ptrdiff_t>(done + size));
        done += size;
    } while (done < raw.size());
    put_be32(out, adler32(raw.data(), raw.size()));
    return out;
}

}  // namespace

uint32_t png_crc32(const uint8_t* bytes, size_t count, uint32_t crc) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? CRC32_POLYNOMIAL ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < count; ++i) crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

uint32_t adler32(const uint8_t* bytes, size_t count, uint32_t adler) {
    uint32_t a = adler & 0xFFFF;
    uint32_t b = adler >> 16;
    for (size_t i = 0; i < count; ++i) {
        a = (a + bytes[i]) % ADLER_MODULUS;
        b = (b + a) % ADLER_MODULUS;
    }
    return (b << 16) | a;
}

std::vector<uint8_t> encode_png(const RgbImage& image) {
    std::vector<uint8_t> out(std::begin(PNG_SIGNATURE), std::end(PNG_SIGNATURE));
    std::vector<uint8_t> header;
    put_be32(header, static_cast<uint32_t>(image.width));
    put_be32(header, static_cast<uint32_t>(image.height));
    header.push_back(BIT_DEPTH);
    header.push_back(COLOUR_TYPE_RGB);
    header.push_back(0);  // compression: deflate
    header.push_back(0);  // filter method: adaptive (every row says "none")
    header.push_back(0);  // no interlace
    put_chunk(out, "IHDR", header);
    put_chunk(out, "IDAT", zlib_stored(filtered_rows(image)));
    put_chunk(out, "IEND", {});
    return out;
}
