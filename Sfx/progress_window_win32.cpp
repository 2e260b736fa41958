#include <windows.h>

#include <commctrl.h>
#include <process.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <atomic>

#include "Sfx/Sfx64/resource.h"
#include "destination_dialog.h"
#include "messages.h"
#include "progress_window.h"
#include "report.h"
#include "run_state.h"
#include "shortcuts.h"
#include "startup.h"
#include "window_messages.h"
#include "worker.h"

namespace {

CSfxApp* current_app = nullptr;
std::atomic<bool> worker_started{false};
std::atomic<bool> worker_finished{false};

// Every pixel figure below is for 96 DPI. The program declares itself aware of
// the system DPI (its manifest), so Windows draws it at the screen's own
// resolution instead of stretching a 96-DPI picture, which blurs the text; in
// return the window scales each figure by the system DPI over 96, read once
// when the window is made. The dialog is laid out in dialog units, which
// follow its font, and so scales by itself.
constexpr int BASE_DPI = 96;
int system_dpi = BASE_DPI;

int scaled(int pixels) {
    return MulDiv(pixels, system_dpi, BASE_DPI);
}

void read_system_dpi() {
    HDC screen = GetDC(nullptr);
    if (!screen) return;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (dpi > 0) system_dpi = dpi;
}

// The window: a caption and a close box, no sizing; placed by the mouse.
constexpr DWORD WINDOW_STYLE = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr int WINDOW_WIDTH = 256;
constexpr int WINDOW_HEIGHT = 114;
constexpr int LEFT_OF_CURSOR = 128;
constexpr int BELOW_CURSOR = 32;

// Its controls, in client pixels.
struct ControlPlace {
    int x, y, width, height;
};
constexpr ControlPlace NAME_LABEL = {7, 5, 226, 15};
constexpr ControlPlace PROGRESS_BAR = {7, 23, 226, 20};
constexpr ControlPlace ABORT_BUTTON = {84, 50, 88, 19};
constexpr DWORD CHILD_STYLE = WS_CHILD | WS_VISIBLE;

constexpr size_t RUN_AFTER_UNITS = 264;

HWND create_control(HWND parent, const wchar_t* window_class, const wchar_t* text, DWORD style,
                    const ControlPlace& place, int id) {
    return CreateWindowExW(0, window_class, text, style, scaled(place.x), scaled(place.y),
                           scaled(place.width), scaled(place.height), parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           program_instance(), nullptr);
}

// The font of the label and the button: the stock GUI font at 96 DPI. Not
// every Windows makes that font anew for another DPI, so there the system's
// message font takes its place, which the system makes at its own DPI for a
// program aware of it. Made once, kept for the life of the process.
HFONT window_font() {
    static HFONT font = nullptr;
    if (font) return font;
    font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (system_dpi == BASE_DPI) return font;
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        if (HFONT message_font = CreateFontIndirectW(&metrics.lfMessageFont)) font = message_font;
    return font;
}

void use_gui_font(HWND control) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(window_font()), FALSE);
}

// The window's top-left corner: beside the mouse, but moved into the work
// area of the mouse's monitor where it would leave it (started from the
// keyboard, or with the mouse near an edge), so the abort button is always
// on the screen.
POINT window_origin() {
    POINT cursor = {};
    GetCursorPos(&cursor);
    POINT origin = {cursor.x - scaled(LEFT_OF_CURSOR), cursor.y + scaled(BELOW_CURSOR)};
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), &monitor))
        return origin;
    const RECT& work = monitor.rcWork;
    const int width = scaled(WINDOW_WIDTH), height = scaled(WINDOW_HEIGHT);
    if (origin.x + width > work.right) origin.x = work.right - width;
    if (origin.y + height > work.bottom) origin.y = work.bottom - height;
    if (origin.x < work.left) origin.x = work.left;
    if (origin.y < work.top) origin.y = work.top;
    return origin;
}

void __cdecl run_worker(void* app) {
    extraction_worker(*static_cast<CSfxApp*>(app));
    worker_finished = true;
}

void on_start(HWND window, CSfxApp& app) {
    if (app.config.present &&
        DialogBoxParamW(program_instance(), MAKEINTRESOURCEW(IDD_DESTINATION), window,
                        destination_dlg_proc, reinterpret_cast<LPARAM>(&app)) != 0) {
        DestroyWindow(window);  // cancelled, or the destination could not be made
        return;
    }
    SetWindowTextW(window, app.config.title.c_str());
    ShowWindow(window, SW_SHOW);
    if (!start_worker(app)) DestroyWindow(window);
}

