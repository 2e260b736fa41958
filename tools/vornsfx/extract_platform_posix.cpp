// POSIX back end of extract's file-system needs.
#include <sys/stat.h>
#include <sys/time.h>

#include "extract_platform.h"
#include "text/utf8.h"

namespace {
constexpr mode_t FOLDER_MODE = 0777;  // narrowed by the umask
}

bool is_folder(const std::wstring& path) {
    struct stat status;
    return stat(path_to_bytes(path).c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool make_one_folder(const std::wstring& path) {
    return mkdir(path_to_bytes(path).c_str(), FOLDER_MODE) == 0 || is_folder(path);
}

void set_modification_time(const std::wstring& path, int64_t unix_time) {
    struct timeval times[2] = {};
    times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(unix_time);
    utimes(path_to_bytes(path).c_str(), times);
}
