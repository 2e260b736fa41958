// The encoder's loop over one piece of a member.
//
// The window is one buffer: the dictionary's worth of bytes before the
// current position, then input read ahead in large pieces. It starts at the
// piece's history (the dictionary's worth of bytes before the piece, fewer
// at the member's start), whose positions are entered into the match
// finder's chains before the piece is parsed, so the piece finds the matches
// a run through the whole member would find. When the look-ahead runs short,
// the buffer's tail from the dictionary's start on is moved to its front and
// refilled, so memory is the buffer (dictionary plus WINDOW_READ bytes), the
// match finder's tables (256 KiB of hash heads, 4 bytes per dictionary
// position), one block of codes and the piece's output, whatever the
// member's size. The CRC-16 is taken over the piece's bytes as they are read.
//
// The piece is parsed in segments (SEGMENT bytes; the optimal parse's costs
// and matches are per segment), with the piece's end as the data's end, so
// no match runs past it; the block splitter decides where blocks end, and
// the last block ends with the piece.
#include "member_encoder.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "bit_output.h"
#include "block_splitter.h"
#include "huffman/huffman.h"
#include "parser.h"

namespace {

// The lazy parse's segments are shorter: each block can end at finer steps,
// and the prices the next segment is parsed with follow the data sooner.
constexpr uint32_t SEGMENT = 1u << 13;
constexpr uint32_t LAZY_SEGMENT = 1u << 12;
constexpr uint32_t OPTIMAL_SEGMENT = 1u << 13;
constexpr uint32_t LOOKAHEAD = MAX_MATCH + 2;  // a match at the segment's end, and the lazy step
// The fuzz build reads one segment at a time, so that its inputs of a few
// dozen KiB cross refills at every alignment.
#ifdef VORNSFX_WINDOW_READ
constexpr uint32_t WINDOW_READ = VORNSFX_WINDOW_READ;
#else
constexpr uint32_t WINDOW_READ = 1u << 18;
#endif
static_assert(WINDOW_READ >= SEGMENT, "a segment and its look-ahead fit behind the dictionary");

uint32_t segment_size(Parse parse) {
    switch (parse) {
        case Parse::optimal:
            return OPTIMAL_SEGMENT;
        case Parse::lazy:
            return LAZY_SEGMENT;
        default:
            return SEGMENT;
    }
}

class InputWindow {
public:
    // The window over [first, end) of the file, first being the history's start.
    InputWindow(CWinFile& file, uint32_t first, uint32_t piece_start, uint32_t end,
                uint32_t dictionary_size, std::vector<uint8_t>& buffer)
        : file_(file),
          end_(end),
          piece_start_(piece_start),
          dictionary_size_(dictionary_size),
          buffer_(buffer),
          base_(first) {
        if (file_.seek(first, FILE_BEGIN) != static_cast<int64_t>(first))
            throw EncoderError{"reading failed or the file became shorter"};
    }

    // Makes [pos - dictionary, end) available (end clamped to the window's end).
    void ensure(uint32_t pos, uint64_t end) {
        end = std::min<uint64_t>(end, end_);
        if (end <= base_ + filled_) return;
        uint64_t keep_from =
            std::max<uint64_t>(base_, pos >= dictionary_size_ ? pos - dictionary_size_ : 0);
        size_t kept = static_cast<size_t>(base_ + filled_ - keep_from);
        std::memmove(buffer_.data(), buffer_.data() + (keep_from - base_), kept);
        base_ = keep_from;
        filled_ = kept;
        uint64_t want = std::min<uint64_t>(buffer_.size() - filled_, end_ - (base_ + filled_));
        if (want == 0) return;
        uint8_t* fresh = buffer_.data() + filled_;
        int32_t got = file_.read(fresh, static_cast<uint32_t>(want));
        if (got != static_cast<int32_t>(want))
            throw EncoderError{"reading failed or the file became shorter"};
        uint64_t fresh_at = base_ + filled_;
        uint64_t history = fresh_at < piece_start_ ? std::min(want, piece_start_ - fresh_at) : 0;
        HUFFMAN::update_crc16(crc_, fresh + history, static_cast<uint32_t>(want - history));
        filled_ += static_cast<size_t>(want);
    }

    const uint8_t* data() const { return buffer_.data(); }
    uint64_t base() const { return base_; }
    uint16_t crc() const { return crc_; }

private:
    CWinFile& file_;
    uint32_t end_;
    uint64_t piece_start_;
    uint32_t dictionary_size_;
    std::vector<uint8_t>& buffer_;
    uint64_t base_;
    size_t filled_ = 0;
    uint16_t crc_ = 0;
};

}  // namespace

MemberEncoder::MemberEncoder(int dictionary_bits, Effort effort)
    : dictionary_bits_(dictionary_bits),
      effort_(effort),
      finder_(1u << dictionary_bits),
      window_((1u << dictionary_bits) + WINDOW_READ + LOOKAHEAD) {
    // The pieces' CRCs need the table, whoever makes the first encoder.
    HUFFMAN::build_crc16_table_once();
}

PieceOutput MemberEncoder::encode_piece(CWinFile& input, uint32_t member_size, uint32_t start,
                                        uint32_t end, const std::atomic<bool>* give_up) {
    const EffortSettings& settings = effort_settings(effort_);
    const uint32_t dictionary_size = 1u << dictionary_bits_;
    const PositionFormat format = position_format(dictionary_bits_);
    const uint32_t segment = segment_size(settings.parse);
    const uint32_t first = start > dictionary_size ? start - dictionary_size : 0;
    InputWindow window(input, first, start, end, dictionary_size, window_);
    MatchFinder& finder = finder_;
    finder.begin_member(end);
    window.ensure(start, std::min<uint64_t>(end, uint64_t{start} + segment + LOOKAHEAD));
    for (uint32_t p = first; p < start; ++p)
        finder.insert(window.data(), window.base(), p, end - p);

    PieceOutput result;
    BitOutput bits;
    BlockSplitter splitter(bits, format, settings.split_blocks);
    BlockCodes previous;  // the optimal parse's first prices: the last block's codes
    std::vector<LzCode> codes;
    for (uint32_t pos = start; pos < end;) {
        uint32_t stop = static_cast<uint32_t>(std::min<uint64_t>(end, uint64_t{pos} + segment));
        window.ensure(pos, uint64_t{stop} + LOOKAHEAD);
        ParseInput in{window.data(), window.base(), end, &finder, splitter.prices()};
        codes.clear();
        const BlockStats& pending = splitter.pending_stats();
        const uint32_t segment_start = pos;
        pos = settings.parse == Parse::optimal
                  ? parse_optimal(in, pos, stop, settings, format, pending, previous, codes)
                  : parse_greedy_or_lazy(in, pos, stop, settings, codes);
        if (settings.parse == Parse::lazy) {
            splitter.add(codes, [&](const CodePrices& prices, std::vector<LzCode>& segment,
                                    BlockStats& stats, uint32_t offset) {
                return drop_dear_matches(in, segment_start + offset, prices, segment, stats);
            });
        } else {
            splitter.add(codes);
        }
        if (bits.bytes().size() >= member_size || (give_up && give_up->load())) {
            result.given_up = true;
            return result;
        }
    }
    splitter.finish();
    result.bits = bits.bit_count();
    bits.flush();
    result.bytes.swap(bits.bytes());
    result.crc = window.crc();
    return result;
}
