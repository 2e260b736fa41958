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
//
// The lazy parse's segments go through add with a refinement: the pending
// block's lengths are kept, and the parse prices the next segment by them;
// the segment's dear matches are then turned into literals by the lengths
// of the block it joins. And when a segment does not join, the block may end
// at a quarter of it instead of at its start, where that costs less: on the
// benchmark tree that gained what halving the segments did, for a few sets
// of code lengths per block.
#include "block_splitter.h"

#include <algorithm>
#include <utility>

namespace {

using Codes = std::vector<LzCode>::const_iterator;

BlockStats stats_of(Codes first, Codes last) {
    BlockStats stats;
    for (; first != last; ++first)
        stats.add(*first);
    return stats;
}

size_t bytes_of(Codes first, Codes last) {
    size_t bytes = 0;
    for (; first != last; ++first)
        bytes += static_cast<size_t>(first->length());
    return bytes;
}

}  // namespace

void BlockSplitter::add(std::vector<LzCode>& segment, const Refine& refine) {
    if (segment.empty() || !follow_data_) return add(segment);
    // Refined codes are at most one per byte: the block's count must allow that.
    if (pending_.size() + bytes_of(segment.begin(), segment.end()) > MAX_BLOCK_CODES)
        return add(segment);
    BlockStats stats = stats_of(segment.begin(), segment.end());
    if (pending_.empty()) return start_block(segment, stats, refine, 0);
    BlockStats joined = pending_stats_;
    joined.add(stats);
    BlockCodes codes;
    uint64_t bits = block_bits(joined, format_, &codes);
    const uint64_t apart = pending_bits_ + block_bits(stats, format_);
    if (bits <= apart) return refine_and_join(segment, stats, codes, bits, refine, 0);
    // The data changes within the segment: the block ends at the cut that
    // costs least, which may be the segment's start.
    const Cut cut = cheapest_cut(segment, apart);
    if (cut.at == 0) {
        write_pending();
        return start_block(segment, stats, refine, 0);
    }
    std::vector<LzCode> tail(segment.begin() + static_cast<std::ptrdiff_t>(cut.at), segment.end());
    segment.resize(cut.at);
    BlockStats head_stats = stats_of(segment.begin(), segment.end());
    joined = pending_stats_;
    joined.add(head_stats);
    bits = block_bits(joined, format_, &codes);
    refine_and_join(segment, head_stats, codes, bits, refine, 0);
    write_pending();
    start_block(tail, stats_of(tail.begin(), tail.end()), refine, cut.bytes);
}

BlockSplitter::Cut BlockSplitter::cheapest_cut(const std::vector<LzCode>& segment,
                                               uint64_t apart) const {
    Cut best;
    uint64_t least = apart;
    for (size_t part = 1; part < CUT_PARTS; ++part) {
        const auto at = segment.begin() + static_cast<std::ptrdiff_t>(segment.size() * part / CUT_PARTS);
        BlockStats head = pending_stats_;
        head.add(stats_of(segment.begin(), at));
        uint64_t bits = block_bits(head, format_) + block_bits(stats_of(at, segment.end()), format_);
        if (bits < least) {
            least = bits;
            best = {static_cast<size_t>(at - segment.begin()),
                    static_cast<uint32_t>(bytes_of(segment.begin(), at))};
        }
    }
    return best;
}

void BlockSplitter::start_block(std::vector<LzCode>& segment, BlockStats stats,
                                const Refine& refine, uint32_t offset) {
    BlockCodes codes;
    uint64_t bits = block_bits(stats, format_, &codes);
    refine_and_join(segment, stats, codes, bits, refine, offset);
}

void BlockSplitter::refine_and_join(std::vector<LzCode>& segment, BlockStats& stats,
                                    BlockCodes& codes, uint64_t bits, const Refine& refine,
                                    uint32_t offset) {
    // The block's bits with its lengths fall by what the refinement saved.
    bits -= refine(CodePrices{codes.char_lengths.data(), codes.position_lengths.data(), true},
                   segment, stats, offset);
    join(segment, stats, codes, bits);
}

void BlockSplitter::join(const std::vector<LzCode>& segment, const BlockStats& stats,
                         BlockCodes& codes, uint64_t bits) {
    pending_.insert(pending_.end(), segment.begin(), segment.end());
    pending_stats_.add(stats);
    pending_bits_ = bits;
    pending_codes_ = std::move(codes);
    keep_prices();
}

void BlockSplitter::add(const std::vector<LzCode>& segment) {
    if (segment.empty()) return;
    BlockStats stats = stats_of(segment.begin(), segment.end());
    bool fits = pending_.size() + segment.size() <= MAX_BLOCK_CODES;
    if (!pending_.empty() && fits && follow_data_) {
        BlockStats joined = pending_stats_;
        joined.add(stats);
        BlockCodes joined_codes;
        uint64_t joined_bits = block_bits(joined, format_, &joined_codes);
        if (joined_bits <= pending_bits_ + block_bits(stats, format_)) {
            join(segment, stats, joined_codes, joined_bits);
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
    if (follow_data_) {
        pending_bits_ = block_bits(pending_stats_, format_, &pending_codes_);
        keep_prices();
    }
}

void BlockSplitter::keep_prices() {
    prices_ = {pending_codes_.char_lengths.data(), pending_codes_.position_lengths.data(), false};
    have_prices_ = true;
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
