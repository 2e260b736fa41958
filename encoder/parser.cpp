// Greedy and lazy parsing over the hash chains.
//
// Greedy takes the longest match found at each position (or a literal) and
// enters every position the match covers into the chains, so later matches
// can start anywhere; it leaves out 3-byte matches from far away, which
// mostly cost more than their three literals.
//
// Lazy weighs matches as zstd's lazy parser does: each byte a match covers
// against what the match costs. Once the block being gathered has code
// lengths, the cost is the match's bits by them (the splitter keeps them,
// so they cost nothing more); before that, in a piece's first stretch, the
// bits of its distance, which the position code's extra bits grow with. At
// each position it takes, of the matches the chain offers, the one worth
// most; and, as in zlib, before taking one shorter than lazy_limit it looks
// at the next position: when the literal there and the match that starts
// after it are worth more, the byte goes out as a literal and that match
// becomes the candidate. A short match (under SECOND_LOOK_BELOW bytes) also
// looks two positions on. Last, drop_dear_matches turns each short match
// that costs more than its bytes as literals into those literals. On the
// benchmark tree the weighing took normal -lh7- from 0.996 to 0.990 of
// jlha's size, and the prices on to 0.988, with no deeper search.
#include "parser.h"

#include "effort.h"

namespace {

// Greedy: a 3-byte match farther back than this is dearer than three
// literals, its position code alone taking about as many bits as the distance
// has. (Lazy keeps them: its weighing finds the better ones.)
constexpr uint32_t FAR_SHORT_MATCH = 4096;
// Without prices: a byte more is worth a distance 32 times as far.
constexpr int GAIN_PER_BYTE = 5;
// Without prices, the match in hand is worth this much more than the next:
// taking the next costs a literal first.
constexpr int LITERAL_FIRST = 3;
constexpr int SECOND_LITERAL_FIRST = LITERAL_FIRST + 1;
// With prices, in sixteenths of a bit: what covering a byte is worth, about
// what the codes after a match spend on a byte it leaves to them (tuned on
// the benchmark tree).
constexpr int SIXTEENTHS = 16;
constexpr int BYTE_WORTH = 72;
constexpr int SECOND_LOOK_BELOW = 5;
// Only 3-byte matches are checked for being dear: checking 4-byte ones too
// gained 0.001 % on the benchmark tree for 0.4 % more instructions.
constexpr int DEAR_MATCH_BELOW = 4;

// What a match is worth without prices: GAIN_PER_BYTE for each byte it
// covers, less one for each bit of its distance.
int gain(const Match& m) {
    return GAIN_PER_BYTE * m.length - position_symbol(m.distance);
}

struct Cursor {
    const ParseInput& in;
    const EffortSettings& settings;

    uint32_t available(uint32_t pos) const { return in.size - pos; }
    Match find(uint32_t pos) const {
        if (settings.parse == Parse::lazy)
            return in.finder->find_worth_most(in.window, in.base, pos, available(pos),
                                              settings.limits, GAIN_PER_BYTE);
        Match m = in.finder->find(in.window, in.base, pos, available(pos), settings.limits);
        if (m.length == MIN_MATCH && m.distance > FAR_SHORT_MATCH) m.length = 0;
        return m;
    }
    void insert_until(uint32_t from, uint32_t to) const {
        for (uint32_t p = from; p < to; ++p)
            in.finder->insert(in.window, in.base, p, available(p));
    }
    uint8_t byte(uint32_t pos) const { return in.window[pos - in.base]; }

    // Whether sending the skipped bytes from pos on as literals and then
    // taking later beats taking current at pos.
    bool later_is_better(uint32_t pos, const Match& current, const Match& later, int skipped) const {
        if (later.length < MIN_MATCH) return false;
        if (!in.prices)
            return gain(later) > gain(current) + (skipped == 1 ? LITERAL_FIRST : SECOND_LITERAL_FIRST);
        int later_cost = in.prices->match(later.length, later.distance);
        for (int i = 0; i < skipped; ++i)
            later_cost += in.prices->literal(byte(pos + static_cast<uint32_t>(i)));
        return BYTE_WORTH * (later.length + skipped) - SIXTEENTHS * later_cost >
               BYTE_WORTH * current.length - SIXTEENTHS * in.prices->match(current.length, current.distance);
    }
};

}  // namespace

uint32_t parse_greedy_or_lazy(const ParseInput& in, uint32_t pos, uint32_t stop,
                              const EffortSettings& settings, std::vector<LzCode>& out) {
    Cursor cursor{in, settings};
    const bool lazy = settings.parse == Parse::lazy;
    Match current = cursor.find(pos);
    while (pos < stop) {
        if (current.length < MIN_MATCH) {
            out.push_back(LzCode::literal(cursor.byte(pos)));
            if (++pos < stop) current = cursor.find(pos);
            continue;
        }
        uint32_t inserted_to = pos + 1;
        if (lazy && current.length < settings.lazy_limit && pos + 1 < stop) {
            Match next = cursor.find(pos + 1);
            inserted_to = pos + 2;
            if (cursor.later_is_better(pos, current, next, 1)) {
                out.push_back(LzCode::literal(cursor.byte(pos)));
                ++pos;
                current = next;
                continue;
            }
            if (current.length < SECOND_LOOK_BELOW && pos + 2 < stop) {
                Match after = cursor.find(pos + 2);
                inserted_to = pos + 3;
                if (cursor.later_is_better(pos, current, after, 2)) {
                    out.push_back(LzCode::literal(cursor.byte(pos)));
                    out.push_back(LzCode::literal(cursor.byte(pos + 1)));
                    pos += 2;
                    current = after;
                    continue;
                }
            }
        }
        out.push_back(LzCode::match(current.length, current.distance));
        uint32_t end = pos + static_cast<uint32_t>(current.length);
        cursor.insert_until(inserted_to, end);
        pos = end;
        if (pos < stop) current = cursor.find(pos);
    }
    return pos;
}

uint64_t drop_dear_matches(const ParseInput& in, uint32_t pos, const CodePrices& prices,
                           std::vector<LzCode>& codes, BlockStats& stats) {
    // Most codes stay: they are copied in runs, up to each dear match.
    std::vector<LzCode> kept;
    size_t copied = 0;
    uint64_t saved = 0;
    for (size_t i = 0; i < codes.size(); ++i) {
        const LzCode code = codes[i];
        const int length = code.length();
        const uint8_t* bytes = in.window + (pos - in.base);
        pos += static_cast<uint32_t>(length);
        if (!code.is_match() || length >= DEAR_MATCH_BELOW) continue;
        int literal_bits = 0;
        bool priced = true;
        for (int k = 0; k < length; ++k) {
            priced = priced && prices.knows_literal(bytes[k]);
            literal_bits += prices.literal(bytes[k]);
        }
        const int match_bits = prices.match(length, uint32_t{code.distance} + 1u);
        if (!priced || literal_bits >= match_bits) continue;
        if (kept.empty()) kept.reserve(codes.size() + codes.size() / 8);
        kept.insert(kept.end(), codes.begin() + static_cast<std::ptrdiff_t>(copied),
                    codes.begin() + static_cast<std::ptrdiff_t>(i));
        copied = i + 1;
        stats.remove(code);
        for (int k = 0; k < length; ++k) {
            kept.push_back(LzCode::literal(bytes[k]));
            stats.add(kept.back());
        }
        saved += static_cast<uint64_t>(match_bits - literal_bits);
    }
    if (copied == 0) return 0;
    kept.insert(kept.end(), codes.begin() + static_cast<std::ptrdiff_t>(copied), codes.end());
    codes.swap(kept);
    return saved;
}
