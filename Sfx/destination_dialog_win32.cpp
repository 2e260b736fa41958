#include <shlobj.h>

#include "Sfx/Sfx64/resource.h"
#include "config.h"
#include "destination_dialog.h"
#include "directories.h"
#include "folders.h"
#include "messages.h"
#include "report.h"

namespace {

CSfxApp* dialog_app = nullptr;
// The folder text on its way into and out of the edit field.
wchar_t dialog_text[PATH_UNITS];

constexpr size_t DISPLAY_NAME_UNITS = 264;

struct OptionBox {
    int id;
    uint8_t CSfxConfig::*option;
};
constexpr OptionBox OPTION_BOXES[] = {
    {IDC_START_MENU, &CSfxConfig::start_menu_option},
    {IDC_DESKTOP, &CSfxConfig::desktop_option},
    {IDC_SEND_TO, &CSfxConfig::send_to_option},
};

void on_init(HWND dialog, CSfxApp& app) {
    SetWindowTextW(dialog, app.config.title.c_str());
    dialog_text[0] = 0;
    lstrcpynW(dialog_text, app.config.destination.c_str(), PATH_UNITS);
    SetDlgItemTextW(dialog, IDC_DEST_EDIT, dialog_text);
    for (const OptionBox& box : OPTION_BOXES) {
        uint8_t option = app.config.*box.option;
        if (option & OPTION_CHOSEN) CheckDlgButton(dialog, box.id, BST_CHECKED);
        if (!(option & OPTION_OFFERED)) EnableWindow(GetDlgItem(dialog, box.id), FALSE);
    }
}

void on_ok(HWND dialog, CSfxApp& app) {
    dialog_text[0] = 0;
    GetDlgItemTextW(dialog, IDC_DEST_EDIT, dialog_text, PATH_UNITS);
    app.destination = dialog_text;
    if (!prepare_destination(app, dialog_text)) {
        EndDialog(dialog, 1);
        return;
    }
    // The choices count only once the destination exists.
    for (const OptionBox& box : OPTION_BOXES) {
        uint8_t& option = app.config.*box.option;
        if (IsDlgButtonChecked(dialog, box.id) == BST_CHECKED)
            option |= OPTION_CHOSEN;
        else
            option &= static_cast<uint8_t>(~OPTION_CHOSEN);
    }
    EndDialog(dialog, 0);
}

void on_browse(HWND dialog) {
    IMalloc* allocator = nullptr;
    bool have_allocator = SUCCEEDED(SHGetMalloc(&allocator));
    wchar_t display_name[DISPLAY_NAME_UNITS];
    BROWSEINFOW browse = {};
    browse.hwndOwner = dialog;
    browse.pszDisplayName = display_name;
    browse.lpszTitle = TEXT_BROWSE_TITLE;
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
    if (chosen) {
        SHGetPathFromIDListW(chosen, dialog_text);
        SetDlgItemTextW(dialog, IDC_DEST_EDIT, dialog_text);
        // The shell's allocator is the COM task allocator: without the
        // interface the list is still freed, not leaked.
        if (have_allocator)
            allocator->Free(chosen);
        else
            CoTaskMemFree(chosen);
    }
    if (have_allocator) allocator->Release();
}

}  // namespace

INT_PTR CALLBACK destination_dlg_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        dialog_app = reinterpret_cast<CSfxApp*>(lparam);
        on_init(dialog, *dialog_app);
        return TRUE;  // the focus goes to the first tab stop, the folder field
    case WM_COMMAND:
        // The whole wParam: only a click (notification 0) acts.
        if (wparam == IDOK) on_ok(dialog, *dialog_app);
        if (wparam == IDCANCEL) EndDialog(dialog, 1);
        if (wparam == IDC_BROWSE) on_browse(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

bool prepare_destination(CSfxApp& app, const wchar_t* path) {
    if (SetCurrentDirectoryW(path)) return true;
    CWideSz folder(path);
    folder.ensure_trailing(L'\\');
    folder.replace_separators(L'/');
    if (!create_directory_tree(CWideString(folder.c_str()))) {
        show_message(app.main_window, TEXT_FOLDER_NOT_CREATED, nullptr, MB_ICONWARNING);
        return false;
    }
    SetCurrentDirectoryW(path);
    return true;
}
