#include "shell_links_win32.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

const LinkFolder START_MENU_FOLDER = {CSIDL_COMMON_PROGRAMS, "Start menu"};
const LinkFolder DESKTOP_FOLDER = {CSIDL_COMMON_DESKTOPDIRECTORY, "desktop"};
const LinkFolder SEND_TO_FOLDER = {CSIDL_SENDTO, "Send To"};
const LinkFolder LINK_FOLDERS[3] = {START_MENU_FOLDER, DESKTOP_FOLDER, SEND_TO_FOLDER};

std::wstring shell_folder_path(const LinkFolder& folder) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, folder.csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
        return std::wstring();
    return path;
}

std::wstring link_path(const LinkFolder& folder, const std::wstring& name) {
    return shell_folder_path(folder) + L"\\" + name + L".lnk";
}

ShellLink read_link(const std::wstring& path) {
    ShellLink result;
    HRESULT com = CoInitialize(nullptr);
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            if (SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
                wchar_t text[MAX_PATH] = {};
                result.loaded = true;
                if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH)))
                    result.target = text;
                text[0] = 0;
                if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH)))
                    result.working_folder = text;
                text[0] = 0;
                if (SUCCEEDED(link->GetIconLocation(text, MAX_PATH, &result.icon_index)))
                    result.icon = text;
            }
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return result;
}

LinkCleanup::LinkCleanup(std::vector<std::wstring> names) : names_(std::move(names)) {
    remove_all();
}

LinkCleanup::~LinkCleanup() {
    remove_all();
}

void LinkCleanup::remove_all() const {
    for (const LinkFolder& folder : LINK_FOLDERS)
        for (const std::wstring& name : names_) DeleteFileW(link_path(folder, name).c_str());
}
