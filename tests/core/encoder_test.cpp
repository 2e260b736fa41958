// The parses against a scan of the dictionary: greedy and lazy take the longest, nearest match at once,
// unless (lazy) a short one has a longer one behind it; at fixed code lengths the optimal parse is cheapest.
#include <gtest/gtest.h>

#include <random>

#include "encoder/parser.h"

namespace {

using Matches = std::vector<std::pair<int, uint32_t>>;  // (length, distance), nearest first
constexpr uint32_t DICTIONARY = 1024, SIZE = 3000;
const SearchLimits EVERY_POSITION = {1 << 30, MAX_MATCH + 1};  // no match ends a search early

// Each distance whose match (ending by end) is longer than every nearer one.
Matches scan(const std::vector<uint8_t>& data, uint32_t pos, size_t end) {
    Matches found;
    const int limit = static_cast<int>(std::min<size_t>({end - pos, MAX_MATCH}));
    for (uint32_t d = 1; pos < end && d <= std::min(pos, DICTIONARY); ++d) {
        int n = 0;
        while (n < limit && data[pos - d + n] == data[pos + n]) ++n;
        if (n >= MIN_MATCH && (found.empty() || n > found.back().first)) found.push_back({n, d});
    }
    return found;
}

}  // namespace

TEST(Parses, GreedyAndLazyFollowTheirRuleTheOptimalParseTakesACheapestPath) {
    std::mt19937 random(5);
    std::vector<uint8_t> data;  // four letters, random bytes, runs, copies a dictionary back
    while (data.size() < SIZE) {
        const uint32_t kind = random() % (data.size() < DICTIONARY ? 3 : 4), count = 50 + random() % 400;
        for (uint32_t i = 0; i < count; ++i)
            data.push_back(static_cast<uint8_t>(kind == 0   ? 'a' + random() % 4
                                                : kind == 1 ? random()
                                                : kind == 2 ? 'r'
                                                            : data[data.size() - DICTIONARY]));
    }
    const uint32_t size = static_cast<uint32_t>(data.size());
    auto longest = [&](uint32_t pos) {
        Matches found = scan(data, pos, size);
        return found.empty() ? std::pair(0, 0u) : found.back();
    };
    for (Parse parse : {Parse::greedy, Parse::lazy}) {
        MatchFinder finder(DICTIONARY);
        finder.begin_member(size);
        const EffortSettings settings = {parse, EVERY_POSITION, 40, false, 0};
        std::vector<LzCode> codes;
        ASSERT_EQ(parse_greedy_or_lazy({data.data(), 0, size, &finder}, 0, size, settings, codes), size);
        uint32_t pos = 0;
        for (const LzCode& code : codes) {
            auto [n, distance] = longest(pos);
            bool put_off = parse == Parse::lazy && n < settings.lazy_limit && longest(pos + 1).first > n;
            LzCode want = n < MIN_MATCH || put_off ? LzCode::literal(data[pos]) : LzCode::match(n, distance);
            ASSERT_EQ(std::pair(code.symbol, code.distance), std::pair(want.symbol, want.distance))
                << static_cast<int>(parse) << " at " << pos;
            pos += code.length();
        }
    }

    uint32_t half = size / 2;  // the optimal parse goes in two segments, the second from a long match
    while (longest(half).first < 8) ++half;
    const PositionFormat format = position_format(13);  // -lh5-
    BlockCodes lengths;
    for (int s = 0; s < CHAR_SYMBOLS + format.symbols; ++s)
        (s < CHAR_SYMBOLS ? lengths.char_lengths : lengths.position_lengths).push_back(1 + random() % 16);
    auto price = [&](const LzCode& code) -> uint64_t {
        int symbol = position_symbol(code.distance);
        return lengths.char_lengths[code.symbol] +
               (code.is_match() ? lengths.position_lengths[symbol] + position_extra_bits(symbol) : 0);
    };
    std::vector<uint64_t> cheapest(size + 1, UINT64_MAX);
    cheapest[0] = 0;
    for (uint32_t pos = 0; pos < size; ++pos) {
        std::vector<LzCode> steps = {LzCode::literal(data[pos])};
        int shorter = MIN_MATCH - 1;
        for (auto [length, distance] : scan(data, pos, pos < half ? half : size)) {
            for (int n = shorter + 1; n <= length; ++n) steps.push_back(LzCode::match(n, distance));
            shorter = length;
        }
        for (const LzCode& c : steps)
            cheapest[pos + c.length()] = std::min(cheapest[pos + c.length()], cheapest[pos] + price(c));
    }
    MatchFinder finder(DICTIONARY);
    finder.begin_member(size);
    std::vector<LzCode> parse;
    for (auto [from, to] : {std::pair(0u, half), std::pair(half, size)}) {
        BlockCodes previous = lengths;  // the parse leaves its block's codes here
        parse_optimal({data.data(), 0, size, &finder}, from, to, {Parse::optimal, EVERY_POSITION, 0, false, 1},
                      format, BlockStats(), previous, parse);
    }
    uint64_t bits = 0;
    for (const LzCode& code : parse) bits += price(code);
    EXPECT_EQ(bits, cheapest[size]);
}
