// Drives another program's windows from a test, the way a user would, but
// with ordinary window messages: start the program in a folder of its own,
// find its top-level windows by class, read and set controls, press buttons,
// read and dismiss message boxes.
//
// Nothing here may hang a test run: every wait has a limit, every message to
// the other program is sent with a time-out, and the program is killed when
// its UiProcess goes away.
#pragma once

#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

// The window class of dialogs, message boxes included.
constexpr wchar_t DIALOG_CLASS[] = L"#32770";

// How often waits look again, and how long one message may take to be handled.
constexpr DWORD UI_POLL_MS = 15;
constexpr DWORD UI_MESSAGE_LIMIT_MS = 5000;

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
    DWORD exit_code() const;
    // Ends the program at once (if it still runs) and waits for its end.
    void kill();

    // The program's top-level windows of window_class, hidden ones included.
    std::vector<HWND> windows(const wchar_t* window_class) const;
    // The first of them that passes accept (any, without one), waiting at
    // most limit_ms; null at the limit or when the program ended first.
    HWND wait_window(const wchar_t* window_class, DWORD limit_ms,
                     const WindowTest& accept = WindowTest()) const;

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
std::wstring class_name(HWND window);
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
// somebody dismissed it.
void press(HWND dialog, int id);

// A message box's text (its static text control); empty when none is found.
std::wstring message_box_text(HWND box);
// Closes a message box as its OK button does.
void dismiss_message_box(HWND box);
