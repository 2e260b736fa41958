#include "screenshot_win32.h"

#include <utility>

namespace {

constexpr WORD BITS_PER_PIXEL = 24;
constexpr DWORD SETTLE_STEP_MS = 250;
constexpr int SETTLE_STEPS = 12;
// DIB rows are padded to whole 32-bit words.
size_t dib_row_bytes(int width) {
    return (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
}

// Copies a top-down 24-bit DIB (blue, green, red) into an RGB image.
RgbImage from_dib(const uint8_t* bits, int width, int height) {
    RgbImage image;
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    uint8_t* out = image.pixels.data();
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = bits + dib_row_bytes(width) * static_cast<size_t>(y);
        for (int x = 0; x < width; ++x, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
    return image;
}

}  // namespace

RgbImage capture_screen_area(const RECT& area) {
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return RgbImage();
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = BITS_PER_PIXEL;
    info.bmiHeader.biCompression = BI_RGB;

    RgbImage image;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (memory && bitmap) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, width, height, screen, area.left, area.top,
                   SRCCOPY | CAPTUREBLT)) {
            GdiFlush();
            image = from_dib(static_cast<const uint8_t*>(bits), width, height);
        }
        SelectObject(memory, previous);
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return image;
}

RgbImage capture_window(HWND window) {
    RECT area = {};
    if (!GetWindowRect(window, &area)) return RgbImage();
    return capture_screen_area(area);
}

RgbImage capture_settled_window(HWND window) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(SETTLE_STEP_MS);
    RgbImage image = capture_window(window);
    for (int step = 0; step < SETTLE_STEPS; ++step) {
        Sleep(SETTLE_STEP_MS);
        RgbImage next = capture_window(window);
        bool settled = next.pixels == image.pixels;
        image = std::move(next);
        if (settled) break;
    }
    return image;
}
