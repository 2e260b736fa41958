#include <shlobj.h>

#include "config.h"
#include "folders.h"
#include "shortcuts.h"
#include "text/crt_path.h"

namespace {

constexpr int COMMON_PROGRAMS = 23;            // CSIDL_COMMON_PROGRAMS
constexpr int USER_PROGRAMS = 2;               // CSIDL_PROGRAMS, when the common one fails
constexpr int COMMON_DESKTOP = 25;             // CSIDL_COMMON_DESKTOPDIRECTORY
constexpr int SEND_TO = 9;                     // CSIDL_SENDTO
constexpr wchar_t LINK_EXTENSION[] = L".lnk";

PIDLIST_ABSOLUTE folder_items(HWND owner, int csidl) {
    PIDLIST_ABSOLUTE items = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(owner, csidl, &items)) && csidl == COMMON_PROGRAMS)
        SHGetSpecialFolderLocation(owner, USER_PROGRAMS, &items);
    return items;
}

// The folder's path; the item list is freed with the shell's allocator.
void folder_path(PIDLIST_ABSOLUTE items, wchar_t* path) {
    path[0] = 0;
    SHGetPathFromIDListW(items, path);
    IMalloc* allocator = nullptr;
    if (SUCCEEDED(SHGetMalloc(&allocator))) {
        allocator->Free(items);
        allocator->Release();
    } else {
        CoTaskMemFree(items);
    }
}

// The link's file name: the configured name, else the target's name without
// its extension.
CWideString link_name(const CSfxConfig& config) {
    if (!config.shortcut_name.empty()) return config.shortcut_name;
    wchar_t name[PATH_UNITS] = {};
    crt_split_path(config.shortcut_target.c_str(), nullptr, 0, nullptr, 0, name, PATH_UNITS,
                   nullptr, 0);
    return CWideString(name);
}

// folder + "\" + name + ".lnk" into link; false (refused) when it does not fit.
bool link_path(const wchar_t* folder, const CWideString& name, wchar_t* link) {
    size_t units = lstrlenW(folder) + 1 + name.length() + lstrlenW(LINK_EXTENSION);
    if (units >= PATH_UNITS) return false;
    lstrcpyW(link, folder);
    lstrcatW(link, L"\\");
    lstrcatW(link, name.c_str());
    lstrcatW(link, LINK_EXTENSION);
    return true;
}

void save_link(CSfxApp& app, IShellLinkW* link, IPersistFile* file, int csidl) {
    PIDLIST_ABSOLUTE items = folder_items(app.main_window, csidl);
    if (!items) return;
    wchar_t folder[PATH_UNITS];
    folder_path(items, folder);
    wchar_t path[PATH_UNITS];
    if (!link_path(folder, link_name(app.config), path)) return;
    CWideSz target(app.destination);
    target.ensure_trailing(L'\\');
    target += app.config.shortcut_target.c_str();
    link->SetPath(target.c_str());
    link->SetIconLocation(target.c_str(), 0);
    link->SetWorkingDirectory(app.destination.c_str());
    file->Save(path, TRUE);
}

}  // namespace

void create_shortcuts(CSfxApp& app) {
    if (app.config.start_menu_option & OPTION_CHOSEN) create_shortcut_in(app, COMMON_PROGRAMS);
    if (app.config.desktop_option & OPTION_CHOSEN) create_shortcut_in(app, COMMON_DESKTOP);
    if (app.config.send_to_option & OPTION_CHOSEN) create_shortcut_in(app, SEND_TO);
}

void create_shortcut_in(CSfxApp& app, int csidl) {
    if (FAILED(CoInitialize(nullptr))) return;
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            save_link(app, link, file, csidl);
            file->Release();
        }
        link->Release();
    }
    CoUninitialize();
}
