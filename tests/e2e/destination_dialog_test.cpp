// Runs with a configuration block: the destination dialog, driven like a
// user would, and what a run leaves behind: the extracted tree in the chosen
// folder, the chosen shortcuts, the run-after program started there.
#include "Sfx/Sfx64/resource.h"
#include "support/driver_win32.h"
#include "support/header_writer.h"
#include "support/tree_win32.h"

namespace {

constexpr int OPTION_BOX_IDS[3] = {IDC_START_MENU, IDC_DESKTOP, IDC_SEND_TO};
const char* const OPTION_CAPTIONS[3] = {"スタートメニューに登録する(&M)",
                                        "デスクトップにショートカットを作成する(&D)",
                                        "「送る」に登録する(&T)"};
const std::wstring LINK_NAME = L"Vorn E2E マーカー";
const std::wstring TITLE = L"Vorn E2E テスト";

bool type_into(HWND field, const std::wstring& text) {
    return send_message(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) != 0;
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

}  // namespace

using DestinationDialog = StubRun;

// The browse button opens the system's folder browser: Cancel keeps the
// field's text, OK puts the folder chosen there into it. Then the user types
// a nested folder that does not exist yet: it is made and filled, a shortcut
// exists exactly where its box ends up checked, pointing into the folder
// (named after the target without its extension), and the run-after program
// runs there.
TEST_F(DestinationDialog, BrowseThenTypeANestedFolderWhichIsFilledLinkedAndRunIn) {
    const std::wstring link_name = L"run_marker";
    LinkCleanup cleanup(link_name);
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
        if (button == IDOK) screenshot(browser, L"folder-browser");
        press(browser, button);
        ASSERT_TRUE(wait_until([&] { return !IsWindow(browser); }, WINDOW_LIMIT_MS));
        if (button == IDCANCEL) {
            EXPECT_EQ(shown(window_text(field)), shown(configured));
        }
    }
    const std::wstring browsed = window_text(field);
    EXPECT_TRUE(!browsed.empty() && browsed != configured) << shown(browsed);
    expect_boxes_then_toggle(dialog, options, toggle);
    ASSERT_TRUE(type_into(field, nested));
    screenshot(dialog, L"destination-dialog");
    press(dialog, IDOK);
    EXPECT_EQ(stub.finish(), EXIT_NORMAL);

    EXPECT_FALSE(exists(configured)) << "the configured folder was used instead of the typed one";
    EXPECT_EQ(shown(marker_text(nested)), shown(nested))
        << "the run-after program did not run in the destination";
    // What lhasa extracted from the corpus archive, beside the marker's files.
    expect_same_tree(list_tree(nested, {MARKER_PROGRAM, MARKER_FILE}), corpus_tree("mixed-l2.lzh"),
                     false);
    const std::wstring target = nested + L"\\" + MARKER_PROGRAM;
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(LINK_FOLDERS[i].name);
        const std::wstring path = link_path(LINK_FOLDERS[i], link_name);
        ASSERT_EQ(exists(path), ((options[i] & OPTION_CHOSEN) != 0) != toggle[i]);
        if (!exists(path)) continue;
        ShellLink link = read_link(path);
        EXPECT_EQ(shown(link.target), shown(target));
        EXPECT_EQ(shown(link.working_folder), shown(nested));
        EXPECT_EQ(shown(link.icon), shown(target));
        EXPECT_EQ(link.icon_index, 0);
    }
}

// Cancel, the close box, and a destination that cannot be created (reported)
// end the run without extracting, without shortcuts and without running
// anything. The dialog shows the default title, and the relative destination
// taken from the current folder.
TEST_F(DestinationDialog, CancelTheCloseBoxOrAnUncreatableFolderEndTheRunWithoutExtracting) {
    LinkCleanup cleanup(LINK_NAME);
    const ShortcutOptions options = {0, 1, 3};
    write_file(dir / L"blocker", ascii("a file where a parent folder would have to be made"));
    const Bytes block = block_bytes(marker_block(L"", L"dest", LINK_NAME, options));
    const Bytes contents = concat({marker_member(), corpus_archive(L"lh5-l0.lzh")});
    for (const std::string way : {"Cancel", "close box", "uncreatable folder"}) {
        SCOPED_TRACE(way);
        UiProcess process;
        write_sfx(dir / L"setup.exe", block, contents);
        ASSERT_TRUE(process.start(dir / L"setup.exe", work));
        HWND dialog = process.wait_dialog();
        ASSERT_TRUE(dialog) << "no destination dialog";
        EXPECT_EQ(shown(window_text(dialog)), "Vorn SFX");
        EXPECT_EQ(shown(window_text(GetDlgItem(dialog, IDC_DEST_EDIT))), shown(work + L"\\dest"));
        expect_boxes_then_toggle(dialog, options, {false, false, false});
        if (way == "Cancel") {
            press(dialog, IDCANCEL);
        } else if (way == "close box") {
            PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        } else {
            ASSERT_TRUE(type_into(GetDlgItem(dialog, IDC_DEST_EDIT), dir / L"blocker\\sub"));
            press(dialog, IDOK);
            HWND box = process.wait_message_box();
            ASSERT_TRUE(box) << "no message box";
            EXPECT_EQ(shown(message_box_text(box)), "フォルダを作成できません");
            screenshot(box, L"folder-not-created");
            press(box, IDOK);
        }
        EXPECT_EQ(process.finish(), EXIT_NORMAL);
        EXPECT_TRUE(folder_entries(work).empty()) << "something was extracted";
        expect_nothing_followed(work, LINK_NAME);
    }
}
