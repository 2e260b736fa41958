// One piece of a member's data: read from its file, compressed into an
// -lh5-, -lh6- or -lh7- bit stream held in memory.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "block_coder.h"
#include "effort.h"
#include "match_finder.h"
#include "text/win_file.h"

// Raised by the encoder and the archive writer; message names the problem.
struct EncoderError {
    std::string message;
};

// A piece's compressed stream: whole blocks, the last one ending with the
// piece, so the next piece's stream may follow it at the very next bit.
struct PieceOutput {
    std::vector<uint8_t> bytes;  // the bits, highest first; the last byte padded with zero bits
    uint64_t bits = 0;
    uint16_t crc = 0;        // CRC-16 of the piece's bytes alone
    bool given_up = false;   // unfinished: the member is to be stored (see encode_piece)
};

// One encoder per thread: its tables and window are allocated once and
// serve piece after piece, of any member.
class MemberEncoder {
public:
    MemberEncoder(int dictionary_bits, Effort effort);

    // Compresses bytes [start, end) of a member of member_size bytes, read
    // from input, with the dictionary's worth of bytes before start as
    // history: matches reach into it, never before the member's start, and
    // none runs past end. The output depends on nothing else. Gives up
    // (given_up, the rest unwritten) when the piece alone takes as many
    // bytes as the member or when give_up turns true. Raises EncoderError
    // when the input cannot be read or ends early.
    PieceOutput encode_piece(CWinFile& input, uint32_t member_size, uint32_t start, uint32_t end,
                             const std::atomic<bool>* give_up = nullptr);

private:
    int dictionary_bits_;
    Effort effort_;
    MatchFinder finder_;
    std::vector<uint8_t> window_;
};
