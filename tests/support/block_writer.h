// Writes -lh4- .. -lh7- streams for tests from explicit code lengths, with the
// product's block header writer: the rare shapes the encoder itself never
// makes (incomplete codes, chosen length codes, constants, lengths up to 16).
#pragma once

#include <cstdint>
#include <vector>

#include "encoder/bit_output.h"
#include "encoder/block_coder.h"

using Lengths = std::vector<int>;

class BlockWriter {
public:
    // position_symbols: 14 (-lh4-, -lh5-), 16 (-lh6-) or 17 (-lh7-).
    explicit BlockWriter(int position_symbols);

    // A block header. Empty lengths send a constant code (count 0) whose only
    // symbol is the matching constant_* value.
    void block(uint16_t size, const Lengths& length_code, const Lengths& char_code,
               const Lengths& position_code, int constant_char = 0, int constant_position = 0,
               int constant_length = 0);

    void literal(uint8_t byte);

    std::vector<uint8_t> bytes() const;

private:
    PositionFormat format_;
    BitOutput bits_;
    BlockHeader header_;
    std::vector<uint16_t> char_codes_;
};
