#include <windows.h>

#include "startup.h"

namespace {

// Libraries that programs like this one load late (through the common
// controls, the shell, COM) and that an attacker could plant beside the
// program. Preloaded from the system folder where the search path cannot be
// restricted, so later loads find these copies.
const wchar_t* const PRELOAD_DLLS[] = {L"UXTHEME",  L"USERENV", L"SETUPAPI",
                                       L"APPHELP",  L"PROPSYS", L"DWMAPI",
                                       L"CRYPTBASE", L"OLEACC", L"CLBCATQ"};

constexpr DWORD OSVERSIONINFOW_SIZE = 276;
constexpr DWORD SEARCH_SYSTEM32_AND_USER_DIRS = 0xC00;  // LOAD_LIBRARY_SEARCH_SYSTEM32 | _USER_DIRS
constexpr UINT SYSTEM_FOLDER_UNITS = 262;
constexpr UINT LONGEST_SYSTEM_FOLDER = 260;
// Room for the folder, a backslash, the longest name, ".dll" and the terminator.
constexpr size_t PRELOAD_PATH_UNITS = 360;

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
const DllSearchCalls SYSTEM_CALLS = {GetVersionExW, GetProcAddress, GetSystemDirectoryW,
                                     LoadLibraryExW};
#pragma GCC diagnostic pop
const DllSearchCalls* calls = &SYSTEM_CALLS;

// Windows Vista (6.0) accepts SetDefaultDllDirectories only with an update
// installed, and then not reliably: it always gets the preloading.
bool is_windows_vista() {
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = OSVERSIONINFOW_SIZE;
    BOOL known = calls->get_version(&version);
    return known && version.dwMajorVersion == 6 && version.dwMinorVersion == 0;
}

bool restrict_search_path() {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto set_directories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(calls->find_export(kernel, "SetDefaultDllDirectories")));
    return set_directories && set_directories(SEARCH_SYSTEM32_AND_USER_DIRS);
}

void preload_system_dlls() {
    wchar_t path[PRELOAD_PATH_UNITS];
    UINT length = calls->system_directory(path, SYSTEM_FOLDER_UNITS);
    if (length == 0 || length > LONGEST_SYSTEM_FOLDER) return;
    if (path[length - 1] != L'\\') path[length++] = L'\\';
    for (const wchar_t* name : PRELOAD_DLLS) {
        lstrcpyW(path + length, name);
        lstrcatW(path + length, L".dll");
        // Failures do not matter: a library the system lacks is never loaded.
        calls->load_library(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
}

}  // namespace

void set_dll_search_calls(const DllSearchCalls* replacement) {
    calls = replacement ? replacement : &SYSTEM_CALLS;
}

void harden_dll_search() {
    if (!is_windows_vista() && restrict_search_path()) return;
    preload_system_dlls();
}
