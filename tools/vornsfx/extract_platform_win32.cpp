// Win32 back end of extract's file-system needs. Each folder on a member's
// way is made when missing and its attributes read without following it: a
// reparse point there (a symbolic link or a junction) is a link. The file is
// created new, FILE_FLAG_OPEN_REPARSE_POINT keeping a link made at its name
// in the meantime from being followed, and its time set through its handle.
//
// An older file in the way is removed through a handle, and only when the
// file that handle reaches lies in the folder its path names: Wine shows a
// Unix link to a file as a plain file, and removing it by name would remove
// the file it points to.
#include <windows.h>

#include "extract_platform.h"

namespace {

// FILETIME counts 100 ns ticks since 1601-01-01, Unix time seconds since 1970.
constexpr int64_t TICKS_PER_SECOND = 10000000;
constexpr int64_t SECONDS_1601_TO_1970 = 11644473600;
constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD FINAL_PATH_UNITS = 32768;  // the longest path Windows has

// The folder holding the file an open handle reaches, as the system resolves
// it; empty when unknown.
std::wstring resolved_folder(HANDLE handle, bool is_folder) {
    std::wstring path(FINAL_PATH_UNITS, L'\0');
    const DWORD units = handle == INVALID_HANDLE_VALUE ? 0
        : GetFinalPathNameByHandleW(handle, path.data(), FINAL_PATH_UNITS, FILE_NAME_NORMALIZED);
    if (units == 0 || units >= FINAL_PATH_UNITS) return std::wstring();
    const size_t end = is_folder ? units : path.rfind(L'\\', units - 1);
    if (end == std::wstring::npos) return std::wstring();
    path.resize(end);
    while (!path.empty() && path.back() == L'\\') path.pop_back();  // a drive's root ends in one
    return path;
}

// Removes the file at path unless it lies outside the folder its path names
// (false: then it is reached through a link, and stays).
bool remove_in_place(const std::wstring& path) {
    const std::wstring folder_path = path.substr(0, path.rfind(L'/'));
    HANDLE folder = CreateFileW(folder_path.c_str(), FILE_READ_ATTRIBUTES, SHARE_ALL, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    HANDLE file = CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES, SHARE_ALL, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    const std::wstring expected = resolved_folder(folder, true), found = resolved_folder(file, false);
    // Unknown (a file that cannot be opened): creating the new one will fail with the reason.
    const bool in_place = expected.empty() || found.empty() ||
        CompareStringOrdinal(expected.c_str(), -1, found.c_str(), -1, TRUE) == CSTR_EQUAL;
    FILE_DISPOSITION_INFO removal = {TRUE};
    if (in_place && file != INVALID_HANDLE_VALUE)
        SetFileInformationByHandle(file, FileDispositionInfo, &removal, sizeof removal);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (folder != INVALID_HANDLE_VALUE) CloseHandle(folder);
    return in_place;
}

bool is_reparse_point(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool is_folder_attributes(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Makes and checks each folder of relative whose path ends before end.
Place descend(const std::wstring& root, const std::wstring& relative, size_t end) {
    for (size_t cut = relative.find(L'/'); cut != std::wstring::npos && cut < end;
         cut = relative.find(L'/', cut + 1)) {
        const std::wstring part = relative.substr(0, cut);
        const std::wstring path = root + L"/" + part;
        CreateDirectoryW(path.c_str(), nullptr);  // fails harmlessly when it exists
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (is_reparse_point(attributes)) return {PlaceOutcome::link, part};
        if (!is_folder_attributes(attributes)) return {PlaceOutcome::folder_failed, {}};
    }
    return {};
}

}  // namespace

bool make_one_folder(const std::wstring& path) {
    return CreateDirectoryW(path.c_str(), nullptr) || is_folder_attributes(GetFileAttributesW(path.c_str()));
}

MemberPlace::~MemberPlace() = default;

Place MemberPlace::make_folders(const std::wstring& root, const std::wstring& relative) {
    if (relative.empty()) return {};  // the destination itself
    const std::wstring whole = relative + L"/";
    Place place = descend(root, whole, relative.size());
    if (place.outcome != PlaceOutcome::ready) return place;
    // A file of the folder's name is replaced, as the stub replaces it.
    const std::wstring path = root + L"/" + relative;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !is_folder_attributes(attributes) &&
        !is_reparse_point(attributes) && !remove_in_place(path))
        return {PlaceOutcome::link, relative};
    return descend(root, whole, whole.size());
}

Place MemberPlace::create_file(const std::wstring& root, const std::wstring& relative,
                               CWinFile& output) {
    if (relative.empty()) return {PlaceOutcome::is_folder, {}};  // the destination itself
    Place place = descend(root, relative, relative.size());
    if (place.outcome != PlaceOutcome::ready) return place;
    file_ = root + L"/" + relative;
    const DWORD attributes = GetFileAttributesW(file_.c_str());
    if (is_reparse_point(attributes)) return {PlaceOutcome::link, relative};
    if (is_folder_attributes(attributes)) return {PlaceOutcome::is_folder, {}};
    // An older file of that name is replaced.
    if (attributes != INVALID_FILE_ATTRIBUTES && !remove_in_place(file_)) return {PlaceOutcome::link, relative};
    if (!output.open(file_.c_str(), GENERIC_WRITE, 0, CREATE_NEW,
                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT))
        return {PlaceOutcome::file_failed, {}};
    return place;
}

void MemberPlace::finish(CWinFile& output, int64_t unix_time) {
    const uint64_t ticks = static_cast<uint64_t>((unix_time + SECONDS_1601_TO_1970) * TICKS_PER_SECOND);
    FILETIME time = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SetFileTime(output.handle(), nullptr, &time, &time);
    output.close();
}

void MemberPlace::discard(CWinFile& output) {
    output.close();
    DeleteFileW(file_.c_str());
}
