// Plays the user in scripts/demo: starts a self-extracting file, photographs
// its destination dialog, presses OK, photographs the progress window while
// the files come out, and waits for the end.
//
//   demo_driver SETUP.EXE WORKING_FOLDER SCREENSHOT_FOLDER [NAME_SUFFIX]
//
// The screenshots are dialog[NAME_SUFFIX].bmp and progress-window[NAME_SUFFIX].bmp.
#include <cstdio>
#include <cstring>

#include "support/driver_win32.h"

namespace {

constexpr DWORD BAR_MOVING_MS = 400;  // lets the bar show some progress first
constexpr DWORD DEMO_RUN_LIMIT_MS = 300000;

// Wine paints a window when its program gets round to it and copies the
// picture to the X screen later still: a capture is taken again until two agree.
constexpr DWORD SETTLE_STEP_MS = 250;
constexpr int SETTLE_STEPS = 12;
constexpr WORD BITS_PER_PIXEL = 24;

// The screen's pixels inside the window's rectangle as a BMP file; empty on failure.
Bytes capture(HWND window) {
    RECT area = {};
    GetWindowRect(window, &area);
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return Bytes();
    const size_t row = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};  // word-aligned
    // Top-down rows: a negative height.
    BITMAPINFOHEADER info = {sizeof info, width, -height, 1, BITS_PER_PIXEL, BI_RGB, 0, 0, 0, 0, 0};
    const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof info;
    BITMAPFILEHEADER file = {'B' | 'M' << 8, static_cast<DWORD>(offset + row * height), 0, 0,
                             offset};
    Bytes image(file.bfSize);
    memcpy(image.data(), &file, sizeof file);
    memcpy(image.data() + sizeof file, &info, sizeof info);

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    bool copied =
        BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY | CAPTUREBLT);
    SelectObject(memory, previous);
    copied = copied && GetDIBits(memory, bitmap, 0, height, image.data() + offset,
                                 reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) == height;
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return copied ? image : Bytes();
}

// Writes the window as the screen shows it as NAME.bmp to folder.
void screenshot(HWND window, const std::wstring& name, const std::wstring& folder) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Bytes image;
    // A window that keeps changing (a moving progress bar) is taken at the limit.
    for (int step = 0; step < SETTLE_STEPS; ++step) {
        Sleep(SETTLE_STEP_MS);
        Bytes next = capture(window);
        if (next.empty() && !image.empty()) break;  // closed meanwhile: the last picture stands
        const bool settled = !next.empty() && next == image;
        image = std::move(next);
        if (settled) break;
    }
    const std::wstring path = folder + L"\\" + name + L".bmp";
    std::printf("screenshot: %s%s\n", shown(path).c_str(), image.empty() ? " failed" : "");
    if (!image.empty()) write_file(path, image);
}

int fail(const char* why) {
    std::fprintf(stderr, "demo: %s\n", why);
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4 && argc != 5)
        return fail("usage: demo_driver SETUP.EXE WORKING_FOLDER SCREENSHOT_FOLDER [NAME_SUFFIX]");
    const std::wstring suffix = argc == 5 ? argv[4] : L"";
    UiProcess program;
    HWND dialog = program.start(argv[1], argv[2]) ? program.wait_dialog() : nullptr;
    if (!dialog) return fail("the program did not start or showed no destination dialog");
    std::printf("demo: dialog \"%s\"\n", shown(window_text(dialog)).c_str());
    screenshot(dialog, L"dialog" + suffix, argv[3]);
    press(dialog, IDOK);
    if (HWND progress = program.wait_window(PROGRESS_WINDOW_CLASS)) {
        Sleep(BAR_MOVING_MS);
        screenshot(progress, L"progress-window" + suffix, argv[3]);
    }
    const DWORD status = program.finish(DEMO_RUN_LIMIT_MS);
    std::printf("demo: the program ended with exit status %lu\n", status);
    return status == 0 ? 0 : 1;
}
