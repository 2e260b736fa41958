// A member's data cut into pieces of a fixed size, compressed apart (on as
// many threads as there are), and the pieces' streams joined again into one.
#pragma once

#include <cstdint>
#include <vector>

#include "member_encoder.h"

// Fixed, never derived from the number of threads, so the archive is the
// same for any number. The fuzz build cuts small pieces, so that its inputs
// of a few dozen KiB are cut too.
#ifdef VORNSFX_PIECE_SIZE
constexpr uint32_t PIECE_SIZE = VORNSFX_PIECE_SIZE;
#else
constexpr uint32_t PIECE_SIZE = 1u << 20;
#endif

// How many pieces a member of size bytes is cut into (one for an empty one).
uint32_t piece_count(uint32_t size);

// The member's stream, made of its pieces' streams in order: each piece's
// bits follow the previous piece's last bit, so a piece that ends in the
// middle of a byte shifts the whole next piece. The CRC-16 of the member is
// combined from the pieces' own.
class MemberStream {
public:
    // Appends a piece of piece_size bytes of data; its whole bytes of stream go to out.
    void add(const PieceOutput& piece, uint32_t piece_size, std::vector<uint8_t>& out);
    // The last byte, its unused bits zero; nothing when the stream ends on a byte.
    void finish(std::vector<uint8_t>& out);
    // Bytes of stream so far, the unfinished last one counted.
    uint64_t size() const { return written_ + (partial_bits_ > 0); }
    uint16_t crc() const { return crc_; }

private:
    uint64_t written_ = 0;
    uint8_t partial_ = 0;   // the unfinished byte's bits, from the highest down
    int partial_bits_ = 0;  // 0 to 7
    uint16_t crc_ = 0;
};

// The CRC-16 of data A followed by data B, given that of A, that of B
// (each started from 0) and B's length. LHA's CRC has no final inversion,
// so it is linear: the register after B is the register after as many zero
// bytes, from A's, with B's own CRC added.
uint16_t combine_crc16(uint16_t crc_a, uint16_t crc_b, uint32_t length_b);
