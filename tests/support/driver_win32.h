// The end-to-end driver: makes self-extracting files from the stub as built,
// a configuration block and an archive; starts programs in folders of their
// own and plays their user with ordinary window messages; photographs
// windows; reads back the shortcuts a run made and sees whether the marker
// program, which an archive may carry to be run afterwards, ran; reads back
// the trees runs leave, so that tests compare whole extracted trees.
//
// Nothing here may hang a test run: every wait has a limit, every message to
// the other program is sent with a time-out, and a program still running is
// killed when its UiProcess goes away.
#pragma once

#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <map>
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
// shows pressed OK (its text kept), killed when it outlives the limit (then hung).
struct BatchRun {
    BatchRun(std::wstring program_file, std::wstring run_folder)
        : program(std::move(program_file)), folder(std::move(run_folder)) {}
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

// Writes the window as the screen shows it as NAME.bmp to folder (default
// VORNSFX_SCREENSHOTS).
void screenshot(HWND window, const std::wstring& name, const std::wstring& folder = std::wstring());

// A text as test output shows it.
std::string shown(const std::wstring& text);

// The folders a shortcut can go to: the common Start menu programs, the
// common desktop, the user's Send To.
constexpr int LINK_FOLDERS[3] = {CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_DESKTOPDIRECTORY,
                                 CSIDL_SENDTO};
std::wstring link_path(int folder, const std::wstring& name);

// A shortcut read back the way the shell reads it.
struct ShellLink {
    std::wstring target, working_folder, icon;
    int icon_index = -1;
};
ShellLink read_link(const std::wstring& path);

// The stub as built (VORNSFX_STUB), and a committed corpus archive.
Bytes stub_image();
Bytes corpus_archive(const std::wstring& file_name);
// A -lh5- member of zero bytes; size is 1 + a multiple of 256. Its codes cost
// no bits, so gigabytes of output take a few kilobytes of archive.
Bytes zeros_lh5(const std::string& name, uint32_t size);
Bytes block_bytes(const CConfigBlock& block);
void write_sfx(const std::wstring& path, const Bytes& block, const Bytes& archive_bytes);

// What the marker program writes into the folder it runs in; the names of
// its shortcuts: LINK_NAME, or the program's without its extension when the
// block names none.
constexpr wchar_t MARKER_PROGRAM[] = L"run_marker.exe";
constexpr wchar_t MARKER_FILE[] = L"run-marker.txt";
constexpr wchar_t LINK_NAME[] = L"Vorn E2E マーカー";
constexpr wchar_t DEFAULT_LINK_NAME[] = L"run_marker";

// One run of a real self-extracting file: written to a fresh folder and
// started with a working folder of its own. The marker's shortcuts are
// removed before (leftovers of a broken run) and after.
class StubRun : public ::testing::Test {
protected:
    void SetUp() override {
        make_folder(work);
        TearDown();
    }
    void TearDown() override;

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
// program running, and no LINK_NAME shortcut in any of the three folders.
void expect_nothing_followed(const std::wstring& folder);

// ---- Trees (tree_win32.cpp)

struct TreeEntry {
    bool folder = false;
    Bytes content;      // files only
    int64_t mtime = 0;  // files only: last write, seconds since 1970 UTC
};

// Relative path ('/' between components) -> entry, in sorted order.
using Tree = std::map<std::wstring, TreeEntry>;

// The tree below folder, without the entries named in skip.
Tree list_tree(const std::wstring& folder, const std::set<std::wstring>& skip = {});
// One line per entry ("D name" or "F name (size)"), for comparisons that show
// the whole tree when they fail.
std::string describe(const Tree& tree);

// What extracting a committed corpus archive (by file name) gives: the tree
// lhasa extracted, with the archive's folder members, whose empty folders the
// committed tree cannot hold.
Tree corpus_tree(const std::string& archive);

// Fails the test on every entry, file content and (check_times) time that
// differs, listing both trees.
void expect_same_tree(const Tree& actual, const Tree& expected, bool check_times);

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

// How a header carries a path.
struct NameStyle {
    const char* description;
    int level;
    enum Layout {
        whole_path,   // the whole path as ANSI: level 0 in the base header, level 2 in 0x01
        ansi_split,   // the name as ANSI (base header or 0x01), the folder in 0x02
        utf16_split,  // the name in 0x44, the folder in 0x45
    } layout;
    wchar_t separator;  // between components; 0xFF in an ANSI folder is the byte 0xFF
};
extern const NameStyle NAME_STYLES[8];

// A stored archive of all names in the style, zero byte included. The file
// members' data is hostile_content(name).
Bytes hostile_archive(const std::vector<HostileName>& names, const NameStyle& style);
Bytes hostile_content(const HostileName& name);
