// -lh3- streams built bit by bit: block headers in their plain and
// single-code forms, the escape for long matches, and position codes from the
// ready-made lengths, including the 9-bit ones beyond the lookup table.
#include <gtest/gtest.h>

#include "support/block_writer.h"
#include "support/engine_runner.h"

namespace {

constexpr int METHOD_LH3 = 3;
constexpr int LH3_CHAR_SYMBOLS = 286;
constexpr int ESCAPE = 285;

void put_char_lengths(BitWriter& bits, const Lengths& lengths) {
    for (int length : lengths) {
        bits.put(length != 0, 1);
        if (length != 0) bits.put(length - 1, 4);
    }
}

// A block whose only character code is symbol; the flag for the ready-made
// position code follows.
void put_single_char_block(BitWriter& bits, uint16_t size, uint32_t symbol) {
    bits.put(size, 16);
    for (int i = 0; i < 3; ++i) bits.put(1, 1).put(0, 4);  // lengths 1, 1, 1
    bits.put(symbol, 9).put(0, 1);
}

Lengths ready_position_lengths() {
    Lengths lengths;
    const int counts[][2] = {{2, 1}, {4, 2}, {5, 3}, {6, 7}, {7, 18}, {8, 47}, {9, 50}};
    for (const auto& run : counts) lengths.insert(lengths.end(), run[1], run[0]);
    return lengths;
}

}  // namespace

TEST(Lh3, SingleCodeBlocksCostNoBitsAndSizeZeroMeans65536Codes) {
    BitWriter bits;
    put_single_char_block(bits, 0, 'a');
    put_single_char_block(bits, 10, 'b');
    Bytes want(65536, 'a');
    want.push_back('b');
    expect_expanded(expand_bytes(bits.bytes(), METHOD_LH3, 65537), want);
    // The next member begins with its own header, not the rest of that block.
    BitWriter next;
    put_single_char_block(next, 10, 'c');
    expect_expanded(expand_bytes(next.bytes(), METHOD_LH3, 2), Bytes(2, 'c'));
}

TEST(Lh3, SingleCodeBeyondTheAlphabetIsDamaged) {
    for (uint32_t symbol : {LH3_CHAR_SYMBOLS, 511}) {
        BitWriter bits;
        put_single_char_block(bits, 1, symbol);
        EXPECT_TRUE(expand_bytes(bits.bytes(), METHOD_LH3, 1).damaged) << symbol;
    }
}

TEST(Lh3, EscapeAndSingleSentPositionCode) {
    Lengths chars(LH3_CHAR_SYMBOLS, 0);
    chars['A'] = chars[ESCAPE] = 1;  // 'A' is 0, the escape 1
    BitWriter bits;
    bits.put(3, 16);
    put_char_lengths(bits, chars);
    // Position lengths sent: 1, 1, 1 announce one code, here 1, in 7 bits.
    bits.put(1, 1).put(1, 4).put(1, 4).put(1, 4).put(1, 7);
    bits.put("0");                      // 'A'
    bits.put("1").put(0, 8).put(63, 6);  // 32 bytes from 64 + 63 + 1 back
    bits.put("1").put(255, 8).put(0, 6); // 287 bytes from 65 back
    Bytes want = {'A'};
    copy_match(want, 128, 32);
    copy_match(want, 65, 287);
    expect_decodes_to(bits.bytes(), METHOD_LH3, want);
}

TEST(Lh3, ReadyPositionCodesUpToNineBits) {
    Lengths chars(LH3_CHAR_SYMBOLS, 9);
    chars[256] = 2;  // a match of 3
    const std::vector<uint32_t> char_codes = canonical_codes(chars);
    const Lengths positions = ready_position_lengths();
    const std::vector<uint32_t> position_codes = canonical_codes(positions);
    const int literal_count = 8000;
    const int position_tests[] = {0, 1, 2, 77, 78, 100, 127};

    BitWriter bits;
    bits.put(literal_count + 7, 16);
    put_char_lengths(bits, chars);
    bits.put(0, 1);  // ready-made position code
    Bytes want;
    uint32_t seed = 12345;
    for (int i = 0; i < literal_count; ++i) {
        seed = seed * 1103515245 + 12345;  // bytes that differ from one distance to the next
        uint8_t byte = static_cast<uint8_t>(seed >> 16);
        bits.put(char_codes[byte], chars[byte]);
        want.push_back(byte);
    }
    for (int code : position_tests) {
        int plain = (code * 5) % 64;
        bits.put(char_codes[256], chars[256]).put(position_codes[code], positions[code]);
        bits.put(plain, 6);
        copy_match(want, code * 64 + plain + 1, 3);
    }
    expect_decodes_to(bits.bytes(), METHOD_LH3, want);
}
