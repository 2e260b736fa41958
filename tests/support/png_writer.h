// A minimal PNG encoder for the tests' screenshots: 8-bit RGB, no filtering,
// and deflate's stored blocks, so it needs no compression library. Files are
// larger than a real encoder's, which does not matter for a few small windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Pixels top row first, three bytes (red, green, blue) per pixel.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
};

// The whole PNG file for image.
std::vector<uint8_t> encode_png(const RgbImage& image);

// The two checksums PNG needs: CRC-32 of every chunk (continued from crc),
// Adler-32 of the zlib stream's uncompressed data (continued from adler).
uint32_t png_crc32(const uint8_t* bytes, size_t count, uint32_t crc = 0);
uint32_t adler32(const uint8_t* bytes, size_t count, uint32_t adler = 1);
