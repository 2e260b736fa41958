// Where blocks end.
//
// The input is parsed in segments of a few KiB. A segment joins the pending
// block when the block coded with the segment takes fewer bits than the two
// coded apart (each with its own code tables, headers included); otherwise
// the pending block is written and the segment starts the next one. So a
// block ends where the data's statistics change (text after code, a table
// after an image), and runs on through data that stays alike. Without
// follow_data (fast) a block simply fills up to MAX_BLOCK_CODES. Cost: three
// sets of code lengths per segment, small beside the parse.
#include "block_splitter.h"

#include <algorithm>

void BlockSplitter::add(const std::vector<LzCode>& segment) {
    if (segment.empty()) return;
    BlockStats stats;
    for (const LzCode& code : segment)
        stats.add(code);
    bool fits = pending_.size() + segment.size() <= MAX_BLOCK_CODES;
    if (!pending_.empty() && fits && follow_data_) {
        BlockStats joined = pending_stats_;
        joined.add(stats);
        uint64_t joined_bits = block_bits(joined, format_);
        uint64_t segment_bits = block_bits(stats, format_);
        if (joined_bits <= pending_bits_ + segment_bits) {
            pending_.insert(pending_.end(), segment.begin(), segment.end());
            pending_stats_ = joined;
            pending_bits_ = joined_bits;
            return;
        }
        write_pending();
    } else if (!fits) {
        write_pending();
    }
    if (segment.size() > MAX_BLOCK_CODES) {  // cannot happen with segments below 64 KiB
        for (size_t at = 0; at < segment.size(); at += MAX_BLOCK_CODES)
            write_block(out_, segment.data() + at, std::min(MAX_BLOCK_CODES, segment.size() - at),
                        format_);
        return;
    }
    pending_.insert(pending_.end(), segment.begin(), segment.end());
    pending_stats_.add(stats);
    if (follow_data_) pending_bits_ = block_bits(pending_stats_, format_);
}

void BlockSplitter::finish() {
    write_pending();
}

void BlockSplitter::write_pending() {
    if (pending_.empty()) return;
    write_block(out_, pending_.data(), pending_.size(), format_, pending_stats_);
    pending_.clear();
    pending_stats_ = BlockStats();
    pending_bits_ = 0;
}
