// -lh4- .. -lh7- streams written by the test block writer, decoded by the engine.
#include <gtest/gtest.h>

#include <random>

#include "support/block_writer.h"
#include "support/engine_runner.h"

namespace {

constexpr int LH4 = 4, LH5 = 5, LH6 = 6, LH7 = 7;
constexpr int CHAR_SYMBOLS = 510;

int position_symbols(int method) {
    return method == LH7 ? 17 : method == LH6 ? 16 : 14;
}

// A complete length code over all 19 symbols: 13 of 4 bits, 6 of 5 bits.
Lengths full_length_code() {
    Lengths lengths(19, 4);
    for (int s = 13; s < 19; ++s) lengths[s] = 5;
    return lengths;
}

// Every character and position symbol with one length: not a complete code,
// which the format allows, and every stream of literals and matches fits it.
Lengths flat(int symbols, int length) {
    return Lengths(static_cast<size_t>(symbols), length);
}

// Where a block's codes are all 9-bit character codes and 5-bit positions.
void flat_block(BlockWriter& writer, int method, uint16_t size) {
    Lengths length_code(19, 0);
    length_code[9 + 2] = 1;  // the only length sent is 9
    writer.block(size, length_code, flat(CHAR_SYMBOLS, 9), flat(position_symbols(method), 5));
}

// The decoder's model, byte by byte: a ring of spaces, literals and copies.
class RingModel {
public:
    explicit RingModel(int dictionary_bits) : ring_(size_t{1} << dictionary_bits, 0x20) {}
    void literal(uint8_t byte) { put(byte); }
    void match(int length, uint32_t distance) {
        size_t mask = ring_.size() - 1;
        size_t source = (position_ - distance) & mask;
        for (int i = 0; i < length; ++i) put(ring_[(source + i) & mask]);
    }
    const Bytes& output() const { return output_; }

private:
    void put(uint8_t byte) {
        ring_[position_ & (ring_.size() - 1)] = byte;
        ++position_;
        output_.push_back(byte);
    }
    Bytes ring_;
    size_t position_ = 0;
    Bytes output_;
};

int dictionary_bits(int method) {
    return method == LH4 ? 12 : method == LH5 ? 13 : method == LH6 ? 15 : 16;
}

}  // namespace

TEST(StaticHuffman, CodesOfEveryLengthAndEveryZeroRunDecode) {
    // Literals with code lengths 1..16 (a complete code with match symbol 256),
    // spread so the zero lengths between them need runs of 1, 2, 5, 19 and 22.
    const int symbols[] = {10, 11, 13, 16, 22, 42, 65, 66, 67, 100, 101, 102, 120, 121, 122, 200};
    Lengths chars(257, 0);
    for (int i = 0; i < 16; ++i) chars[symbols[i]] = i < 15 ? i + 1 : 16;
    chars[256] = 16;
    BlockWriter writer(14);
    writer.block(17, full_length_code(), chars, Lengths(), 0, 0);
    Bytes expected;
    for (int s : symbols) {
        writer.literal(static_cast<uint8_t>(s));
        expected.push_back(static_cast<uint8_t>(s));
    }
    writer.match(3, 1);  // constant position code 0: distance 1
    expected.insert(expected.end(), 3, 200);
    Expanded result = expand_bytes(writer.bytes(), LH5, static_cast<uint32_t>(expected.size()));
    ASSERT_FALSE(result.damaged);
    EXPECT_EQ(result.output, expected);
    EXPECT_EQ(result.crc, reference_crc16(expected));
}

TEST(StaticHuffman, LongLengthCodeEntriesUseTheOneBitExtension) {
    // Length-code lengths 1..10 and 10: 7 travels as 1110, 10 as 1111110.
    Lengths length_code = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10};
    Lengths chars(65, 0);
    for (int i = 0; i < 9; ++i) chars.push_back(i < 8 ? i + 1 : 8);  // 'A'..'I'
    BlockWriter writer(14);
    writer.block(9, length_code, chars, Lengths(), 0, 0);
    for (char c = 'A'; c <= 'I'; ++c) writer.literal(static_cast<uint8_t>(c));
    Expanded result = expand_bytes(writer.bytes(), LH5, 9);
    ASSERT_FALSE(result.damaged);
    EXPECT_EQ(std::string(result.output.begin(), result.output.end()), "ABCDEFGHI");
}

TEST(StaticHuffman, ConstantCodesCostNoBitsAndABlockSizeOfZeroIs65536) {
    BlockWriter writer(17);
    writer.block(0, Lengths(), Lengths(), Lengths(), 'A', 0);
    for (int i = 0; i < 65536; ++i) writer.literal('A');  // writes nothing
    writer.block(2, Lengths(), Lengths(), Lengths(), 'B', 0);
    Expanded result = expand_bytes(writer.bytes(), LH7, 65538);
    ASSERT_FALSE(result.damaged);
    ASSERT_EQ(result.output.size(), 65538u);
    EXPECT_EQ(result.output[65535], 'A');
    EXPECT_EQ(result.output[65536], 'B');
    EXPECT_EQ(result.output[65537], 'B');
}

TEST(StaticHuffman, RandomMatchesAgreeWithTheRingModelForEveryDictionary) {
    std::mt19937 random(20261207);
    for (int method : {LH4, LH5, LH6, LH7}) {
        SCOPED_TRACE(method);
        const uint32_t dictionary = 1u << dictionary_bits(method);
        const uint32_t farthest = 1u << (position_symbols(method) - 1);  // incl. beyond the ring
        RingModel model(dictionary_bits(method));
        BlockWriter writer(position_symbols(method));
        const int codes = 6000;
        flat_block(writer, method, codes);
        for (int i = 0; i < codes; ++i) {
            if (random() % 3 == 0) {
                uint8_t byte = static_cast<uint8_t>(random());
                writer.literal(byte);
                model.literal(byte);
            } else {
                int length = 3 + static_cast<int>(random() % 254);
                // Short distances overlap the bytes they write; long ones wrap the ring.
                uint32_t distance = random() % 2 ? 1 + random() % 8 : 1 + random() % farthest;
                writer.match(length, distance);
                model.match(length, distance);
            }
        }
        uint32_t size = static_cast<uint32_t>(model.output().size());
        ASSERT_GT(size, 2 * dictionary);
        Expanded result = expand_bytes(writer.bytes(), method, size);
        ASSERT_FALSE(result.damaged);
        EXPECT_TRUE(result.output == model.output());
        EXPECT_EQ(result.crc, reference_crc16(model.output()));
    }
}

TEST(StaticHuffman, Lh4DistancesBeyondItsRingWrapToIt) {
    RingModel model(12);
    BlockWriter writer(14);
    flat_block(writer, LH4, 12);
    for (int i = 0; i < 10; ++i) {
        writer.literal(static_cast<uint8_t>('0' + i));
        model.literal(static_cast<uint8_t>('0' + i));
    }
    writer.match(5, 4096 + 3);  // 4099 back in a 4 KiB ring is 3 back
    model.match(5, 3);
    writer.match(4, 8000);  // before the first byte: spaces
    model.match(4, 8000 - 4096);
    Expanded result = expand_bytes(writer.bytes(), LH4, static_cast<uint32_t>(model.output().size()));
    ASSERT_FALSE(result.damaged);
    EXPECT_EQ(std::string(result.output.begin(), result.output.end()), "012345678978978    ");
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
