// Hash chains over the encoder's window: for a position, the earlier
// positions that start with the same three bytes, newest first.
#pragma once

#include <cstdint>
#include <vector>

struct Match {
    int length = 0;         // 0 when nothing of MIN_MATCH bytes or more was found
    uint32_t distance = 0;  // 1 to the dictionary size
};

// How hard find() looks.
struct SearchLimits {
    int chain;  // at most this many candidates
    int nice;   // a match this long ends the search
};

class MatchFinder {
public:
    explicit MatchFinder(uint32_t dictionary_size);

    // Starts a member of size bytes: earlier members' positions no longer match.
    void begin_member(uint32_t size);

    // window[i] is the byte at absolute position base + i; pos is absolute
    // and window holds the dictionary's bytes before it and available bytes
    // from it on. Each call enters pos into the chains, so every position is
    // passed exactly once, in order, to find, find_all or insert.
    Match find(const uint8_t* window, uint64_t base, uint32_t pos, uint32_t available,
               const SearchLimits& limits);
    // Of the matches find_all would store, the one worth most: per_byte for
    // each byte it covers, less one for each bit of its distance (the first
    // of equal worth).
    Match find_worth_most(const uint8_t* window, uint64_t base, uint32_t pos, uint32_t available,
                          const SearchLimits& limits, int per_byte);
    // Every match that is longer than the ones before it on the chain, so
    // lengths rise and distances rise with them; returns how many were stored.
    int find_all(const uint8_t* window, uint64_t base, uint32_t pos, uint32_t available,
                 const SearchLimits& limits, Match* out);
    void insert(const uint8_t* window, uint64_t base, uint32_t pos, uint32_t available);

private:
    template <class Visit>
    void walk(const uint8_t* window, uint64_t base, uint32_t pos, uint32_t available,
              const SearchLimits& limits, Visit visit);

    uint32_t dictionary_size_;
    // Positions are stored as origin_ + position + 1, and origin_ moves on by
    // each member's size, so entries of earlier members fall below it and
    // need no clearing; only when the numbers would overflow are the tables
    // cleared and origin_ set back to 0.
    uint32_t origin_ = 0;
    uint32_t member_size_ = 0;
    std::vector<uint32_t> head_;  // per hash: newest position + 1, 0 for none
    std::vector<uint32_t> prev_;  // per position modulo the dictionary: the one before, + 1
};
