// Plays the user in scripts/demo: starts a self-extracting file, photographs
// its destination dialog, presses OK, photographs the progress window while
// the files come out, and waits for the end.
//
//   demo_driver SETUP.EXE WORKING_FOLDER SCREENSHOT_FOLDER
#include <windows.h>

#include <cstdio>
#include <string>

#include "Sfx/Sfx64/resource.h"
#include "support/screenshot_win32.h"
#include "support/ui_automation_win32.h"
#include "text/utf8.h"

namespace {

constexpr wchar_t PROGRESS_WINDOW_CLASS[] = L"VORNSFXCLASS";
constexpr DWORD WINDOW_LIMIT_MS = 60000;
constexpr DWORD RUN_LIMIT_MS = 300000;
constexpr DWORD BAR_MOVING_MS = 400;  // lets the bar show some progress first

bool visible(HWND window) {
    return IsWindowVisible(window) != FALSE;
}

void save(HWND window, const std::wstring& path) {
    const bool saved = save_screenshot(window, path);
    std::printf("demo: %s %s\n", saved ? "screenshot" : "could not capture",
                utf16_to_utf8(path).c_str());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: demo_driver SETUP.EXE WORKING_FOLDER SCREENSHOT_FOLDER\n");
        return 2;
    }
    std::wstring shots = argv[3];
    UiProcess program;
    if (!program.start(argv[1], argv[2])) {
        std::fprintf(stderr, "demo: cannot start %s\n", utf16_to_utf8(argv[1]).c_str());
        return 1;
    }
    HWND dialog = program.wait_window(DIALOG_CLASS, WINDOW_LIMIT_MS, [](HWND window) {
        return visible(window) && control(window, IDC_DEST_EDIT) != nullptr;
    });
    if (!dialog) {
        std::fprintf(stderr, "demo: the destination dialog did not appear\n");
        return 1;
    }
    std::printf("demo: dialog \"%s\", destination %s\n", utf16_to_utf8(window_text(dialog)).c_str(),
                utf16_to_utf8(window_text(control(dialog, IDC_DEST_EDIT))).c_str());
    save(dialog, shots + L"\\dialog.png");
    press(dialog, IDOK);

    HWND progress = program.wait_window(PROGRESS_WINDOW_CLASS, WINDOW_LIMIT_MS, visible);
    if (progress) {
        Sleep(BAR_MOVING_MS);
        save(progress, shots + L"\\progress-window.png");
    } else {
        std::printf("demo: the progress window was gone before it could be photographed\n");
    }
    if (!program.wait_exit(RUN_LIMIT_MS)) {
        std::fprintf(stderr, "demo: the program did not end in time\n");
        return 1;
    }
    std::printf("demo: the program ended with exit status %lu\n", program.exit_code());
    return program.exit_code() == 0 ? 0 : 1;
}
