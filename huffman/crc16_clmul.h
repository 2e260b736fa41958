// CRC-16 folded with carry-less multiplication, where the processor has it.
#pragma once

#include <cstdint>

namespace HUFFMAN {

// Whole 64-byte groups the folding takes at a time.
constexpr uint32_t CLMUL_GROUP = 64;
constexpr int CLMUL_REMAINDER_BYTES = 16;

// Prepares the folding and returns true when this processor multiplies
// without carries (PCLMULQDQ); false on other processors and architectures.
bool prepare_clmul();

// Folds length bytes (a multiple of CLMUL_GROUP, at least one group) of data
// whose CRC so far is crc into CLMUL_REMAINDER_BYTES bytes with the same
// remainder: their CRC-16 from 0 is the CRC-16 of data from crc.
void fold_clmul(uint16_t crc, const uint8_t* data, uint32_t length,
                uint8_t remainder[CLMUL_REMAINDER_BYTES]);

}  // namespace HUFFMAN
