// Damaged copies of sound LHA archives, made from a seed: cut short, with
// bits flipped, or with one header field set to a value no archiver writes.
// Every damage knows where the member headers are, so that cuts, flips and
// field values land in headers as often as in data.
#pragma once

#include <cstdint>
#include <string>

#include "support/files.h"

// A small generator with the same sequence on every platform (splitmix64).
class SweepRandom {
public:
    explicit SweepRandom(uint64_t seed) : state_(seed) {}
    uint64_t next();
    // Uniform enough in [0, bound); bound > 0.
    size_t below(size_t bound) { return static_cast<size_t>(next() % bound); }

private:
    uint64_t state_;
};

enum class DamageKind {
    cut_in_header,    // the file ends inside a member header (or where one begins)
    cut_in_data,      // the file ends inside a member's data
    flips_anywhere,   // 1 to 8 bits flipped anywhere
    flips_in_header,  // 1 to 8 bits flipped inside member headers
    mangled_field,    // one header field set to an absurd value
};
constexpr int DAMAGE_KINDS = 5;
const char* damage_name(DamageKind kind);

struct DamagedArchive {
    Bytes bytes;
    std::string what;  // the damage done, for the run's log line
};

// archive damaged the given way, the choices taken from random.
DamagedArchive damage(const Bytes& archive, DamageKind kind, SweepRandom& random);
