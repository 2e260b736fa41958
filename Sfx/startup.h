// The life of the process: DLL search hardening, start-up, the message loop.
#pragma once

#include <windows.h>

#include "sfx_app.h"

// The module's instance handle, kept by init_instance for the dialog resource.
HINSTANCE program_instance();

// Restricts where DLLs are loaded from, so a DLL planted beside the program
// (typically in a downloads folder) is never loaded in place of a system one.
void harden_dll_search();

// The system calls harden_dll_search makes; tests replace them to see which
// branch runs for a given system (null: the system's own).
struct DllSearchCalls {
    BOOL(WINAPI* get_version)(OSVERSIONINFOW* version);
    FARPROC(WINAPI* find_export)(HMODULE module, LPCSTR name);  // the kernel32 lookup
    UINT(WINAPI* system_directory)(LPWSTR buffer, UINT units);
    HMODULE(WINAPI* load_library)(LPCWSTR path, HANDLE file, DWORD flags);
};
void set_dll_search_calls(const DllSearchCalls* calls);

// Common controls, the program's own file and its configuration, the window
// class. False on the first failure (system failures have been reported).
bool init_instance(CSfxApp& app, HINSTANCE instance);

// Dispatches messages until the quit message; its code is the exit status.
int run_message_loop();
