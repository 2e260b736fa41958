#include "fuzz_support.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "Sfx/report.h"
#include "Sfx/run_state.h"
#include "huffman/huffman.h"

namespace {

const wchar_t NULL_DEVICE[] = L"/dev/null";

int ignore_message(HWND, const wchar_t*, const wchar_t*, uint32_t) {
    return 0;
}

[[noreturn]] void fail_setup(const char* what) {
    std::perror(what);
    std::abort();
}

}  // namespace

MemoryFile::MemoryFile(const char* name) : descriptor_(memfd_create(name, MFD_CLOEXEC)) {
    if (descriptor_ < 0) fail_setup("memfd_create");
    std::string path = "/proc/self/fd/" + std::to_string(descriptor_);
    path_.assign(path.begin(), path.end());
}

MemoryFile::~MemoryFile() {
    close(descriptor_);
}

void MemoryFile::fill(const uint8_t* data, size_t size) {
    if (ftruncate(descriptor_, 0) != 0) fail_setup("ftruncate");
    size_t written = 0;
    while (written < size) {
        ssize_t put = pwrite(descriptor_, data + written, size - written,
                             static_cast<off_t>(written));
        if (put <= 0) fail_setup("pwrite");
        written += static_cast<size_t>(put);
    }
}

void MemoryFile::open(CWinFile& file, uint32_t access) const {
    if (!file.open(path_.c_str(), access, 0, OPEN_EXISTING)) fail_setup("opening a memory file");
}

std::vector<uint8_t> MemoryFile::contents() const {
    std::vector<uint8_t> bytes(static_cast<size_t>(lseek(descriptor_, 0, SEEK_END)));
    size_t got = 0;
    while (got < bytes.size()) {
        ssize_t n = pread(descriptor_, bytes.data() + got, bytes.size() - got,
                          static_cast<off_t>(got));
        if (n <= 0) fail_setup("pread");
        got += static_cast<size_t>(n);
    }
    return bytes;
}

void start_fuzzing() {
    set_message_hook(ignore_message);
    HUFFMAN::build_crc16_table();
    reset_run_state();
}

void open_null_output(CWinFile& output) {
    if (!output.open(NULL_DEVICE, GENERIC_WRITE, 0, OPEN_EXISTING)) fail_setup("/dev/null");
}

uint64_t decode_budget(size_t input_size) {
    return DECODED_FLOOR + DECODED_PER_INPUT_BYTE * input_size;
}

void fuzz_check_failed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: fuzz check failed: %s\n", file, line, condition);
    std::abort();
}
