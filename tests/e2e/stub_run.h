// One run of a real self-extracting file under the test's control: the file
// is written to a fresh folder and started with a working folder of its own.
// Its archives carry the marker program, which a run may start afterwards.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "support/driver_win32.h"

// What the marker program writes into the folder it runs in.
constexpr wchar_t MARKER_PROGRAM[] = L"run_marker.exe";
constexpr wchar_t MARKER_FILE[] = L"run-marker.txt";

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
// A block that offers and ticks all three shortcuts to the marker program
// under link_name, and runs the marker program after extraction.
CConfigBlock marker_block(const std::wstring& title, const std::wstring& destination,
                          const std::wstring& link_name);
// The text the marker program left in folder (the folder it ran in),
// waiting for it; empty when it never ran there.
std::wstring marker_text(const std::wstring& folder);
// After a run that ended early: neither a marker in folder nor a marker
// program running, and no shortcut of that name in any of the three folders.
void expect_nothing_followed(const std::wstring& folder, const std::wstring& link_name);
