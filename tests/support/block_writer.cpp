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
}

void BlockWriter::literal(uint8_t byte) {
    if (header_.chars.empty()) return;  // the constant code costs no bits
    ASSERT_GT(header_.chars.at(byte), 0) << "character " << int(byte) << " unused";
    bits_.put(char_codes_[byte], header_.chars[byte]);
}

std::vector<uint8_t> BlockWriter::bytes() const {
    BitOutput padded = bits_;
    padded.flush();
    return padded.bytes();
}
