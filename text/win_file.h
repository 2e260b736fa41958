// CWinFile: the file object every file access of the program goes through.
//
// The Win32 back end wraps a file handle; the native back end wraps a POSIX
// descriptor so the portable core (header reader, engine, configuration
// reader) runs unchanged in native tests, the fuzzers and the builder.
// Access, share and disposition take the Win32 values on both.
#pragma once

#include <cstdint>

#include "platform.h"

class CWinFile {
public:
    CWinFile() = default;
    CWinFile(const CWinFile&) = delete;
    CWinFile& operator=(const CWinFile&) = delete;
    ~CWinFile() { close(); }

    // Opens path; false when it cannot be opened. The size is taken at opening
    // (a file created anew is empty).
    bool open(const wchar_t* path, uint32_t access, uint32_t share, uint32_t disposition,
              uint32_t flags = FILE_ATTRIBUTE_NORMAL);
    // Bytes read (0 at the end of the file), or -1 when the file is not open
    // or the read fails.
    int32_t read(void* buffer, uint32_t count);
    // False when the file is not open or not every byte could be written.
    bool write(const void* buffer, uint32_t count);
    // Moves the file position; the new position, or -1 when not open or failed.
    int64_t seek(int64_t distance, uint32_t origin);
    void close();

    bool is_open() const;
    int64_t size() const { return size_; }

    // Tests make writes fail on purpose through this hook (null: off). It is
    // asked before every write; returning true fails that write.
    using WriteFailureHook = bool (*)(const CWinFile& file);
    static void set_write_failure_hook(WriteFailureHook hook);

#ifdef _WIN32
    HANDLE handle() const { return handle_; }
#else
    int descriptor() const { return descriptor_; }
    // Takes over a descriptor opened elsewhere (the builder's extract opens
    // files relative to a folder's descriptor); it is closed with the file.
    void adopt(int descriptor);
#endif

private:
#ifdef _WIN32
    HANDLE handle_ = nullptr;
#else
    int descriptor_ = -1;
#endif
    int64_t size_ = 0;
};
