// Greedy and lazy parsing over the hash chains.
//
// Greedy takes the longest match found at each position (or a literal) and
// enters every position the match covers into the chains, so later matches
// can start anywhere. Lazy, as in zlib: before taking a match shorter than
// lazy_limit it looks at the next position; when a better match starts
// there, the current byte goes out as a literal and the better match becomes
// the candidate, and so on. Better is weighed as zstd's lazy parser does:
// each byte a match covers against the bits of its distance, which the
// position code's extra bits grow with, and the match in hand ahead by the
// literal that taking the next one costs; so a match one byte longer but
// sixteen times as far away does not displace the nearer one. Greedy leaves
// out 3-byte matches from far away, which mostly cost more than their three
// literals; lazy keeps them, as its weighing shows it the better ones (on
// the benchmark tree leaving them out made normal 0.1 % larger).
#include "parser.h"

#include "effort.h"

namespace {

// Greedy: a 3-byte match farther back than this is dearer than three
// literals, its position code alone taking about as many bits as the distance has.
constexpr uint32_t FAR_SHORT_MATCH = 4096;
constexpr int GAIN_PER_BYTE = 4;
// The match in hand is worth this much more than the next: taking the next
// costs a literal first.
constexpr int LITERAL_FIRST = 3;

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
        Match m = in.finder->find(in.window, in.base, pos, available(pos), settings.limits);
        if (settings.parse == Parse::greedy && m.length == MIN_MATCH &&
            m.distance > FAR_SHORT_MATCH)
            m.length = 0;
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
        }
        out.push_back(LzCode::match(current.length, current.distance));
        uint32_t end = pos + static_cast<uint32_t>(current.length);
        cursor.insert_until(inserted_to, end);
        pos = end;
        if (pos < stop) current = cursor.find(pos);
    }
    return pos;
}
