// One static-Huffman block, in stream order:
//
//   16 bits   the number of codes
//   the length code (19 symbols) that sends the character code's lengths:
//             a 5-bit count, then 3-bit lengths (7 and more as 111, one-bits
//             and a zero bit) with a 2-bit run of zeros after the third
//   the character code (510 symbols): a 9-bit count, then each length as a
//             length-code symbol: 0 one zero, 1 + 4 bits 3-18 zeros,
//             2 + 9 bits 20-531 zeros, 3-18 the lengths 1-16
//   the position code: a 4- or 5-bit count, then lengths as for the length
//             code but without the run of zeros
//   the codes: a character code each, a match followed by its position code
//             and that symbol's extra bits
//
// A code with fewer than two symbols in use is sent as a count of 0 and the
// one symbol, and then costs no bits per code: a block of one repeated
// literal is all header. Lengths are limited to 16 bits (code_lengths.cpp).
// The header is written through one template, so block_bits counts exactly
// the bits write_block sends.
#include "block_coder.h"

#include <utility>

#include "code_lengths.h"

namespace {

constexpr int BLOCK_SIZE_BITS = 16;
constexpr int LENGTH_CODE_SYMBOLS = 19;
constexpr int LENGTH_CODE_COUNT_BITS = 5;
constexpr int LENGTH_CODE_ZERO_RUN_AFTER = 3;  // the 2-bit run follows the third length
constexpr int LENGTH_CODE_ZERO_RUN_MAX = 3;
constexpr int CHAR_COUNT_BITS = 9;
constexpr int SMALL_LENGTH_BITS = 3;
constexpr int SMALL_LENGTH_ESCAPE = 7;

// Length-code symbols for the character lengths.
constexpr int ONE_ZERO = 0;
constexpr int SHORT_ZERO_RUN = 1;  // 4 bits: 3 to 18 zeros
constexpr int LONG_ZERO_RUN = 2;   // 9 bits: 20 to 531 zeros
constexpr int SHORT_RUN_MIN = 3, SHORT_RUN_MAX = 18, SHORT_RUN_BITS = 4;
constexpr int LONG_RUN_MIN = 20, LONG_RUN_BITS = 9;
constexpr int LENGTH_SYMBOL_BIAS = 2;  // symbol of length n: n + 2

// Counts bits instead of writing them.
struct BitCounter {
    uint64_t bits = 0;
    void put(uint32_t, int count) { bits += static_cast<uint64_t>(count); }
};

// One step of the character lengths' run-length form.
struct LengthItem {
    int symbol;
    int extra;  // the run's extra value, SHORT or LONG runs only
};

// Calls visit with each item of the first count lengths' run-length form.
template <class Visit>
void for_each_length_item(const std::vector<uint8_t>& lengths, size_t count, Visit visit) {
    for (size_t i = 0; i < count;) {
        if (lengths[i] != 0) {
            visit(LengthItem{lengths[i++] + LENGTH_SYMBOL_BIAS, 0});
            continue;
        }
        int run = 0;
        while (i < count && lengths[i] == 0)
            ++i, ++run;
        if (run < SHORT_RUN_MIN) {
            for (int k = 0; k < run; ++k)
                visit(LengthItem{ONE_ZERO, 0});
        } else if (run <= SHORT_RUN_MAX) {
            visit(LengthItem{SHORT_ZERO_RUN, run - SHORT_RUN_MIN});
        } else if (run == SHORT_RUN_MAX + 1) {  // 19: neither run form fits
            visit(LengthItem{ONE_ZERO, 0});
            visit(LengthItem{SHORT_ZERO_RUN, SHORT_RUN_MAX - SHORT_RUN_MIN});
        } else {
            visit(LengthItem{LONG_ZERO_RUN, run - LONG_RUN_MIN});
        }
    }
}

size_t used_count(const std::vector<uint8_t>& lengths) {
    size_t n = lengths.size();
    while (n > 0 && lengths[n - 1] == 0)
        --n;
    return n;
}

// The one symbol of a code with fewer than two in use (0 when none is).
int only_symbol(const uint32_t* freqs, int symbols) {
    for (int s = 0; s < symbols; ++s)
        if (freqs[s] != 0) return s;
    return 0;
}

template <class Out>
void put_small_lengths(Out& out, const std::vector<uint8_t>& lengths, int count_bits,
                       bool zero_run) {
    size_t n = used_count(lengths);
    out.put(static_cast<uint32_t>(n), count_bits);
    for (size_t i = 0; i < n;) {
        int length = lengths[i++];
        if (length < SMALL_LENGTH_ESCAPE) {
            out.put(static_cast<uint32_t>(length), SMALL_LENGTH_BITS);
        } else {
            // 111, then one 1 for each step above 7, then a 0.
            int ones = length - SMALL_LENGTH_ESCAPE;
            out.put(SMALL_LENGTH_ESCAPE, SMALL_LENGTH_BITS);
            out.put((1u << (ones + 1)) - 2, ones + 1);
        }
        if (zero_run && i == LENGTH_CODE_ZERO_RUN_AFTER) {
            int zeros = 0;
            while (zeros < LENGTH_CODE_ZERO_RUN_MAX && i < n && lengths[i] == 0)
                ++i, ++zeros;
            out.put(static_cast<uint32_t>(zeros), 2);
        }
    }
}

template <class Out>
void put_small_code(Out& out, const std::vector<uint8_t>& lengths, int constant, int count_bits,
                    bool zero_run) {
    if (used_count(lengths) != 0) return put_small_lengths(out, lengths, count_bits, zero_run);
    out.put(0, count_bits);
    out.put(static_cast<uint32_t>(constant), count_bits);
}

template <class Out>
void put_block_header(Out& out, const BlockHeader& header, const PositionFormat& format) {
    out.put(header.count, BLOCK_SIZE_BITS);
    put_small_code(out, header.length_code, header.length_constant, LENGTH_CODE_COUNT_BITS, true);
    size_t n = used_count(header.chars);
    if (n == 0) {
        out.put(0, CHAR_COUNT_BITS);
        out.put(static_cast<uint32_t>(header.char_constant), CHAR_COUNT_BITS);
    } else {
        std::vector<uint16_t> codes = canonical_codes(header.length_code);
        out.put(static_cast<uint32_t>(n), CHAR_COUNT_BITS);
        for_each_length_item(header.chars, n, [&](const LengthItem& item) {
            size_t s = static_cast<size_t>(item.symbol);
            if (s < codes.size()) out.put(codes[s], header.length_code[s]);  // else: constant
            if (item.symbol == SHORT_ZERO_RUN)
                out.put(static_cast<uint32_t>(item.extra), SHORT_RUN_BITS);
            if (item.symbol == LONG_ZERO_RUN)
                out.put(static_cast<uint32_t>(item.extra), LONG_RUN_BITS);
        });
    }
    put_small_code(out, header.positions, header.position_constant, format.count_bits, false);
}

// The header of a block coded with codes: the length code made for its
// character lengths, constants where a code has fewer than two symbols.
BlockHeader header_of(const BlockStats& stats, BlockCodes codes, const PositionFormat& format) {
    BlockHeader header;
    header.count = static_cast<uint16_t>(stats.codes);
    header.chars = std::move(codes.char_lengths);
    header.char_constant = only_symbol(stats.chars, CHAR_SYMBOLS);
    header.positions = std::move(codes.position_lengths);
    header.position_constant = only_symbol(stats.positions, format.symbols);
    size_t n = used_count(header.chars);
    if (n == 0) return header;
    uint32_t freqs[LENGTH_CODE_SYMBOLS] = {};
    for_each_length_item(header.chars, n,
                         [&](const LengthItem& item) { ++freqs[item.symbol]; });
    header.length_code = build_code_lengths(freqs, LENGTH_CODE_SYMBOLS);
    header.length_constant = only_symbol(freqs, LENGTH_CODE_SYMBOLS);
    return header;
}

}  // namespace

