// Runs that end early: the user aborts among many small members or closes
// the window during a large one, or a member is damaged. (Archives cut short
// go through the stub in the corrupt-input sweep.) The members before stay, and no shortcut is made and nothing is run.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <set>

#include "Sfx/Sfx64/resource.h"
#include "sfx_files.h"
#include "shell_links_win32.h"
#include "stub_run.h"
#include "support/header_writer.h"

namespace {

// Several seconds of output even on a fast machine: the abort has to arrive
// while this member is still being written.
constexpr uint32_t LARGE_SIZE = 1 + 256u * 12 * 1024 * 1024;  // 3 GiB
// Far enough into the large member that the bar shows it.
constexpr int SHOWN_PERCENT = 5;
// Small members: the abort lands between two of them as often as inside one.
constexpr int SMALL_MEMBERS = 1500;
constexpr int ABORT_AFTER_MEMBER = 50;

std::string small_name(int index) {
    char name[16];
    std::snprintf(name, sizeof name, "m%04d.txt", index);
    return name;
}

Bytes small_content(int index) {
    return ascii(small_name(index) + std::string(200, static_cast<char>('a' + index % 26)));
}

// The index of a small member's name, -1 for any other text.
int small_index(const std::wstring& text) {
    int index = -1;
    return std::swscanf(text.c_str(), L"m%4d.txt", &index) == 1 ? index : -1;
}

const std::wstring LINK_NAME = L"Vorn E2E 終了";
const std::wstring TITLE = L"Vorn E2E 中断";

}  // namespace

class RunEnd : public StubRun {
protected:
    // Starts a run of members (then tail) into destination and confirms the dialog.
    void start_confirmed(const std::vector<Bytes>& members, const Bytes& tail = Bytes(1, 0)) {
        start(block_bytes(marker_block(TITLE, destination, LINK_NAME)), archive(members, tail));
        HWND dialog = wait_dialog(stub);
        ASSERT_TRUE(dialog) << "no destination dialog";
        press(dialog, IDOK);
    }

    // Starts a run whose last member is large and returns the progress window
    // once that member is being written.
    HWND large_member_in_progress() {
        start_confirmed({stored("first.txt", first), marker_member("run_marker.exe"),
                         zeros_lh5("large.bin", LARGE_SIZE)});
        HWND window = wait_progress_window(stub);
        if (!window) return nullptr;
        EXPECT_EQ(shown(window_text(window)), shown(TITLE));
        HWND label = child_of_class(window, L"Static");
        HWND bar = child_of_class(window, PROGRESS_CLASSW);
        EXPECT_TRUE(label && bar) << "name label or progress bar missing";
        bool in_large_member = wait_until(
            [&] {
                return window_text(label) == L"large.bin" &&
                       send_message(bar, PBM_GETPOS) >= SHOWN_PERCENT;
            },
            WINDOW_LIMIT_MS);
        EXPECT_TRUE(in_large_member) << "label '" << shown(window_text(label)) << "', bar at "
                                     << send_message(bar, PBM_GETPOS);
        EXPECT_TRUE(exists(large)) << "the large member is not being written";
        return window;
    }

    // The members before the end are there; nothing follows a run that failed.
    void expect_ended_early() {
        EXPECT_EQ(read_file(destination + L"\\first.txt"), first);
        expect_no_shortcut(LINK_NAME);
        expect_nothing_ran(destination);
    }

    LinkCleanup cleanup{{LINK_NAME}};
    std::wstring destination = dir / L"dest";
    std::wstring large = destination + L"\\large.bin";
    Bytes first = ascii("extracted before the end\r\n");
};

// Whenever the abort comes, the members up to the last one shown are whole on
// disk: only a file still being written is removed, never a finished one (the
// worker's tests see a partial file go).
TEST_F(RunEnd, AnAbortAmongSmallMembersKeepsEveryFinishedOne) {
    std::vector<Bytes> members;
    for (int i = 0; i < SMALL_MEMBERS; ++i)
        members.push_back(stored(small_name(i), small_content(i)));
    start(Bytes(1, 0), archive(members));
    HWND window = wait_progress_window(stub);
    ASSERT_TRUE(window) << "no progress window";
    HWND label = child_of_class(window, L"Static");
    ASSERT_TRUE(label);
    int last_shown = -1;
    ASSERT_TRUE(wait_until(
        [&] { return (last_shown = small_index(window_text(label))) >= ABORT_AFTER_MEMBER; },
        WINDOW_LIMIT_MS));
    click(control(window, ID_ABORT));
    while (IsWindow(label)) {
        int shown_now = small_index(window_text(label));
        if (shown_now > last_shown) last_shown = shown_now;
        Sleep(1);
    }
    EXPECT_EQ(finish(), EXIT_NORMAL);
    std::set<std::wstring> on_disk = folder_entries(work);
    EXPECT_LT(on_disk.size(), static_cast<size_t>(SMALL_MEMBERS)) << "the abort came too late";
    for (int i = 0; i < static_cast<int>(on_disk.size()) || i <= last_shown; ++i) {
        std::string name = small_name(i);
        std::wstring path = work + L"\\" + std::wstring(name.begin(), name.end());
        ASSERT_TRUE(exists(path) && read_file(path) == small_content(i))
            << small_name(i) << " is missing or incomplete; the last shown was " << last_shown;
    }
}

TEST_F(RunEnd, ClosingTheWindowDuringExtractionEndsTheProcess) {
    HWND window = large_member_in_progress();
    ASSERT_TRUE(window) << "no progress window";
    EXPECT_EQ(shown(window_text(control(window, ID_ABORT))), "中止");
    screenshot(window, L"progress-window");
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box
    // Ends cleanly although the worker was still writing: no crash status.
    EXPECT_EQ(finish(), EXIT_NORMAL);
    EXPECT_TRUE(exists(large)) << "the file being written stays as far as it got";
    expect_ended_early();
}

TEST_F(RunEnd, ADamagedMemberIsReportedAndEndsTheRun) {
    Bytes bad = ascii("this member's CRC does not match\r\n");
    start_confirmed({marker_member("run_marker.exe"), stored("first.txt", first),
                     stored("bad.txt", bad, true), stored("after.txt", first)});
    HWND box = wait_message_box(stub);
    ASSERT_TRUE(box) << "no message box";
    EXPECT_EQ(shown(message_box_text(box)), "ファイル bad.txt が壊れています。");
    EXPECT_NE(shown(window_text(box)), "Vorn SFX") << "only Unknown header has this caption";
    screenshot(box, L"damaged-member");
    dismiss_message_box(box);
    EXPECT_EQ(finish(), EXIT_NORMAL);
    EXPECT_EQ(read_file(destination + L"\\bad.txt"), bad) << "the damaged file stays as written";
    EXPECT_FALSE(exists(destination + L"\\after.txt")) << "extraction went on after the damage";
    expect_ended_early();
}
