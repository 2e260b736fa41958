// The end-to-end driver: makes self-extracting files from the stub as built,
// a configuration block and an archive; starts programs in folders of their
// own and plays their user with ordinary window messages; photographs
// windows; reads back the shortcuts a run made and sees whether the marker
// program, which an archive may carry to be run afterwards, ran.
//
// Nothing here may hang a test run: every wait has a limit, every message to
// the other program is sent with a time-out, and a program still running is
// killed when its UiProcess goes away.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "Sfx/config.h"
#include "files.h"

// Dialogs, message boxes included; the progress window.
constexpr wchar_t DIALOG_CLASS[] = L"#32770";
constexpr wchar_t PROGRESS_WINDOW_CLASS[] = L"VORNSFXCLASS";
constexpr DWORD EXIT_NORMAL = 0;
constexpr DWORD EXIT_STARTUP_FAILED = 2;

// Wine starts a program in about a second, far slower on a busy machine.
constexpr DWORD WINDOW_LIMIT_MS = 30000;
constexpr DWORD RUN_LIMIT_MS = 60000;

class UiProcess {
public:
    UiProcess() = default;
    ~UiProcess();
    UiProcess(const UiProcess&) = delete;
    UiProcess& operator=(const UiProcess&) = delete;

    bool start(const std::wstring& program, const std::wstring& folder,
               const std::wstring& arguments = std::wstring());
    bool running() const;
    // The exit status after at most limit_ms; then the test fails and the
    // program is killed.
    DWORD finish(DWORD limit_ms = RUN_LIMIT_MS);
    DWORD exit_code() const;
    void kill();

    // The program's top-level windows of window_class, hidden ones included.
    std::vector<HWND> windows(const wchar_t* window_class) const;
    // The first visible one that passes accept (if given) within
    // WINDOW_LIMIT_MS; null when none came or the program ended first.
    HWND wait_window(const wchar_t* window_class,
                     const std::function<bool(HWND)>& accept = nullptr) const;
    // The destination dialog, or a message box (a dialog without the folder field).
    HWND wait_dialog() const;
    HWND wait_message_box() const;

private:
    PROCESS_INFORMATION info_ = {};
};

// One program of run_side_by_side: started in folder, every message box it
// shows pressed OK (its text kept), killed when it shows more than
// MESSAGE_LIMIT or outlives the limit (then hung).
struct BatchRun {
    BatchRun(std::wstring program_file, std::wstring run_folder)
        : program(std::move(program_file)), folder(std::move(run_folder)) {}
    std::wstring program, folder;
    std::vector<std::wstring> messages;
    bool hung = false;
    bool window_seen = false;  // a dialog or progress window, hidden or not
    DWORD status = STILL_ACTIVE;
};
constexpr size_t MESSAGE_LIMIT = 8;
// Most of a run is Wine starting a process and waiting: RUNS_AT_ONCE programs
// run side by side, and each group ends within limit_ms. Wine would hold a
// crashed program in its crash dialog: that is closed, and the program ends
// with its exception's status.
constexpr size_t RUNS_AT_ONCE = 4;
void run_side_by_side(std::vector<BatchRun>& runs, DWORD limit_ms);

bool wait_until(const std::function<bool()>& condition, DWORD limit_ms);

// Control texts come through WM_GETTEXT: for a window of another process
// GetWindowText returns only the caption the system keeps.
std::wstring window_text(HWND window);
// Sent with the time-out; 0 when it was not handled in time.
LRESULT send_message(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0);
// The command of button id, posted rather than sent: it may open a message
// box, which would block a sender. A message box's OK dismisses it.
void press(HWND dialog, int id);
std::wstring message_box_text(HWND box);

// Writes the window as the screen shows it as NAME.bmp to folder (default
// VORNSFX_SCREENSHOTS).
void screenshot(HWND window, const std::wstring& name, const std::wstring& folder = std::wstring());

// A text as test output shows it.
std::string shown(const std::wstring& text);

// The folders a shortcut can go to: the common Start menu programs, the
// common desktop, the user's Send To.
struct LinkFolder {
    int csidl;
    const char* name;
};
extern const LinkFolder LINK_FOLDERS[3];
std::wstring link_path(const LinkFolder& folder, const std::wstring& name);

// A shortcut read back the way the shell reads it.
struct ShellLink {
    std::wstring target, working_folder, icon;
    int icon_index = -1;
};
ShellLink read_link(const std::wstring& path);

// Removes the links of this name from all three folders when made (leftovers
// of a broken run) and when gone.
class LinkCleanup {
public:
    explicit LinkCleanup(std::wstring name) : name_(std::move(name)) { remove(); }
    ~LinkCleanup() { remove(); }
    LinkCleanup(const LinkCleanup&) = delete;
    LinkCleanup& operator=(const LinkCleanup&) = delete;

private:
    void remove() const;
    std::wstring name_;
};

// The stub as built (VORNSFX_STUB), and a committed corpus archive.
Bytes stub_image();
Bytes corpus_archive(const std::wstring& file_name);
// A -lh5- member of zero bytes; size is 1 + a multiple of 256. Its codes cost
// no bits, so gigabytes of output take a few kilobytes of archive.
Bytes zeros_lh5(const std::string& name, uint32_t size);
Bytes block_bytes(const CConfigBlock& block);
// stub + block + archive, written to path.
void write_sfx(const std::wstring& path, const Bytes& block, const Bytes& archive_bytes);

// What the marker program writes into the folder it runs in.
constexpr wchar_t MARKER_PROGRAM[] = L"run_marker.exe";
constexpr wchar_t MARKER_FILE[] = L"run-marker.txt";

// One run of a real self-extracting file: written to a fresh folder and
// started with a working folder of its own.
class StubRun : public ::testing::Test {
protected:
    void SetUp() override { make_folder(work); }

    // Writes stub + block + archive as dir\setup.exe and starts it in work.
    void start(const Bytes& block, const Bytes& archive_bytes,
               const std::wstring& arguments = std::wstring());

    TempDir dir;
    std::wstring work = dir / L"work";  // the program's current folder
    UiProcess stub;
};

// The marker program (VORNSFX_RUN_MARKER) as a stored member.
Bytes marker_member();
// A block that offers the three shortcuts (Start menu, desktop, Send To;
// options as the block stores them) to the marker program under link_name,
// and runs the marker program after extraction.
using ShortcutOptions = std::array<uint8_t, 3>;
constexpr uint8_t TICKED = OPTION_OFFERED | OPTION_CHOSEN;
CConfigBlock marker_block(const std::wstring& title, const std::wstring& destination,
                          const std::wstring& link_name,
                          const ShortcutOptions& options = {TICKED, TICKED, TICKED});
// The text the marker program left in folder (the folder it ran in),
// waiting for it; empty when it never ran there.
std::wstring marker_text(const std::wstring& folder);
// After a run that ended early: neither a marker in folder nor a marker
// program running, and no shortcut of that name in any of the three folders.
void expect_nothing_followed(const std::wstring& folder, const std::wstring& link_name);
