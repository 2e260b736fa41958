#include "screenshot_win32.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>

#include "files.h"

namespace {

constexpr DWORD SETTLE_STEP_MS = 250;
constexpr int SETTLE_STEPS = 12;
constexpr WORD BITS_PER_PIXEL = 24;
// PNG: 8-bit RGB rows, each behind filter byte 0, in zlib's stored deflate
// blocks, so no compression library is needed; 0x7801 is a valid zlib header.
constexpr uint8_t PNG_SIGNATURE[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint8_t IHDR_RGB8[] = {8, 2, 0, 0, 0};  // depth, colour type, compression, filter, interlace
constexpr uint8_t ZLIB_HEADER[] = {0x78, 0x01};
constexpr size_t STORED_BLOCK_LIMIT = 0xFFFF;
constexpr uint32_t ADLER_MODULUS = 65521;
constexpr uint32_t CRC32_POLYNOMIAL = 0xEDB88320;

struct Image {
    int width = 0, height = 0;
    Bytes rows;  // PNG's raw data: per row the filter byte, then red, green, blue
};

// The screen's pixels inside the window's rectangle; empty on failure.
Image capture(HWND window) {
    Image image;
    RECT area = {};
    if (!GetWindowRect(window, &area)) return image;
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return image;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = BITS_PER_PIXEL;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    if (bitmap && BitBlt(memory, 0, 0, width, height, screen, area.left, area.top,
                         SRCCOPY | CAPTUREBLT)) {
        GdiFlush();
        const size_t dib_row = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};  // word-aligned
        image.width = width;
        image.height = height;
        for (int y = 0; y < height; ++y) {
            image.rows.push_back(0);
            const uint8_t* pixel = static_cast<const uint8_t*>(bits) + dib_row * y;
            for (int x = 0; x < width; ++x, pixel += 3)
                image.rows.insert(image.rows.end(), {pixel[2], pixel[1], pixel[0]});  // from BGR
        }
    }
    SelectObject(memory, previous);
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return image;
}

void put_be32(Bytes& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

// A chunk: length, type, data, and the CRC-32 over type and data.
void put_chunk(Bytes& out, const char* type, const Bytes& data) {
    put_be32(out, static_cast<uint32_t>(data.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    uint32_t crc = 0xFFFFFFFF;
    for (uint8_t byte : typed) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = crc & 1 ? (crc >> 1) ^ CRC32_POLYNOMIAL : crc >> 1;
    }
    out.insert(out.end(), typed.begin(), typed.end());
    put_be32(out, ~crc);
}

Bytes encode_png(const Image& image) {
    Bytes out(std::begin(PNG_SIGNATURE), std::end(PNG_SIGNATURE));
    Bytes header;
    put_be32(header, static_cast<uint32_t>(image.width));
    put_be32(header, static_cast<uint32_t>(image.height));
    header.insert(header.end(), std::begin(IHDR_RGB8), std::end(IHDR_RGB8));
    put_chunk(out, "IHDR", header);

    Bytes zlib(std::begin(ZLIB_HEADER), std::end(ZLIB_HEADER));
    const Bytes& raw = image.rows;
    for (size_t done = 0; done < raw.size();) {
        const size_t size = std::min(STORED_BLOCK_LIMIT, raw.size() - done);
        const uint16_t length = static_cast<uint16_t>(size);
        zlib.push_back(done + size == raw.size() ? 1 : 0);  // BFINAL; BTYPE 00: stored
        zlib.insert(zlib.end(), {uint8_t(length), uint8_t(length >> 8), uint8_t(~length),
                                 uint8_t(~length >> 8)});
        zlib.insert(zlib.end(), raw.begin() + done, raw.begin() + done + size);
        done += size;
    }
    uint32_t a = 1, b = 0;  // Adler-32 of the raw data
    for (uint8_t byte : raw) {
        a = (a + byte) % ADLER_MODULUS;
        b = (b + a) % ADLER_MODULUS;
    }
    put_be32(zlib, b << 16 | a);
    put_chunk(out, "IDAT", zlib);
    put_chunk(out, "IEND", {});
    return out;
}

}  // namespace

bool save_screenshot(HWND window, const std::wstring& path) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(SETTLE_STEP_MS);
    Image image = capture(window);
    for (int step = 0; step < SETTLE_STEPS; ++step) {
        Sleep(SETTLE_STEP_MS);
        Image next = capture(window);
        const bool settled = next.rows == image.rows;
        image = std::move(next);
        if (settled) break;
    }
    if (image.width == 0) return false;
    write_file(path, encode_png(image));
    return true;
}
