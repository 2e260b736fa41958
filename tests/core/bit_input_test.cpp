#include "huffman/bit_input.h"

#include <gtest/gtest.h>

#include <cstring>

#include "support/engine_runner.h"
#include "support/files.h"

using namespace HUFFMAN;

namespace {

// Points the reader's input buffer at bytes (as the driver does after its
// first read) with compressed_remaining as given.
class BitInputTest : public ::testing::Test {
protected:
    void load(const Bytes& bytes, int64_t compressed) {
        buffer_ = bytes;
        input_buffer = buffer_.data();
        input_buffer_size = input_filled = buffer_.size();
        input_position = 0;
        context_ = MethodContext();
        context_.compressed_remaining = compressed;
        padding_taken = 0;
        start_bits(&context_);
    }
    void TearDown() override {
        input_buffer = nullptr;
        input_buffer_size = input_filled = input_position = 0;
    }
    Bytes buffer_;
    MethodContext context_{};
};

}  // namespace

TEST_F(BitInputTest, FieldsComeMostSignificantBitFirst) {
    load(Bytes{0x12, 0x34, 0xAB, 0xCD}, 4);
    EXPECT_EQ(bit_buffer(), 0x1234);
    EXPECT_EQ(get_bits(&context_, 0), 0);
    EXPECT_EQ(bit_buffer(), 0x1234);
    EXPECT_EQ(get_bits(&context_, 4), 0x1);
    EXPECT_EQ(bit_buffer(), 0x234A);
    fill_bits(&context_, 0);
    EXPECT_EQ(get_bits(&context_, 16), 0x234A);
    EXPECT_EQ(get_bits(&context_, 12), 0xBCD);
}

TEST_F(BitInputTest, PastTheCompressedSizeOnlyZeroBitsFollow) {
    // The bytes behind the member's two belong to the next member: unread.
    load(Bytes{0xFF, 0x80, 0xFF, 0xFF}, 2);
    EXPECT_EQ(get_bits(&context_, 9), 0x1FF);
    EXPECT_EQ(get_bits(&context_, 16), 0);
    EXPECT_EQ(context_.compressed_remaining, 0);
    EXPECT_EQ(input_position, 2u);
    // Looking a little ahead is normal; taking far more than the data holds
    // is damage (a member claiming more output than its data can give).
    EXPECT_THROW(skip_bits(&context_, 8 * (PADDING_LIMIT + WHOLE_LOAD + 1)), HufError);

    load(Bytes{0xFF}, 0);  // a member with no compressed data at all
    EXPECT_EQ(bit_buffer(), 0);
    EXPECT_EQ(input_position, 0u);
}

TEST(NextInputByte, RefillsFromTheFileAndReadsZeroAtItsEnd) {
    BytesFile in(Bytes{1, 2, 3, 4, 5});
    uint8_t buffer[2];
    input_buffer = buffer;
    input_buffer_size = 2;
    input_filled = input_position = 0;
    Bytes got;
    for (int i = 0; i < 7; ++i) got.push_back(next_input_byte(&in.file()));
    EXPECT_EQ(got, (Bytes{1, 2, 3, 4, 5, 0, 0}));
    EXPECT_EQ(next_input_byte(nullptr), 0);  // no file at all
    input_buffer = nullptr;
    input_buffer_size = input_filled = input_position = 0;
}

TEST(Crc16, IsTheArcVariant) {
    build_crc16_table();
    const char* check = "123456789";
    uint16_t crc = 0;
    update_crc16(crc, reinterpret_cast<const uint8_t*>(check), 9);
    EXPECT_EQ(crc, 0xBB3D);  // the catalogued check value of CRC-16/ARC
    // Whatever the split (every start value, alignment and length the
    // sliced and the folded paths see), the bitwise reference's value.
    Bytes random(1000);
    for (size_t i = 0; i < random.size(); ++i) random[i] = static_cast<uint8_t>(i * 7919 >> 3);
    for (uint32_t split = 0; split <= random.size(); split += 7) {
        uint16_t two_parts = 0;
        update_crc16(two_parts, random.data(), split);
        update_crc16(two_parts, random.data() + split, static_cast<uint32_t>(random.size()) - split);
        EXPECT_EQ(two_parts, reference_crc16(random)) << split;
    }
}
