// The program the end-to-end tests let a self-extracting file run after
// extraction. It leaves its current directory, as UTF-16LE text, in the file
// run-marker.txt of that directory, so a test sees both that it ran and where.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    constexpr DWORD FOLDER_UNITS = 1024;
    wchar_t folder[FOLDER_UNITS];
    const DWORD length = GetCurrentDirectoryW(FOLDER_UNITS, folder);
    // Not shared: a test can read the marker only once it is complete.
    HANDLE file = CreateFileW(L"run-marker.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    const bool ok = length > 0 && length < FOLDER_UNITS && file != INVALID_HANDLE_VALUE &&
                    WriteFile(file, folder, length * sizeof(wchar_t), &written, nullptr);
    CloseHandle(file);
    return ok ? 0 : 1;
}
