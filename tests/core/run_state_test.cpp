#include "Sfx/run_state.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<uint32_t> moves;

void record(uint32_t percent) {
    moves.push_back(percent);
}

class ProgressTest : public ::testing::Test {
protected:
    void SetUp() override {
        reset_run_state();
        moves.clear();
        set_progress_sink(&record);
    }
    void TearDown() override {
        set_progress_sink(nullptr);
        reset_run_state();
    }
};

}  // namespace

TEST_F(ProgressTest, NothingMovesWithoutATotal) {
    report_progress(5000);
    EXPECT_TRUE(moves.empty());
}

TEST_F(ProgressTest, SmallTotalsUseTheExactProduct) {
    progress_total = 1000;
    report_progress(999);
    EXPECT_EQ(moves, std::vector<uint32_t>{99});
    report_progress(0);  // same percentage: the bar is left alone
    EXPECT_EQ(moves.size(), 1u);
}

TEST_F(ProgressTest, LargeTotalsDivideByATruncatedHundredth) {
    progress_total = 1001;  // divisor 10
    report_progress(1001);
    EXPECT_EQ(moves, std::vector<uint32_t>{100});

    reset_run_state();
    moves.clear();
    progress_total = 1099;  // divisor 10: the end reads 109, the bar stays full
    report_progress(1099);
    EXPECT_EQ(moves, std::vector<uint32_t>{109});

    reset_run_state();
    moves.clear();
    progress_total = 4000000000u;  // no overflow where the product would have one
    for (int i = 0; i < 4; ++i) report_progress(1000000000u);
    EXPECT_EQ(moves, (std::vector<uint32_t>{25, 50, 75, 100}));
}

TEST_F(ProgressTest, AbortingTwiceIsLikeOnce) {
    EXPECT_FALSE(user_aborted());
    keep_going = 0;
    keep_going = 0;
    EXPECT_TRUE(user_aborted());
}
