#include "stub_run.h"

#include <tlhelp32.h>

#include "Sfx/Sfx64/resource.h"
#include "sfx_files.h"
#include "shell_links_win32.h"
#include "support/png_writer.h"
#include "support/screenshot_win32.h"
#include "text/utf8.h"

namespace {

// The marker program starts within the run's end; give it time on a busy machine.
constexpr DWORD MARKER_LIMIT_MS = 20000;

bool visible(HWND window) {
    return IsWindowVisible(window) != FALSE;
}

bool marker_process_running() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found;
         more = Process32NextW(snapshot, &entry))
        found = _wcsicmp(entry.szExeFile, MARKER_PROGRAM) == 0;
    CloseHandle(snapshot);
    return found;
}

}  // namespace

void StubRun::SetUp() {
    work = dir / L"work";
    make_folder(work);
}

void StubRun::start(const Bytes& block, const Bytes& archive_bytes) {
    std::wstring program = dir / L"setup.exe";
    write_sfx(program, block, archive_bytes);
    ASSERT_TRUE(stub.start(program, work)) << "cannot start " << utf16_to_utf8(program);
}

HWND wait_dialog(const UiProcess& process) {
    return process.wait_window(DIALOG_CLASS, WINDOW_LIMIT_MS, [](HWND window) {
        return visible(window) && control(window, IDC_DEST_EDIT) != nullptr;
    });
}

HWND wait_progress_window(const UiProcess& process) {
    return process.wait_window(PROGRESS_WINDOW_CLASS, WINDOW_LIMIT_MS, visible);
}

HWND wait_message_box(const UiProcess& process) {
    return process.wait_window(DIALOG_CLASS, WINDOW_LIMIT_MS, [](HWND window) {
        return visible(window) && control(window, IDC_DEST_EDIT) == nullptr;
    });
}

DWORD StubRun::finish() {
    if (!stub.wait_exit(RUN_LIMIT_MS)) {
        ADD_FAILURE() << "the program did not end within " << RUN_LIMIT_MS << " ms; killed";
        stub.kill();
    }
    return stub.exit_code();
}

void StubRun::screenshot(HWND window, const std::wstring& name) {
    std::wstring folder = path_from_environment("VORNSFX_SCREENSHOTS");
    make_folder(folder);
    RgbImage image = capture_settled_window(window);
    ASSERT_GT(image.width, 0) << "screen capture failed";
    std::wstring path = folder + L"\\" + name + L".png";
    write_file(path, encode_png(image));
    std::printf("screenshot: %s (%dx%d)\n", utf16_to_utf8(path).c_str(), image.width,
                image.height);
}

std::wstring StubRun::marker_text(const std::wstring& folder) {
    std::wstring marker = folder + L"\\" + MARKER_FILE;
    if (!wait_until([&] { return exists(marker); }, MARKER_LIMIT_MS)) return std::wstring();
    Bytes bytes = read_file(marker);
    std::wstring text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<wchar_t>(bytes[i] | bytes[i + 1] << 8));
    return text;
}

void StubRun::expect_nothing_ran(const std::wstring& folder) {
    // The program opens the marker before it ends, so by now the marker
    // process exists or has left its file.
    EXPECT_FALSE(exists(folder + L"\\" + MARKER_FILE)) << "the run-after program ran";
    EXPECT_FALSE(marker_process_running()) << "the run-after program runs";
}

std::string shown(const std::wstring& text) {
    return utf16_to_utf8(text);
}

std::set<std::wstring> folder_entries(const std::wstring& folder) {
    std::set<std::wstring> names;
    std::error_code error;
    for (auto it = fs::directory_iterator(native(folder), error);
         !error && it != fs::directory_iterator(); it.increment(error))
        names.insert(wide(it->path().filename()));
    return names;
}

std::set<std::wstring> all_links() {
    std::set<std::wstring> links;
    for (const LinkFolder& folder : LINK_FOLDERS) {
        std::wstring path = shell_folder_path(folder);
        for (const std::wstring& name : folder_entries(path)) links.insert(path + L"\\" + name);
    }
    return links;
}
