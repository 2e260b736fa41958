// Runs extraction_worker on its own thread, as the progress window does,
// against a hidden message-only window of the test's own. The window answers
// WM_SFX_SHOW_NAME, takes the progress bar's messages, hears the shell's
// creation notices and records all of it; it can press "abort" as well, and
// on WM_SFX_ABORTED deletes CSfxApp::current_output as the real window does.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct CSfxApp;

struct WorkerRecord {
    std::vector<std::wstring> shown;     // WM_SFX_SHOW_NAME texts, in order
    std::vector<std::wstring> notified;  // paths the shell was told were created
    UINT final_message = 0;              // WM_SFX_DONE or WM_SFX_ABORTED; 0: none in time
    int final_messages = 0;              // how many of those arrived
    bool failed = false;                 // CSfxApp::failed after the run
};

class WorkerRun {
public:
    WorkerRun();
    ~WorkerRun();
    WorkerRun(const WorkerRun&) = delete;
    WorkerRun& operator=(const WorkerRun&) = delete;

    // Clears the abort flag as the abort button does: once the window shows
    // this stored path (before its extraction), or (while_extracting) the
    // first time the bar moves while it shows it.
    void abort_at(const std::wstring& stored_path, bool while_extracting) {
        abort_on_ = stored_path;
        abort_while_extracting_ = while_extracting;
    }

    // Extracts archive into destination (made the current folder for the run,
    // and CSfxApp::destination) and returns what the window saw.
    WorkerRecord run(const std::wstring& archive, const std::wstring& destination);
    HWND window() const { return window_; }

private:
    static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    void on_shell_notice(WPARAM wparam, LPARAM lparam);

    HWND window_ = nullptr;
    ULONG shell_registration_ = 0;
    std::wstring abort_on_;
    bool abort_while_extracting_ = false;
    WorkerRecord* record_ = nullptr;
    CSfxApp* app_ = nullptr;
};

// The full path the extraction of a member writes below destination, as the
// shell hears it: backslashes between the components.
std::wstring shell_path(const std::wstring& destination, const std::wstring& relative);
