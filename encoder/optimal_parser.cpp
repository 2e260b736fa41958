// The optimal parse (the best effort), after zopfli and libdeflate.
//
// First every position of the segment is searched once, deeply, and the
// matches found are kept: for each position the matches that were longer
// than every nearer one, so any length up to such a match's length is
// available at its distance, and the nearest distance for each length is
// known. A match of `nice` bytes or more is taken as it is: the positions it
// covers are entered into the chains but not searched (long runs would
// otherwise cost a full search per byte).
//
// Then a shortest path: cost[i] is the fewest bits that code the segment's
// first i bytes; each literal and each (length, distance) a position offers
// is an edge priced by the code lengths of a block. The first pass prices by
// the lengths of the block before (or a flat guess); every further pass
// prices by the lengths the block being gathered would get with the previous
// pass's codes added to it (the segment's own statistics alone are too few
// to price by), so the parse and its code converge. Passes go on while they
// gain, up to the effort's limit; the cheapest is kept. Memory: the match
// lists and the cost array of one segment.
#include <algorithm>
#include <limits>

#include "code_lengths.h"
#include "parser.h"

namespace {

constexpr uint32_t INFINITE_COST = std::numeric_limits<uint32_t>::max();
// Prices of symbols the block before did not use: a little dearer than a
// typical used one, so the parse does not chase them blindly.
constexpr uint32_t UNSEEN_CHAR_BITS = 12;
constexpr uint32_t UNSEEN_POSITION_BITS = 6;
constexpr int MAX_MATCHES_PER_POSITION = MAX_MATCH;

struct Prices {
    uint32_t chars[CHAR_SYMBOLS];
    uint32_t positions[MAX_POSITION_SYMBOLS];

    uint32_t distance(uint32_t distance_code) const {
        int symbol = position_symbol(distance_code);
        return positions[symbol] + static_cast<uint32_t>(position_extra_bits(symbol));
    }
};

Prices prices_of(const BlockCodes& codes, const PositionFormat& format) {
    Prices prices;
    for (int s = 0; s < CHAR_SYMBOLS; ++s) {
        uint8_t length =
            codes.char_lengths.empty() ? 0 : codes.char_lengths[static_cast<size_t>(s)];
        prices.chars[s] = length ? length : UNSEEN_CHAR_BITS;
    }
    for (int s = 0; s < MAX_POSITION_SYMBOLS; ++s) {
        uint8_t length = s < format.symbols && !codes.position_lengths.empty()
                             ? codes.position_lengths[static_cast<size_t>(s)]
                             : 0;
        prices.positions[s] = length ? length : UNSEEN_POSITION_BITS;
    }
    return prices;
}

// The matches of every position of a segment.
struct MatchTable {
    std::vector<uint32_t> first;  // per position: index of its first match; one more at the end
    std::vector<Match> matches;
};

MatchTable find_matches(const ParseInput& in, uint32_t pos, uint32_t stop,
                        const SearchLimits& limits) {
    MatchTable table;
    table.first.reserve(stop - pos + 1);
    Match found[MAX_MATCHES_PER_POSITION];
    uint32_t skip_to = pos;
    for (uint32_t p = pos; p < stop; ++p) {
        table.first.push_back(static_cast<uint32_t>(table.matches.size()));
        uint32_t available = in.size - p;
        if (p < skip_to) {
            in.finder->insert(in.window, in.base, p, available);
            continue;
        }
        int count = in.finder->find_all(in.window, in.base, p, available, limits, found);
        uint32_t room = stop - p;  // matches end inside the segment
        for (int k = 0; k < count; ++k) {
            Match m = found[k];
            m.length = static_cast<int>(std::min<uint32_t>(static_cast<uint32_t>(m.length), room));
            if (m.length >= MIN_MATCH && (table.matches.size() == table.first.back() ||
                                          m.length > table.matches.back().length))
                table.matches.push_back(m);
        }
        if (count > 0 && found[count - 1].length >= limits.nice)
            skip_to = p + static_cast<uint32_t>(found[count - 1].length);
    }
    table.first.push_back(static_cast<uint32_t>(table.matches.size()));
    return table;
}

// One shortest-path pass; the codes of the cheapest path go to out.
void cheapest_path(const ParseInput& in, uint32_t pos, uint32_t stop, const MatchTable& table,
                   const Prices& prices, std::vector<LzCode>& out) {
    size_t n = stop - pos;
    std::vector<uint32_t> cost(n + 1, INFINITE_COST);
    std::vector<LzCode> step(n + 1);  // the code that reaches each position on the cheapest path
    cost[0] = 0;
    for (size_t i = 0; i < n; ++i) {
        uint32_t here = cost[i];
        uint8_t byte = in.window[pos + i - in.base];
        if (here + prices.chars[byte] < cost[i + 1]) {
            cost[i + 1] = here + prices.chars[byte];
            step[i + 1] = LzCode::literal(byte);
        }
        int shorter = MIN_MATCH - 1;
        for (uint32_t k = table.first[i]; k < table.first[i + 1]; ++k) {
            const Match& m = table.matches[k];
            uint32_t base_cost = here + prices.distance(m.distance - 1);
            for (int length = shorter + 1; length <= m.length; ++length) {
                uint32_t c = base_cost + prices.chars[length + MATCH_SYMBOL_BIAS];
                if (c < cost[i + static_cast<size_t>(length)]) {
                    cost[i + static_cast<size_t>(length)] = c;
                    step[i + static_cast<size_t>(length)] = LzCode::match(length, m.distance);
                }
            }
            shorter = m.length;
        }
    }
    std::vector<LzCode> reversed;
    for (size_t i = n; i > 0; i -= static_cast<size_t>(step[i].length()))
        reversed.push_back(step[i]);
    out.insert(out.end(), reversed.rbegin(), reversed.rend());
}

}  // namespace

uint32_t parse_optimal(const ParseInput& in, uint32_t pos, uint32_t stop,
                       const EffortSettings& settings, const PositionFormat& format,
                       const BlockStats& pending, BlockCodes& previous,
                       std::vector<LzCode>& out) {
    MatchTable table = find_matches(in, pos, stop, settings.limits);
    Prices prices = prices_of(previous, format);
    std::vector<LzCode> best, trial;
    uint64_t best_bits = std::numeric_limits<uint64_t>::max();
    for (int pass = 0; pass < settings.optimal_passes; ++pass) {
        trial.clear();
        cheapest_path(in, pos, stop, table, prices, trial);
        BlockStats stats = pending;
        for (const LzCode& code : trial)
            stats.add(code);
        uint64_t bits = block_bits(stats, format);
        BlockCodes codes = block_codes(stats, format);
        if (bits >= best_bits) break;  // converged: a pass that gains nothing ends the search
        best_bits = bits;
        best.swap(trial);
        previous = codes;
        prices = prices_of(codes, format);
    }
    out.insert(out.end(), best.begin(), best.end());
    return stop;
}
