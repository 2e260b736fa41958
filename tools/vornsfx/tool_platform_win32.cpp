// Win32 back end of the builder's system needs.
#include <windows.h>

#include <cstdio>

#include "text/utf8.h"
#include "tool_platform.h"

namespace {

constexpr DWORD MODULE_PATH_UNITS = 32768;  // the longest path Windows knows
constexpr DWORD ERROR_TEXT_UNITS = 512;

HANDLE stream_handle(Stream stream) {
    return GetStdHandle(stream == STANDARD_OUTPUT ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

bool is_console(HANDLE handle) {
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != 0;
}

}  // namespace

int64_t read_standard_input(void* buffer, size_t size) {
    DWORD got = 0;
    DWORD wanted = size < MAXDWORD ? static_cast<DWORD>(size) : MAXDWORD;
    if (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, wanted, &got, nullptr)) return got;
    return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;  // a pipe ends by breaking
}

std::wstring temporary_folder() {
    wchar_t folder[MAX_PATH + 1] = {};
    DWORD units = GetTempPathW(MAX_PATH + 1, folder);
    return units > 0 && units <= MAX_PATH ? std::wstring(folder, units) : std::wstring();
}

bool write_stream(Stream stream, const std::string& text) {
    HANDLE handle = stream_handle(stream);
    if (is_console(handle)) {
        // A console shows UTF-16 whatever its code page; bytes would be read as ANSI.
        std::wstring units = utf8_to_utf16(text);
        DWORD written = 0;
        return WriteConsoleW(handle, units.data(), static_cast<DWORD>(units.size()), &written,
                             nullptr) != 0;
    }
    std::FILE* file = stream == STANDARD_OUTPUT ? stdout : stderr;
    bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fflush(file) == 0 && written;
}

bool is_terminal(Stream stream) {
    return is_console(stream_handle(stream));
}

std::wstring program_folder() {
    std::wstring path(MODULE_PATH_UNITS, L'\0');
    DWORD length = GetModuleFileNameW(nullptr, &path[0], MODULE_PATH_UNITS);
    if (length == 0 || length >= MODULE_PATH_UNITS) return std::wstring();
    path.resize(length);
    size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
}

const wchar_t* null_device() {
    return L"NUL";
}

bool replace_file(const std::wstring& from, const std::wstring& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

void remove_file(const std::wstring& path) {
    DeleteFileW(path.c_str());
}

// Windows runs a console's Ctrl-C handler on a thread of its own while the
// temporary file is still open without sharing, so it could not be removed
// there; an interrupted build on Windows may leave its temporary file.
void remove_on_interrupt(const std::wstring&) {}
void forget_on_interrupt(const std::wstring&) {}

std::string last_error_text() {
    DWORD code = GetLastError();
    wchar_t text[ERROR_TEXT_UNITS] = {};
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, text, ERROR_TEXT_UNITS, nullptr);
    // System texts end in a line break; the message goes on one line.
    while (length > 0 &&
           (text[length - 1] == L'\n' || text[length - 1] == L'\r' || text[length - 1] == L' '))
        --length;
    if (length == 0) return "system error " + std::to_string(code);
    return utf16_to_utf8(text, length);
}

unsigned process_number() {
    return static_cast<unsigned>(GetCurrentProcessId());
}

// The process's affinity mask (its processor group): what it may run on.
size_t usable_processors() {
    DWORD_PTR process = 0, system = 0;
    size_t count = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system))
        for (; process != 0; process &= process - 1)
            ++count;
    return count > 0 ? count : 1;
}

// Left to the system on Windows: its heap has no call that sets when freed
// memory goes back.
void keep_freed_memory() {}

bool is_regular_file(CWinFile& file, const std::wstring&) {
    return GetFileType(file.handle()) == FILE_TYPE_DISK;
}

bool cut_file(CWinFile& file, const std::wstring&, uint64_t length) {
    return file.seek(static_cast<int64_t>(length), FILE_BEGIN) >= 0 && SetEndOfFile(file.handle());
}

bool file_identity(const std::wstring& path, FileIdentity& identity) {
    // Backup semantics: folders open too.
    HANDLE handle = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION information;
    bool known = GetFileInformationByHandle(handle, &information) != 0;
    CloseHandle(handle);
    if (!known) return false;
    identity.device = information.dwVolumeSerialNumber;
    identity.index = static_cast<uint64_t>(information.nFileIndexHigh) << 32 |
                     information.nFileIndexLow;
    identity.folder = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return true;
}

std::wstring follow_links(const std::wstring& path) {
    // MoveFileExW would replace a link itself; links are refused instead.
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return std::wstring();
    return path;
}

// Windows keeps no permission bits: a new file takes its folder's access list.
void copy_permissions(const std::wstring&, const std::wstring&) {}

std::wstring own_program() {
    std::wstring path(MODULE_PATH_UNITS, L'\0');
    DWORD length = GetModuleFileNameW(nullptr, &path[0], MODULE_PATH_UNITS);
    path.resize(length < MODULE_PATH_UNITS ? length : 0);
    return path;
}
