#include <windows.h>

#include <commctrl.h>

#include "Sfx/Sfx64/resource.h"
#include "config.h"
#include "own_file.h"
#include "progress_window.h"
#include "report.h"
#include "startup.h"

namespace {

HINSTANCE instance_handle = nullptr;

// Every class of the common controls, as the program has always asked for.
constexpr DWORD ALL_COMMON_CONTROLS = 0xFF;

bool register_window_class(HINSTANCE instance) {
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof window_class;
    window_class.style = CS_VREDRAW | CS_HREDRAW;
    window_class.lpfnWndProc = sfx_window_proc;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
    window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = SFX_WINDOW_CLASS;
    return RegisterClassExW(&window_class) != 0;
}

}  // namespace

HINSTANCE program_instance() {
    return instance_handle;
}

bool init_instance(CSfxApp& app, HINSTANCE instance) {
    instance_handle = instance;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ALL_COMMON_CONTROLS};
    if (!InitCommonControlsEx(&controls)) {
        report_last_error();
        return false;
    }
    app.archive.reset(new CWinFile);
    if (!open_own_file(*app.archive)) return false;
    if (!load_configuration(app.config, *app.archive)) return false;
    app.destination = CWideSz(app.config.destination);
    return register_window_class(instance);
}

int run_message_loop() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
