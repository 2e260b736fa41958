// The decompression engine's entry, for member extraction and the tools.
//
// expand_member turns one member's data into its output file: stored data is
// copied, compressed data decoded with its method's operations. The engine
// keeps all its state in static storage and decodes one member at a time.
#pragma once

#include <cstdint>

#include "text/win_file.h"

struct CSfxApp;

namespace HUFFMAN {

// Raised on compressed data that cannot be decoded (a code table that does not
// fit its arrays, a tree walk that does not end). The engine frees its buffers
// before the raise leaves it; the caller counts the member as damaged.
enum HufError { HUF_ERROR = 0 };

// Method indices: positions in the table of method ids.
constexpr int METHOD_LH0 = 0;
constexpr int METHOD_LZS = 8;
constexpr int METHOD_LZ4 = 10;
constexpr int METHOD_LHD = 11;

// Expands one member from app.archive (positioned at its data) into output
// and returns the CRC-16 of the bytes written, which are exactly
// original_size bytes for sound data. app.current_output becomes output_name.
// After an abort (keep_going 0) the result is 0 and the output incomplete.
// Raises HUF_ERROR on undecodable data. A failed write ends the process
// through fatal_error.
uint16_t expand_member(CSfxApp& app, CWinFile& output, uint32_t original_size,
                       uint32_t compressed_size, const wchar_t* output_name, int method_index);

// CRC-16/ARC (reflected polynomial 0xA001, initial 0, no final XOR).
void build_crc16_table();
void update_crc16(uint16_t& crc, const uint8_t* data, uint32_t length);
// The tables built once per process, by whichever thread asks first: the
// builder's threads read them while it writes headers, so they must not be
// built again meanwhile.
inline void build_crc16_table_once() {
    static const bool built = (build_crc16_table(), true);
    static_cast<void>(built);
}

}  // namespace HUFFMAN
