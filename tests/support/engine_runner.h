// Runs the engine on a byte string, the way member extraction does: the
// compressed bytes sit in an archive file, the output goes to a file.
#pragma once

#include <cstdint>

#include "files.h"

struct Expanded {
    Bytes output;
    uint16_t crc = 0;
    bool damaged = false;  // the engine raised HUF_ERROR
};

// Expands compressed (optionally followed by trailing bytes that belong to
// the next member) with the given method index and original size.
Expanded expand_bytes(const Bytes& compressed, int method_index, uint32_t original_size,
                      const Bytes& trailing = Bytes());

// CRC-16/ARC of bytes, computed independently of the engine's table.
uint16_t reference_crc16(const Bytes& bytes);
