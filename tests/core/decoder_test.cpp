// The engine's driver: its input (refills, the end of a member's data),
// stored copies, progress and abort, the output's length, the CRC-16 over
// it, and the progress bar's readings.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "huffman/bit_input.h"
#include "huffman/crc16_clmul.h"
#include "huffman/engine_buffers.h"
#include "Sfx/run_state.h"
#include "support/allocation_hook.h"
#include "support/block_writer.h"
#include "support/engine_runner.h"
#include "support/header_writer.h"

using namespace HUFFMAN;

namespace {

constexpr int LH5 = 5;
constexpr uint32_t LH5_DICTIONARY = 8192;

std::vector<uint64_t> reports;
std::vector<uint32_t> moves;
int abort_after_reports = -1;  // -1: never

// Records each bar position and the bytes done by then; may abort the run.
void record_progress(uint32_t percent) {
    reports.push_back(progress_done);
    moves.push_back(percent);
    if (static_cast<int>(reports.size()) == abort_after_reports) keep_going = 0;
}

class DecoderTest : public ::testing::Test {
protected:
    void SetUp() override { restart(); }
    void TearDown() override {
        set_progress_sink(nullptr);
        reset_run_state();
        release_engine_buffers();
    }
    // A fresh run whose total of 100 makes every reported byte move the bar.
    void restart(int abort_after = -1) {
        reset_run_state();
        reports.clear();
        moves.clear();
        abort_after_reports = abort_after;
        set_progress_sink(&record_progress);
        progress_total = 100;
    }
    // The bar positions that reports of these steps make for total.
    std::vector<uint32_t> bar_positions(uint64_t total, const std::vector<uint32_t>& steps) {
        restart();
        progress_total = total;
        for (uint32_t step : steps) report_progress(step);
        return moves;
    }
};

// An -lh5- block of `count` codes that are all the literal byte.
Bytes constant_literals(uint8_t byte, uint16_t count) {
    BlockWriter writer(14);
    writer.block(count, Lengths(), Lengths(), Lengths(), byte, 0);
    return writer.bytes();
}

// A /proc file's text; empty where there is none (Windows: its runtime's C++ streams crash under the UCRT).
std::string proc_text(const char* path) {
#ifdef _WIN32
    return {};
#endif
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Read system calls this process has made; -1 where they are not counted.
long long read_calls() {
    const std::string io = proc_text("/proc/self/io"), key = "syscr: ";
    const size_t at = io.find(key);
    return at == std::string::npos ? -1 : std::stoll(io.substr(at + key.size()));
}

}  // namespace

// Stored members are copied in chunks, with progress per chunk; a member cut short shows as a wrong CRC,
// and an abort stops after its chunk. Folders and unknown methods decode nothing.
TEST_F(DecoderTest, StoredMembersAreCopiedInChunksWithProgressAndAbort) {
    Bytes data(5000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 31);
    for (int method : {METHOD_LH0, METHOD_LZ4}) {
        restart();
        Bytes next_member = data;
        next_member.push_back(0xEE);
        expect_expanded(expand_bytes(next_member, method, 5000, 5000), data);
        EXPECT_EQ(reports, (std::vector<uint64_t>{2048, 4096, 5000}));
    }
    for (int method : {METHOD_LHD, 42}) EXPECT_TRUE(expand_bytes(data, method, 5000).output.empty()) << method;
    Bytes cut(data.begin(), data.begin() + 2500);
    EXPECT_NE(expand_bytes(cut, METHOD_LH0, 5000).crc, reference_crc16(data));

    restart(1);
    Expanded stored = expand_bytes(data, METHOD_LH0, 5000);
    EXPECT_TRUE(user_aborted());
    EXPECT_EQ(stored.output.size(), 2048u);
}

// Progress comes once per full dictionary (none for the last part), and the
// output ends at the original size even where a match runs past it. An abort
// stops decoding within one dictionary, what is not yet written stays so; the
// caller tells it from a damaged member by user_aborted().
TEST_F(DecoderTest, DecodingReportsEachDictionaryAndStopsWithinOneOnAbort) {
    const uint32_t size = 3 * LH5_DICTIONARY + 5000;
    BlockWriter writer(14);
    writer.block(size - 2, Lengths(), Lengths(), Lengths(), 'z');
    writer.block(1, Lengths(), Lengths(), Lengths(), LzCode::match(256, 1).symbol);
    expect_expanded(expand_bytes(writer.bytes(), LH5, size), Bytes(size, 'z'));
    EXPECT_EQ(reports, (std::vector<uint64_t>{LH5_DICTIONARY, 2 * LH5_DICTIONARY,
                                              3 * LH5_DICTIONARY}));
    restart();  // a member of whole dictionaries reports its last one as well
    expand_bytes(constant_literals('z', 2 * LH5_DICTIONARY), LH5, 2 * LH5_DICTIONARY);
    EXPECT_EQ(reports, (std::vector<uint64_t>{LH5_DICTIONARY, 2 * LH5_DICTIONARY}));
    restart(1);
    Expanded decoded = expand_bytes(constant_literals('z', 30000), LH5, 30000);
    EXPECT_TRUE(user_aborted());
    EXPECT_FALSE(decoded.damaged);
    EXPECT_EQ(decoded.crc, 0);
    EXPECT_LT(decoded.output.size(), 30000u);
}

// Without memory for its dictionary a member ends with std::bad_alloc, all it
// had taken given back (the sanitizers watch), and the next member decodes.
TEST_F(DecoderTest, ADictionaryThatCannotBeHadEndsTheMemberCleanly) {
    Bytes compressed = constant_literals('q', 12);
    {
        FailingAllocations no_dictionary(LH5_DICTIONARY);
        EXPECT_THROW(expand_bytes(compressed, LH5, 12), std::bad_alloc);
    }
    EXPECT_EQ(expand_bytes(compressed, LH5, 12).output, Bytes(12, 'q'));
}

// However much memory is free, the kept input buffer holds at most its limit;
// a small member reads only its own size.
TEST_F(DecoderTest, TheInputBufferIsNoLargerThanItsLimit) {
    use_input_buffer(uint64_t{1} << 40);
    EXPECT_EQ(input_buffer_size, INPUT_BUFFER_LIMIT);
    use_input_buffer(100);
    EXPECT_EQ(input_buffer_size, 100u);
}

// Up to 1000 bytes the percentage is done × 100 / total; above, where that
// product could overflow, done / (total / 100), whose truncated divisor lets
// the reading pass 100.
TEST_F(DecoderTest, ProgressOfSmallTotalsUsesTheProductLargeOnesATruncatedDivisor) {
    using Moves = std::vector<uint32_t>;
    EXPECT_EQ(bar_positions(0, {5000}), Moves{});  // no total: nothing moves
    EXPECT_EQ(bar_positions(1000, {999, 0}), Moves{99});  // the same percentage moves nothing
    EXPECT_EQ(bar_positions(1000, {1000}), Moves{100});
    EXPECT_EQ(bar_positions(1001, {1001}), Moves{100});  // divisor 10
    EXPECT_EQ(bar_positions(1099, {1099}), Moves{109});  // divisor 10: the end reads 109
    EXPECT_EQ(bar_positions(4000000000u, {1000000000u, 1000000000u, 1000000000u, 1000000000u}),
              (Moves{25, 50, 75, 100}));
    // Beyond 4 GiB neither the total nor the count wraps: three members of
    // 2,000,000,000 bytes move the bar steadily, full only at the very end.
    const Moves steady = bar_positions(6000000000u, std::vector<uint32_t>(30, 200000000u));
    ASSERT_EQ(steady.size(), 30u);
    EXPECT_TRUE(std::is_sorted(steady.begin(), steady.end()) && steady[28] < 100 && steady[29] == 100)
        << ::testing::PrintToString(steady);
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

// A damaged code length can make the decoder drop more bits than a field holds: they go in
// steps, and every bit of the count is dropped, whatever is left for the last step.
TEST(SkipBits, DropsEveryBitOfALongCount) {
    const Bytes stream{0x9C, 0x3A, 0x51, 0xE7, 0x0F, 0xB2, 0x64, 0xD8,
                       0x2B, 0xC6, 0x75, 0x19, 0xAE, 0x43, 0xF0, 0x8D};
    auto sixteen_bits_at = [&](unsigned at) {
        uint32_t value = 0;
        for (unsigned bit = at; bit < at + 16; ++bit)
            value = value << 1 | (stream[bit / 8] >> (7 - bit % 8) & 1);
        return value;
    };
    uint8_t buffer[64];
    for (unsigned count : {1u, 31u, 32u, 33u, 65u, 70u}) {
        BytesFile in(stream);
        input_buffer = buffer;
        input_buffer_size = sizeof buffer;
        input_filled = input_position = 0;
        MethodContext context{};
        context.input = &in.file();
        context.compressed_remaining = static_cast<int64_t>(stream.size());
        start_bits(&context);
        skip_bits(&context, count);
        EXPECT_EQ(get_bits(&context, 16), sixteen_bits_at(count)) << count;
    }
    input_buffer = nullptr;
    input_buffer_size = input_filled = input_position = 0;
}

// A header may claim far more data than a short file holds (fuzzing found it). Past the file's
// end the stream reads as zeros, without asking the file again for every byte (a 64 KiB member
// of all-zero -lzs- matches made some 65,000 failing reads), until so many that it is damage.
TEST(FuzzRegression, DataClaimedBeyondTheFileEndIsNotReadForEveryByte) {
    constexpr long long FEW_READS = 100;
    const Bytes archive = concat({Bytes(1000, 0x55), Bytes(16, 0)});  // behind other bytes
    const long long before = read_calls();
    EXPECT_TRUE(expand_bytes(archive, METHOD_LZS, 65536, 0xFFFFFFFF, 1000).damaged);
    const long long after = read_calls();
    if (before < 0) GTEST_SKIP() << "this system does not count read calls";
    EXPECT_LT(after - before, FEW_READS);
}

// The CRC-16 is folded (several times faster than the tables) wherever the processor can.
TEST(Crc16, IsFoldedWhereTheProcessorMultipliesWithoutCarries) {
    const std::string flags = proc_text("/proc/cpuinfo");
    if (flags.empty()) GTEST_SKIP() << "no /proc/cpuinfo";
    EXPECT_EQ(prepare_clmul(), flags.find(" pclmulqdq") != std::string::npos);
}
