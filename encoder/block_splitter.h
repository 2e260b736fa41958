// Gathers segments of codes into blocks and writes them.
#pragma once

#include <functional>
#include <vector>

#include "bit_output.h"
#include "block_coder.h"
#include "code_prices.h"

class BlockSplitter {
public:
    BlockSplitter(BitOutput& out, const PositionFormat& format, bool follow_data)
        : out_(out), format_(format), follow_data_(follow_data) {}

    // Rewrites a segment's codes, given the code lengths of the block it
    // joins, the segment's statistics with them, and how many of the
    // segment's bytes came before these codes; it may only turn matches into
    // literals those lengths have. Returns the bits it saved.
    using Refine = std::function<uint64_t(const CodePrices&, std::vector<LzCode>&, BlockStats&,
                                          uint32_t offset)>;

    // The codes of the next stretch of input; may write the block before them.
    void add(const std::vector<LzCode>& segment);
    // The same, refined by the lengths of the block the codes join (with
    // follow_data only); where the data changes within the segment, the
    // block may also end inside it.
    void add(std::vector<LzCode>& segment, const Refine& refine);
    // Writes what is pending.
    void finish();
    // The statistics of the block being gathered (empty after a block is written).
    const BlockStats& pending_stats() const { return pending_stats_; }
    // The code lengths of the block being gathered, or of the last one
    // written while none is; null before the first segment (and without
    // follow_data, which needs none).
    const CodePrices* prices() const { return have_prices_ ? &prices_ : nullptr; }

private:
    // Where a segment is cut: after `at` codes, which cover `bytes` bytes.
    struct Cut {
        size_t at = 0;
        uint32_t bytes = 0;
    };
    // The block may end at quarters of a segment.
    static constexpr size_t CUT_PARTS = 4;

    void write_pending();
    // The cut whose two blocks take fewer bits than apart (none: at 0).
    Cut cheapest_cut(const std::vector<LzCode>& segment, uint64_t apart) const;
    void start_block(std::vector<LzCode>& segment, BlockStats stats, const Refine& refine,
                     uint32_t offset);
    void refine_and_join(std::vector<LzCode>& segment, BlockStats& stats, BlockCodes& codes,
                         uint64_t bits, const Refine& refine, uint32_t offset);
    // Joins the segment to the pending block, whose code lengths and bits
    // with it are given.
    void join(const std::vector<LzCode>& segment, const BlockStats& stats, BlockCodes& codes,
              uint64_t bits);

    BitOutput& out_;
    PositionFormat format_;
    bool follow_data_;
    std::vector<LzCode> pending_;
    BlockStats pending_stats_;
    uint64_t pending_bits_ = 0;
    BlockCodes pending_codes_;
    CodePrices prices_{};
    bool have_prices_ = false;
    void keep_prices();
};
