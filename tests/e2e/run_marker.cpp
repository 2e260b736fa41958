// The program the end-to-end tests let a self-extracting file run after
// extraction. It leaves its current directory, as UTF-16LE text, in the file
// run-marker.txt of that directory, so a test sees both that it ran and where.
#include <windows.h>

namespace {
constexpr wchar_t PARTIAL_FILE[] = L"run-marker.tmp";
constexpr wchar_t MARKER_FILE[] = L"run-marker.txt";
constexpr DWORD FOLDER_UNITS = 1024;
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t folder[FOLDER_UNITS];
    const DWORD length = GetCurrentDirectoryW(FOLDER_UNITS, folder);
    HANDLE file = CreateFileW(PARTIAL_FILE, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    const bool ok = length > 0 && length < FOLDER_UNITS && file != INVALID_HANDLE_VALUE &&
                    WriteFile(file, folder, length * sizeof(wchar_t), &written, nullptr);
    CloseHandle(file);
    // Renamed only when complete: a test that sees the marker reads all of it.
    return ok && MoveFileExW(PARTIAL_FILE, MARKER_FILE, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
