// Native back end of CWinFile: POSIX descriptors, names converted to UTF-8.
#include "win_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cwchar>
#include <string>

#include "utf8.h"

namespace {

CWinFile::WriteFailureHook write_failure_hook = nullptr;
constexpr mode_t NEW_FILE_MODE = 0644;

int open_flags(uint32_t access, uint32_t disposition) {
    bool reading = access & GENERIC_READ;
    bool writing = access & GENERIC_WRITE;
    int flags = reading && writing ? O_RDWR : writing ? O_WRONLY : O_RDONLY;
    if (disposition == CREATE_ALWAYS) flags |= O_CREAT | O_TRUNC;
    return flags | O_CLOEXEC;
}

}  // namespace

void CWinFile::set_write_failure_hook(WriteFailureHook hook) {
    write_failure_hook = hook;
}

bool CWinFile::is_open() const {
    return descriptor_ >= 0;
}

bool CWinFile::open(const wchar_t* path, uint32_t access, uint32_t /*share*/,
                    uint32_t disposition, uint32_t /*flags*/) {
    close();
    size_ = 0;
    std::string name = path_to_bytes(path);
    descriptor_ = ::open(name.c_str(), open_flags(access, disposition), NEW_FILE_MODE);
    if (descriptor_ < 0) return false;
    struct stat status;
    if (fstat(descriptor_, &status) != 0 || S_ISDIR(status.st_mode)) {
        // A folder is never a file to read or write, as on Windows.
        close();
        errno = EISDIR;
        return false;
    }
    size_ = status.st_size;
    return true;
}

void CWinFile::adopt(int descriptor) {
    close();
    descriptor_ = descriptor;
    struct stat status;
    size_ = fstat(descriptor_, &status) == 0 ? status.st_size : 0;
}

int32_t CWinFile::read(void* buffer, uint32_t count) {
    if (!is_open()) return -1;
    size_t total = 0;
    char* into = static_cast<char*>(buffer);
    // Like ReadFile on a disk file: keep reading until the count or the end.
    while (total < count) {
        ssize_t got = ::read(descriptor_, into + total, count - total);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        total += static_cast<size_t>(got);
    }
    return static_cast<int32_t>(total);
}

bool CWinFile::write(const void* buffer, uint32_t count) {
    if (!is_open()) return false;
    if (write_failure_hook && write_failure_hook(*this)) {
        errno = ENOSPC;
        return false;
    }
    const char* from = static_cast<const char*>(buffer);
    size_t total = 0;
    while (total < count) {
        ssize_t put = ::write(descriptor_, from + total, count - total);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        total += static_cast<size_t>(put);
    }
    return true;
}

int64_t CWinFile::seek(int64_t distance, uint32_t origin) {
    if (!is_open()) return -1;
    int whence = origin == FILE_CURRENT ? SEEK_CUR : origin == FILE_END ? SEEK_END : SEEK_SET;
    off_t position = lseek(descriptor_, static_cast<off_t>(distance), whence);
    return position < 0 ? -1 : static_cast<int64_t>(position);
}

void CWinFile::close() {
    if (is_open()) ::close(descriptor_);
    descriptor_ = -1;
}
