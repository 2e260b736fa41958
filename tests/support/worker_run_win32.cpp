#include "worker_run_win32.h"

#include <commctrl.h>
#include <process.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "Sfx/run_state.h"
#include "Sfx/sfx_app.h"
#include "Sfx/window_messages.h"
#include "Sfx/worker.h"

namespace {

constexpr wchar_t WINDOW_CLASS[] = L"VornSfxWorkerTest";
constexpr UINT WM_SHELL_NOTICE = WM_APP + 0x50;
constexpr UINT_PTR TIME_LIMIT_TIMER = 1;
constexpr UINT RUN_LIMIT_MS = 120000;
constexpr DWORD THREAD_END_LIMIT_MS = 30000;

unsigned __stdcall worker_thread(void* app) {
    extraction_worker(*static_cast<CSfxApp*>(app));
    return 0;
}

void register_class_once() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = WINDOW_CLASS;
    registered = RegisterClassW(&window_class) != 0;
}

// Messages that are already queued: the last shell notices, for instance.
void drain_queue() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

}  // namespace

WorkerRun::WorkerRun() {
    register_class_once();
    window_ = CreateWindowExW(0, WINDOW_CLASS, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(window_, nullptr) << "message-only window: error " << GetLastError();
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WorkerRun::window_proc));
    // Every creation notice anywhere below the desktop.
    SHChangeNotifyEntry everywhere = {nullptr, TRUE};
    shell_registration_ = SHChangeNotifyRegister(
        window_, SHCNRF_ShellLevel | SHCNRF_InterruptLevel | SHCNRF_NewDelivery, SHCNE_CREATE,
        WM_SHELL_NOTICE, 1, &everywhere);
    EXPECT_NE(shell_registration_, 0u);
}

WorkerRun::~WorkerRun() {
    if (shell_registration_) SHChangeNotifyDeregister(shell_registration_);
    if (window_) DestroyWindow(window_);
    set_progress_bar(nullptr);
    reset_run_state();
}

WorkerRecord WorkerRun::run(const std::wstring& archive, const std::wstring& destination) {
    WorkerRecord record;
    record_ = &record;
    reset_run_state();
    CSfxApp app;
    app_ = &app;
    app.archive.reset(new CWinFile);
    EXPECT_TRUE(app.archive->open(archive.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    app.main_window = window_;
    app.destination = destination.c_str();
    set_progress_bar(window_);

    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    EXPECT_TRUE(SetCurrentDirectoryW(destination.c_str()));
    SetTimer(window_, TIME_LIMIT_TIMER, RUN_LIMIT_MS, nullptr);
    HANDLE thread =
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, worker_thread, &app, 0, nullptr));
    EXPECT_NE(thread, nullptr);
    MSG message;
    while (thread && record.final_messages == 0 && GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    KillTimer(window_, TIME_LIMIT_TIMER);
    if (thread) {
        if (record.final_message == 0) keep_going = 0;  // out of time: make the worker stop
        EXPECT_EQ(WaitForSingleObject(thread, THREAD_END_LIMIT_MS), WAIT_OBJECT_0);
        CloseHandle(thread);
    }
    drain_queue();
    SetCurrentDirectoryW(previous);

    record.failed = app.failed != 0;
    record_ = nullptr;
    app_ = nullptr;
    return record;
}

LRESULT CALLBACK WorkerRun::window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<WorkerRun*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    WorkerRecord* record = self ? self->record_ : nullptr;
    if (!record) return DefWindowProcW(window, message, wparam, lparam);
    switch (message) {
    case WM_SFX_SHOW_NAME:
    case PBM_SETPOS:
        if (message == WM_SFX_SHOW_NAME)
            record->shown.push_back(reinterpret_cast<const wchar_t*>(lparam));
        if (!record->shown.empty() && record->shown.back() == self->abort_on_ &&
            self->abort_while_extracting_ == (message == PBM_SETPOS))
            keep_going = 0;  // what the abort button does
        return 0;
    case WM_SFX_DONE:
    case WM_SFX_ABORTED:
        if (message == WM_SFX_ABORTED) DeleteFileW(self->app_->current_output.c_str());
        if (record->final_messages++ == 0) record->final_message = message;
        return 0;
    case WM_SHELL_NOTICE:
        self->on_shell_notice(wparam, lparam);
        return 0;
    case WM_TIMER:
        ADD_FAILURE() << "the worker did not end in time";
        ++record->final_messages;  // ends the message loop
        return 0;
    default:
        return DefWindowProcW(window, message, wparam, lparam);
    }
}

void WorkerRun::on_shell_notice(WPARAM wparam, LPARAM lparam) {
    PIDLIST_ABSOLUTE* items = nullptr;
    LONG event = 0;
    HANDLE lock = SHChangeNotification_Lock(reinterpret_cast<HANDLE>(wparam),
                                            static_cast<DWORD>(lparam), &items, &event);
    if (!lock) return;
    wchar_t path[MAX_PATH] = {};
    if (event == SHCNE_CREATE && items && items[0] && SHGetPathFromIDListW(items[0], path))
        record_->notified.push_back(path);
    SHChangeNotification_Unlock(lock);
}

std::wstring shell_path(const std::wstring& destination, const std::wstring& relative) {
    std::wstring path = destination + L"\\" + relative;
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return path;
}