void on_show_name(CSfxApp& app, const wchar_t* text) {
    // A copy with room for the shortened text the shell writes back.
    wchar_t copy[MAX_PATH];
    lstrcpynW(copy, text ? text : L"", MAX_PATH);
    show_current_name(app, copy);
}

void on_done(HWND window, CSfxApp& app) {
    if (!app.failed) {
        if (app.config.present) create_shortcuts(app);
        if (!app.config.run_after.empty()) run_after_extraction(app);
    }
    DestroyWindow(window);
}

void on_aborted(HWND window, CSfxApp& app) {
    DeleteFileW(app.current_output.c_str());
    DestroyWindow(window);
}

}  // namespace

bool create_progress_window(CSfxApp& app) {
    read_system_dpi();
    const POINT origin = window_origin();
    HWND window = CreateWindowExW(0, SFX_WINDOW_CLASS, DEFAULT_TITLE, WINDOW_STYLE, origin.x,
                                  origin.y, scaled(WINDOW_WIDTH), scaled(WINDOW_HEIGHT), nullptr,
                                  nullptr, program_instance(), &app);
    if (!window) return false;
    app.main_window = window;
    app.name_label = create_control(window, L"Static", nullptr, CHILD_STYLE, NAME_LABEL, 0);
    if (app.name_label) use_gui_font(app.name_label);
    HWND bar = create_control(window, PROGRESS_CLASSW, nullptr, CHILD_STYLE | PBS_SMOOTH,
                              PROGRESS_BAR, 0);
    set_progress_bar(bar);
    app.abort_button =
        create_control(window, L"Button", TEXT_ABORT, CHILD_STYLE, ABORT_BUTTON, ID_ABORT);
    if (app.abort_button) use_gui_font(app.abort_button);
    if (!app.name_label || !bar || !app.abort_button) {
        DestroyWindow(window);
        return false;
    }
    ShowWindow(window, SW_HIDE);
    UpdateWindow(window);
    PostMessageW(window, WM_SFX_START, 0, 0);
    return true;
}

LRESULT CALLBACK sfx_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE:
        current_app = static_cast<CSfxApp*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);  // also while the worker runs: the process ends with it
        return 0;
    case WM_COMMAND:
        if (LOWORD(wparam) == ID_ABORT) keep_going = 0;
        return 0;
    case WM_SFX_START:
        on_start(window, *current_app);
        return 0;
    case WM_SFX_SHOW_NAME:
        on_show_name(*current_app, reinterpret_cast<const wchar_t*>(lparam));
        return 0;
    case WM_SFX_DONE:
        on_done(window, *current_app);
        return 0;
    case WM_SFX_ABORTED:
        on_aborted(window, *current_app);
        return 0;
    default:
        return DefWindowProcW(window, message, wparam, lparam);
    }
}

bool start_worker(CSfxApp& app) {
    if (!prepare_destination(app, app.destination.c_str())) return false;
    worker_started = true;
    if (_beginthread(run_worker, 0, &app) == static_cast<uintptr_t>(-1)) {
        // Without a worker nothing would ever close the window.
        worker_started = false;
        report_last_error();
        return false;
    }
    return true;
}

bool worker_running() {
    return worker_started && !worker_finished;
}

void show_current_name(CSfxApp& app, wchar_t* text) {
    HDC context = GetDC(app.name_label);
    if (!context) return;
    RECT area = {};
    GetClientRect(app.name_label, &area);
    PathCompactPathW(context, text, static_cast<UINT>(area.right - area.left));
    ReleaseDC(app.name_label, context);
    SetWindowTextW(app.name_label, text);
}

void run_after_extraction(CSfxApp& app) {
    wchar_t command[RUN_AFTER_UNITS];
    size_t folder = app.destination.length();
    size_t program = app.config.run_after.length();
    // Too long for the command buffer: refused, never cut or overflowed.
    if (folder + 1 + program >= RUN_AFTER_UNITS) return;
    lstrcpyW(command, app.destination.c_str());
    lstrcatW(command, L"\\");
    lstrcatW(command, app.config.run_after.c_str());
    ShellExecuteW(app.main_window, nullptr, command, nullptr, nullptr, SW_SHOWNORMAL);
}
