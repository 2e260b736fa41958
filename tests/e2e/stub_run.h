// One run of a real self-extracting file under the test's control: the file
// is written to a fresh folder, started with a working folder of its own,
// and its windows are found and driven through the UI automation harness.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "Sfx/config.h"
#include "support/files.h"
#include "support/ui_automation_win32.h"

constexpr wchar_t PROGRESS_WINDOW_CLASS[] = L"VORNSFXCLASS";
constexpr DWORD EXIT_NORMAL = 0;
constexpr DWORD EXIT_STARTUP_FAILED = 2;

// Wine starts a program in about a second, far slower on a busy machine.
constexpr DWORD WINDOW_LIMIT_MS = 30000;
constexpr DWORD RUN_LIMIT_MS = 60000;

// What the marker program writes into the folder it runs in.
constexpr wchar_t MARKER_PROGRAM[] = L"run_marker.exe";
constexpr wchar_t MARKER_FILE[] = L"run-marker.txt";

class StubRun : public ::testing::Test {
protected:
    void SetUp() override { make_folder(work); }

    // Writes stub + block + archive as dir\setup.exe and starts it in work,
    // with the command-line arguments given.
    void start(const Bytes& block, const Bytes& archive_bytes,
               const std::wstring& arguments = std::wstring());
    // Waits for the end and returns the exit status; at the limit the test
    // fails and the program is killed.
    DWORD finish();

    // Writes the window as it shows on the screen to VORNSFX_SCREENSHOTS.
    void screenshot(HWND window, const std::wstring& name);

    // The text the marker program left in folder (the folder it ran in),
    // waiting for it; empty when it never ran there.
    std::wstring marker_text(const std::wstring& folder);
    // Neither a marker in folder nor a marker program still running.
    void expect_nothing_ran(const std::wstring& folder);

    TempDir dir;
    std::wstring work = dir / L"work";  // the program's current folder
    UiProcess stub;
};

// The program's visible destination dialog, progress window, or message box
// (a dialog-class window without the folder field); null at the limit.
HWND wait_dialog(const UiProcess& process);
HWND wait_progress_window(const UiProcess& process);
HWND wait_message_box(const UiProcess& process);

// A block that offers and ticks all three shortcuts to the marker program
// under link_name, and runs the marker program after extraction.
CConfigBlock marker_block(const std::wstring& title, const std::wstring& destination,
                          const std::wstring& link_name);
// No shortcut of that name in any of the three folders.
void expect_no_shortcut(const std::wstring& link_name);

// A text as test output shows it.
std::string shown(const std::wstring& text);

// folder holds what lhasa extracted from the corpus archive (by file name),
// and besides at most the entries named in extra.
void expect_extracted(const std::string& corpus_archive, const std::wstring& folder,
                      const std::set<std::wstring>& extra = {});

// Every shortcut file now in the three folders the program can use.
std::set<std::wstring> all_links();
