// The end-to-end driver: makes self-extracting files from the stub as built,
// a configuration block and an archive; starts programs in folders of their
// own and plays their user with ordinary window messages; reads back the
// trees runs leave, so that tests compare whole extracted trees.
//
// Nothing here may hang a test run: every wait has a limit, every message to
// the other program is sent with a time-out, and a program still running is
// killed when its UiProcess goes away.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

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
    bool running() const {
        return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
    }
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
    // The destination dialog: the dialog with the folder field.
    HWND wait_dialog() const;

private:
    PROCESS_INFORMATION info_ = {};
};

// One program of run_side_by_side: started in folder, every message box it
// shows pressed OK (its text kept), killed when it outlives the limit (then hung).
struct BatchRun {
    std::wstring program, folder;
    std::vector<std::wstring> messages;
    bool hung = false;
    DWORD status = STILL_ACTIVE;
};
// Most of a run is Wine starting a process and waiting: RUNS_AT_ONCE programs
// run side by side, and each group ends within limit_ms. A crashed program
// ends with its exception's status (tests/wine/start-wine turns Wine's crash
// dialog off).
constexpr size_t RUNS_AT_ONCE = 4;
void run_side_by_side(std::vector<BatchRun>& runs, DWORD limit_ms);

// True when condition came true within limit_ms, looked at every every_ms.
constexpr DWORD POLL_MS = 15;
bool wait_until(const std::function<bool()>& condition, DWORD limit_ms, DWORD every_ms = POLL_MS);

// Control texts come through WM_GETTEXT: for a window of another process
// GetWindowText returns only the caption the system keeps.
std::wstring window_text(HWND window);
// Sent with the time-out; 0 when it was not handled in time.
LRESULT send_message(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0);
// The command of button id, posted rather than sent: it may open a message
// box, which would block a sender. A message box's OK dismisses it.
void press(HWND dialog, int id);
std::wstring message_box_text(HWND box);

std::string shown(const std::wstring& text);

// The stub as built (VORNSFX_STUB), and a committed corpus archive.
Bytes stub_image();
Bytes corpus_archive(const std::wstring& file_name);
// A -lh5- member of zero bytes; size is 1 + a multiple of 256. Its codes cost
// no bits, so gigabytes of output take a few kilobytes of archive.
Bytes zeros_lh5(const std::string& name, uint32_t size);
Bytes block_bytes(const CConfigBlock& block);
void write_sfx(const std::wstring& path, const Bytes& block, const Bytes& archive_bytes);

// ---- Hostile names (hostile_archive_win32.cpp)

// Member names made to escape the destination folder, and archives that carry
// them in every way a header can: levels 0, 1 and 2, ANSI and UTF-16 names and
// folder headers, with '/', '\', 0xFF and U+FFFF between components.
struct HostileName {
    std::wstring stored;   // '/' between components; a trailing '/' makes a folder member
    std::wstring written;  // where it must land below the destination; "" for nowhere
    bool folder() const { return !stored.empty() && stored.back() == L'/'; }
};

// The names. outside is an absolute path above the destination: some names
// point straight at it, so an escape shows up in a listing of it.
std::vector<HostileName> hostile_names(const std::wstring& outside);

// An archive of all names for every way a header can carry a path, with that
// way's description; stored, zero byte included. The file members' data is
// hostile_content(name).
std::vector<std::pair<std::string, Bytes>> hostile_archives(const std::vector<HostileName>& names);
Bytes hostile_content(const HostileName& name);
