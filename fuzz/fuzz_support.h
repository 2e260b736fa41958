// What every fuzz target shares: a file in memory for each input, a quiet
// process, and a check that turns a broken promise into a crash the
// fuzzer records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "text/win_file.h"

// An input or output file of a target, rewritten for every input. The fuzz
// build's file back end keeps it in memory under its name, and the product
// opens it like any file, so each opening has its own file position.
class MemoryFile {
public:
    explicit MemoryFile(const char* name);
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    // Replaces the contents with size bytes of data (none: an empty file).
    void fill(const uint8_t* data, size_t size) { bytes_.assign(data, data + size); }
    // Opens file on the contents with the given Win32 access, at position 0.
    void open(CWinFile& file, uint32_t access) const;
    const std::vector<uint8_t>& contents() const { return bytes_; }

private:
    std::wstring path_;
    std::vector<uint8_t>& bytes_;
};

// Once per process: messages go nowhere, the CRC table is built, the run is
// not aborted and no progress total is set.
void start_fuzzing();

// The null device opened for writing, the way member output is opened: writes
// always succeed and cost nothing.
void open_null_output(CWinFile& output);

// Decoding time grows with the original sizes an input claims, which need
// not bear any relation to its length. The targets decode at most this many
// bytes for an input of input_size bytes: proportional to the input, as the
// fuzzer's length control expects (it lets inputs grow slowly), enough for
// two dictionaries of 64 KiB from an input of 4 KiB, and at most
// LARGEST_DECODED for one member.
constexpr uint32_t LARGEST_DECODED = 1u << 20;
constexpr uint64_t DECODED_PER_INPUT_BYTE = 32;
constexpr uint64_t DECODED_FLOOR = 4096;
uint64_t decode_budget(size_t input_size);

// The encoder target's first input byte: the method (modulo ENCODE_METHODS:
// -lh5-, -lh6-, -lh7-), from bit ENCODE_EFFORT_SHIFT on the effort (modulo
// ENCODE_EFFORTS), and from bit ENCODE_THREADS_SHIFT on the threads beyond
// two (modulo ENCODE_MORE_THREADS: 2 to 4 threads).
constexpr int ENCODE_METHODS = 3;
constexpr int ENCODE_EFFORTS = 3;
constexpr int ENCODE_EFFORT_SHIFT = 2;
constexpr int ENCODE_THREADS_SHIFT = 6;
constexpr int ENCODE_MORE_THREADS = 3;

// Ends the process (a crash to the fuzzer) with the broken condition's text.
[[noreturn]] void fuzz_check_failed(const char* condition, const char* file, int line);

#define FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : fuzz_check_failed(#condition, __FILE__, __LINE__))
