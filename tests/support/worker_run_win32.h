// Runs extraction_worker on its own thread, as the progress window does,
// against a hidden message-only window of the test's own. The window answers
// WM_SFX_SHOW_NAME, takes the progress bar's messages, hears the shell's
// creation notices and records all of it; it can press "abort" as well.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct WorkerRecord {
    std::vector<std::wstring> shown;     // WM_SFX_SHOW_NAME texts, in order
    std::vector<std::wstring> notified;  // paths the shell was told were created
    int bar_moves = 0;                   // progress-bar positions set
    UINT final_message = 0;              // WM_SFX_DONE or WM_SFX_ABORTED; 0: none in time
    int final_messages = 0;              // how many of those arrived
    bool failed = false;                 // CSfxApp::failed after the run
    std::wstring current_output;         // CSfxApp::current_output after the run
};

class WorkerRun {
public:
    WorkerRun();
    ~WorkerRun();
    WorkerRun(const WorkerRun&) = delete;
    WorkerRun& operator=(const WorkerRun&) = delete;

    // Clears the abort flag as the abort button does, the first time the bar
    // moves while the member shown last has this stored path.
    void abort_while_showing(const std::wstring& stored_path) { abort_on_ = stored_path; }
    // Clears it while the window shows this stored path, before its extraction.
    void abort_on_showing(const std::wstring& stored_path) { abort_on_shown_ = stored_path; }

    // Extracts archive into destination (made the current folder for the run,
    // and CSfxApp::destination) and returns what the window saw.
    WorkerRecord run(const std::wstring& archive, const std::wstring& destination);

    HWND window() const { return window_; }
    // How long a run may take before the test fails it.
    void set_time_limit(UINT milliseconds) { time_limit_ms_ = milliseconds; }

private:
    static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    void on_shell_notice(WPARAM wparam, LPARAM lparam);

    HWND window_ = nullptr;
    ULONG shell_registration_ = 0;
    std::wstring abort_on_;
    std::wstring abort_on_shown_;
    static constexpr UINT DEFAULT_TIME_LIMIT_MS = 120000;
    UINT time_limit_ms_ = DEFAULT_TIME_LIMIT_MS;
    WorkerRecord* record_ = nullptr;
};

// The full path the extraction of a member writes below destination, as the
// shell hears it: backslashes between the components.
std::wstring shell_path(const std::wstring& destination, const std::wstring& relative);
