// What a code costs in a block: the bits the block's code lengths give it.
// The lazy parse weighs matches and literals by these.
#pragma once

#include <cstdint>

#include "lz_code.h"

struct CodePrices {
    const uint8_t* char_lengths;      // CHAR_SYMBOLS code lengths
    const uint8_t* position_lengths;  // one per position symbol
    // Exact: the lengths were made for the codes being priced, so a length
    // of 0 is a code of one symbol, sent as a constant, and costs nothing.
    // Otherwise (the block before, pricing what comes next) it is a symbol
    // that block did not use, which would cost about as much as its rarest.
    bool exact;

    bool knows_literal(uint8_t byte) const { return char_lengths[byte] != 0; }
    int literal(uint8_t byte) const { return bits(char_lengths[byte], UNSEEN_CHAR_BITS); }
    // distance: 1 to the dictionary size.
    int match(int length, uint32_t distance) const {
        const int symbol = position_symbol(distance - 1);
        return bits(char_lengths[length + MATCH_SYMBOL_BIAS], UNSEEN_CHAR_BITS) +
               bits(position_lengths[symbol], UNSEEN_POSITION_BITS) + position_extra_bits(symbol);
    }

private:
    static constexpr int UNSEEN_CHAR_BITS = 16;
    static constexpr int UNSEEN_POSITION_BITS = 8;
    int bits(uint8_t length, int unseen) const { return length || exact ? length : unseen; }
};
