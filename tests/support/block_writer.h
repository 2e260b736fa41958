// Writes -lh4- .. -lh7- streams for tests from explicit code lengths, with the
// product's block header writer: the rare shapes the encoder itself never
// makes (incomplete codes, chosen length codes, constants, lengths up to 16).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "encoder/bit_output.h"
#include "encoder/block_coder.h"
#include "encoder/code_lengths.h"

using Lengths = std::vector<int>;

class BlockWriter {
public:
    // position_symbols: 14 (-lh4-, -lh5-), 16 (-lh6-) or 17 (-lh7-).
    explicit BlockWriter(int position_symbols)
        : format_{position_symbols, position_symbols > 14 ? 5 : 4} {}

    // A block header. Empty lengths send a constant code (count 0) whose only
    // symbol is the matching constant_* value.
    void block(uint16_t size, const Lengths& length_code, const Lengths& char_code,
               const Lengths& position_code, int constant_char = 0, int constant_position = 0,
               int constant_length = 0) {
        auto narrow = [](const Lengths& lengths) {
            return std::vector<uint8_t>(lengths.begin(), lengths.end());
        };
        header_ = {size,          narrow(length_code), narrow(char_code),  narrow(position_code),
                   constant_length, constant_char,     constant_position};
        write_block_header(bits_, header_, format_);
        char_codes_ = canonical_codes(header_.chars);
    }

    void literal(uint8_t byte) {
        if (header_.chars.empty()) return;  // the constant code costs no bits
        ASSERT_GT(header_.chars.at(byte), 0) << "character " << int(byte) << " unused";
        bits_.put(char_codes_[byte], header_.chars[byte]);
    }

    std::vector<uint8_t> bytes() const {
        BitOutput padded = bits_;
        padded.flush();
        return padded.bytes();
    }

private:
    PositionFormat format_;
    BitOutput bits_;
    BlockHeader header_;
    std::vector<uint16_t> char_codes_;
};
