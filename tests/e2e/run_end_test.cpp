// Runs that end early: the user aborts among many small members or closes
// the window during a large one, or a member is damaged. The members before
// stay, and no shortcut is made and nothing is run.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

#include "Sfx/Sfx64/resource.h"
#include "support/driver_win32.h"
#include "support/header_writer.h"
#include "text/utf8.h"

namespace {

// Several seconds of output even on a fast machine: the close has to arrive
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
    // Starts a run of members into destination and confirms the dialog.
    void start_confirmed(std::initializer_list<Bytes> members) {
        start(block_bytes(marker_block(TITLE, destination, LINK_NAME)),
              concat({concat(members), Bytes{0}}));
        HWND dialog = stub.wait_dialog();
        ASSERT_TRUE(dialog) << "no destination dialog";
        press(dialog, IDOK);
    }

    // The members before the end are there; nothing follows a run that failed.
    void expect_ended_early() {
        EXPECT_EQ(read_file(destination + L"\\first.txt"), first);
        expect_nothing_followed(destination, LINK_NAME);
    }

    LinkCleanup cleanup{LINK_NAME};
    std::wstring destination = dir / L"dest";
    Bytes first = ascii("extracted before the end\r\n");
};

// A block that is only its lead byte 0: no dialog, the progress window under
// its default title, extraction into the current folder; options of other
// installers change nothing. Whenever the abort comes, every file on disk is
// whole and so is every member shown before.
TEST_F(RunEnd, AnAbortAmongSmallMembersWithoutABlockKeepsEveryFinishedOne) {
    Bytes members;
    for (int i = 0; i < SMALL_MEMBERS; ++i) {
        const Bytes member = stored_member(2, small_name(i), small_content(i));
        members.insert(members.end(), member.begin(), member.end());
    }
    start(Bytes(1, 0), concat({members, Bytes{0}}), L"/S /D=C:\\elsewhere -o.. --help");
    HWND window = stub.wait_window(PROGRESS_WINDOW_CLASS);
    ASSERT_TRUE(window) << "no progress window";
    EXPECT_EQ(shown(window_text(window)), "Vorn SFX");
    HWND label = FindWindowExW(window, nullptr, L"Static", nullptr);
    ASSERT_TRUE(label);
    int last_shown = -1;
    ASSERT_TRUE(wait_until(
        [&] { return (last_shown = small_index(window_text(label))) >= ABORT_AFTER_MEMBER; },
        WINDOW_LIMIT_MS));
    send_message(GetDlgItem(window, ID_ABORT), BM_CLICK);
    while (IsWindow(label)) {
        last_shown = std::max(last_shown, small_index(window_text(label)));
        Sleep(1);
    }
    EXPECT_EQ(stub.finish(), EXIT_NORMAL);
    const size_t on_disk = folder_entries(work).size();
    EXPECT_LT(on_disk, static_cast<size_t>(SMALL_MEMBERS)) << "the abort came too late";
    for (int i = 0; i < static_cast<int>(on_disk) || i <= last_shown; ++i) {
        const std::wstring path = work + L"\\" + utf8_to_utf16(small_name(i));
        ASSERT_TRUE(exists(path) && read_file(path) == small_content(i))
            << small_name(i) << " is missing or incomplete; the last shown was " << last_shown;
    }
}

// The progress window shows the member's name and moves its bar; closing it
// while the worker still writes ends the run cleanly, without a crash status.
TEST_F(RunEnd, ClosingTheWindowDuringALargeMemberEndsTheProcess) {
    const std::wstring large = destination + L"\\large.bin";
    start_confirmed({stored_member(2, "first.txt", first), marker_member(),
                     zeros_lh5("large.bin", LARGE_SIZE)});
    HWND window = stub.wait_window(PROGRESS_WINDOW_CLASS);
    ASSERT_TRUE(window) << "no progress window";
    EXPECT_EQ(shown(window_text(window)), shown(TITLE));
    EXPECT_EQ(shown(window_text(GetDlgItem(window, ID_ABORT))), "中止");
    HWND label = FindWindowExW(window, nullptr, L"Static", nullptr);
    HWND bar = FindWindowExW(window, nullptr, PROGRESS_CLASSW, nullptr);
    ASSERT_TRUE(label && bar) << "name label or progress bar missing";
    EXPECT_TRUE(wait_until(
        [&] {
            return window_text(label) == L"large.bin" &&
                   send_message(bar, PBM_GETPOS) >= SHOWN_PERCENT;
        },
        WINDOW_LIMIT_MS))
        << "label '" << shown(window_text(label)) << "', bar at " << send_message(bar, PBM_GETPOS);
    screenshot(window, L"progress-window");
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box
    EXPECT_EQ(stub.finish(), EXIT_NORMAL);
    EXPECT_TRUE(exists(large)) << "the file being written stays as far as it got";
    expect_ended_early();
}

TEST_F(RunEnd, ADamagedMemberIsReportedAndEndsTheRun) {
    const Bytes bad = ascii("this member's CRC does not match\r\n");
    HeaderFields damaged;
    damaged.original_size = static_cast<uint32_t>(bad.size());
    damaged.crc = 0x5A5A;  // not the CRC-16 of these bytes
    start_confirmed({marker_member(), stored_member(2, "first.txt", first),
                     member_with(damaged, "bad.txt", bad), stored_member(2, "after.txt", first)});
    HWND box = stub.wait_message_box();
    ASSERT_TRUE(box) << "no message box";
    EXPECT_EQ(shown(message_box_text(box)), "ファイル bad.txt が壊れています。");
    EXPECT_NE(shown(window_text(box)), "Vorn SFX") << "only Unknown header has this caption";
    screenshot(box, L"damaged-member");
    press(box, IDOK);
    EXPECT_EQ(stub.finish(), EXIT_NORMAL);
    EXPECT_EQ(read_file(destination + L"\\bad.txt"), bad) << "the damaged file stays as written";
    EXPECT_FALSE(exists(destination + L"\\after.txt")) << "extraction went on after the damage";
    expect_ended_early();
}
