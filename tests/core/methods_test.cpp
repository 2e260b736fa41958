// The compressed methods' streams. -lh4- .. -lh7-: random codes through the
// product's block coder, and the shapes it never sends written with explicit
// code lengths. The older methods, -lh1- to -lh3- and -lz5-: their ordinary
// streams are checked against the interop corpus; here, what it lacks:
// -lh3- blocks of 65,536 codes and single codes beyond the alphabet, the
// fixed start of the -lz5- ring, and the ends of damaged and neighbouring
// members.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "encoder/bit_output.h"
#include "support/block_writer.h"
#include "support/engine_runner.h"

namespace {

constexpr int LH1 = 1, LH2 = 2, LH3 = 3, LH5 = 5, LH6 = 6, LH7 = 7, LZ5 = 9;
constexpr int LH3_CHAR_SYMBOLS = 286;

struct Method {
    int index;
    int dictionary_bits;
    PositionFormat format;
};
const Method METHODS[] = {{4, 12, {14, 4}}, {5, 13, {14, 4}}, {6, 15, {16, 5}}, {7, 16, {17, 5}}};

// Lengths 1, 1, 1 announce a single code, its symbol following. A character
// length is a presence bit and the length minus one in 4 bits.
void put_single_char(BitOutput& out, uint32_t symbol) {
    for (int i = 0; i < 3; ++i) out.put(0x10, 5);
    out.put(symbol, 9);
}

Bytes flushed(BitOutput out) {
    out.flush();
    return out.bytes();
}

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
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
        bits.flush();
        expect_decodes_to(bits.bytes(), m.index, want);
    }
}

// Length-code lengths 1..11 and 11: 7 travels as 1110, 11 as 11111110.
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
    expect_decodes_to(writer.bytes(), LH5, want);
}

// An incomplete code whose tree roots begin right behind its one table entry,
// in slots the block before filled; its 16-bit code takes every tree step.
TEST(StaticHuffman, AnIncompleteCodeReplacesTheTablesOfTheBlockBefore) {
    Lengths full(256, 0), sparse(256, 0);
    full['A'] = full['B'] = 1;
    sparse['a'] = 12;
    sparse['b'] = 13;
    sparse['c'] = 16;
    BlockWriter writer(14);
    writer.block(2, Lengths(19, 5), full, Lengths());
    for (uint8_t c : text("AB")) writer.literal(c);
    writer.block(3, Lengths(19, 5), sparse, Lengths());
    for (uint8_t c : text("cba")) writer.literal(c);
    expect_decodes_to(writer.bytes(), LH5, text("ABcba"));
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
    // The same length beyond the last position symbol is ignored: the 17th
    // of -lh6-, the 18th of -lh7-; -lh7- fails on its own 17th.
    for (size_t sent : {17u, 18u}) {
        Lengths positions(sent, 0);
        positions[0] = 1;
        positions[sent - 1] = 17;
        BlockWriter writer(16);
        writer.block(1, Lengths(), Lengths(), positions, 'x', 0);
        expect_decodes_to(writer.bytes(), LH6, {'x'});
        if (sent == 18)
            expect_decodes_to(writer.bytes(), LH7, {'x'});
        else
            EXPECT_TRUE(expand_bytes(writer.bytes(), LH7, 1).damaged);
    }
    // 511 character lengths for 510 symbols.
    BitOutput overflow;
    overflow.put(1, 16);  // block of 1; constant length code: symbol 3
    overflow.put(0, 5);
    overflow.put(3, 5);
    overflow.put(511, 9);  // every length-code symbol costs no bits
    EXPECT_TRUE(expand_bytes(flushed(overflow), LH5, 1).damaged);
}

TEST(DynamicHuffman, DataThatRunsOutLongBeforeTheMemberSizeIsDamaged) {
    // Any bits walk to leaves, so only the data's end can tell: past it the
    // reader supplies zeros for a while, then reports the member damaged
    // rather than making 100,000 bytes out of 3,000 bytes of garbage.
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

TEST(Lh3, SingleCodeBlocksCostNoBitsAndSizeZeroMeans65536Codes) {
    BitOutput out;
    for (uint32_t size : {0u, 10u}) {
        out.put(size, 16);
        put_single_char(out, size == 0 ? 'a' : 'b');
        out.put(0, 1);  // the ready-made position code
    }
    Bytes want(65536, 'a');
    want.push_back('b');
    expect_decodes_to(flushed(out), LH3, want);
    // The next member begins with its own header, not the rest of that block.
    BitOutput next;
    next.put(10, 16);
    put_single_char(next, 'c');
    next.put(0, 1);
    expect_decodes_to(flushed(next), LH3, Bytes(2, 'c'));
    for (uint32_t symbol : {LH3_CHAR_SYMBOLS, 511}) {
        BitOutput beyond;
        beyond.put(1, 16);
        put_single_char(beyond, symbol);
        EXPECT_TRUE(expand_bytes(flushed(beyond), LH3, 1).damaged) << symbol;
    }
}

// The ring as lhasa decodes it: a match at every one of the 4096 position
// fields was compared once; these cross each border of its regions.
TEST(Lz5, TheRingStartsWithZerosRunsRampsZerosAndSpaces) {
    Bytes stream = {0x00};  // eight matches
    stream = stream + lz5_match(0, 3);     // ring 18: the run of zeros
    stream = stream + lz5_match(4081, 18); // ring 3..20: the encoder's start, zeros too
    stream = stream + lz5_match(845, 18);  // ring 863: the run of 'A's, then 'B's
    stream = stream + lz5_match(3322, 18); // ring 3340: end of the run of 255s, ascending
    stream = stream + lz5_match(3577, 18); // ring 3595: end of ascending, descending
    stream = stream + lz5_match(3832, 18); // ring 3850: end of descending, zeros
    stream = stream + lz5_match(3962, 18); // ring 3980: end of zeros, spaces
    stream = stream + lz5_match(4072, 18); // ring 4090: spaces, then our own output
    Bytes want = Bytes(3, 0) + Bytes(18, 0);
    want = want + Bytes(13, 'A') + Bytes(5, 'B');
    want = want + Bytes(6, 255);
    for (int v = 0; v < 12; ++v) want.push_back(uint8_t(v));
    for (int v = 249; v <= 255; ++v) want.push_back(uint8_t(v));
    for (int v = 255; v > 244; --v) want.push_back(uint8_t(v));
    for (int v = 7; v >= 0; --v) want.push_back(uint8_t(v));
    want = want + Bytes(10, 0) + Bytes(6, 0) + Bytes(12, ' ');
    want = want + Bytes(6, ' ') + Bytes(12, 0);
    expect_decodes_to(stream, LZ5, want);
}

TEST(Lz5, EachMemberStartsWithAFlagByteAndKeepsToItsOwnBytes) {
    expect_decodes_to({0x01, 'a'}, LZ5, text("a"));
    // The damaged member below runs out of bytes: it reads zero bytes, never
    // the bytes of the member that follows.
    expect_expanded(expand_bytes(text("\xFF" "bXYZW"), LZ5, 4, 2), text("b") + Bytes(3, 0));
}
