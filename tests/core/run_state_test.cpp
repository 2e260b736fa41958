#include "Sfx/run_state.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

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
