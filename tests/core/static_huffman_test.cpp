// -lh4- .. -lh7- streams: random codes through the product's block coder, and
// the shapes it never sends written with explicit code lengths.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "support/block_writer.h"
#include "support/engine_runner.h"

namespace {

constexpr int LH5 = 5, LH6 = 6, LH7 = 7;

struct Method {
    int index;
    int dictionary_bits;
    PositionFormat format;
};
const Method METHODS[] = {{4, 12, {14, 4}}, {5, 13, {14, 4}}, {6, 15, {16, 5}}, {7, 16, {17, 5}}};

}  // namespace

// Blocks of every size up to the largest, skewed alphabets (long codes) and
// distances out to the farthest each position code reaches (for -lh4-,
// beyond its ring), decoded against the model of the ring.
TEST(StaticHuffman, RandomCodesThroughTheBlockCoderDecodeOnEveryDictionary) {
    std::mt19937 random(20261207);
    for (const Method& m : METHODS) {
        SCOPED_TRACE(m.index);
        const uint32_t farthest = 1u << (m.format.symbols - 1);
        const size_t ring = size_t{1} << m.dictionary_bits;
        std::vector<LzCode> codes;
        Bytes want;
        while (want.size() < 2 * ring) {
            unsigned r = random();
            if (r % 3 == 0) {
                uint8_t byte = static_cast<uint8_t>(r % 5 == 0 ? r >> 8 : (r >> 8) % 12);
                codes.push_back(LzCode::literal(byte));
                want.push_back(byte);
            } else {
                int length = 3 + static_cast<int>(random() % 254);
                // Short distances overlap the bytes they write; long ones wrap the ring.
                uint32_t distance = random() % 2 ? 1 + random() % 8 : 1 + random() % farthest;
                codes.push_back(LzCode::match(length, distance));
                copy_match(want, distance, length, ring);
            }
        }
        BitOutput bits;
        for (size_t at = 0, block = 1; at < codes.size(); at += block, block = block * 7 + 3) {
            block = std::min({block, codes.size() - at, MAX_BLOCK_CODES});
            write_block(bits, codes.data() + at, block, m.format);
        }
        bits.flush();
        expect_decodes_to(bits.bytes(), m.index, want);
    }
}

// Length-code lengths 1..11 and 11: 7 travels as 1110, 11 as 11111110; the
// match's position code is a constant: distance 1.
TEST(StaticHuffman, LongLengthCodeEntriesUseTheOneBitExtension) {
    Lengths chars(65, 0);
    for (int length = 1; length <= 9; ++length) chars.push_back(length);  // 'A'..'I'
    chars.resize(257, 0);
    chars[256] = 9;
    BlockWriter writer(14);
    writer.block(10, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 11}, chars, Lengths(), 0, 0);
    Bytes want;
    for (uint8_t c = 'A'; c <= 'I'; ++c) {
        writer.literal(c);
        want.push_back(c);
    }
    writer.match(3, 1);
    want.insert(want.end(), 3, 'I');
    expect_decodes_to(writer.bytes(), LH5, want);
}

TEST(StaticHuffman, ConstantCodesCostNoBitsAndABlockSizeOfZeroIs65536) {
    BlockWriter writer(17);
    writer.block(0, Lengths(), Lengths(), Lengths(), 'A', 0);  // 65536 'A's, no bits
    writer.block(2, Lengths(), Lengths(), Lengths(), 'B', 0);
    Bytes want(65536, 'A');
    want.insert(want.end(), 2, 'B');
    expect_decodes_to(writer.bytes(), LH7, want);
}

TEST(StaticHuffman, ImpossibleCodeTablesAreReportedAsDamage) {
    // A small-code length of 17 (111 and ten 1-bits): no code is that long.
    BlockWriter too_long(14);
    Lengths length_code(19, 0);
    length_code[3] = 17;
    too_long.block(1, length_code, Lengths(), Lengths(), 'x', 0);
    EXPECT_TRUE(expand_bytes(too_long.bytes(), LH5, 1).damaged);
    // The same length as a 17th position length: beyond -lh6-'s 16 symbols it
    // is ignored, -lh7- has a 17th symbol and fails on it.
    Lengths positions(17, 0);
    positions[0] = 1;
    positions[16] = 17;
    BlockWriter seventeenth(16);
    seventeenth.block(1, Lengths(), Lengths(), positions, 'x', 0);
    expect_decodes_to(seventeenth.bytes(), LH6, {'x'});
    EXPECT_TRUE(expand_bytes(seventeenth.bytes(), LH7, 1).damaged);
    // 511 character lengths for 510 symbols.
    BitOutput overflow;
    overflow.put(1, 16);  // block of 1; constant length code: symbol 3
    overflow.put(0, 5);
    overflow.put(3, 5);
    overflow.put(511, 9);  // every length-code symbol costs no bits
    overflow.flush();
    EXPECT_TRUE(expand_bytes(overflow.bytes(), LH5, 1).damaged);
}
