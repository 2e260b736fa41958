// The three efforts of the encoder and what each one does.
#pragma once

#include "match_finder.h"

enum class Effort { fast, normal, best };

enum class Parse {
    greedy,   // the longest match at each position, taken at once
    lazy,     // a match is put off by one byte when the next one is longer
    optimal,  // the cheapest path through all matches, by the block's own code lengths
};

struct EffortSettings {
    Parse parse;
    SearchLimits limits;
    int lazy_limit;      // lazy: a match this long is taken without looking ahead
    bool split_blocks;   // end a block where the statistics change
    int optimal_passes;  // optimal: most parses per segment, each priced by the one before
};

const EffortSettings& effort_settings(Effort effort);