void write_block_header(BitOutput& out, const BlockHeader& header, const PositionFormat& format) {
    put_block_header(out, header, format);
}

PositionFormat position_format(int dictionary_bits) {
    if (dictionary_bits <= 14) return {14, 4};
    return {dictionary_bits == 16 ? 17 : 16, 5};
}

void BlockStats::add(const LzCode& code) {
    ++chars[code.symbol];
    ++codes;
    if (!code.is_match()) return;
    int symbol = position_symbol(code.distance);
    ++positions[symbol];
    extra_bits += static_cast<uint64_t>(position_extra_bits(symbol));
}

void BlockStats::remove(const LzCode& code) {
    --chars[code.symbol];
    --codes;
    if (!code.is_match()) return;
    int symbol = position_symbol(code.distance);
    --positions[symbol];
    extra_bits -= static_cast<uint64_t>(position_extra_bits(symbol));
}

void BlockStats::add(const BlockStats& other) {
    for (int s = 0; s < CHAR_SYMBOLS; ++s)
        chars[s] += other.chars[s];
    for (int s = 0; s < MAX_POSITION_SYMBOLS; ++s)
        positions[s] += other.positions[s];
    codes += other.codes;
    extra_bits += other.extra_bits;
}

BlockCodes block_codes(const BlockStats& stats, const PositionFormat& format) {
    BlockCodes codes;
    codes.char_lengths = build_code_lengths(stats.chars, CHAR_SYMBOLS);
    codes.position_lengths =
        build_code_lengths(stats.positions, static_cast<size_t>(format.symbols));
    return codes;
}

