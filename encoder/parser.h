// The parsers: a stretch of the window becomes character codes.
#pragma once

#include <cstdint>
#include <vector>

#include "block_coder.h"
#include "code_prices.h"
#include "effort.h"
#include "lz_code.h"
#include "match_finder.h"

// The window as the parsers see it: window[i] is the member's byte at
// absolute position base + i; size is the member's length.
struct ParseInput {
    const uint8_t* window;
    uint64_t base;
    uint32_t size;
    MatchFinder* finder;
    const CodePrices* prices = nullptr;  // the block's code lengths; null while none are known
};

// Greedy and lazy parsing of [pos, stop); the last match may run past stop.
// Returns the position after the last code.
uint32_t parse_greedy_or_lazy(const ParseInput& in, uint32_t pos, uint32_t stop,
                              const EffortSettings& settings, std::vector<LzCode>& out);

// Replaces in codes, which start at pos, each short match that costs more
// than its bytes as literals by prices with those literals, when every one
// of them has a length there; keeps stats, the codes' statistics, up to date
// and returns the bits saved.
uint64_t drop_dear_matches(const ParseInput& in, uint32_t pos, const CodePrices& prices,
                           std::vector<LzCode>& codes, BlockStats& stats);

// The optimal parse of [pos, stop) exactly (optimal_parser.cpp). previous
// holds the code lengths of the block before, the first pass's prices;
// pending holds the statistics of the block being gathered, which the
// segment's codes may join.
uint32_t parse_optimal(const ParseInput& in, uint32_t pos, uint32_t stop,
                       const EffortSettings& settings, const PositionFormat& format,
                       const BlockStats& pending, BlockCodes& previous,
                       std::vector<LzCode>& out);
