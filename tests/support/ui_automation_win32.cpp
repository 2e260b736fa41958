#include "ui_automation_win32.h"

#include <tlhelp32.h>

namespace {

// What one EnumWindows pass collects.
struct WindowSearch {
    DWORD process;
    const wchar_t* window_class;
    std::vector<HWND> found;
};

BOOL CALLBACK collect_window(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->process && class_name(window) == search->window_class)
        search->found.push_back(window);
    return TRUE;
}

struct ChildSearch {
    const wchar_t* window_class;
    HWND found;
};

BOOL CALLBACK find_child(HWND child, LPARAM parameter) {
    auto* search = reinterpret_cast<ChildSearch*>(parameter);
    if (_wcsicmp(class_name(child).c_str(), search->window_class) != 0) return TRUE;
    search->found = child;
    return FALSE;
}

BOOL CALLBACK first_static_text(HWND child, LPARAM parameter) {
    auto* text = reinterpret_cast<std::wstring*>(parameter);
    if (_wcsicmp(class_name(child).c_str(), L"Static") != 0) return TRUE;
    *text = window_text(child);
    return text->empty();  // the icon is a static control too, without text
}

}  // namespace

UiProcess::~UiProcess() {
    kill();
    if (info_.hThread) CloseHandle(info_.hThread);
    if (info_.hProcess) CloseHandle(info_.hProcess);
}

bool UiProcess::start(const std::wstring& program, const std::wstring& folder,
                      const std::wstring& arguments) {
    std::wstring command = L"\"" + program + L"\" " + arguments;
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    return CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &startup, &info_) != 0;
}

bool UiProcess::running() const {
    return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

bool UiProcess::wait_exit(DWORD limit_ms) {
    return info_.hProcess && WaitForSingleObject(info_.hProcess, limit_ms) == WAIT_OBJECT_0;
}

DWORD UiProcess::exit_code() const {
    DWORD code = STILL_ACTIVE;
    if (info_.hProcess) GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

void UiProcess::kill() {
    if (!running()) return;
    constexpr UINT KILLED = 0xDEAD;
    constexpr DWORD KILL_LIMIT_MS = 10000;
    TerminateProcess(info_.hProcess, KILLED);
    WaitForSingleObject(info_.hProcess, KILL_LIMIT_MS);
}

std::vector<HWND> UiProcess::windows(const wchar_t* window_class) const {
    WindowSearch search = {info_.dwProcessId, window_class, {}};
    if (info_.hProcess) EnumWindows(collect_window, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND UiProcess::wait_window(const wchar_t* window_class, DWORD limit_ms,
                            const WindowTest& accept) const {
    HWND match = nullptr;
    wait_until(
        [&] {
            for (HWND window : windows(window_class))
                if (!accept || accept(window)) {
                    match = window;
                    return true;
                }
            return !running();  // nothing more will appear
        },
        limit_ms);
    return match;
}

LRESULT send_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG,
                             UI_MESSAGE_LIMIT_MS, &result))
        return 0;
    return static_cast<LRESULT>(result);
}

std::set<DWORD> process_ids(const wchar_t* program_file) {
    std::set<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry))
        if (_wcsicmp(entry.szExeFile, program_file) == 0) ids.insert(entry.th32ProcessID);
    CloseHandle(snapshot);
    return ids;
}

bool wait_until(const std::function<bool()>& condition, DWORD limit_ms) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= limit_ms) return false;
        Sleep(UI_POLL_MS);
    }
}

std::wstring window_text(HWND window) {
    auto length = static_cast<size_t>(send_message(window, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(length + 1, L'\0');
    auto got = static_cast<size_t>(
        send_message(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0])));
    text.resize(got < length ? got : length);
    return text;
}

bool set_window_text(HWND window, const std::wstring& text) {
    return send_message(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) != 0;
}

std::wstring class_name(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, static_cast<int>(sizeof name / sizeof name[0]));
    return name;
}

HWND control(HWND parent, int id) {
    return GetDlgItem(parent, id);
}

HWND child_of_class(HWND parent, const wchar_t* window_class) {
    ChildSearch search = {window_class, nullptr};
    EnumChildWindows(parent, find_child, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool is_checked(HWND button) {
    return send_message(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void click(HWND button) {
    send_message(button, BM_CLICK, 0, 0);
}

void press(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::wstring message_box_text(HWND box) {
    std::wstring text;
    EnumChildWindows(box, first_static_text, reinterpret_cast<LPARAM>(&text));
    return text;
}

void dismiss_message_box(HWND box) {
    press(box, IDOK);
}
