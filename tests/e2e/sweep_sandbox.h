// Runs self-extracting files one after another, each in a sandbox of its own,
// and tells how each run ended and whether anything appeared outside its
// destination folder.
//
// Layout: the sweep's folder S holds only "runs"; run n gets the folder
// R = S\runs\run-n with R\setup.exe and its destination R\dest (its current
// folder). "..\..\.." from the destination is S itself, so the classic
// escapes land where the listings see them. Beyond S, the temporary folder
// and the drive root C:\ are compared with what they held when the sweep
// began.
#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "support/files.h"

enum class RunOutcome {
    clean,            // ended, status 0, no message box
    damage_reported,  // ended, status 0, after message boxes
    startup_failed,   // ended, status 2
    write_failed,     // ended, status 1: a disk-write failure
    crashed,          // any other status, or Wine's crash handler started
    hung,             // still running at the limit, or a message box that keeps coming
};
const char* outcome_name(RunOutcome outcome);
// The outcomes a sound program may have on damaged input.
bool acceptable(RunOutcome outcome);

struct SandboxRun {
    RunOutcome outcome = RunOutcome::clean;
    DWORD exit_code = 0;
    std::vector<std::wstring> messages;  // texts of the message boxes dismissed, in order
    std::vector<std::wstring> strays;    // entries that appeared outside the destination
    DWORD milliseconds = 0;
};

class SweepSandbox {
public:
    SweepSandbox();
    // S: hostile names aim here.
    const std::wstring& folder() const { return root_.path(); }
    // Writes program_bytes as setup.exe of run n, runs it with the limit,
    // dismissing every message box, checks the folders, and removes R.
    SandboxRun run(const Bytes& program_bytes, int n, DWORD limit_ms);

private:
    // A folder outside the destinations and the names it may hold: those it
    // held at the start, and those reported since (each stray is reported once).
    struct Watched {
        std::wstring folder;
        std::set<std::wstring> known;
    };
    std::vector<std::wstring> strays_after(const std::wstring& run_folder);

    TempDir root_;
    std::vector<Watched> watched_;  // runs, root, temporary folder, drive root
};