uint64_t block_bits(const BlockStats& stats, const PositionFormat& format, BlockCodes* codes_out) {
    // The lengths go into the header and come back out of it: the splitter
    // counts blocks every few KiB, and copying them each time showed.
    BlockHeader header = header_of(stats, block_codes(stats, format), format);
    BitCounter counter;
    put_block_header(counter, header, format);
    uint64_t bits = counter.bits + stats.extra_bits;
    for (int s = 0; s < CHAR_SYMBOLS; ++s)
        bits += uint64_t{stats.chars[s]} * header.chars[static_cast<size_t>(s)];
    for (int s = 0; s < format.symbols; ++s)
        bits += uint64_t{stats.positions[s]} * header.positions[static_cast<size_t>(s)];
    if (codes_out) *codes_out = {std::move(header.chars), std::move(header.positions)};
    return bits;
}

void write_block(BitOutput& out, const LzCode* codes, size_t count, const PositionFormat& format) {
    BlockStats stats;
    for (size_t i = 0; i < count; ++i)
        stats.add(codes[i]);
    write_block(out, codes, count, format, stats);
}

void write_block(BitOutput& out, const LzCode* codes, size_t count, const PositionFormat& format,
                 const BlockStats& stats) {
    BlockCodes lengths = block_codes(stats, format);
    write_block_header(out, header_of(stats, lengths, format), format);
    std::vector<uint16_t> char_codes = canonical_codes(lengths.char_lengths);
    std::vector<uint16_t> position_codes = canonical_codes(lengths.position_lengths);
    for (size_t i = 0; i < count; ++i) {
        const LzCode& code = codes[i];
        out.put(char_codes[code.symbol], lengths.char_lengths[code.symbol]);
        if (!code.is_match()) continue;
        int symbol = position_symbol(code.distance);
        out.put(position_codes[static_cast<size_t>(symbol)],
                lengths.position_lengths[static_cast<size_t>(symbol)]);
        int extra = position_extra_bits(symbol);
        out.put(code.distance & ((1u << extra) - 1), extra);
    }
}
