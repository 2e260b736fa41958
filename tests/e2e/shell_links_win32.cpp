#include "shell_links_win32.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

const LinkFolder LINK_FOLDERS[3] = {{CSIDL_COMMON_PROGRAMS, "Start menu"},
                                    {CSIDL_COMMON_DESKTOPDIRECTORY, "desktop"},
                                    {CSIDL_SENDTO, "Send To"}};

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
    IPersistFile* file = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
        wchar_t text[MAX_PATH] = {};
        result.loaded = true;
        if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH))) result.target = text;
        text[0] = 0;
        if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH))) result.working_folder = text;
        text[0] = 0;
        if (SUCCEEDED(link->GetIconLocation(text, MAX_PATH, &result.icon_index))) result.icon = text;
    }
    if (file) file->Release();
    if (link) link->Release();
    if (SUCCEEDED(com)) CoUninitialize();
    return result;
}

void LinkCleanup::remove() const {
    for (const LinkFolder& folder : LINK_FOLDERS)
        for (const std::wstring& name : names_) DeleteFileW(link_path(folder, name).c_str());
}
