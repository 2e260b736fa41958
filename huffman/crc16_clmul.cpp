// CRC-16/ARC by folding, with carry-less multiplication (PCLMULQDQ).
//
// A CRC is the remainder of the message, taken as a polynomial over GF(2),
// times x^16, modulo P = x^16 + x^15 + x^2 + 1. Remainders can be taken in
// any order: a 128-bit part R of the message followed by n more bits counts
// as R * x^n, and R * x^n mod P is cheap to get without dividing: with R's
// upper half H and lower half L (64 bits each), R * x^n = H * x^(n+64) +
// L * x^n, and replacing x^(n+64) and x^n by their remainders k1 and k2 (16
// bits each) keeps the value modulo P. Two carry-less 64 x 64 products
// therefore move 128 bits n bits further on, where they are XORed into the
// data found there. Four 128-bit lanes fold 64 bytes per step (n = 512),
// are folded into one (n = 128) and that one is stored: 16 bytes whose CRC
// is the CRC of everything folded, which the table then finishes.
//
// The CRC is reflected: the first bit of a byte is its lowest, so a 128-bit
// lane loaded from memory holds the highest power of x in its lowest bit,
// and its lower 64-bit half is H. In this order a carry-less product of two
// 64-bit values comes out one place higher than the 128-bit lane order
// expects (times x), which the constants make up for by carrying one factor
// x less: x^(e-1) mod P for x^e.
#include "crc16_clmul.h"

#if defined(__x86_64__) || defined(__i386__)

#include <cpuid.h>
#include <immintrin.h>

namespace HUFFMAN {

namespace {

constexpr uint32_t POLYNOMIAL = 0x18005;  // x^16 + x^15 + x^2 + 1
constexpr int LANE_BITS = 128;
constexpr int HALF_BITS = 64;

// x^e mod P, as a plain (unreflected) polynomial of degree below 16.
uint32_t power_remainder(int e) {
    uint32_t r = 1;
    for (int i = 0; i < e; ++i) {
        r <<= 1;
        if (r & 0x10000) r ^= POLYNOMIAL;
    }
    return r;
}

// The factor x^e mod P for a 64-bit half, in lane order (x^63 in bit 0),
// divided by x: see above.
uint64_t fold_factor(int e) {
    uint32_t k = power_remainder(e - 1);
    uint64_t reflected = 0;
    for (int d = 0; d < 16; ++d)
        if (k >> d & 1) reflected |= uint64_t{1} << (HALF_BITS - 1 - d);
    return reflected;
}

// Moves lane n bits further on: H * (x^(n+64) mod P) + L * (x^n mod P).
__attribute__((target("pclmul,sse2"))) inline __m128i fold(__m128i lane, __m128i factors) {
    return _mm_xor_si128(_mm_clmulepi64_si128(lane, factors, 0x00),
                         _mm_clmulepi64_si128(lane, factors, 0x11));
}

constexpr int LANES = 4;
constexpr int LANE_BYTES = LANE_BITS / 8;

// The factors of a fold by a group (n = 512) and by a lane (n = 128): for
// the lower half (H) first, then for the upper half (L).
uint64_t group_factors[2];
uint64_t lane_factors[2];

__attribute__((target("sse2"))) inline __m128i factors(const uint64_t (&pair)[2]) {
    return _mm_set_epi64x(static_cast<long long>(pair[1]), static_cast<long long>(pair[0]));
}

__attribute__((target("sse2"))) inline __m128i load(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

}  // namespace

bool prepare_clmul() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d) || (c & bit_PCLMUL) == 0) return false;
    group_factors[0] = fold_factor(LANES * LANE_BITS + HALF_BITS);
    group_factors[1] = fold_factor(LANES * LANE_BITS);
    lane_factors[0] = fold_factor(LANE_BITS + HALF_BITS);
    lane_factors[1] = fold_factor(LANE_BITS);
    return true;
}

__attribute__((target("pclmul,sse2"))) void fold_clmul(uint16_t crc, const uint8_t* data,
                                                       uint32_t length,
                                                       uint8_t remainder[CLMUL_REMAINDER_BYTES]) {
    const __m128i by_group = factors(group_factors);
    const __m128i by_lane = factors(lane_factors);
    // The CRC so far enters as the first 16 bits of the message.
    __m128i lane[LANES];
    for (int i = 0; i < LANES; ++i) lane[i] = load(data + LANE_BYTES * i);
    lane[0] = _mm_xor_si128(lane[0], _mm_cvtsi32_si128(crc));
    for (data += CLMUL_GROUP, length -= CLMUL_GROUP; length > 0;
         data += CLMUL_GROUP, length -= CLMUL_GROUP)
        for (int i = 0; i < LANES; ++i)
            lane[i] = _mm_xor_si128(fold(lane[i], by_group), load(data + LANE_BYTES * i));
    __m128i all = lane[0];
    for (int i = 1; i < LANES; ++i) all = _mm_xor_si128(fold(all, by_lane), lane[i]);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(remainder), all);
}

}  // namespace HUFFMAN

#else

namespace HUFFMAN {

bool prepare_clmul() {
    return false;
}

void fold_clmul(uint16_t, const uint8_t*, uint32_t, uint8_t*) {}

}  // namespace HUFFMAN

#endif
