// The member encoder's loop.
//
// The window is one buffer: the dictionary's worth of bytes before the
// current position, then input read ahead in large pieces. When the
// look-ahead runs short, the buffer's tail from the dictionary's start on is
// moved to its front and refilled, so memory is the buffer (dictionary plus
// WINDOW_READ bytes), the match finder's tables (256 KiB of hash heads, 4
// bytes per dictionary position) and one block of codes, whatever the
// member's size. The CRC-16 is taken over the bytes as they are read.
//
// The input is parsed in segments (SEGMENT bytes; the optimal parse's costs
// and matches are per segment); the block splitter decides where blocks end
// and writes them; the finished bytes go to the output after every segment.
#include "member_encoder.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "bit_output.h"
#include "block_splitter.h"
#include "huffman/huffman.h"
#include "parser.h"

namespace {

constexpr uint32_t SEGMENT = 1u << 14;
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

class InputWindow {
public:
    InputWindow(CWinFile& file, uint32_t size, uint32_t dictionary_size,
                std::vector<uint8_t>& buffer)
        : file_(file), size_(size), dictionary_size_(dictionary_size), buffer_(buffer) {}

    // Makes [pos - dictionary, end) available (end clamped to the member's size).
    void ensure(uint32_t pos, uint64_t end) {
        end = std::min<uint64_t>(end, size_);
        if (end <= base_ + filled_) return;
        uint64_t keep_from =
            std::max<uint64_t>(base_, pos >= dictionary_size_ ? pos - dictionary_size_ : 0);
        size_t kept = static_cast<size_t>(base_ + filled_ - keep_from);
        std::memmove(buffer_.data(), buffer_.data() + (keep_from - base_), kept);
        base_ = keep_from;
        filled_ = kept;
        uint64_t want = std::min<uint64_t>(buffer_.size() - filled_, size_ - (base_ + filled_));
        if (want == 0) return;
        int32_t got = file_.read(buffer_.data() + filled_, static_cast<uint32_t>(want));
        if (got != static_cast<int32_t>(want))
            throw EncoderError{"reading failed or the file became shorter"};
        HUFFMAN::update_crc16(crc_, buffer_.data() + filled_, static_cast<uint32_t>(want));
        filled_ += static_cast<size_t>(want);
    }

    const uint8_t* data() const { return buffer_.data(); }
    uint64_t base() const { return base_; }
    uint16_t crc() const { return crc_; }

private:
    CWinFile& file_;
    uint32_t size_;
    uint32_t dictionary_size_;
    std::vector<uint8_t>& buffer_;
    uint64_t base_ = 0;
    size_t filled_ = 0;
    uint16_t crc_ = 0;
};

void drain(BitOutput& bits, CWinFile& output, uint64_t& written) {
    std::vector<uint8_t>& bytes = bits.bytes();
    if (bytes.empty()) return;
    if (!output.write(bytes.data(), static_cast<uint32_t>(bytes.size())))
        throw EncoderError{"writing the archive failed"};
    written += bytes.size();
    bytes.clear();
}

}  // namespace

MemberEncoder::MemberEncoder(int dictionary_bits, Effort effort)
    : dictionary_bits_(dictionary_bits),
      effort_(effort),
      finder_(1u << dictionary_bits),
      window_((1u << dictionary_bits) + WINDOW_READ + LOOKAHEAD) {}

EncodeResult MemberEncoder::encode(CWinFile& input, uint32_t size, CWinFile& output,
                                   const ProgressFn& progress) {
    const EffortSettings& settings = effort_settings(effort_);
    const uint32_t dictionary_size = 1u << dictionary_bits_;
    const PositionFormat format = position_format(dictionary_bits_);
    const uint32_t segment = settings.parse == Parse::optimal ? OPTIMAL_SEGMENT : SEGMENT;
    InputWindow window(input, size, dictionary_size, window_);
    MatchFinder& finder = finder_;
    finder.begin_member(size);
    BitOutput bits;
    BlockSplitter splitter(bits, format, settings.split_blocks);
    std::vector<LzCode> codes;
    EncodeResult result;
    uint32_t pos = 0;
    while (pos < size) {
        uint32_t stop = static_cast<uint32_t>(std::min<uint64_t>(size, uint64_t{pos} + segment));
        window.ensure(pos, uint64_t{stop} + LOOKAHEAD);
        ParseInput in{window.data(), window.base(), size, &finder};
        codes.clear();
        const BlockStats& pending = splitter.pending_stats();
        uint32_t next = settings.parse == Parse::optimal
                            ? parse_optimal(in, pos, stop, settings, format, pending, previous_,
                                            codes)
                            : parse_greedy_or_lazy(in, pos, stop, settings, codes);
        splitter.add(codes);
        drain(bits, output, result.packed_size);
        if (progress) progress(next - pos);
        pos = next;
        if (result.packed_size >= size) return EncodeResult();
    }
    splitter.finish();
    bits.flush();
    drain(bits, output, result.packed_size);
    result.shrank = result.packed_size < size;
    result.crc = window.crc();
    return result;
}
