// The block coder of -lh5-, -lh6- and -lh7-: one block of character codes
// becomes its three code tables and its codes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "bit_output.h"
#include "lz_code.h"

// The most codes one block holds: its count is a 16-bit field (the engine
// reads 0 as 65,536, other decoders may not, so that value is never sent).
constexpr size_t MAX_BLOCK_CODES = 65535;
constexpr int MAX_POSITION_SYMBOLS = 17;

// The position code of a method: 14 symbols and a 4-bit count for -lh5-,
// 16 and 5 bits for -lh6-, 17 and 5 bits for -lh7-.
struct PositionFormat {
    int symbols;
    int count_bits;
};
PositionFormat position_format(int dictionary_bits);

// Symbol frequencies of a block.
struct BlockStats {
    uint32_t chars[CHAR_SYMBOLS] = {};
    uint32_t positions[MAX_POSITION_SYMBOLS] = {};
    size_t codes = 0;
    uint64_t extra_bits = 0;  // the position codes' extra bits

    void add(const LzCode& code);
    void remove(const LzCode& code);  // one that was added
    void add(const BlockStats& other);
};

// The code lengths a block is coded with.
struct BlockCodes {
    std::vector<uint8_t> char_lengths;      // CHAR_SYMBOLS entries
    std::vector<uint8_t> position_lengths;  // format.symbols entries
};
BlockCodes block_codes(const BlockStats& stats, const PositionFormat& format);

// A block's header as it is sent: the lengths of each code, or, for a code
// sent as a constant (no bits per symbol), no lengths and its one symbol.
// The length code carries the character code's lengths.
struct BlockHeader {
    uint16_t count = 0;  // codes in the block
    std::vector<uint8_t> length_code, chars, positions;
    int length_constant = 0, char_constant = 0, position_constant = 0;
};
// Writes a header as it is given; tests send rare shapes with it.
void write_block_header(BitOutput& out, const BlockHeader& header, const PositionFormat& format);

// Bits the block takes, its header included; codes, when given, receives the
// code lengths it is coded with.
uint64_t block_bits(const BlockStats& stats, const PositionFormat& format,
                    BlockCodes* codes = nullptr);

// Writes one block of 1 to MAX_BLOCK_CODES codes.
void write_block(BitOutput& out, const LzCode* codes, size_t count, const PositionFormat& format);
// The same, given the block's statistics.
void write_block(BitOutput& out, const LzCode* codes, size_t count, const PositionFormat& format,
                 const BlockStats& stats);
