// POSIX back end of extract's file-system needs. A member's place is reached
// from a descriptor of the destination, one part at a time: each folder is
// made with mkdirat and entered with openat and O_NOFOLLOW, the file is
// created with O_EXCL and O_NOFOLLOW, and its time is set through its
// descriptor. No step resolves a path from the destination again, so a folder
// swapped for a link after it was checked is never followed either.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "extract_platform.h"
#include "text/utf8.h"

namespace {

constexpr mode_t FOLDER_MODE = 0777;  // narrowed by the umask
constexpr mode_t FILE_MODE = 0644;    // as CWinFile creates files
constexpr int FOLDER_FLAGS = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
constexpr int NEW_FILE_FLAGS = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
constexpr int NO_DESCRIPTOR = -1;

struct Part {
    std::string name;    // as the file system gets it
    std::wstring shown;  // the member's path up to this part, for messages
};

std::vector<Part> parts_of(const std::wstring& relative) {
    std::vector<Part> parts;
    size_t start = 0;
    while (start < relative.size()) {
        size_t end = relative.find(L'/', start);
        if (end == std::wstring::npos) end = relative.size();
        if (end > start)
            parts.push_back({path_to_bytes(relative.substr(start, end - start)), relative.substr(0, end)});
        start = end + 1;
    }
    return parts;
}

// What stands at name in folder, links not followed; false when nothing does.
bool status_at(int folder, const std::string& name, struct stat& status) {
    return fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0;
}

bool is_link_at(int folder, const std::string& name) {
    struct stat status;
    return status_at(folder, name, status) && S_ISLNK(status.st_mode);
}

// Enters the part below folder, making it when missing; NO_DESCRIPTOR with place
// set when it is a link or cannot be made or entered (errno kept for the
// message). Closes folder either way.
int enter(int folder, const Part& part, Place& place) {
    int inner = NO_DESCRIPTOR;
    if (mkdirat(folder, part.name.c_str(), FOLDER_MODE) == 0 || errno == EEXIST)
        inner = openat(folder, part.name.c_str(), FOLDER_FLAGS | O_NOFOLLOW);
    const int error = errno;
    if (inner == NO_DESCRIPTOR)
        place = is_link_at(folder, part.name) ? Place{PlaceOutcome::link, part.shown}
                                              : Place{PlaceOutcome::folder_failed, {}};
    close(folder);
    errno = error;
    return inner;
}

// The folder that holds parts [0, count) entered one by one from root.
int descend(const std::wstring& root, const std::vector<Part>& parts, size_t count, Place& place) {
    // The destination itself is taken as the user named it, links and all.
    int folder = open(path_to_bytes(root).c_str(), FOLDER_FLAGS);
    if (folder == NO_DESCRIPTOR) place.outcome = PlaceOutcome::folder_failed;
    for (size_t i = 0; i < count && folder != NO_DESCRIPTOR; ++i) folder = enter(folder, parts[i], place);
    return folder;
}

}  // namespace

bool make_one_folder(const std::wstring& path) {
    struct stat status;
    return mkdir(path_to_bytes(path).c_str(), FOLDER_MODE) == 0 ||
           (stat(path_to_bytes(path).c_str(), &status) == 0 && S_ISDIR(status.st_mode));
}

MemberPlace::~MemberPlace() {
    if (folder_ != NO_DESCRIPTOR) close(folder_);
}

Place MemberPlace::make_folders(const std::wstring& root, const std::wstring& relative) {
    const std::vector<Part> parts = parts_of(relative);
    Place place;
    int folder = descend(root, parts, parts.empty() ? 0 : parts.size() - 1, place);
    if (folder == NO_DESCRIPTOR || parts.empty()) {
        if (folder != NO_DESCRIPTOR) close(folder);
        return place;
    }
    // A file of the folder's name is replaced, as the stub replaces it.
    struct stat status;
    if (status_at(folder, parts.back().name, status) && S_ISREG(status.st_mode))
        unlinkat(folder, parts.back().name.c_str(), 0);
    folder = enter(folder, parts.back(), place);
    if (folder != NO_DESCRIPTOR) close(folder);
    return place;
}

Place MemberPlace::create_file(const std::wstring& root, const std::wstring& relative,
                               CWinFile& output) {
    const std::vector<Part> parts = parts_of(relative);
    if (parts.empty()) return {PlaceOutcome::is_folder, {}};  // the destination itself
    Place place;
    if (folder_ != NO_DESCRIPTOR) close(folder_);
    folder_ = descend(root, parts, parts.size() - 1, place);
    if (folder_ == NO_DESCRIPTOR) return place;
    file_ = parts.back().name;
    struct stat status;
    if (status_at(folder_, file_, status)) {
        if (S_ISLNK(status.st_mode)) return {PlaceOutcome::link, relative};
        if (S_ISDIR(status.st_mode)) return {PlaceOutcome::is_folder, {}};
        unlinkat(folder_, file_.c_str(), 0);  // an older file of that name is replaced
    }
    const int descriptor = openat(folder_, file_.c_str(), NEW_FILE_FLAGS, FILE_MODE);
    if (descriptor == NO_DESCRIPTOR) {
        // A link made there since the check above makes O_EXCL fail.
        const int error = errno;
        if (is_link_at(folder_, file_)) return {PlaceOutcome::link, relative};
        errno = error;
        return {PlaceOutcome::file_failed, {}};
    }
    output.adopt(descriptor);
    return place;
}

void MemberPlace::finish(CWinFile& output, int64_t unix_time) {
    struct timespec times[2] = {};
    times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(unix_time);
    futimens(output.descriptor(), times);
    output.close();
}

void MemberPlace::discard(CWinFile& output) {
    output.close();
    unlinkat(folder_, file_.c_str(), 0);
}
