#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Sfx/report.h"
#include "Sfx/run_state.h"
#include "huffman/huffman.h"
#include "text/win_file_memory.h"

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

MemoryFile::MemoryFile(const char* name)
    : path_(name, name + std::strlen(name)), bytes_(memory_file(path_.c_str())) {}

void MemoryFile::open(CWinFile& file, uint32_t access) const {
    if (!file.open(path_.c_str(), access, 0, OPEN_EXISTING)) fail_setup("opening a memory file");
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
