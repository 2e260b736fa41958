// Plays the user in scripts/demo: starts a self-extracting file, photographs
// its destination dialog, presses OK, photographs the progress window while
// the files come out, and waits for the end.
//
//   demo_driver SETUP.EXE WORKING_FOLDER SCREENSHOT_FOLDER
#include <cstdio>

#include "support/driver_win32.h"

namespace {

constexpr DWORD BAR_MOVING_MS = 400;  // lets the bar show some progress first
constexpr DWORD DEMO_RUN_LIMIT_MS = 300000;

int fail(const char* why) {
    std::fprintf(stderr, "demo: %s\n", why);
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) return fail("usage: demo_driver SETUP.EXE WORKING_FOLDER SCREENSHOT_FOLDER");
    UiProcess program;
    HWND dialog = program.start(argv[1], argv[2]) ? program.wait_dialog() : nullptr;
    if (!dialog) return fail("the program did not start or showed no destination dialog");
    std::printf("demo: dialog \"%s\"\n", shown(window_text(dialog)).c_str());
    screenshot(dialog, L"dialog", argv[3]);
    press(dialog, IDOK);
    if (HWND progress = program.wait_window(PROGRESS_WINDOW_CLASS)) {
        Sleep(BAR_MOVING_MS);
        screenshot(progress, L"progress-window", argv[3]);
    }
    const DWORD status = program.finish(DEMO_RUN_LIMIT_MS);
    std::printf("demo: the program ended with exit status %lu\n", status);
    return status == 0 ? 0 : 1;
}
