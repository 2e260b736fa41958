// Pieces and their joining.
//
// Joining shifts: with k bits (0 to 7) of an unfinished byte pending, each
// whole byte of the next piece gives one output byte (the pending bits, then
// its highest 8 - k bits) and leaves its lowest k bits pending; the piece's
// last, partly used byte adds its used bits the same way. A byte-aligned
// join (k = 0) is a plain copy. Cost: one pass over the compressed bytes.
#include "member_pieces.h"

#include <algorithm>

#include "huffman/huffman.h"

namespace {

constexpr int BYTE_BITS = 8;
constexpr uint32_t ZERO_CHUNK = 1u << 16;

}  // namespace

uint32_t piece_count(uint32_t size) {
    return std::max<uint32_t>(1, static_cast<uint32_t>((uint64_t{size} + PIECE_SIZE - 1) / PIECE_SIZE));
}

void MemberStream::add(const PieceOutput& piece, uint32_t piece_size, std::vector<uint8_t>& out) {
    crc_ = combine_crc16(crc_, piece.crc, piece_size);
    const int k = partial_bits_;
    const size_t whole = static_cast<size_t>(piece.bits / BYTE_BITS);
    const int rest = static_cast<int>(piece.bits % BYTE_BITS);
    const size_t at = out.size();
    out.resize(at + whole);
    if (k == 0) {
        std::copy_n(piece.bytes.data(), whole, out.data() + at);
    } else {
        for (size_t i = 0; i < whole; ++i) {
            uint8_t byte = piece.bytes[i];
            out[at + i] = static_cast<uint8_t>(partial_ | byte >> k);
            partial_ = static_cast<uint8_t>(byte << (BYTE_BITS - k));
        }
    }
    written_ += whole;
    if (rest == 0) return;
    uint8_t last = piece.bytes[whole];  // its bits below the used ones are zero
    partial_ = static_cast<uint8_t>(partial_ | last >> k);
    partial_bits_ = k + rest;
    if (partial_bits_ < BYTE_BITS) return;
    out.push_back(partial_);
    ++written_;
    partial_bits_ -= BYTE_BITS;
    partial_ = static_cast<uint8_t>(last << (rest - partial_bits_));
}

void MemberStream::finish(std::vector<uint8_t>& out) {
    if (partial_bits_ == 0) return;
    out.push_back(partial_);
    ++written_;
    partial_ = 0;
    partial_bits_ = 0;
}

uint16_t combine_crc16(uint16_t crc_a, uint16_t crc_b, uint32_t length_b) {
    if (crc_a == 0) return crc_b;  // zero bytes leave a zero register as it is
    static const uint8_t zeros[ZERO_CHUNK] = {};
    for (uint32_t left = length_b; left > 0;) {
        uint32_t part = std::min(left, ZERO_CHUNK);
        HUFFMAN::update_crc16(crc_a, zeros, part);
        left -= part;
    }
    return static_cast<uint16_t>(crc_a ^ crc_b);
}
