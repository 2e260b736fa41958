// The encoder's greedy and lazy parses against a brute-force scan of the
// dictionary, on data full of short and long repeats.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "encoder/lz_code.h"
#include "encoder/match_finder.h"
#include "encoder/parser.h"

namespace {

using Matches = std::vector<std::pair<int, uint32_t>>;  // (length, distance)

constexpr uint32_t DICTIONARY = 1024;
constexpr uint32_t MEMBER_SIZE = 3000;
const SearchLimits EVERY_POSITION = {1 << 30, MAX_MATCH + 1};  // no match ends a search early

// Sixteen letters, random bytes, runs longer than a match, and copies from just
// the dictionary's size back.
std::vector<uint8_t> member_data(std::mt19937& random) {
    std::vector<uint8_t> data;
    while (data.size() < MEMBER_SIZE) {
        uint32_t kind = random() % 4, count = 50 + random() % 400;
        if (kind == 3 && data.size() < DICTIONARY) kind = 1;
        for (uint32_t i = 0; i < count; ++i)
            data.push_back(kind == 0   ? "abcdefghijklmnop"[random() % 16]
                           : kind == 1 ? random()
                           : kind == 2 ? 'r'
                                       : data[data.size() - DICTIONARY]);
    }
    return data;
}

// Nearest first, each distance whose match is longer than every nearer one.
Matches scan(const std::vector<uint8_t>& data, uint32_t pos) {
    Matches found;
    const int limit = static_cast<int>(std::min<size_t>(data.size() - pos, MAX_MATCH));
    for (uint32_t d = 1; d <= std::min(pos, DICTIONARY); ++d) {
        int n = 0;
        while (n < limit && data[pos - d + n] == data[pos + n]) ++n;
        if (n >= MIN_MATCH && (found.empty() || n > found.back().first)) found.push_back({n, d});
        if (n == limit) break;
    }
    return found;
}

// The longest match is taken at once, unless (lazy) it is short and the next
// position's, inside the segment, is longer. A segment's last match may run
// into the next one, which starts behind it.
TEST(GreedyAndLazyParse, TakeTheLongestMatchUnlessTheNextIsLonger) {
    constexpr int LAZY_LIMIT = 40;
    constexpr uint32_t SEGMENT = 97;
    std::mt19937 random(5);
    const std::vector<uint8_t> data = member_data(random);
    const uint32_t size = static_cast<uint32_t>(data.size());
    auto longest = [&](uint32_t pos) {
        Matches found = pos < size ? scan(data, pos) : Matches();
        return found.empty() ? std::pair(0, 0u) : found.back();
    };
    for (Parse parse : {Parse::greedy, Parse::lazy}) {
        MatchFinder finder(DICTIONARY);
        finder.begin_member(size);
        std::vector<LzCode> codes;
        const EffortSettings settings = {parse, EVERY_POSITION, LAZY_LIMIT, false, 0};
        std::vector<std::pair<uint32_t, uint32_t>> segments;  // (where its codes end, its stop)
        for (uint32_t from = 0; from < size;) {
            const uint32_t stop = std::min(from + SEGMENT, size);
            from = parse_greedy_or_lazy({data.data(), 0, size, &finder}, from, stop, settings, codes);
            segments.push_back({from, stop});
        }
        uint32_t pos = 0;
        size_t segment = 0;
        for (const LzCode& code : codes) {
            while (pos >= segments[segment].first) ++segment;
            auto [length, distance] = longest(pos);
            bool put_off = parse == Parse::lazy && length < LAZY_LIMIT && pos + 1 < segments[segment].second &&
                           longest(pos + 1).first > length;
            LzCode want = length < MIN_MATCH || put_off ? LzCode::literal(data[pos])
                                                        : LzCode::match(length, distance);
            ASSERT_EQ(std::pair(code.symbol, code.distance), std::pair(want.symbol, want.distance))
                << static_cast<int>(parse) << " at " << pos;
            pos += code.length();
        }
    }
}

}  // namespace
