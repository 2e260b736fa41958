// The compressed methods' streams. -lh4- .. -lh7-: random codes through the
// product's block coder, and the shapes it never sends written with explicit
// code lengths. The older methods' ordinary streams are checked against the
// interop corpus; here, what it lacks.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "encoder/bit_output.h"
#include "huffman/code_tables.h"
#include "support/block_writer.h"
#include "support/engine_runner.h"
#include "support/header_writer.h"

namespace {

constexpr int LH1 = 1, LH2 = 2, LH3 = 3, LH5 = 5, LH6 = 6, LH7 = 7, LZ5 = 9;
constexpr int LH3_CHAR_SYMBOLS = 286, LH3_POSITION_CODES = 128;

struct Method {
    int index;
    int dictionary_bits;
    PositionFormat format;
};
const Method METHODS[] = {{4, 12, {14, 4}}, {5, 13, {14, 4}}, {6, 15, {16, 5}}, {7, 16, {17, 5}}};

Bytes flushed(BitOutput out) {
    out.flush();
    return out.bytes();
}

// An -lh3- block of size codes that are all one symbol: lengths 1, 1, 1
// announce a single code, its symbol following (a character length is a
// presence bit and the length minus one in 4 bits), then the flag for the
// ready-made position code, or the position codes' 4-bit lengths (all 0).
void lh3_single_code_block(BitOutput& out, uint32_t size, uint32_t symbol,
                           bool send_positions = false) {
    out.put(size, 16);
    for (int i = 0; i < 3; ++i) out.put(0x10, 5);
    out.put(symbol, 9);
    out.put(send_positions, 1);
    for (int i = 0; send_positions && i < LH3_POSITION_CODES; ++i) out.put(0, 4);
}

// An -lz5- match: the 12-bit ring index and the length minus 3 in two bytes.
Bytes lz5_match(uint32_t position, int length) {
    return {uint8_t(position), uint8_t(((position >> 8) << 4) | (length - 3))};
}

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
        const Bytes stream = flushed(bits);
        expect_decodes_to(stream, m.index, want);  // and a byte short: zeros, not the next member's byte
        EXPECT_NE(expand_bytes(stream, m.index, uint32_t(want.size()), stream.size() - 1).output, want);
    }
}

// First block: length-code lengths 1..11 and 11, so 7 travels as 1110 and 11
// as 11111110. Second: an incomplete code whose tree roots begin right behind
// its one table entry, in slots the first block filled; its 16-bit code takes
// every tree step. Third: constant codes cost no bits, and a block size of
// zero means 65,536 codes.
TEST(StaticHuffman, ChosenCodeShapesDecode) {
    Lengths long_lengths(257, 0), sparse(256, 0);
    for (int length = 1; length <= 9; ++length) long_lengths['A' + length - 1] = length;
    long_lengths[256] = 9;
    sparse['a'] = 12;
    sparse['b'] = 13;
    sparse['c'] = 16;
    BlockWriter writer(14);
    writer.block(9, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 11}, long_lengths, Lengths());
    for (uint8_t c : ascii("ABCDEFGHI")) writer.literal(c);
    writer.block(3, Lengths(19, 5), sparse, Lengths());
    for (uint8_t c : ascii("cba")) writer.literal(c);
    writer.block(0, Lengths(), Lengths(), Lengths(), 'z');
    expect_decodes_to(writer.bytes(), LH5, concat({ascii("ABCDEFGHIcba"), Bytes(65536, 'z')}));
}

