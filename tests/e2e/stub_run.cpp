#include "stub_run.h"

#include "Sfx/Sfx64/resource.h"
#include "sfx_files.h"
#include "shell_links_win32.h"
#include "support/screenshot_win32.h"
#include "support/tree_win32.h"
#include "text/utf8.h"

namespace {

// The marker program starts within the run's end; give it time on a busy machine.
constexpr DWORD MARKER_LIMIT_MS = 20000;

bool visible(HWND window) {
    return IsWindowVisible(window) != FALSE;
}

}  // namespace

void StubRun::start(const Bytes& block, const Bytes& archive_bytes,
                    const std::wstring& arguments) {
    std::wstring program = dir / L"setup.exe";
    write_sfx(program, block, archive_bytes);
    ASSERT_TRUE(stub.start(program, work, arguments)) << "cannot start " << shown(program);
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
    std::wstring path = folder + L"\\" + name + L".png";
    ASSERT_TRUE(save_screenshot(window, path)) << "screen capture failed";
    std::printf("screenshot: %s\n", shown(path).c_str());
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
    EXPECT_TRUE(process_ids(MARKER_PROGRAM).empty()) << "the run-after program runs";
}

CConfigBlock marker_block(const std::wstring& title, const std::wstring& destination,
                          const std::wstring& link_name) {
    CConfigBlock block;
    block.lead_byte = 1;
    block.title = title.c_str();
    block.destination = destination.c_str();
    block.shortcut_target = block.run_after = MARKER_PROGRAM;
    block.start_menu_option = block.desktop_option = block.send_to_option =
        OPTION_OFFERED | OPTION_CHOSEN;
    block.shortcut_name = link_name.c_str();
    return block;
}

void expect_no_shortcut(const std::wstring& link_name) {
    for (const LinkFolder& folder : LINK_FOLDERS)
        EXPECT_FALSE(exists(link_path(folder, link_name))) << "a shortcut in " << folder.name;
}

std::string shown(const std::wstring& text) {
    return utf16_to_utf8(text);
}

void expect_extracted(const std::string& corpus_archive, const std::wstring& folder,
                      const std::set<std::wstring>& extra) {
    expect_same_tree(list_tree(folder, extra), corpus_tree(corpus_archive), false);
}

std::set<std::wstring> all_links() {
    std::set<std::wstring> links;
    for (const LinkFolder& folder : LINK_FOLDERS) {
        std::wstring path = shell_folder_path(folder);
        for (const std::wstring& name : folder_entries(path)) links.insert(path + L"\\" + name);
    }
    return links;
}
