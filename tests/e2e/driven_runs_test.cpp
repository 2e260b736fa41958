// Runs of a real self-extracting file driven through its windows as a user
// would: the destination dialog, what a whole run leaves behind (tree,
// shortcuts, the run-after program), and runs that end early.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <array>
#include <cstdio>

#include "Sfx/Sfx64/resource.h"
#include "support/driver_win32.h"
#include "support/header_writer.h"
#include "text/utf8.h"

namespace {

// The folders a shortcut can go to: the common Start menu programs, the
// common desktop, the user's Send To.
constexpr int LINK_FOLDERS[3] = {CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_DESKTOPDIRECTORY,
                                 CSIDL_SENDTO};
constexpr int OPTION_BOX_IDS[3] = {IDC_START_MENU, IDC_DESKTOP, IDC_SEND_TO};
const char* const OPTION_CAPTIONS[3] = {"スタートメニューに登録する(&M)",
                                        "デスクトップにショートカットを作成する(&D)",
                                        "「送る」に登録する(&T)"};
const std::wstring TITLE = L"Vorn E2E テスト";

// What the marker program writes into the folder it runs in; the names of
// its shortcuts: LINK_NAME, or the program's without its extension when the
// block names none.
constexpr wchar_t MARKER_PROGRAM[] = L"run_marker.exe";
constexpr wchar_t MARKER_FILE[] = L"run-marker.txt";
constexpr wchar_t LINK_NAME[] = L"Vorn E2E マーカー";
constexpr wchar_t DEFAULT_LINK_NAME[] = L"run_marker";
// The marker program starts within the run's end; give it time on a busy machine.
constexpr DWORD MARKER_LIMIT_MS = 20000;

std::wstring link_path(int folder, const std::wstring& name) {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path);
    return std::wstring(path) + L"\\" + name + L".lnk";
}

// A shortcut as the shell reads it back: "target|working folder|icon,index".
std::wstring read_link(const std::wstring& path) {
    std::wstring result;
    HRESULT com = CoInitialize(nullptr);
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
        wchar_t target[MAX_PATH] = {}, folder[MAX_PATH] = {}, icon[MAX_PATH] = {};
        int index = -1;
        link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
        link->GetWorkingDirectory(folder, MAX_PATH);
        link->GetIconLocation(icon, MAX_PATH, &index);
        result = std::wstring(target) + L"|" + folder + L"|" + icon + L"," + std::to_wstring(index);
    }
    if (file) file->Release();
    if (link) link->Release();
    if (SUCCEEDED(com)) CoUninitialize();
    return result;
}

// The marker program (VORNSFX_RUN_MARKER) as a stored member.
Bytes marker_member() {
    Bytes program = read_file(path_from_environment("VORNSFX_RUN_MARKER"));
    EXPECT_FALSE(program.empty()) << "marker program missing";
    return stored_member(2, "run_marker.exe", program);
}

// A block that offers the three shortcuts (Start menu, desktop, Send To;
// options as the block stores them) to the marker program under link_name,
// and runs the marker program after extraction.
using ShortcutOptions = std::array<uint8_t, 3>;
constexpr uint8_t TICKED = OPTION_OFFERED | OPTION_CHOSEN;
CConfigBlock marker_block(const std::wstring& title, const std::wstring& destination,
                          const std::wstring& link_name,
                          const ShortcutOptions& options = {TICKED, TICKED, TICKED}) {
    CConfigBlock block;
    block.lead_byte = 1;
    block.title = title.c_str();
    block.destination = destination.c_str();
    block.shortcut_target = block.run_after = MARKER_PROGRAM;
    block.start_menu_option = options[0];
    block.desktop_option = options[1];
    block.send_to_option = options[2];
    block.shortcut_name = link_name.c_str();
    return block;
}

// After a run that ended early: neither a marker in folder nor a marker
// program running, and no LINK_NAME shortcut in any of the three folders.
void expect_nothing_followed(const std::wstring& folder) {
    // The program opens the marker before it ends, so by now the marker
    // process exists or has left its file.
    EXPECT_FALSE(exists(folder + L"\\" + MARKER_FILE)) << "the run-after program ran";
    HANDLE processes = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(processes, &entry); more; more = Process32NextW(processes, &entry))
        EXPECT_NE(_wcsicmp(entry.szExeFile, MARKER_PROGRAM), 0) << "the run-after program runs";
    CloseHandle(processes);
    for (int folder : LINK_FOLDERS)
        EXPECT_FALSE(exists(link_path(folder, LINK_NAME))) << "a shortcut in folder " << folder;
}