TEST(StaticHuffman, ImpossibleCodeTablesAreReportedAsDamage) {
    // A small-code length of 17 (111 and ten 1-bits): no code is that long.
    BlockWriter too_long(14);
    Lengths length_code(19, 0);
    length_code[3] = 17;
    too_long.block(1, length_code, Lengths(), Lengths(), 'x');
    EXPECT_TRUE(expand_bytes(too_long.bytes(), LH5, 1).damaged);
    // The same length beyond the last position symbol is ignored: the 17th
    // of -lh6-, the 18th of -lh7-; -lh7- fails on its own 17th.
    for (size_t sent : {17u, 18u}) {
        Lengths positions(sent, 0);
        positions[0] = 1;
        positions[sent - 1] = 17;
        BlockWriter writer(16);
        writer.block(1, Lengths(), Lengths(), positions, 'x');
        expect_decodes_to(writer.bytes(), LH6, {'x'});
        EXPECT_EQ(expand_bytes(writer.bytes(), LH7, 1).damaged, sent == 17);
    }
    // 511 character lengths for 510 symbols.
    BitOutput overflow;
    overflow.put(1, 16);  // block of 1; constant length code: symbol 3
    overflow.put(0, 5);
    overflow.put(3, 5);
    overflow.put(511, 9);  // every length-code symbol costs no bits
    EXPECT_TRUE(expand_bytes(flushed(overflow), LH5, 1).damaged);
    // Long codes take tree nodes numbered after the symbols: the pool's last
    // node is used, and a code that needs one more is damage, not a write past it.
    using namespace HUFFMAN;
    for (int symbols : {TREE_NODES - 3, TREE_NODES - 2}) {
        std::vector<uint8_t> lengths(symbols, 0);
        lengths.back() = CHAR_TABLE_BITS + 3;  // three tree steps: three nodes
        std::vector<uint16_t> table(CHAR_TABLE_SIZE);
        auto build = [&] {
            build_decode_table(symbols, lengths.data(), CHAR_TABLE_BITS, table.data(), CHAR_TABLE_SIZE);
        };
        if (symbols == TREE_NODES - 3) EXPECT_NO_THROW(build());
        else EXPECT_THROW(build(), HufError);
    }
}

// Any bits walk to leaves, so only the data's end can tell: past it the
// reader supplies zeros for a while, then reports the member damaged rather
// than making 100,000 bytes out of 3,000 bytes of garbage.
TEST(DynamicHuffman, DataThatRunsOutLongBeforeTheMemberSizeIsDamaged) {
    std::mt19937 rng(7);
    Bytes garbage(3000);
    for (uint8_t& b : garbage) b = static_cast<uint8_t>(rng());
    for (int method : {LH1, LH2}) {
        for (const Bytes& input : {Bytes(), garbage}) {
            Expanded got = expand_bytes(input, method, 100000);
            EXPECT_TRUE(got.damaged);
            EXPECT_LT(got.output.size(), 100000u);
        }
    }
}

// Single codes cost no bits, a block size of zero means 65,536 codes, and the
// next block follows position lengths sent in full.
TEST(Lh3, SingleCodeBlocksOfEverySizeAndSymbolsBeyondTheAlphabet) {
    BitOutput out;
    lh3_single_code_block(out, 0, 'a', true);
    lh3_single_code_block(out, 10, 'b');
    expect_decodes_to(flushed(out), LH3, concat({Bytes(65536, 'a'), Bytes{'b'}}));
    for (uint32_t symbol : {LH3_CHAR_SYMBOLS, 511}) {
        BitOutput beyond;
        lh3_single_code_block(beyond, 1, symbol);
        EXPECT_TRUE(expand_bytes(flushed(beyond), LH3, 1).damaged) << symbol;
    }
}

// The ring as lhasa decodes it: a match at every one of the 4096 position
// fields was compared once; these cross each border of its regions.
TEST(Lz5, TheRingStartsWithZerosRunsRampsZerosAndSpaces) {
    const Bytes stream = concat({{0x00},  // eight matches
                                 lz5_match(0, 3),      // ring 18: the run of zeros
                                 lz5_match(4081, 18),  // ring 3..20: the encoder's start, zeros too
                                 lz5_match(845, 18),   // ring 863: the run of 'A's, then 'B's
                                 lz5_match(3322, 18),  // ring 3340: end of the run of 255s, ascending
                                 lz5_match(3577, 18),  // ring 3595: end of ascending, descending
                                 lz5_match(3832, 18),  // ring 3850: end of descending, zeros
                                 lz5_match(3962, 18),  // ring 3980: end of zeros, spaces
                                 lz5_match(4072, 18)});  // ring 4090: spaces, then our own output
    Bytes want = concat({Bytes(21, 0), Bytes(13, 'A'), Bytes(5, 'B'), Bytes(6, 255)});
    for (int v = 0; v < 12; ++v) want.push_back(uint8_t(v));
    for (int v = 249; v <= 255; ++v) want.push_back(uint8_t(v));
    for (int v = 255; v > 244; --v) want.push_back(uint8_t(v));
    for (int v = 7; v >= 0; --v) want.push_back(uint8_t(v));
    want = concat({want, Bytes(16, 0), Bytes(18, ' '), Bytes(12, 0)});
    expect_decodes_to(stream, LZ5, want);
}

// A damaged member that runs out of bytes reads zero bytes, never the bytes
// of the member that follows.
TEST(Lz5, EachMemberKeepsToItsOwnBytes) {
    expect_expanded(expand_bytes(ascii("\xFF" "bXYZW"), LZ5, 4, 2), concat({ascii("b"), Bytes(3, 0)}));
}
