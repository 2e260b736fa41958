// -lzs- bit streams and -lz5- byte streams built by hand: match positions
// count from the encoder's ring start, -lz5-'s ring starts with its fixed
// patterns, and flag bytes govern exactly eight items each.
#include <string>

#include <gtest/gtest.h>

#include "support/bit_writer.h"
#include "support/engine_runner.h"

namespace {

constexpr int METHOD_LZS = 8;
constexpr int METHOD_LZ5 = 9;

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// An -lzs- match: flag 0, the 11-bit ring index, the length minus 2.
void put_lzs_match(BitWriter& bits, uint32_t position, int length) {
    bits.put(0, 1).put(position, 11).put(length - 2, 4);
}

// An -lz5- match: the 12-bit ring index and the length minus 3 in two bytes.
Bytes lz5_match(uint32_t position, int length) {
    return {uint8_t(position), uint8_t(((position >> 8) << 4) | (length - 3))};
}

}  // namespace

TEST(Lzs, MatchPositionsCountFromRingIndex2031) {
    BitWriter bits;
    for (char c : std::string("abc")) bits.put(1, 1).put(static_cast<uint8_t>(c), 8);
    put_lzs_match(bits, 2031, 3);  // the first output byte
    put_lzs_match(bits, 100, 2);   // not written yet: spaces
    put_lzs_match(bits, 2032, 17); // "bcabc  " and then its own output
    expect_decodes_to(bits.bytes(), METHOD_LZS, text("abcabc  bcabc  bcabc  bca"));
}

// The ring as lhasa decodes it: a match at every one of the 4096 position
// fields was compared once; these cross each border of its regions.
TEST(Lz5, TheRingStartsWithZerosRunsRampsZerosAndSpaces) {
    Bytes stream = {0x00};  // eight matches
    stream = stream + lz5_match(0, 3);     // ring 18: the run of zeros
    stream = stream + lz5_match(4081, 18); // ring 3..20: the encoder's start, zeros too
    stream = stream + lz5_match(845, 18);  // ring 863: the run of 'A's, then 'B's
    stream = stream + lz5_match(3322, 18); // ring 3340: end of the run of 255s, ascending
    stream = stream + lz5_match(3577, 18); // ring 3595: end of ascending, descending
    stream = stream + lz5_match(3832, 18); // ring 3850: end of descending, zeros
    stream = stream + lz5_match(3962, 18); // ring 3980: end of zeros, spaces
    stream = stream + lz5_match(4072, 18); // ring 4090: spaces, then our own output
    Bytes want = Bytes(3, 0) + Bytes(18, 0);
    want = want + Bytes(13, 'A') + Bytes(5, 'B');
    want = want + Bytes(6, 255);
    for (int v = 0; v < 12; ++v) want.push_back(uint8_t(v));
    for (int v = 249; v <= 255; ++v) want.push_back(uint8_t(v));
    for (int v = 255; v > 244; --v) want.push_back(uint8_t(v));
    for (int v = 7; v >= 0; --v) want.push_back(uint8_t(v));
    want = want + Bytes(10, 0) + Bytes(6, 0) + Bytes(12, ' ');
    want = want + Bytes(6, ' ') + Bytes(12, 0);
    expect_decodes_to(stream, METHOD_LZ5, want);
}

TEST(Lz5, AFlagByteGovernsExactlyEightItemsLowestBitFirst) {
    Bytes stream = Bytes{0xFF} + text("ABCDEFGH");
    stream = stream + Bytes{0xFE} + lz5_match(4078, 3) + text("1234567");  // ring 0: "ABC"
    stream = stream + Bytes{0x00} + lz5_match(0, 3);                       // ring 18: zeros
    expect_decodes_to(stream, METHOD_LZ5, text("ABCDEFGHABC1234567") + Bytes(3, 0));
}

TEST(Lz5, EachMemberStartsWithAFlagByteAndKeepsToItsOwnBytes) {
    expect_decodes_to({0x01, 'a'}, METHOD_LZ5, text("a"));
    // The damaged member below runs out of bytes: it reads zero bytes, never
    // the bytes of the member that follows.
    expect_expanded(expand_bytes({0xFF, 'b'}, METHOD_LZ5, 4, text("XYZW")),
                  text("b") + Bytes(3, 0));
}
