#include "effort.h"

namespace {

// fast: greedy over short chains, fixed blocks; about the speed of copying
// plus one hash per byte. normal: lazy over deeper chains, blocks that end
// where the statistics change. best: deep search, optimal parse in passes
// until one gains nothing (at most eight), blocks as for normal.
constexpr EffortSettings FAST = {Parse::greedy, {8, 32}, 0, false, 0};
constexpr EffortSettings NORMAL = {Parse::lazy, {128, 256}, 64, true, 0};
constexpr EffortSettings BEST = {Parse::optimal, {1024, 256}, 0, true, 8};

}  // namespace

const EffortSettings& effort_settings(Effort effort) {
    switch (effort) {
        case Effort::fast:
            return FAST;
        case Effort::best:
            return BEST;
        default:
            return NORMAL;
    }
}
