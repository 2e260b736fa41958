// Hash chains, as zlib keeps them.
//
// head_ maps a hash of the next three bytes to the newest position that
// started with them; prev_[p mod dictionary size] links each position to the
// previous one with the same hash. Positions are absolute offsets into the
// member (members are below 4 GiB), stored plus one so that 0 means none, and
// the tables are never slid, nor cleared between members (see origin_): a
// candidate farther back than the dictionary size is where the walk stops. The chain array has one
// entry per dictionary position, so an entry is overwritten exactly when its position leaves the
// dictionary; a link that does not point backwards is therefore stale and also ends the walk.
//
// Cost: one hash and two stores per position, plus the walk, at most
// `chain` candidates, each checked first at the byte that would make it the
// longest so far, so most candidates cost a single comparison.
#include "match_finder.h"

#include <algorithm>
#include <cstring>

#include "lz_code.h"

namespace {

constexpr int HASH_BITS = 16;
constexpr uint32_t HASH_MULTIPLIER = 2654435761u;  // Knuth's multiplicative hash

uint32_t hash3(const uint8_t* p) {
    uint32_t v = uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
    return (v * HASH_MULTIPLIER) >> (32 - HASH_BITS);
}

// Eight bytes at a time: the lowest differing bit of two little-endian words
// lies in the first differing byte.
int common_length(const uint8_t* a, const uint8_t* b, int limit) {
    int n = 0;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    constexpr int WORD = sizeof(uint64_t);
    for (; n + WORD <= limit; n += WORD) {
        uint64_t x, y;
        std::memcpy(&x, a + n, WORD);
        std::memcpy(&y, b + n, WORD);
        if (x != y) return n + __builtin_ctzll(x ^ y) / 8;
    }
#endif
    while (n < limit && a[n] == b[n])
        ++n;
    return n;
}

}  // namespace

MatchFinder::MatchFinder(uint32_t dictionary_size)
    : dictionary_size_(dictionary_size),
      head_(size_t{1} << HASH_BITS),
      prev_(dictionary_size) {}

void MatchFinder::begin_member(uint32_t size) {
    uint64_t next = uint64_t{origin_} + member_size_;
    if (next + size + 1 > UINT32_MAX) {
        std::fill(head_.begin(), head_.end(), 0);
        std::fill(prev_.begin(), prev_.end(), 0);
        next = 0;
    }
    origin_ = static_cast<uint32_t>(next);
    member_size_ = size;
}

template <class Visit>
void MatchFinder::walk(const uint8_t* window, uint64_t base, uint32_t pos, uint32_t available,
                       const SearchLimits& limits, Visit visit) {
    if (available < MIN_MATCH) return;
    const uint8_t* here = window + (pos - base);
    uint32_t hash = hash3(here);
    const uint32_t stored = origin_ + pos + 1;
    uint32_t candidate = head_[hash];
    head_[hash] = stored;
    prev_[stored & (dictionary_size_ - 1)] = candidate;
    int limit = static_cast<int>(std::min<uint32_t>(available, MAX_MATCH));
    int best = MIN_MATCH - 1;
    uint32_t previous = stored;
    for (int steps = limits.chain; candidate > origin_ && candidate < previous && steps > 0;
         --steps) {
        uint32_t at = candidate - 1 - origin_;
        uint32_t distance = pos - at;
        if (distance > dictionary_size_) break;
        const uint8_t* there = window + (at - base);
        if (there[best] == here[best]) {
            int length = common_length(here, there, limit);
            if (length > best) {
                best = length;
                visit(length, distance);
                if (length >= limits.nice || length == limit) break;
            }
        }
        previous = candidate;
        candidate = prev_[candidate & (dictionary_size_ - 1)];
    }
}

Match MatchFinder::find(const uint8_t* window, uint64_t base, uint32_t pos, uint32_t available,
                        const SearchLimits& limits) {
    Match match;
    walk(window, base, pos, available, limits, [&](int length, uint32_t distance) {
        match.length = length;
        match.distance = distance;
    });
    return match;
}

Match MatchFinder::find_worth_most(const uint8_t* window, uint64_t base, uint32_t pos,
                                   uint32_t available, const SearchLimits& limits, int per_byte) {
    Match match;
    int worth = 0;
    walk(window, base, pos, available, limits, [&](int length, uint32_t distance) {
        int w = per_byte * length - position_symbol(distance);
        if (match.length == 0 || w > worth) {
            match = {length, distance};
            worth = w;
        }
    });
    return match;
}

int MatchFinder::find_all(const uint8_t* window, uint64_t base, uint32_t pos, uint32_t available,
                          const SearchLimits& limits, Match* out) {
    int count = 0;
    walk(window, base, pos, available, limits, [&](int length, uint32_t distance) {
        out[count++] = {length, distance};
    });
    return count;
}

void MatchFinder::insert(const uint8_t* window, uint64_t base, uint32_t pos, uint32_t available) {
    if (available < MIN_MATCH) return;
    uint32_t hash = hash3(window + (pos - base));
    const uint32_t stored = origin_ + pos + 1;
    prev_[stored & (dictionary_size_ - 1)] = head_[hash];
    head_[hash] = stored;
}
