// Win32 back end of extract's file-system needs. Each folder on a member's
// way is made when missing and its attributes read without following it: a
// reparse point there (a symbolic link or a junction) is a link. The file is
// created new, FILE_FLAG_OPEN_REPARSE_POINT keeping a link made at its name
// in the meantime from being followed, and its time set through its handle.
#include <windows.h>

#include "extract_platform.h"

namespace {

// FILETIME counts 100 ns ticks since 1601-01-01, Unix time seconds since 1970.
constexpr int64_t TICKS_PER_SECOND = 10000000;
constexpr int64_t SECONDS_1601_TO_1970 = 11644473600;

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
        !is_reparse_point(attributes))
        DeleteFileW(path.c_str());
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
    DeleteFileW(file_.c_str());  // an older file of that name is replaced
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
