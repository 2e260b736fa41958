// The decode driver: stored copies, progress, abort, and the output's length;
// and the progress bar's readings.
#include <gtest/gtest.h>

#include <new>
#include <vector>

#include "Sfx/run_state.h"
#include "support/allocation_hook.h"
#include "support/block_writer.h"
#include "support/engine_runner.h"

namespace {

constexpr int LH0 = 0, LH5 = 5, LZ4 = 10, LHD = 11;
constexpr uint32_t LH5_DICTIONARY = 8192;

std::vector<uint32_t> reports;
int abort_after_reports = -1;  // -1: never

// Records each progress step as the bytes it covers; may abort the run.
void record_progress(uint32_t) {
    reports.push_back(progress_done);
    if (static_cast<int>(reports.size()) == abort_after_reports) keep_going = 0;
}

class DecoderTest : public ::testing::Test {
protected:
    void SetUp() override { restart(); }
    void TearDown() override {
        set_progress_sink(nullptr);
        reset_run_state();
    }
    // A fresh run whose total of 100 makes every reported byte move the bar.
    void restart(int abort_after = -1) {
        reset_run_state();
        reports.clear();
        abort_after_reports = abort_after;
        set_progress_sink(&record_progress);
        progress_total = 100;
    }
};

// An -lh5- block of `count` codes that are all the literal byte.
Bytes constant_literals(uint8_t byte, uint16_t count) {
    BlockWriter writer(14);
    writer.block(count, Lengths(), Lengths(), Lengths(), byte, 0);
    return writer.bytes();
}

std::vector<uint32_t> moves;

void record(uint32_t percent) {
    moves.push_back(percent);
}

// The bar positions a run of reports of `step` bytes makes for total.
std::vector<uint32_t> bar_positions(uint32_t total, std::vector<uint32_t> steps) {
    reset_run_state();
    moves.clear();
    set_progress_sink(&record);
    progress_total = total;
    for (uint32_t step : steps) report_progress(step);
    set_progress_sink(nullptr);
    reset_run_state();
    return moves;
}

}  // namespace

// Stored members are copied in chunks, with progress per chunk; a member
// cut short shows as a wrong CRC, and an abort stops after its chunk.
TEST_F(DecoderTest, StoredMembersAreCopiedInChunksWithProgressAndAbort) {
    Bytes data(5000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 31);
    for (int method : {LH0, LZ4}) {
        restart();
        Bytes next_member = data;
        next_member.push_back(0xEE);
        expect_expanded(expand_bytes(next_member, method, 5000, 5000), data);
        EXPECT_EQ(reports, (std::vector<uint32_t>{2048, 4096, 5000}));
    }
    Bytes cut(data.begin(), data.begin() + 2500);
    EXPECT_NE(expand_bytes(cut, LH0, 5000).crc, reference_crc16(data));

    restart(1);
    Expanded stored = expand_bytes(data, LH0, 5000);
    EXPECT_TRUE(user_aborted());
    EXPECT_EQ(stored.output.size(), 2048u);
}

// Progress comes once per full dictionary (none for the last part); an
// abort stops decoding within one, what is not yet written stays so.
// How the caller tells an abort from a damaged member: user_aborted().
TEST_F(DecoderTest, DecodingReportsEachDictionaryAndStopsWithinOneOnAbort) {
    const uint32_t size = 3 * LH5_DICTIONARY + 5000;
    expect_expanded(expand_bytes(constant_literals('z', 30000), LH5, size), Bytes(size, 'z'));
    EXPECT_EQ(reports, (std::vector<uint32_t>{LH5_DICTIONARY, 2 * LH5_DICTIONARY,
                                              3 * LH5_DICTIONARY}));
    restart(1);
    Expanded decoded = expand_bytes(constant_literals('z', 30000), LH5, 30000);
    EXPECT_TRUE(user_aborted());
    EXPECT_FALSE(decoded.damaged);
    EXPECT_EQ(decoded.crc, 0);
    EXPECT_LT(decoded.output.size(), 30000u);
}

TEST_F(DecoderTest, OutputEndsAtTheOriginalSizeEvenWhenAMatchRunsPast) {
    // Ten literals, then a 256-byte match: only 12 bytes were announced.
    std::vector<LzCode> codes(10, LzCode::literal('q'));
    codes.push_back(LzCode::match(256, 1));
    BitOutput bits;
    write_block(bits, codes.data(), codes.size(), position_format(13));
    bits.flush();
    expect_expanded(expand_bytes(bits.bytes(), LH5, 12), Bytes(12, 'q'));
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

TEST_F(DecoderTest, FoldersUnknownMethodsAndEmptyMembersDecodeNothing) {
    for (int method : {LHD, 42, LH5}) {
        Expanded nothing = expand_bytes(Bytes{1, 2, 3}, method, method == LH5 ? 0 : 3);
        EXPECT_TRUE(nothing.output.empty()) << method;
        EXPECT_EQ(nothing.crc, 0) << method;
    }
}

// Up to 1000 bytes the percentage is done × 100 / total; above, where that
// product could overflow, done / (total / 100), whose truncated divisor lets
// the reading pass 100.
TEST(Progress, SmallTotalsUseTheProductLargeOnesATruncatedDivisor) {
    using Moves = std::vector<uint32_t>;
    EXPECT_EQ(bar_positions(0, {5000}), Moves{});  // no total: nothing moves
    EXPECT_EQ(bar_positions(1000, {999, 0}), Moves{99});  // the same percentage moves nothing
    EXPECT_EQ(bar_positions(1000, {1000}), Moves{100});
    EXPECT_EQ(bar_positions(1001, {1001}), Moves{100});  // divisor 10
    EXPECT_EQ(bar_positions(1099, {1099}), Moves{109});  // divisor 10: the end reads 109
    EXPECT_EQ(bar_positions(4000000000u, {1000000000u, 1000000000u, 1000000000u, 1000000000u}),
              (Moves{25, 50, 75, 100}));
}
