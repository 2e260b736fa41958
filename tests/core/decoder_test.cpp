// The decode driver: stored copies, progress, abort, and the output's length.
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

}  // namespace

TEST_F(DecoderTest, StoredMembersAreCopiedInChunksWithProgress) {
    Bytes data(5000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 31);
    for (int method : {LH0, LZ4}) {
        restart();
        Expanded result = expand_bytes(data, method, 5000, Bytes{0xEE});
        EXPECT_EQ(result.output, data);
        EXPECT_EQ(result.crc, reference_crc16(data));
        EXPECT_EQ(reports, (std::vector<uint32_t>{2048, 4096, 5000}));
    }
    // Cut short, a stored member shows as a wrong CRC.
    Bytes cut(data.begin(), data.begin() + 2500);
    EXPECT_NE(expand_bytes(cut, LH0, 5000).crc, reference_crc16(data));
}

TEST_F(DecoderTest, ProgressComesOncePerFullDictionary) {
    // 3 rings and a bit: three reports, none for the last part.
    Expanded whole = expand_bytes(constant_literals('z', 30000), LH5, 3 * LH5_DICTIONARY + 5000);
    EXPECT_EQ(whole.output, Bytes(3 * LH5_DICTIONARY + 5000, 'z'));
    EXPECT_EQ(reports, (std::vector<uint32_t>{LH5_DICTIONARY, 2 * LH5_DICTIONARY,
                                              3 * LH5_DICTIONARY}));
}

// How the caller tells an abort from a damaged member: user_aborted().
TEST_F(DecoderTest, AbortStopsAStoredCopyAfterItsChunkAndDecodingWithinADictionary) {
    restart(1);
    Expanded stored = expand_bytes(Bytes(5000, 1), LH0, 5000);
    EXPECT_TRUE(user_aborted());
    EXPECT_EQ(stored.output.size(), 2048u);

    restart(1);
    Expanded decoded = expand_bytes(constant_literals('z', 30000), LH5, 30000);
    EXPECT_TRUE(user_aborted());
    EXPECT_FALSE(decoded.damaged);
    EXPECT_EQ(decoded.crc, 0);
    EXPECT_LT(decoded.output.size(), 30000u);  // what is not yet written stays so
}

TEST_F(DecoderTest, OutputEndsAtTheOriginalSizeEvenWhenAMatchRunsPast) {
    // Ten literals, then a 256-byte match: only 12 bytes were announced.
    Lengths length_code(19, 0);
    length_code[9 + 2] = 1;
    BlockWriter writer(14);
    writer.block(11, length_code, Lengths(510, 9), Lengths(14, 5));
    for (int i = 0; i < 10; ++i) writer.literal('q');
    writer.match(256, 1);
    Expanded result = expand_bytes(writer.bytes(), LH5, 12);
    EXPECT_EQ(result.output, Bytes(12, 'q'));
    EXPECT_EQ(result.crc, reference_crc16(Bytes(12, 'q')));
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
