#include "block_writer.h"

#include <gtest/gtest.h>

#include "encoder/code_lengths.h"

namespace {
std::vector<uint8_t> narrow(const Lengths& lengths) {
    return std::vector<uint8_t>(lengths.begin(), lengths.end());
}
}  // namespace

BlockWriter::BlockWriter(int position_symbols)
    : format_{position_symbols, position_symbols > 14 ? 5 : 4} {}

void BlockWriter::block(uint16_t size, const Lengths& length_code, const Lengths& char_code,
                        const Lengths& position_code, int constant_char, int constant_position,
                        int constant_length) {
    header_ = {size,          narrow(length_code), narrow(char_code),  narrow(position_code),
               constant_length, constant_char,     constant_position};
    write_block_header(bits_, header_, format_);
    char_codes_ = canonical_codes(header_.chars);
    position_codes_ = canonical_codes(header_.positions);
}

void BlockWriter::put_char(int symbol) {
    if (header_.chars.empty()) return;  // the constant code costs no bits
    ASSERT_GT(header_.chars.at(symbol), 0) << "character symbol " << symbol << " unused";
    bits_.put(char_codes_[symbol], header_.chars[symbol]);
}

void BlockWriter::match(int length, uint32_t distance) {
    put_char(253 + length);
    uint32_t value = distance - 1;
    int symbol = position_symbol(value);
    if (!header_.positions.empty()) {
        ASSERT_GT(header_.positions.at(symbol), 0) << "position symbol " << symbol << " unused";
        bits_.put(position_codes_[symbol], header_.positions[symbol]);
    }
    int extra = position_extra_bits(symbol);
    bits_.put(value & ((1u << extra) - 1), extra);
}

std::vector<uint8_t> BlockWriter::bytes() const {
    BitOutput padded = bits_;
    padded.flush();
    return padded.bytes();
}
