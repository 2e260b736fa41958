// Gathers segments of codes into blocks and writes them.
#pragma once

#include <vector>

#include "bit_output.h"
#include "block_coder.h"

class BlockSplitter {
public:
    BlockSplitter(BitOutput& out, const PositionFormat& format, bool follow_data)
        : out_(out), format_(format), follow_data_(follow_data) {}

    // The codes of the next stretch of input; may write the block before them.
    void add(const std::vector<LzCode>& segment);
    // Writes what is pending.
    void finish();
    // The statistics of the block being gathered (empty after a block is written).
    const BlockStats& pending_stats() const { return pending_stats_; }

private:
    void write_pending();

    BitOutput& out_;
    PositionFormat format_;
    bool follow_data_;
    std::vector<LzCode> pending_;
    BlockStats pending_stats_;
    uint64_t pending_bits_ = 0;
};
