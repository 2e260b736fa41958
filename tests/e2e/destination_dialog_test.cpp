// Runs with a configuration block: the destination dialog, driven like a
// user would, and what a run leaves behind: the extracted tree in the chosen
// folder, the chosen shortcuts, the run-after program started there.
#include <algorithm>

#include "Sfx/Sfx64/resource.h"
#include "sfx_files.h"
#include "shell_links_win32.h"
#include "stub_run.h"
#include "support/header_writer.h"

namespace {

constexpr int OPTION_BOX_IDS[3] = {IDC_START_MENU, IDC_DESKTOP, IDC_SEND_TO};
const std::wstring LINK_NAME = L"Vorn E2E マーカー";
const std::wstring TITLE = L"Vorn E2E テスト";

// The caption's width in the control's own font, its mnemonic mark left out.
int caption_width(HWND control) {
    std::wstring text = window_text(control);
    text.erase(std::remove(text.begin(), text.end(), L'&'), text.end());
    HDC context = GetDC(control);
    SelectObject(context, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size = {};
    GetTextExtentPoint32W(context, text.c_str(), static_cast<int>(text.size()), &size);
    ReleaseDC(control, context);
    return size.cx;
}

INT_PTR CALLBACK inert_dialog_proc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

}  // namespace

// The stub's own dialog template, made here by the same dialog manager: each
// caption fits its control under Noto Sans CJK JP (the prefix's stand-in for
// MS UI Gothic, and wider than it, as Meiryo UI and Yu Gothic UI are). A check
// box draws its box and a gap left of the caption.
TEST(DestinationDialogLayout, EveryCaptionFitsItsControl) {
    HMODULE stub_module = LoadLibraryExW(path_from_environment("VORNSFX_STUB").c_str(), nullptr,
                                         LOAD_LIBRARY_AS_DATAFILE);
    HWND dialog = CreateDialogParamW(stub_module, MAKEINTRESOURCEW(IDD_DESTINATION), nullptr,
                                     inert_dialog_proc, 0);
    ASSERT_TRUE(dialog);
    const int box = GetSystemMetrics(SM_CXMENUCHECK) + 4;
    for (auto [caption, room] : {std::pair{child_of_class(dialog, L"Static"), 0},
                                 {control(dialog, IDC_START_MENU), box},
                                 {control(dialog, IDC_DESKTOP), box},
                                 {control(dialog, IDC_SEND_TO), box}}) {
        RECT client = {};
        ASSERT_TRUE(GetClientRect(caption, &client));
        EXPECT_LE(caption_width(caption) + room, client.right) << shown(window_text(caption));
    }
    DestroyWindow(dialog);
    FreeLibrary(stub_module);
}

using DestinationDialog = StubRun;

TEST_F(DestinationDialog, NestedDestinationIsFilledThenShortcutsMadeAndProgramRun) {
    LinkCleanup cleanup({LINK_NAME});
    std::wstring configured = dir / L"configured";
    std::wstring nested = dir / L"出力\\ネスト\\深い";
    start(block_bytes(marker_block(TITLE, configured, LINK_NAME)),
          archive({marker_member("run_marker.exe")}, corpus_archive(L"mixed-l2.lzh")));

    HWND dialog = wait_dialog(stub);
    ASSERT_TRUE(dialog) << "no destination dialog";
    EXPECT_EQ(shown(window_text(dialog)), shown(TITLE));
    HWND folder_field = control(dialog, IDC_DEST_EDIT);
    EXPECT_EQ(shown(window_text(folder_field)), shown(configured));
    for (int id : OPTION_BOX_IDS) {
        EXPECT_TRUE(is_checked(control(dialog, id))) << id;
        EXPECT_TRUE(IsWindowEnabled(control(dialog, id))) << id;
    }
    ASSERT_TRUE(set_window_text(folder_field, nested));
    screenshot(dialog, L"destination-dialog");
    press(dialog, IDOK);
    EXPECT_EQ(finish(), EXIT_NORMAL);

    EXPECT_FALSE(exists(configured)) << "the configured folder was used instead of the typed one";
    EXPECT_EQ(shown(marker_text(nested)), shown(nested))
        << "the run-after program did not run in the destination";
    expect_extracted("mixed-l2.lzh", nested, {MARKER_PROGRAM, MARKER_FILE});
    std::wstring target = nested + L"\\" + MARKER_PROGRAM;
    for (const LinkFolder& folder : LINK_FOLDERS) {
        SCOPED_TRACE(folder.name);
        ShellLink link = read_link(link_path(folder, LINK_NAME));
        ASSERT_TRUE(link.loaded) << "no shortcut " << shown(link_path(folder, LINK_NAME));
        EXPECT_EQ(shown(link.target), shown(target));
        EXPECT_EQ(shown(link.working_folder), shown(nested));
        EXPECT_EQ(shown(link.icon), shown(target));
        EXPECT_EQ(link.icon_index, 0);
    }
}

// The option bytes' table: 0 unchecked and disabled, 1 unchecked and
// enabled, 2 checked and disabled, 3 checked and enabled; after OK a shortcut
// exists exactly where the box is checked.
struct OptionCase {
    uint8_t options[3];  // Start menu, desktop, Send To
    bool checked[3];     // as the dialog opens
    bool enabled[3];
    bool toggle[3];  // the user clicks these boxes
    bool created[3];
    const wchar_t* shortcut_name;
    const wchar_t* link_name;
};

const OptionCase OPTION_CASES[] = {
    {{0, 1, 3}, {false, false, true}, {false, true, true}, {false, false, false},
     {false, false, true}, L"Vorn E2E options", L"Vorn E2E options"},
    // No name: the link takes the target's file name without its extension.
    {{2, 3, 1}, {true, true, false}, {false, true, true}, {false, true, true},
     {true, false, true}, L"", L"vornsfx-e2e-tool"},
};

TEST_F(DestinationDialog, OptionBytesSetTheBoxesAndTheBoxesTheShortcuts) {
    for (const OptionCase& option_case : OPTION_CASES) {
        SCOPED_TRACE(shown(option_case.link_name));
        LinkCleanup cleanup({option_case.link_name});
        TempDir run_dir;
        std::wstring run_work = run_dir / L"work";
        make_folder(run_work);
        // A relative destination is taken from the current directory.
        std::wstring destination = run_work + L"\\dest";
        CConfigBlock block;
        block.lead_byte = 1;
        block.destination = L"dest";
        block.shortcut_target = L"app\\vornsfx-e2e-tool.exe";
        block.start_menu_option = option_case.options[0];
        block.desktop_option = option_case.options[1];
        block.send_to_option = option_case.options[2];
        block.shortcut_name = option_case.shortcut_name;
        UiProcess process;
        write_sfx(run_dir / L"setup.exe", block_bytes(block),
                  archive({stored("app/vornsfx-e2e-tool.exe", ascii("not really a program"))}));
        ASSERT_TRUE(process.start(run_dir / L"setup.exe", run_work));

        HWND dialog = wait_dialog(process);
        ASSERT_TRUE(dialog) << "no destination dialog";
        EXPECT_EQ(shown(window_text(dialog)), "Vorn SFX") << "an empty title is the default";
        EXPECT_EQ(shown(window_text(control(dialog, IDC_DEST_EDIT))), shown(destination));
        for (int i = 0; i < 3; ++i) {
            HWND box = control(dialog, OPTION_BOX_IDS[i]);
            EXPECT_EQ(is_checked(box), option_case.checked[i]) << OPTION_BOX_IDS[i];
            EXPECT_EQ(IsWindowEnabled(box) != FALSE, option_case.enabled[i]) << OPTION_BOX_IDS[i];
            if (option_case.toggle[i]) {
                click(box);
                EXPECT_NE(is_checked(box), option_case.checked[i]) << "click did not toggle";
            }
        }
        press(dialog, IDOK);
        ASSERT_TRUE(process.wait_exit(RUN_LIMIT_MS)) << "the program did not end";
        EXPECT_EQ(process.exit_code(), EXIT_NORMAL);
        EXPECT_TRUE(exists(destination + L"\\app\\vornsfx-e2e-tool.exe"));
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(exists(link_path(LINK_FOLDERS[i], option_case.link_name)),
                      option_case.created[i])
                << LINK_FOLDERS[i].name;
    }
}

// Cancel, the close box, and a destination that cannot be created (reported)
// end the run without extracting, without shortcuts and without running anything.
TEST_F(DestinationDialog, CancelTheCloseBoxOrAnUncreatableFolderEndTheRunWithoutExtracting) {
    LinkCleanup cleanup({LINK_NAME});
    std::wstring destination = dir / L"dest";
    write_file(dir / L"blocker", ascii("a file where a parent folder would have to be made"));
    Bytes block = block_bytes(marker_block(TITLE, destination, LINK_NAME));
    Bytes contents = archive({marker_member("run_marker.exe")}, corpus_archive(L"lh5-l0.lzh"));
    for (const std::string way : {"Cancel", "close box", "uncreatable folder"}) {
        SCOPED_TRACE(way);
        UiProcess process;
        write_sfx(dir / L"setup.exe", block, contents);
        ASSERT_TRUE(process.start(dir / L"setup.exe", work));
        HWND dialog = wait_dialog(process);
        ASSERT_TRUE(dialog) << "no destination dialog";
        if (way == "Cancel") {
            press(dialog, IDCANCEL);
        } else if (way == "close box") {
            PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        } else {
            ASSERT_TRUE(set_window_text(control(dialog, IDC_DEST_EDIT), dir / L"blocker\\sub"));
            press(dialog, IDOK);
            HWND box = wait_message_box(process);
            ASSERT_TRUE(box) << "no message box";
            EXPECT_EQ(shown(message_box_text(box)), "フォルダを作成できません");
            screenshot(box, L"folder-not-created");
            dismiss_message_box(box);
        }
        ASSERT_TRUE(process.wait_exit(RUN_LIMIT_MS)) << "the program did not end";
        EXPECT_EQ(process.exit_code(), EXIT_NORMAL);
        EXPECT_FALSE(exists(destination)) << "the destination was created";
        EXPECT_TRUE(folder_entries(work).empty()) << "something was extracted";
        expect_no_shortcut(LINK_NAME);
        expect_nothing_ran(destination);
        expect_nothing_ran(work);
    }
}

// The browse button opens the system's folder browser: Cancel keeps the
// field's text, OK puts the folder chosen there (its first selection) into it.
TEST_F(DestinationDialog, BrowsingReplacesTheFieldOnlyOnOk) {
    start(block_bytes(marker_block(TITLE, dir / L"configured", LINK_NAME)),
          archive({stored("a.txt", ascii("a"))}));
    HWND dialog = wait_dialog(stub);
    ASSERT_TRUE(dialog) << "no destination dialog";
    HWND field = control(dialog, IDC_DEST_EDIT);
    const std::wstring configured = window_text(field);
    for (int button : {IDCANCEL, IDOK}) {
        press(dialog, IDC_BROWSE);
        HWND browser = stub.wait_window(DIALOG_CLASS, WINDOW_LIMIT_MS, [&](HWND window) {
            return window != dialog && IsWindowVisible(window);
        });
        ASSERT_TRUE(browser) << "no folder browser";
        if (button == IDOK) screenshot(browser, L"folder-browser");
        press(browser, button);
        ASSERT_TRUE(wait_until([&] { return !IsWindow(browser); }, WINDOW_LIMIT_MS));
        if (button == IDCANCEL) EXPECT_EQ(shown(window_text(field)), shown(configured));
    }
    const std::wstring chosen = window_text(field);
    EXPECT_TRUE(!chosen.empty() && chosen != configured) << shown(chosen);
    press(dialog, IDCANCEL);
    EXPECT_EQ(finish(), EXIT_NORMAL);
}
