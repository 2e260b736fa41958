#include <cstring>

#include "crc16_clmul.h"
#include "huffman.h"

namespace HUFFMAN {

namespace {

constexpr uint16_t CRC16_POLYNOMIAL = 0xA001;  // 0x8005 bit-reversed
constexpr int CRC_TABLE_SIZE = 256;
// Sixteen bytes are folded in at a time ("slicing by sixteen"):
// crc16_slices[k][b] is the CRC change of byte b followed by k zero bytes, so
// one 16-byte step costs sixteen independent lookups instead of sixteen
// dependent ones. The 8 KiB of tables live in zero-initialised storage and
// cost the stub's file nothing.
constexpr int SLICES = 16;
constexpr int WORD = 8;
uint16_t crc16_slices[SLICES][CRC_TABLE_SIZE];
uint16_t (&crc16_table)[CRC_TABLE_SIZE] = crc16_slices[0];
// Where the processor multiplies without carries, long blocks are folded
// (crc16_clmul.cpp) rather than sliced: several times faster.
bool use_clmul = false;

uint64_t load_little_endian(const uint8_t* data) {
    uint64_t value;
    std::memcpy(&value, data, WORD);
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    value = __builtin_bswap64(value);
#endif
    return value;
}

}  // namespace

void build_crc16_table() {
    for (int i = 0; i < CRC_TABLE_SIZE; ++i) {
        uint16_t r = static_cast<uint16_t>(i);
        for (int bit = 0; bit < 8; ++bit) r = (r & 1) ? (r >> 1) ^ CRC16_POLYNOMIAL : r >> 1;
        crc16_table[i] = r;
    }
    for (int k = 1; k < SLICES; ++k)
        for (int i = 0; i < CRC_TABLE_SIZE; ++i) {
            uint16_t previous = crc16_slices[k - 1][i];
            crc16_slices[k][i] = static_cast<uint16_t>((previous >> 8) ^ crc16_table[previous & 0xFF]);
        }
    use_clmul = prepare_clmul();
}

void update_crc16(uint16_t& crc, const uint8_t* data, uint32_t length) {
    uint16_t value = crc;
    if (use_clmul && length >= CLMUL_GROUP) {
        uint32_t folded = length - length % CLMUL_GROUP;
        uint8_t remainder[CLMUL_REMAINDER_BYTES];
        fold_clmul(value, data, folded, remainder);
        value = 0;
        update_crc16(value, remainder, CLMUL_REMAINDER_BYTES);
        data += folded;
        length -= folded;
    }
    for (; length >= SLICES; length -= SLICES, data += SLICES) {
        // The CRC enters at the first byte; the first word's bytes are
        // followed by 15 to 8 more, the second word's by 7 to 0.
        uint64_t v = load_little_endian(data) ^ value;
        uint64_t w = load_little_endian(data + WORD);
        value = static_cast<uint16_t>(
            crc16_slices[15][v & 0xFF] ^ crc16_slices[14][v >> 8 & 0xFF] ^
            crc16_slices[13][v >> 16 & 0xFF] ^ crc16_slices[12][v >> 24 & 0xFF] ^
            crc16_slices[11][v >> 32 & 0xFF] ^ crc16_slices[10][v >> 40 & 0xFF] ^
            crc16_slices[9][v >> 48 & 0xFF] ^ crc16_slices[8][v >> 56] ^
            crc16_slices[7][w & 0xFF] ^ crc16_slices[6][w >> 8 & 0xFF] ^
            crc16_slices[5][w >> 16 & 0xFF] ^ crc16_slices[4][w >> 24 & 0xFF] ^
            crc16_slices[3][w >> 32 & 0xFF] ^ crc16_slices[2][w >> 40 & 0xFF] ^
            crc16_slices[1][w >> 48 & 0xFF] ^ crc16_slices[0][w >> 56]);
    }
    for (uint32_t i = 0; i < length; ++i)
        value = static_cast<uint16_t>((value >> 8) ^ crc16_table[(value ^ data[i]) & 0xFF]);
    crc = value;
}

}  // namespace HUFFMAN
