// What the parsers hand to the block coder: one character code of the
// static-Huffman format each, a literal byte or a match.
#pragma once

#include <cstdint>

constexpr int MIN_MATCH = 3;
constexpr int MAX_MATCH = 256;
constexpr int LITERAL_SYMBOLS = 256;
// Character symbol of a match of length n: n + MATCH_SYMBOL_BIAS (256 for length 3).
constexpr int MATCH_SYMBOL_BIAS = LITERAL_SYMBOLS - MIN_MATCH;
constexpr int CHAR_SYMBOLS = LITERAL_SYMBOLS + MAX_MATCH - MIN_MATCH + 1;  // 510

struct LzCode {
    uint16_t symbol;    // 0-255 a literal byte, 256-509 a match of length symbol - 253
    uint16_t distance;  // a match's distance minus one (0 for a literal)

    static LzCode literal(uint8_t byte) { return {byte, 0}; }
    static LzCode match(int length, uint32_t distance) {
        return {static_cast<uint16_t>(length + MATCH_SYMBOL_BIAS),
                static_cast<uint16_t>(distance - 1)};
    }
    bool is_match() const { return symbol >= LITERAL_SYMBOLS; }
    int length() const { return is_match() ? symbol - MATCH_SYMBOL_BIAS : 1; }
};

// The position symbol of a distance minus one: its bit length (0 for 0), and
// the symbol's extra bits below the leading one.
inline int position_symbol(uint32_t distance_code) {
    return distance_code == 0 ? 0 : 32 - __builtin_clz(distance_code);
}
inline int position_extra_bits(int symbol) {
    return symbol > 1 ? symbol - 1 : 0;
}
