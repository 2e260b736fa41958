// The input side of the engine: the bit reader, its refills, the end of a
// member's data, and the CRC-16 over what was written.
#include "huffman/bit_input.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/engine_runner.h"
#include "support/files.h"

using namespace HUFFMAN;

namespace {

// Read system calls this process has made, or -1 where the system does not
// count them (Windows).
long long read_calls() {
#ifdef _WIN32
    return -1;  // (and the C++ streams of the Windows runtime crash under the UCRT)
#endif
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value)
        if (key == "syscr:") return value;
    return -1;
}

}  // namespace

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

// archive_fuzz, on truncated archives: a header claiming up to 4 GiB of
// compressed data in a short file. The engine sized its input buffer by the
// claim (up to 256 MiB) and, once the file had ended, asked it again for
// every byte the bit reader took: a 64 KiB member of all-zero -lzs- matches
// made some 65,000 failing reads. It now takes only the bytes the file holds;
// past them the stream reads as zeros, until so many that it is damage.
TEST(FuzzRegression, DataClaimedBeyondTheFileEndIsNotReadForEveryByte) {
    const Bytes data(16, 0);  // -lzs- matches of 16 zero bits: the reader never rests
    constexpr uint32_t ORIGINAL_SIZE = 65536;
    constexpr uint32_t CLAIMED_SIZE = 0xFFFFFFFF;
    constexpr long long FEW_READS = 100;
    const Expanded truthful = expand_bytes(data, METHOD_LZS, ORIGINAL_SIZE);
    const long long before = read_calls();
    const Expanded claimed = expand_bytes(data, METHOD_LZS, ORIGINAL_SIZE, CLAIMED_SIZE);
    const long long after = read_calls();

    // Sixteen bytes cannot make 64 KiB: both runs stop as damaged once the
    // reader has gone well past the data, and the same way.
    EXPECT_TRUE(claimed.damaged);
    EXPECT_EQ(claimed.damaged, truthful.damaged);
    EXPECT_EQ(claimed.output, truthful.output);
    if (before < 0) GTEST_SKIP() << "this system does not count read calls";
    EXPECT_LT(after - before, FEW_READS);
}