// The option bytes (0 unchecked and disabled, 1 unchecked and enabled, 2
// checked and disabled, 3 checked and enabled) as the boxes, captioned in
// Japanese, show them; then the user clicks the boxes in toggle.
void expect_boxes_then_toggle(HWND dialog, const ShortcutOptions& options,
                              const std::array<bool, 3>& toggle) {
    for (int i = 0; i < 3; ++i) {
        HWND box = GetDlgItem(dialog, OPTION_BOX_IDS[i]);
        EXPECT_EQ(shown(window_text(box)), OPTION_CAPTIONS[i]);
        EXPECT_EQ(send_message(box, BM_GETCHECK) == BST_CHECKED, (options[i] & OPTION_CHOSEN) != 0)
            << i;
        EXPECT_EQ(IsWindowEnabled(box) != FALSE, (options[i] & OPTION_OFFERED) != 0) << i;
        if (toggle[i]) send_message(box, BM_CLICK);
    }
}

// The message box the run shows, its text as given: then OK.
void answer_message_box(const UiProcess& process, const char* text) {
    HWND box = process.wait_window(DIALOG_CLASS,
                                   [](HWND dialog) { return !GetDlgItem(dialog, IDC_DEST_EDIT); });
    ASSERT_TRUE(box) << "no message box";
    EXPECT_EQ(shown(message_box_text(box)), text);
    press(box, IDOK);
}

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

// One run of a real self-extracting file: written to a fresh folder and
// started with a working folder of its own. The marker's shortcuts are
// removed before (leftovers of a broken run) and after.
class StubRun : public ::testing::Test {
protected:
    void SetUp() override {
        make_folder(work);
        TearDown();
    }
    void TearDown() override {
        for (const wchar_t* name : {LINK_NAME, DEFAULT_LINK_NAME})
            for (int folder : LINK_FOLDERS) DeleteFileW(link_path(folder, name).c_str());
    }

    // Writes stub + block + archive as dir\setup.exe and starts it in work.
    void start(const Bytes& block, const Bytes& archive_bytes,
               const std::wstring& arguments = std::wstring()) {
        std::wstring program = dir / L"setup.exe";
        write_sfx(program, block, archive_bytes);
        ASSERT_TRUE(stub.start(program, work, arguments)) << "cannot start " << shown(program);
    }

    TempDir dir;
    std::wstring work = dir / L"work";  // the program's current folder
    UiProcess stub;
};

}  // namespace

using DestinationDialog = StubRun;

// The browse button opens the system's folder browser: Cancel keeps the
// field's text, OK puts the folder chosen there into it. Then the user types
// a nested folder that does not exist yet: it is made and filled, a shortcut
// exists exactly where its box ends up checked, pointing into the folder
// (named after the target without its extension), and the run-after program
// runs there.
TEST_F(DestinationDialog, BrowseThenTypeANestedFolderWhichIsFilledLinkedAndRunIn) {
    const ShortcutOptions options = {3, 2, 1};
    const std::array<bool, 3> toggle = {true, false, true};
    const std::wstring configured = dir / L"configured";
    const std::wstring nested = dir / L"出力\\ネスト\\深い";
    start(block_bytes(marker_block(TITLE, configured, L"", options)),
          concat({marker_member(), corpus_archive(L"mixed-l2.lzh")}));

    HWND dialog = stub.wait_dialog();
    ASSERT_TRUE(dialog) << "no destination dialog";
    EXPECT_EQ(shown(window_text(dialog)), shown(TITLE));
    HWND field = GetDlgItem(dialog, IDC_DEST_EDIT);
    EXPECT_EQ(shown(window_text(field)), shown(configured));
    for (int button : {IDCANCEL, IDOK}) {
        press(dialog, IDC_BROWSE);
        HWND browser =
            stub.wait_window(DIALOG_CLASS, [&](HWND window) { return window != dialog; });
        ASSERT_TRUE(browser) << "no folder browser";
        press(browser, button);
        ASSERT_TRUE(wait_until([&] { return !IsWindow(browser); }, WINDOW_LIMIT_MS));
        EXPECT_EQ(window_text(field) == configured, button == IDCANCEL) << shown(window_text(field));
    }
    expect_boxes_then_toggle(dialog, options, toggle);
    ASSERT_TRUE(send_message(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(nested.c_str())));
    press(dialog, IDOK);
    EXPECT_EQ(stub.finish(), EXIT_NORMAL);

    Bytes marker;  // the folder the run-after program ran in, UTF-16 as wchar_t is here
    wait_until([&] { return !(marker = read_file(nested + L"\\" + MARKER_FILE)).empty(); }, MARKER_LIMIT_MS);
    EXPECT_EQ(shown(std::wstring(reinterpret_cast<const wchar_t*>(marker.data()), marker.size() / 2)),
              shown(nested));
    // What lhasa extracted from the corpus archive, beside the marker's files.
    expect_same_tree(list_tree(nested, {MARKER_PROGRAM, MARKER_FILE}), corpus_tree("mixed-l2.lzh"),
                     false);
    const std::wstring target = nested + L"\\" + MARKER_PROGRAM;
    for (int i = 0; i < 3; ++i) {
        const std::wstring path = link_path(LINK_FOLDERS[i], DEFAULT_LINK_NAME);
        SCOPED_TRACE(shown(path));
        ASSERT_EQ(exists(path), ((options[i] & OPTION_CHOSEN) != 0) != toggle[i]);
        if (!exists(path)) continue;
        EXPECT_EQ(shown(read_link(path)), shown(target + L"|" + nested + L"|" + target + L",0"));
    }
}

