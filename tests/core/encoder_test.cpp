// Greedy and lazy parses against a scan of the dictionary: the longest, nearest match is taken
// at once, unless (lazy) it is short and the next position's is longer.
#include <gtest/gtest.h>

#include <random>

#include "encoder/parser.h"

TEST(GreedyAndLazyParse, TakeTheLongestMatchUnlessTheNextIsLonger) {
    constexpr uint32_t DICTIONARY = 1024, SIZE = 3000;
    std::mt19937 random(5);
    std::vector<uint8_t> data;  // sixteen letters, random bytes, runs, copies from a dictionary back
    while (data.size() < SIZE) {
        const uint32_t kind = random() % (data.size() < DICTIONARY ? 3 : 4), count = 50 + random() % 400;
        for (uint32_t i = 0; i < count; ++i)
            data.push_back(static_cast<uint8_t>(kind == 0   ? 'a' + random() % 16
                                                : kind == 1 ? random()
                                                : kind == 2 ? 'r'
                                                            : data[data.size() - DICTIONARY]));
    }
    const uint32_t size = static_cast<uint32_t>(data.size());
    auto longest = [&](uint32_t pos) {
        std::pair<int, uint32_t> found(0, 0);  // length, distance
        for (uint32_t d = 1; pos < size && d <= std::min(pos, DICTIONARY); ++d) {
            int n = 0;
            while (n < MAX_MATCH && pos + n < size && data[pos - d + n] == data[pos + n]) ++n;
            if (n >= MIN_MATCH && n > found.first) found = {n, d};
        }
        return found;
    };
    for (Parse parse : {Parse::greedy, Parse::lazy}) {
        MatchFinder finder(DICTIONARY);
        finder.begin_member(size);
        const EffortSettings settings = {parse, {1 << 30, MAX_MATCH + 1}, 40, false, 0};
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
}
