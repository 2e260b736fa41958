// The end-to-end driver: makes self-extracting files from the stub as built,
// a configuration block and an archive; starts a program in a folder of its
// own and plays its user with ordinary window messages (find windows, read
// and set controls, press buttons, dismiss message boxes); photographs
// windows; reads back the shortcuts a run made.
//
// Nothing here may hang a test run: every wait has a limit, every message to
// the other program is sent with a time-out, and a program still running is
// killed when its UiProcess goes away.
#pragma once

#include <windows.h>

#include <functional>
#include <set>
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

using WindowTest = std::function<bool(HWND)>;

class UiProcess {
public:
    UiProcess() = default;
    ~UiProcess();
    UiProcess(const UiProcess&) = delete;
    UiProcess& operator=(const UiProcess&) = delete;

    // Starts program with folder as its current directory.
    bool start(const std::wstring& program, const std::wstring& folder,
               const std::wstring& arguments = std::wstring());
    bool running() const;
    // True once the program has ended, waiting at most limit_ms.
    bool wait_exit(DWORD limit_ms);
    // Waits RUN_LIMIT_MS for the end and returns the exit status; at the
    // limit the test fails and the program is killed.
    DWORD finish();
    DWORD exit_code() const;
    // Ends the program at once (if it still runs) and waits for its end.
    void kill();

    // The program's top-level windows of window_class, hidden ones included.
    std::vector<HWND> windows(const wchar_t* window_class) const;
    // The first of them that passes accept (any, without one), waiting at
    // most limit_ms; null at the limit or when the program ended first.
    HWND wait_window(const wchar_t* window_class, DWORD limit_ms,
                     const WindowTest& accept = WindowTest()) const;
    // The visible destination dialog, progress window, or message box (a
    // dialog without the folder field); null at WINDOW_LIMIT_MS.
    HWND wait_dialog() const;
    HWND wait_progress_window() const;
    HWND wait_message_box() const;

private:
    PROCESS_INFORMATION info_ = {};
};

// The ids of the running processes started from a program of this file name.
std::set<DWORD> process_ids(const wchar_t* program_file);
// Polls condition until it holds; false at the limit.
bool wait_until(const std::function<bool()>& condition, DWORD limit_ms);

// Control texts come through WM_GETTEXT: for a window of another process
// GetWindowText returns only the caption the system keeps, never the text an
// edit control holds.
std::wstring window_text(HWND window);
bool set_window_text(HWND window, const std::wstring& text);
// Any other message, sent with the time-out; 0 when it was not handled in time.
LRESULT send_message(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0);
HWND control(HWND parent, int id);
// The first child window of window_class (for controls without an id).
HWND child_of_class(HWND parent, const wchar_t* window_class);
bool is_checked(HWND button);
// A click on a button (BM_CLICK): a check box toggles, a push button commands.
void click(HWND button);
// The command of button id reaches dialog as if clicked, posted rather than
// sent: the command may open a message box, which would block a sender until
// somebody dismissed it. A message box's OK dismisses it.
void press(HWND dialog, int id);
// A message box's text (its static text control); empty when none is found.
std::wstring message_box_text(HWND box);

// Writes the window as the screen shows it, frame included, as NAME.bmp to
// VORNSFX_SCREENSHOTS (or to the folder given); false when it could not be
// captured.
bool screenshot(HWND window, const std::wstring& name,
                const std::wstring& folder = std::wstring());

// A text as test output shows it.
std::string shown(const std::wstring& text);

// The three folders the program can put a shortcut into: the common Start
// menu programs, the common desktop, the user's Send To.
struct LinkFolder {
    int csidl;
    const char* name;
};
extern const LinkFolder LINK_FOLDERS[3];
// folder + "\" + name + ".lnk"
std::wstring link_path(const LinkFolder& folder, const std::wstring& name);

// A shortcut read back the way the shell reads it (IShellLinkW through
// IPersistFile::Load).
struct ShellLink {
    bool loaded = false;
    std::wstring target, working_folder, icon;
    int icon_index = -1;
};
ShellLink read_link(const std::wstring& path);

// Removes the links of this name from all three folders when it is made
// (leftovers of an earlier, broken run) and when it goes away.
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

// The stub as built (VORNSFX_STUB); exactly PAYLOAD_OFFSET bytes.
Bytes stub_image();
// A committed corpus archive (VORNSFX_CORPUS), its end byte included.
Bytes corpus_archive(const std::wstring& file_name);
// The members in order, then tail (the end byte, or a corpus archive).
Bytes archive(const std::vector<Bytes>& members, const Bytes& tail = Bytes(1, 0));
// A -lh5- member of zero bytes; size is 1 + a multiple of 256. Its codes cost
// no bits, so gigabytes of output take a few kilobytes of archive.
Bytes zeros_lh5(const std::string& name, uint32_t size);
// The encoded block.
Bytes block_bytes(const CConfigBlock& block);
// stub + block + archive, written to path.
void write_sfx(const std::wstring& path, const Bytes& block, const Bytes& archive_bytes);
