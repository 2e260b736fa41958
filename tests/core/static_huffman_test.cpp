// -lh4- .. -lh7- streams written by the test block writer, decoded by the engine.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "support/block_writer.h"
#include "support/engine_runner.h"

namespace {

constexpr int LH4 = 4, LH5 = 5, LH6 = 6, LH7 = 7;

int position_symbols(int method) {
    return method == LH7 ? 17 : method == LH6 ? 16 : 14;
}

size_t dictionary_size(int method) {
    return size_t{1} << (method == LH4 ? 12 : method == LH5 ? 13 : method == LH6 ? 15 : 16);
}

// A block whose codes are all 9-bit character codes and 5-bit positions: not
// complete codes, which the format allows, and every stream fits them.
void flat_block(BlockWriter& writer, int method, uint16_t size) {
    Lengths length_code(19, 0);
    length_code[9 + 2] = 1;  // the only length sent is 9
    writer.block(size, length_code, Lengths(CHAR_SYMBOLS, 9), Lengths(position_symbols(method), 5));
}

}  // namespace

TEST(StaticHuffman, CodesOfEveryLengthAndEveryZeroRunDecode) {
    // Literals with code lengths 1..16 (a complete code with match symbol 256),
    // spread so the zero lengths between them need runs of 1, 2, 5, 19 and 22;
    // the long ones go past the 12- and 13-bit lookup tables.
    const int symbols[] = {10, 11, 13, 16, 22, 42, 65, 66, 67, 100, 101, 102, 120, 121, 122, 200};
    Lengths chars(257, 0);
    for (int i = 0; i < 16; ++i) chars[symbols[i]] = i < 15 ? i + 1 : 16;
    chars[256] = 16;
    Lengths length_code(19, 4);  // complete: 13 of 4 bits, 6 of 5 bits
    for (int s = 13; s < 19; ++s) length_code[s] = 5;
    BlockWriter writer(14);
    writer.block(17, length_code, chars, Lengths(), 0, 0);
    Bytes want;
    for (int s : symbols) {
        writer.literal(static_cast<uint8_t>(s));
        want.push_back(static_cast<uint8_t>(s));
    }
    writer.match(3, 1);  // constant position code 0: distance 1
    want.insert(want.end(), 3, 200);
    expect_decodes_to(writer.bytes(), LH5, want);
}

TEST(StaticHuffman, LongLengthCodeEntriesUseTheOneBitExtension) {
    // Length-code lengths 1..10 and 10: 7 travels as 1110, 10 as 1111110.
    Lengths chars(65, 0);
    for (int i = 0; i < 9; ++i) chars.push_back(i < 8 ? i + 1 : 8);  // 'A'..'I'
    BlockWriter writer(14);
    writer.block(9, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10}, chars, Lengths(), 0, 0);
    for (char c = 'A'; c <= 'I'; ++c) writer.literal(static_cast<uint8_t>(c));
    expect_decodes_to(writer.bytes(), LH5, {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I'});
}

TEST(StaticHuffman, ConstantCodesCostNoBitsAndABlockSizeOfZeroIs65536) {
    BlockWriter writer(17);
    writer.block(0, Lengths(), Lengths(), Lengths(), 'A', 0);  // 65536 'A's, no bits
    writer.block(2, Lengths(), Lengths(), Lengths(), 'B', 0);
    Bytes want(65536, 'A');
    want.insert(want.end(), 2, 'B');
    expect_decodes_to(writer.bytes(), LH7, want);
}

TEST(StaticHuffman, RandomMatchesWrapTheRingOfEveryDictionary) {
    std::mt19937 random(20261207);
    for (int method : {LH4, LH5, LH6, LH7}) {
        SCOPED_TRACE(method);
        const uint32_t farthest = 1u << (position_symbols(method) - 1);  // -lh4-: beyond its ring
        BlockWriter writer(position_symbols(method));
        Bytes want;
        flat_block(writer, method, 6000);
        for (int i = 0; i < 6000; ++i) {
            if (random() % 3 == 0) {
                uint8_t byte = static_cast<uint8_t>(random());
                writer.literal(byte);
                want.push_back(byte);
            } else {
                int length = 3 + static_cast<int>(random() % 254);
                // Short distances overlap the bytes they write; long ones wrap the ring.
                uint32_t distance = random() % 2 ? 1 + random() % 8 : 1 + random() % farthest;
                writer.match(length, distance);
                copy_match(want, distance, length, dictionary_size(method));
            }
        }
        ASSERT_GT(want.size(), 2 * dictionary_size(method));
        expect_decodes_to(writer.bytes(), method, want);
    }
}

TEST(StaticHuffman, Lh4DistancesAreTakenModulo4KiB) {
    BlockWriter writer(14);
    flat_block(writer, LH4, 12);
    for (char c = '0'; c <= '9'; ++c) writer.literal(static_cast<uint8_t>(c));
    writer.match(5, 4096 + 3);  // 3 back
    writer.match(4, 8000);      // 3904 back, before the first byte: spaces
    Bytes want = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', '7', '8', '9', '7', '8'};
    want.insert(want.end(), 4, ' ');
    expect_decodes_to(writer.bytes(), LH4, want);
}

TEST(StaticHuffman, ImpossibleCodeTablesAreReportedAsDamage) {
    // A small-code length of 17 (111 and ten 1-bits): no code is that long.
    BlockWriter too_long(14);
    Lengths length_code(19, 0);
    length_code[3] = 17;
    too_long.block(1, length_code, Lengths(), Lengths(), 'x', 0);
    EXPECT_TRUE(expand_bytes(too_long.bytes(), LH5, 1).damaged);
    // 511 character lengths for 510 symbols.
    BitWriter overflow;
    overflow.put(1, 16).put(0, 5).put(3, 5);  // block of 1; constant length code: symbol 3
    overflow.put(511, 9);                     // every length-code symbol costs no bits
    EXPECT_TRUE(expand_bytes(overflow.bytes(), LH5, 1).damaged);
}
