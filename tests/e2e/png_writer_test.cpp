// The screenshot encoder: the checksums against their published check values,
// and the layout of a file with more than one stored block.
#include <gtest/gtest.h>

#include <cstring>

#include "support/png_writer.h"

namespace {

const uint8_t* bytes_of(const char* text) {
    return reinterpret_cast<const uint8_t*>(text);
}

uint32_t be32(const std::vector<uint8_t>& bytes, size_t at) {
    return static_cast<uint32_t>(bytes[at]) << 24 | static_cast<uint32_t>(bytes[at + 1]) << 16 |
           static_cast<uint32_t>(bytes[at + 2]) << 8 | bytes[at + 3];
}

}  // namespace

TEST(PngWriter, ChecksumsMatchTheirCheckValues) {
    EXPECT_EQ(png_crc32(bytes_of("123456789"), 9), 0xCBF43926u);
    EXPECT_EQ(adler32(bytes_of("Wikipedia"), 9), 0x11E60398u);
    // Continuing a checksum equals taking it in one go.
    EXPECT_EQ(png_crc32(bytes_of("6789"), 4, png_crc32(bytes_of("12345"), 5)), 0xCBF43926u);
    EXPECT_EQ(adler32(bytes_of("pedia"), 5, adler32(bytes_of("Wiki"), 4)), 0x11E60398u);
}

TEST(PngWriter, ChunksAndStoredBlocksAreLaidOutAsTheFormatSays) {
    // 200 x 120 RGB: 120 rows of 601 bytes, more than one stored block holds.
    RgbImage image;
    image.width = 200;
    image.height = 120;
    image.pixels.assign(200 * 120 * 3, 0x7F);
    std::vector<uint8_t> png = encode_png(image);

    const uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(std::memcmp(png.data(), signature, 8), 0);
    // IHDR: 13 bytes, then its CRC over type and data.
    EXPECT_EQ(be32(png, 8), 13u);
    EXPECT_EQ(std::memcmp(&png[12], "IHDR", 4), 0);
    EXPECT_EQ(be32(png, 16), 200u);
    EXPECT_EQ(be32(png, 20), 120u);
    EXPECT_EQ(be32(png, 29), png_crc32(&png[12], 17));

    size_t idat = 33;
    uint32_t idat_size = be32(png, idat);
    EXPECT_EQ(std::memcmp(&png[idat + 4], "IDAT", 4), 0);
    const uint8_t* z = &png[idat + 8];
    EXPECT_EQ((z[0] << 8 | z[1]) % 31, 0) << "zlib header check bits";
    // Walk the stored blocks: each has LEN and its complement; only the last
    // has BFINAL; together they carry every row behind a filter byte.
    size_t at = 2;
    size_t carried = 0;
    std::vector<uint8_t> raw;
    for (bool last = false; !last;) {
        last = (z[at] & 1) != 0;
        EXPECT_EQ(z[at] & 6, 0) << "not a stored block";
        uint32_t length = z[at + 1] | z[at + 2] << 8;
        uint32_t complement = z[at + 3] | z[at + 4] << 8;
        EXPECT_EQ(length ^ 0xFFFF, complement);
        raw.insert(raw.end(), z + at + 5, z + at + 5 + length);
        carried += length;
        at += 5 + length;
        ASSERT_LE(at, idat_size) << "block runs past the chunk";
    }
    EXPECT_EQ(carried, 120u * 601u);
    EXPECT_EQ(raw[0], 0) << "row filter";
    EXPECT_EQ(raw[601], 0) << "row filter";
    EXPECT_EQ(be32(png, idat + 8 + at), adler32(raw.data(), raw.size()));
    EXPECT_EQ(at + 4, idat_size);
    EXPECT_EQ(be32(png, idat + 8 + idat_size), png_crc32(&png[idat + 4], idat_size + 4));
    EXPECT_EQ(std::memcmp(&png[png.size() - 8], "IEND", 4), 0);
}
