// Greedy and lazy parsing over the hash chains.
//
// Greedy takes the longest match found at each position (or a literal) and
// enters every position the match covers into the chains, so later matches
// can start anywhere; it leaves out 3-byte matches from far away, which
// mostly cost more than their three literals.
//
// Lazy weighs matches as zstd's lazy parser does: each byte a match covers
// against the bits of its distance, which the position code's extra bits
// grow with, so a match one byte longer but sixteen times as far away is
// worth less. At each position it takes, of the matches the chain offers, the
// one worth most; and, as in zlib, before taking one shorter than lazy_limit
// it looks at the next position: when a match worth more (by more than the
// literal that taking it costs first) starts there, the current byte goes out
// as a literal and that match becomes the candidate. A short match (under
// SECOND_LOOK_BELOW bytes) also looks two positions on. On the benchmark tree
// these took normal -lh7- from 0.996 to 0.990 of jlha's size, for no more
// instructions than the plain longest-match lazy parse with byte compares.
#include "parser.h"

#include "effort.h"

namespace {

// Greedy: a 3-byte match farther back than this is dearer than three
// literals, its position code alone taking about as many bits as the distance
// has. (Lazy keeps them: its weighing finds the better ones.)
constexpr uint32_t FAR_SHORT_MATCH = 4096;
constexpr int GAIN_PER_BYTE = 4;
// The match in hand is worth this much more than the next: taking the next
// costs a literal first.
constexpr int LITERAL_FIRST = 3;
constexpr int SECOND_LOOK_BELOW = 5;
constexpr int SECOND_LITERAL_FIRST = LITERAL_FIRST + 1;

// What a match is worth: GAIN_PER_BYTE for each byte it covers, less one for
// each bit of its distance, so a byte longer is worth a distance 16 times as far.
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
            if (next.length >= MIN_MATCH && gain(next) > gain(current) + LITERAL_FIRST) {
                out.push_back(LzCode::literal(cursor.byte(pos)));
                ++pos;
                current = next;
                continue;
            }
            if (current.length < SECOND_LOOK_BELOW && pos + 2 < stop) {
                Match after = cursor.find(pos + 2);
                inserted_to = pos + 3;
                if (after.length >= MIN_MATCH && gain(after) > gain(current) + SECOND_LITERAL_FIRST) {
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
