// The fuzz build's back end of CWinFile: files are buffers in memory, so the
// fuzzers' reads, seeks and writes make no system call.
//
// memory_file() ties a name to a buffer. Opening that name takes a slot of
// the open-file table (the slot's number is the descriptor): the buffer, the
// access asked for and a position of its own. A read copies from the
// position up to the end of the buffer; a write copies at the position and
// grows the buffer, zero-filling a gap as a file does; a seek goes anywhere
// not before the start. The size is taken at opening, and opening to create
// empties the buffer. The null device takes every write and reads as empty.
// A name never registered does not open (ENOENT); otherwise the failures are
// the POSIX back end's: EBADF for an access not asked for, EINVAL for a seek
// before the start, ENOSPC when the write-failure hook says so. One lock
// guards the tables, as the encoder's worker threads open, read and close
// files of their own at the same time (a buffer is written by one file at
// a time).
#include "win_file.h"
#include "win_file_memory.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

namespace {

const wchar_t NULL_DEVICE[] = L"/dev/null";

struct OpenFile {
    bool in_use = false;
    std::vector<uint8_t>* bytes = nullptr;  // null: the null device
    uint32_t access = 0;
    int64_t position = 0;
};

std::map<std::wstring, std::vector<uint8_t>> files;
std::vector<OpenFile> open_files;
CWinFile::WriteFailureHook write_failure_hook = nullptr;
std::mutex tables;

int take_slot() {
    for (size_t slot = 0; slot < open_files.size(); ++slot)
        if (!open_files[slot].in_use) return static_cast<int>(slot);
    open_files.emplace_back();
    return static_cast<int>(open_files.size() - 1);
}

// The open file behind descriptor when it was opened with access, else null
// (errno EBADF).
OpenFile* usable(int descriptor, uint32_t access) {
    if (open_files[static_cast<size_t>(descriptor)].access & access)
        return &open_files[static_cast<size_t>(descriptor)];
    errno = EBADF;
    return nullptr;
}

int64_t length(const OpenFile& file) {
    return file.bytes ? static_cast<int64_t>(file.bytes->size()) : 0;
}

}  // namespace

std::vector<uint8_t>& memory_file(const wchar_t* path) {
    std::lock_guard<std::mutex> lock(tables);
    return files[path];
}

void CWinFile::set_write_failure_hook(WriteFailureHook hook) {
    write_failure_hook = hook;
}

bool CWinFile::is_open() const {
    return descriptor_ >= 0;
}

bool CWinFile::open(const wchar_t* path, uint32_t access, uint32_t /*share*/,
                    uint32_t disposition, uint32_t /*flags*/) {
    close();
    std::lock_guard<std::mutex> lock(tables);
    size_ = 0;
    std::vector<uint8_t>* bytes = nullptr;
    if (std::wcscmp(path, NULL_DEVICE) != 0) {
        auto found = files.find(path);
        if (found == files.end()) {
            errno = ENOENT;
            return false;
        }
        bytes = &found->second;
        if (disposition == CREATE_ALWAYS) bytes->clear();
    }
    descriptor_ = take_slot();
    open_files[static_cast<size_t>(descriptor_)] = OpenFile{true, bytes, access, 0};
    size_ = length(open_files[static_cast<size_t>(descriptor_)]);
    return true;
}

int32_t CWinFile::read(void* buffer, uint32_t count) {
    if (!is_open()) return -1;
    std::lock_guard<std::mutex> lock(tables);
    OpenFile* file = usable(descriptor_, GENERIC_READ);
    if (!file) return -1;
    const int64_t available = std::max<int64_t>(0, length(*file) - file->position);
    const size_t got = static_cast<size_t>(std::min<int64_t>(count, available));
    if (got > 0) std::memcpy(buffer, file->bytes->data() + file->position, got);
    file->position += static_cast<int64_t>(got);
    return static_cast<int32_t>(got);
}

bool CWinFile::write(const void* buffer, uint32_t count) {
    if (!is_open()) return false;
    if (write_failure_hook && write_failure_hook(*this)) {
        errno = ENOSPC;
        return false;
    }
    std::lock_guard<std::mutex> lock(tables);
    OpenFile* file = usable(descriptor_, GENERIC_WRITE);
    if (!file) return false;
    if (file->bytes && count > 0) {
        const size_t end = static_cast<size_t>(file->position) + count;
        if (file->bytes->size() < end) file->bytes->resize(end);
        std::memcpy(file->bytes->data() + file->position, buffer, count);
    }
    file->position += count;
    return true;
}

int64_t CWinFile::seek(int64_t distance, uint32_t origin) {
    if (!is_open()) return -1;
    std::lock_guard<std::mutex> lock(tables);
    OpenFile& file = open_files[static_cast<size_t>(descriptor_)];
    const int64_t base = origin == FILE_CURRENT ? file.position
                         : origin == FILE_END   ? length(file)
                                                : 0;
    if (base + distance < 0) {
        errno = EINVAL;
        return -1;
    }
    file.position = base + distance;
    return file.position;
}

void CWinFile::close() {
    std::lock_guard<std::mutex> lock(tables);
    if (is_open()) open_files[static_cast<size_t>(descriptor_)].in_use = false;
    descriptor_ = -1;
}