// Cancel (the close box sends it too) and a destination that cannot be
// created (reported) end the run without extracting, without shortcuts and
// without running anything. The dialog shows the default title, and the
// relative destination taken from the current folder.
TEST_F(DestinationDialog, CancelOrAnUncreatableFolderEndTheRunWithoutExtracting) {
    const ShortcutOptions options = {0, 1, 3};
    write_file(dir / L"blocker", ascii("a file where a parent folder would have to be made"));
    write_sfx(dir / L"setup.exe", block_bytes(marker_block(L"", L"dest", LINK_NAME, options)),
              concat({marker_member(), corpus_archive(L"lh5-l0.lzh")}));
    for (const std::string way : {"Cancel", "uncreatable folder"}) {
        SCOPED_TRACE(way);
        UiProcess process;
        ASSERT_TRUE(process.start(dir / L"setup.exe", work));
        HWND dialog = process.wait_dialog();
        ASSERT_TRUE(dialog) << "no destination dialog";
        EXPECT_EQ(shown(window_text(dialog)), "Vorn SFX");
        HWND field = GetDlgItem(dialog, IDC_DEST_EDIT);
        EXPECT_EQ(shown(window_text(field)), shown(work + L"\\dest"));
        expect_boxes_then_toggle(dialog, options, {false, false, false});
        if (way == "Cancel") {
            press(dialog, IDCANCEL);
        } else {
            const std::wstring blocked = dir / L"blocker\\sub";
            ASSERT_TRUE(send_message(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(blocked.c_str())));
            press(dialog, IDOK);
            answer_message_box(process, "フォルダを作成できません");
        }
        EXPECT_EQ(process.finish(), EXIT_NORMAL);
        EXPECT_TRUE(folder_entries(work).empty()) << "something was extracted";
        expect_nothing_followed(work);
    }
}

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
        expect_nothing_followed(destination);
    }

    std::wstring destination = dir / L"dest";
    Bytes first = ascii("extracted before the end\r\n");
};

// A block that is only its lead byte 0: no dialog, the progress window under
// its default title, extraction into the current folder; options of other
// installers change nothing. Whenever the abort comes, every file on disk is
// whole and so is every member shown before.
TEST_F(RunEnd, AnAbortAmongSmallMembersWithoutABlockKeepsEveryFinishedOne) {
    Bytes members;
    for (int i = 0; i < SMALL_MEMBERS; ++i)
        for (uint8_t byte : stored_member(2, small_name(i), small_content(i))) members.push_back(byte);
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
                     member_with(damaged, "bad.txt", bad)});
    answer_message_box(stub, "ファイル bad.txt が壊れています。");
    EXPECT_EQ(stub.finish(), EXIT_NORMAL);
    EXPECT_EQ(read_file(destination + L"\\bad.txt"), bad) << "the damaged file stays as written";
    expect_ended_early();
}
