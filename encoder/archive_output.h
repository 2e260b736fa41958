// The archive as it is written, through a buffer: each member's header is
// written twice (again when its sizes and CRC are known) and a small member
// is a few hundred bytes, so without one a tree of small files costs four
// system calls per member. Seeking inside the buffer moves in memory; the
// file ends up as if every write and seek had gone straight to it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "member_encoder.h"
#include "text/win_file.h"

// The fuzz build's buffer is small, so that its inputs cross it.
#ifdef VORNSFX_OUTPUT_BUFFER
constexpr size_t OUTPUT_BUFFER = VORNSFX_OUTPUT_BUFFER;
#else
constexpr size_t OUTPUT_BUFFER = size_t{1} << 20;
#endif

// Writes to file from its start; failures raise EncoderError. What is
// still in the buffer reaches the file at flush(), not before.
class ArchiveOutput {
public:
    explicit ArchiveOutput(CWinFile& file, size_t buffer = OUTPUT_BUFFER);
    void write(const void* data, size_t size);
    void write(const std::vector<uint8_t>& bytes) { write(bytes.data(), bytes.size()); }
    // Anywhere up to the farthest byte written.
    void seek(uint64_t position);
    uint64_t position() const { return base_ + at_; }
    // Writes out what the buffer holds; the position stays.
    void flush();

private:
    void put(uint64_t offset, const void* data, size_t size);

    CWinFile& file_;
    const size_t capacity_;
    std::vector<uint8_t> buffer_;  // the file's bytes from base_ on, not yet written
    uint64_t base_ = 0;
    size_t at_ = 0;         // the position, in buffer_
    uint64_t file_at_ = 0;  // where the file's own position is
};
