#include "block_writer.h"

#include <gtest/gtest.h>

std::vector<uint32_t> canonical_codes(const Lengths& lengths) {
    std::vector<uint32_t> codes(lengths.size(), 0);
    uint32_t code = 0;
    for (int length = 1; length <= 16; ++length) {
        for (size_t s = 0; s < lengths.size(); ++s)
            if (lengths[s] == length) codes[s] = code++;
        code <<= 1;
    }
    return codes;
}

BlockWriter::BlockWriter(int position_symbols)
    : position_symbols_(position_symbols), position_count_bits_(position_symbols > 14 ? 5 : 4) {}

void BlockWriter::put_small_lengths(const Lengths& lengths, int count_bits, bool zero_run) {
    bits_.put(static_cast<uint32_t>(lengths.size()), count_bits);
    for (size_t i = 0; i < lengths.size(); ++i) {
        int length = lengths[i];
        if (length < 7) {
            bits_.put(static_cast<uint32_t>(length), 3);
        } else {
            bits_.put(7, 3);
            for (int extra = 7; extra < length; ++extra) bits_.put(1, 1);
            bits_.put(0, 1);
        }
        if (zero_run && i == 2) bits_.put(0, 2);  // no extra zeros after the third
    }
}

void BlockWriter::put_char_lengths(const Lengths& lengths) {
    bits_.put(static_cast<uint32_t>(lengths.size()), 9);
    auto put_length_symbol = [&](int symbol) {
        ASSERT_GT(length_lengths_.at(symbol), 0) << "length-code symbol " << symbol << " unused";
        bits_.put(length_codes_[symbol], length_lengths_[symbol]);
    };
    for (size_t i = 0; i < lengths.size();) {
        if (lengths[i] != 0) {
            put_length_symbol(lengths[i] + 2);
            ++i;
            continue;
        }
        size_t run = 0;
        while (i + run < lengths.size() && lengths[i + run] == 0) ++run;
        if (run >= 20) {
            size_t n = run > 531 ? 531 : run;
            put_length_symbol(2);
            bits_.put(static_cast<uint32_t>(n - 20), 9);
            i += n;
        } else if (run >= 3) {
            size_t n = run > 18 ? 18 : run;
            put_length_symbol(1);
            bits_.put(static_cast<uint32_t>(n - 3), 4);
            i += n;
        } else {
            put_length_symbol(0);
            ++i;
        }
    }
}

void BlockWriter::block(uint16_t size, const Lengths& length_code, const Lengths& char_code,
                        const Lengths& position_code, int constant_char, int constant_position,
                        int constant_length) {
    bits_.put(size, 16);
    length_lengths_ = length_code;
    length_codes_ = canonical_codes(length_code);
    if (length_code.empty())
        bits_.put(0, 5).put(static_cast<uint32_t>(constant_length), 5);
    else
        put_small_lengths(length_code, 5, true);

    char_lengths_ = char_code;
    char_codes_ = canonical_codes(char_code);
    if (char_code.empty())
        bits_.put(0, 9).put(static_cast<uint32_t>(constant_char), 9);
    else
        put_char_lengths(char_code);

    position_lengths_ = position_code;
    position_codes_ = canonical_codes(position_code);
    if (position_code.empty())
        bits_.put(0, position_count_bits_)
            .put(static_cast<uint32_t>(constant_position), position_count_bits_);
    else
        put_small_lengths(position_code, position_count_bits_, false);
}

void BlockWriter::put_char(int symbol) {
    if (char_lengths_.empty()) return;  // the constant code costs no bits
    ASSERT_GT(char_lengths_.at(symbol), 0) << "character symbol " << symbol << " unused";
    bits_.put(char_codes_[symbol], char_lengths_[symbol]);
}

void BlockWriter::match(int length, uint32_t distance) {
    put_char(253 + length);
    uint32_t value = distance - 1;
    int symbol = 0;
    while ((value >> symbol) != 0) ++symbol;  // value < 2^symbol
    if (!position_lengths_.empty()) {
        ASSERT_GT(position_lengths_.at(symbol), 0) << "position symbol " << symbol << " unused";
        bits_.put(position_codes_[symbol], position_lengths_[symbol]);
    }
    if (symbol > 1) bits_.put(value - (1u << (symbol - 1)), symbol - 1);
}
