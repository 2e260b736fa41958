// Runs the engine the way member extraction does: the compressed bytes sit in
// an archive file, the output goes to a file.
#pragma once

#include <cstdint>
#include <cstddef>

#include "files.h"

struct CSfxApp;

struct Expanded {
    Bytes output;
    uint16_t crc = 0;
    bool damaged = false;  // the engine raised HUF_ERROR
};

// Expands the member whose data starts at app.archive's position into
// output_path, read back into output.
Expanded expand_at(CSfxApp& app, uint32_t original_size, uint32_t packed_size, int method_index,
                   const std::wstring& output_path);

// Expands the member whose data starts at data_at in bytes and runs to
// their end (unless packed_size says otherwise: fewer, the rest belonging to
// the next member, or more than the file holds), with the given method
// index and size.
Expanded expand_bytes(const Bytes& bytes, int method_index, uint32_t original_size,
                      int64_t packed_size = -1, size_t data_at = 0);

// The expansion went through undamaged and made exactly want, with its CRC-16.
void expect_expanded(const Expanded& result, const Bytes& want);
// The same for compressed, expanded with the method to want's size.
void expect_decodes_to(const Bytes& compressed, int method_index, const Bytes& want);

// The decoders' model of a match: a byte-by-byte copy from distance back in
// a ring of ring bytes (a farther distance wraps) that starts as spaces.
void copy_match(Bytes& out, size_t distance, int length, size_t ring = SIZE_MAX);

// CRC-16/ARC of bytes, computed independently of the engine's table.
uint16_t reference_crc16(const Bytes& bytes);
