#include "win_file.h"

namespace {
CWinFile::WriteFailureHook write_failure_hook = nullptr;
}

void CWinFile::set_write_failure_hook(WriteFailureHook hook) {
    write_failure_hook = hook;
}

bool CWinFile::is_open() const {
    return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE;
}

bool CWinFile::open(const wchar_t* path, uint32_t access, uint32_t share, uint32_t disposition,
                    uint32_t flags) {
    close();
    handle_ = CreateFileW(path, access, share, nullptr, disposition, flags, nullptr);
    size_ = 0;
    // A file made anew is empty: no need to ask.
    const bool made_anew = disposition == CREATE_NEW || disposition == CREATE_ALWAYS;
    LARGE_INTEGER size;
    if (is_open() && !made_anew && GetFileSizeEx(handle_, &size)) size_ = size.QuadPart;
    return is_open();
}

int32_t CWinFile::read(void* buffer, uint32_t count) {
    if (!is_open()) return -1;
    DWORD got = 0;
    if (!ReadFile(handle_, buffer, count, &got, nullptr)) return -1;
    return static_cast<int32_t>(got);
}

bool CWinFile::write(const void* buffer, uint32_t count) {
    if (!is_open()) return false;
    if (write_failure_hook && write_failure_hook(*this)) {
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    DWORD written = 0;
    return WriteFile(handle_, buffer, count, &written, nullptr) && written == count;
}

int64_t CWinFile::seek(int64_t distance, uint32_t origin) {
    if (!is_open()) return -1;
    LARGE_INTEGER move;
    LARGE_INTEGER position;
    move.QuadPart = distance;
    if (!SetFilePointerEx(handle_, move, &position, origin)) return -1;
    return position.QuadPart;
}

void CWinFile::close() {
    if (is_open()) CloseHandle(handle_);
    handle_ = nullptr;
}
